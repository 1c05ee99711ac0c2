// A system that lists its layouts but cannot switch them (an X server without XKB, a Wayland
// desktop that offers programs no way): every answer is the wrapped system's, except that
// canSwitchLayouts() is false and a selection is refused.
// Threads: as the wrapped sources.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/TextInputSources.h"

namespace kestravane::testing_support {

class UnswitchableSources final : public platform::TextInputSources {
 public:
  explicit UnswitchableSources(std::shared_ptr<platform::TextInputSources> listed)
      : listed(std::move(listed)) {}

  std::optional<std::vector<std::shared_ptr<platform::InputSource>>> createInputSourceList(
      const platform::InputSourceFilter& filter, bool includeAllInstalled) override {
    return listed->createInputSourceList(filter, includeAllInstalled);
  }
  std::optional<std::string> stringProperty(const platform::InputSource& source,
                                            std::string_view key) override {
    return listed->stringProperty(source, key);
  }
  std::shared_ptr<platform::InputSource> copyCurrentKeyboardInputSource() override {
    return listed->copyCurrentKeyboardInputSource();
  }
  platform::OSStatus selectInputSource(const platform::InputSource&) override {
    return -50;  // paramErr
  }
  void setSourcesChangedObserver(std::function<void()> observer) override {
    listed->setSourcesChangedObserver(std::move(observer));
  }
  bool canSwitchLayouts() const override { return false; }

 private:
  const std::shared_ptr<platform::TextInputSources> listed;
};

}  // namespace kestravane::testing_support
