// Takes a trigger key's own action away on X11, where the taps cannot swallow the key's events:
// while Caps Lock or the Menu key (fn/Globe) is the trigger, its key code has no symbols in the
// keymap (XChangeKeyboardMapping to NoSymbol), so Caps Lock locks nothing and the Menu key opens
// no menu, while every other key, also one typed with the trigger held, reaches the application
// as before. No key is grabbed. The right Super key stays a modifier (Super+L must still work), so
// nothing is taken from it. The key's symbols before are noted in a file (WithheldKeyRecord.h)
// before the keymap changes and the note is removed once they are back; a run that ended without
// giving them back is repaired when the next one starts. The note lives only in a folder of the
// user's alone (a real folder, not a link, that no one else may write into) and is never read
// through a link; where the folder fails that, no key is withheld. A keymap loaded underneath gives
// the key its symbols back; keymapChanged() then takes them away again from the new keymap.
// Threads: main thread (the connection is the main thread's).
// Ownership: destruction gives the key back.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Log.h"
#include "Platform/TriggerKeyActions.h"
#include "Platform/X11/WithheldKeyRecord.h"
#include "Platform/X11/X11Connection.h"

namespace kestravane::platform::x11 {

class X11TriggerKeyActions final : public TriggerKeyActions {
 public:
  // The notes live in `stateDirectory`, one file per display (empty: nowhere, so no key can be
  // withheld). Gives back what an earlier run on this display left withheld.
  X11TriggerKeyActions(std::shared_ptr<X11Connection> connection,
                       std::filesystem::path stateDirectory, std::shared_ptr<Log> log);
  ~X11TriggerKeyActions() override;
  X11TriggerKeyActions(const X11TriggerKeyActions&) = delete;
  X11TriggerKeyActions& operator=(const X11TriggerKeyActions&) = delete;

  // $XDG_RUNTIME_DIR/plivex (gone at logout, as is the X server's keymap), otherwise the XDG
  // cache folder's plivex (null: unset); absent when none is an absolute folder.
  static std::optional<std::filesystem::path> defaultStateDirectory(const char* xdgRuntimeDir,
                                                                    const char* xdgCacheHome,
                                                                    const char* home);

  // Seam. withhold() fails (false, with a log line) when the note cannot be written, since a key
  // changed without one could stay changed after a crash, or when the server refuses the change.
  bool withhold(std::int64_t keyCode) override;
  void giveBack() override;

  // A keymap was loaded or keys were remapped: a withheld key that has symbols again loses them
  // again, and the note keeps the new ones.
  void keymapChanged();

  // The X key code withheld now, if any.
  std::optional<unsigned> withheldKeycode() const;
  const std::filesystem::path& recordFile() const { return _recordFile; }

 private:
  using Keysyms = std::vector<unsigned long>;

  void giveBackAfterEarlierRun();
  std::optional<Keysyms> keysymsOf(unsigned keycode) const;
  bool setKeysyms(unsigned keycode, const Keysyms& keysyms) const;
  bool takeAway(const WithheldKeyRecord& record);
  void logFailure(std::string_view line, unsigned keycode, const std::string& reason) const;

  const std::shared_ptr<X11Connection> connection;
  const std::filesystem::path _recordFile;
  const std::shared_ptr<Log> log;
  std::optional<WithheldKeyRecord> withheld;  // keysyms empty: the key had none to take
};

}  // namespace kestravane::platform::x11
