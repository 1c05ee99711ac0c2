// Event taps that pass everything through to another platform's taps and let a test or a
// benchmark see each callback of the taps made through them: a hook runs just before the tap's
// own callback (to note the moment), and a count goes up just after it (so a test knows that the
// tap thread has taken an event in); the layouts selected from the taps' callbacks are counted
// too.
// Threads: as the wrapped taps; the hook runs on the tap's thread. Made on the owner's thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "Platform/EventTaps.h"

namespace kestravane::testing_support {

class ObservedEventTaps final : public platform::EventTaps {
 public:
  // `onSelected` runs on the tap's thread right after a tap selected a layout.
  explicit ObservedEventTaps(std::shared_ptr<platform::EventTaps> taps,
                             std::function<void()> beforeCallback = {},
                             std::function<void()> onSelected = {})
      : taps(std::move(taps)),
        beforeCallback(std::move(beforeCallback)),
        onSelected(std::move(onSelected)) {}

  // Callbacks that have returned, of every tap made here.
  std::size_t callbacksDone() const { return done.load(std::memory_order_acquire); }
  // Layouts the wrapped taps selected from their callbacks.
  std::size_t layoutsSelected() const { return selected.load(std::memory_order_acquire); }

  std::shared_ptr<platform::EventTap> tapCreate(platform::TapLocation location,
                                                platform::TapPlacement placement,
                                                platform::TapOptions options,
                                                platform::EventMask mask,
                                                platform::TapCallback callback,
                                                void* userInfo) override {
    Target* target = nullptr;
    {
      std::lock_guard lock(mutex);
      targets.push_back(std::make_unique<Target>(Target{callback, userInfo, this}));
      target = targets.back().get();
    }
    return taps->tapCreate(location, placement, options, mask, &ObservedEventTaps::forward, target);
  }
  void tapEnable(platform::EventTap& tap, bool enable) override { taps->tapEnable(tap, enable); }
  void invalidate(platform::EventTap& tap) override { taps->invalidate(tap); }
  std::shared_ptr<platform::RunLoopSource> createRunLoopSource(platform::EventTap& tap) override {
    return taps->createRunLoopSource(tap);
  }
  std::int64_t integerValueField(const platform::Event& event,
                                 platform::EventField field) const override {
    return taps->integerValueField(event, field);
  }
  platform::EventFlags flags(const platform::Event& event) const override {
    return taps->flags(event);
  }
  bool preflightListenEventAccess() override { return taps->preflightListenEventAccess(); }
  bool requestListenEventAccess() override { return taps->requestListenEventAccess(); }
  bool preflightPostEventAccess() override { return taps->preflightPostEventAccess(); }
  std::optional<std::size_t> selectNextLayoutFromTap(platform::EventTap& tap) override {
    auto position = taps->selectNextLayoutFromTap(tap);
    if (position && onSelected) onSelected();
    if (position) selected.fetch_add(1, std::memory_order_acq_rel);
    return position;
  }

 private:
  struct Target {
    platform::TapCallback callback;
    void* userInfo;
    ObservedEventTaps* owner;
  };

  static platform::Event* forward(platform::EventType type, platform::Event* event,
                                  void* userInfo) {
    const auto& target = *static_cast<Target*>(userInfo);
    if (target.owner->beforeCallback) target.owner->beforeCallback();
    platform::Event* answer = target.callback(type, event, target.userInfo);
    target.owner->done.fetch_add(1, std::memory_order_acq_rel);
    return answer;
  }

  const std::shared_ptr<platform::EventTaps> taps;
  const std::function<void()> beforeCallback;
  const std::function<void()> onSelected;
  std::atomic<std::size_t> done{0};
  std::atomic<std::size_t> selected{0};
  std::mutex mutex;
  std::vector<std::unique_ptr<Target>> targets;  // alive as long as the taps may call back
};

}  // namespace kestravane::testing_support
