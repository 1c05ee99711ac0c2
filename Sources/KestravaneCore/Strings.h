// Every language-dependent text of the menu and the windows, reached by its key (TextId) in the
// resolved language's table (see Languages.h), with a Linux desktop's own where it has one.
// Threads: immutable values over constant tables; usable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "KestravaneCore/Languages.h"
#include "KestravaneCore/TextId.h"
#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

// Whose words a text uses beyond the keyboard's: a Wayland session has its own for the few
// texts about reading keys and changing layouts.
enum class Wording { common, wayland };

class Strings {
 public:
  // `system` follows `systemLanguageCode`, the current locale's language code as the caller has
  // just read it: a code that names one of the interface languages exactly ("ru") picks it;
  // anything else (or no code at all) gives English. The core reads no locale; the platform
  // services do (see KestravaneKit/TextsForLanguage.h).
  // `keyboard` is the system's: on a PC keyboard the texts are a Linux desktop's.
  explicit Strings(AppLanguage lang,
                   const std::optional<std::string>& systemLanguageCode = std::nullopt,
                   Keyboard keyboard = Keyboard::mac, Wording wording = Wording::common);

  // The mark the key tester's readout puts after a modifier key's event; the same (Russian) text
  // in both interface languages.
  static std::string_view modifierSuffix() { return " (модификатор)"; }

  // The text of `id` in this language, for this keyboard.
  std::string_view operator[](TextId id) const;

  // The language the texts are in (never `system`).
  AppLanguage resolved() const { return _resolved; }
  // The keyboard whose keys the texts name.
  Keyboard keyboard() const { return _keyboard; }
  // The trigger key's names on that keyboard.
  const TriggerNames& triggerNames(TriggerKind kind) const {
    return kestravane::triggerNames(kind, _keyboard);
  }

  // The language picker's options in order: each language in English, except this one, which is
  // named in itself; then "System".
  std::vector<std::pair<AppLanguage, std::string_view>> languageOptions() const;

  // Fixed prefix, ending in one space, followed by the argument.
  std::string triggerLabel(std::string_view triggerName) const;
  std::string layoutsLabel(std::string_view joinedLayoutNames) const;
  // The line that says why the latest settings were not stored.
  std::string settingsNotSaved(std::string_view reason) const;

 private:
  AppLanguage _resolved;
  Keyboard _keyboard;
  Wording _wording;
  const TextTable* table;
};

}  // namespace kestravane
