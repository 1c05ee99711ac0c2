#include "Platform/X11/X11Preferences.h"

#include <utility>

#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/X11/KdeMetaShortcut.h"
#include "Platform/X11/XkbRulesNames.h"

namespace kestravane::platform::x11 {

X11Preferences::X11Preferences(std::shared_ptr<X11KeymapWatch> watch, std::string currentDesktop,
                               std::optional<std::filesystem::path> kwinrc)
    : watch(std::move(watch)), kde(isKdeDesktop(currentDesktop)), kwinrc(std::move(kwinrc)) {}

bool X11Preferences::capsLockSwitchesLayouts(std::string_view xkbOptions) {
  // Every "grp:" option switches layouts, and each one whose name has "caps" does it with Caps
  // Lock; xkeyboard-config's later additions (grp:caps_select, ...) follow the same naming.
  for (const std::string_view option : splitAtCommas(xkbOptions)) {
    if (option.starts_with("grp:") && option.find("caps") != std::string_view::npos) return true;
  }
  return false;
}

std::optional<PropertyValue> X11Preferences::copyValue(const std::string& key,
                                                       const std::string& applicationID,
                                                       PreferencesUser, PreferencesHost) {
  if (key == "AppleFnUsageType" && applicationID == "com.apple.HIToolbox") {
    return PropertyValue(std::int64_t{0});
  }
  if (key == "TISRomanSwitchState" && applicationID == kPreferencesAnyApplication) {
    const auto& names = watch->rulesNames();
    const bool switches = names && capsLockSwitchesLayouts(names->options);
    return PropertyValue(std::int64_t{switches ? 1 : 0});
  }
  if (key == "ModifierOnlyShortcutsMeta" && applicationID == "kwinrc" && kde) {
    // A missing or unreadable kwinrc leaves KWin's default: the launcher.
    const auto text = kwinrc ? desktop::readSmallFile(*kwinrc) : std::nullopt;
    return PropertyValue(std::int64_t{kdeMetaShortcutIn(text.value_or("")) ? 1 : 0});
  }
  return std::nullopt;
}

}  // namespace kestravane::platform::x11
