// Text Input Sources services (TISCreateInputSourceList, TISGetInputSourceProperty, ...) and the
// distributed notifications they post.
// Threads: the program calls these on the main thread only; the observer is called there too.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestravane::platform {

// Property keys (the strings behind the kTISProperty... constants).
inline constexpr std::string_view kTISPropertyInputSourceID = "TISPropertyInputSourceID";
inline constexpr std::string_view kTISPropertyLocalizedName = "TISPropertyLocalizedName";
inline constexpr std::string_view kTISPropertyInputSourceType = "TISPropertyInputSourceType";
inline constexpr std::string_view kTISPropertyInputSourceIsEnabled =
    "TISPropertyInputSourceIsEnabled";
inline constexpr std::string_view kTISPropertyInputSourceIsSelectCapable =
    "TISPropertyInputSourceIsSelectCapable";

// Source types (values of kTISPropertyInputSourceType).
inline constexpr std::string_view kTISTypeKeyboardLayout = "TISTypeKeyboardLayout";
inline constexpr std::string_view kTISTypeKeyboardInputMethodWithoutModes =
    "TISTypeKeyboardInputMethodWithoutModes";
inline constexpr std::string_view kTISTypeKeyboardInputMethodModeEnabled =
    "TISTypeKeyboardInputMethodModeEnabled";
inline constexpr std::string_view kTISTypeKeyboardInputMode = "TISTypeKeyboardInputMode";

// A CFDictionary filter: property key to required value (CFString or CFBoolean).
using InputSourceFilter = std::map<std::string, std::variant<bool, std::string>, std::less<>>;

// TISInputSourceRef; the shared_ptr keeps it retained.
class InputSource {
 public:
  virtual ~InputSource() = default;
};

// OSStatus; noErr is 0.
using OSStatus = std::int32_t;

class TextInputSources {
 public:
  virtual ~TextInputSources() = default;

  // TISCreateInputSourceList(filter, includeAllInstalled): the matching sources in the system's
  // order, or nothing when the system returns no list. An entry may be null when the returned
  // array holds something that is not an input source.
  virtual std::optional<std::vector<std::shared_ptr<InputSource>>> createInputSourceList(
      const InputSourceFilter& filter, bool includeAllInstalled) = 0;
  // TISGetInputSourceProperty(source, key) for a string-valued key (identifier, localized
  // name); absent when the source has no such property.
  virtual std::optional<std::string> stringProperty(const InputSource& source,
                                                    std::string_view key) = 0;
  // TISCopyCurrentKeyboardInputSource(); nullptr when the system names none.
  virtual std::shared_ptr<InputSource> copyCurrentKeyboardInputSource() = 0;
  // TISSelectInputSource(source).
  virtual OSStatus selectInputSource(const InputSource& source) = 0;
  // Observes kTISNotifyEnabledKeyboardInputSourcesChanged and
  // kTISNotifySelectedKeyboardInputSourceChanged (distributed notifications): `observer` runs on
  // the main thread after the enabled sources or the selected one changed, by the program or by
  // anyone else. An empty function stops the calls.
  virtual void setSourcesChangedObserver(std::function<void()> observer) = 0;
  // Whether the system can list and switch keyboard layouts at all. A Mac always can; an X server
  // without XKB cannot (it has no groups), nor can a desktop that offers programs no way.
  virtual bool canSwitchLayouts() const { return true; }
};

}  // namespace kestravane::platform
