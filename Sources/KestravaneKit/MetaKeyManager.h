// Reads whether the desktop itself acts on a lone tap of the Meta (Super) key: KDE Plasma opens
// its launcher then ("[ModifierOnlyShortcuts] Meta" in kwinrc), so with the right Super key as the
// trigger a tap would switch the layout and open the launcher. The platform answers
// "ModifierOnlyShortcutsMeta" in the "kwinrc" domain: 1 while a lone Meta tap does something, 0
// while it does nothing; absent where no desktop does such a thing (a Mac, a desktop other than
// KDE), which counts as free. Read afresh at every call.
// Threads: main thread. Holds only the preferences service.
#pragma once

#include <memory>

#include "Platform/Services.h"

namespace kestravane {

class MetaKeyManager {
 public:
  static constexpr const char* kDomain = "kwinrc";
  static constexpr const char* kKey = "ModifierOnlyShortcutsMeta";

  explicit MetaKeyManager(const platform::Services& services);

  // Nothing happens on a lone Meta tap but what Plivex does.
  bool isMetaFree() const;

 private:
  std::shared_ptr<platform::Preferences> preferences;
};

}  // namespace kestravane
