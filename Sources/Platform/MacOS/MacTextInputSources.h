// Text Input Sources services through Carbon's HIToolbox (TISCreateInputSourceList,
// TISGetInputSourceProperty, TISCopyCurrentKeyboardInputSource, TISSelectInputSource). Property
// keys and source types named by the seam's strings are passed as the framework's own
// kTISProperty... and kTISType... constants. The sources observer listens to the distributed
// notification centre for kTISNotifyEnabledKeyboardInputSourcesChanged and
// kTISNotifySelectedKeyboardInputSourceChanged, delivered immediately: an agent is never the
// active application, and Cocoa holds back distributed notifications of inactive ones otherwise.
// Threads: main thread, as the seam states (the services are not documented as thread-safe); the
//   object is made and destroyed there. A notice that arrives on another thread is passed to the
//   main queue; one lock guards the observer between the two.
// Ownership: the observation ends when the observer is emptied and when the object goes; a notice
//   already passed to the main queue then calls nothing.
#pragma once

#include <Carbon/Carbon.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/MacOS/CFRef.h"
#include "Platform/TextInputSources.h"

namespace kestravane::platform::macos {

class MacInputSource final : public InputSource {
 public:
  explicit MacInputSource(CFRef<TISInputSourceRef> source) : _source(std::move(source)) {}
  TISInputSourceRef source() const { return _source.get(); }

 private:
  CFRef<TISInputSourceRef> _source;
};

class MacTextInputSources final : public TextInputSources {
 public:
  MacTextInputSources() = default;
  ~MacTextInputSources() override;
  MacTextInputSources(const MacTextInputSources&) = delete;
  MacTextInputSources& operator=(const MacTextInputSources&) = delete;

  std::optional<std::vector<std::shared_ptr<InputSource>>> createInputSourceList(
      const InputSourceFilter& filter, bool includeAllInstalled) override;
  std::optional<std::string> stringProperty(const InputSource& source,
                                            std::string_view key) override;
  std::shared_ptr<InputSource> copyCurrentKeyboardInputSource() override;
  OSStatus selectInputSource(const InputSource& source) override;
  void setSourcesChangedObserver(std::function<void()> observer) override;

 private:
  using Observer = std::shared_ptr<const std::function<void()>>;

  static void notified(CFNotificationCenterRef center, void* self, CFNotificationName name,
                       const void* object, CFDictionaryRef userInfo);
  void stopObserving();

  std::mutex mutex;
  Observer observer;  // guarded by mutex; null while not observing
};

}  // namespace kestravane::platform::macos
