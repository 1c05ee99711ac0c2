// Takes a trigger key's own action away in a Wayland session, where the desktop owns the keymap:
// its XKB option (the trigger row's `xkbOption`, "caps:none" for Caps Lock) joins the desktop's
// options while the key is the trigger, and leaves them again afterwards (XkbOptions.h). Before
// the desktop changes, a note records the option and the user's options; the note goes once
// they are back, so a run that ended without giving them back (a crash, a kill) is repaired when
// the next one starts. A key whose row has no option (right Super stays a modifier) loses nothing.
// Note, one file per desktop, text:
//   plivex withheld option 1
//   option caps:none
//   before grp:alt_shift_toggle,compose:ralt
// Threads: main thread.
// Ownership: destruction gives the key back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Log.h"
#include "Platform/TriggerKeyActions.h"
#include "Platform/Wayland/DesktopKeyOptions.h"

namespace kestravane::platform::wayland {

class WaylandTriggerKeyActions final : public TriggerKeyActions {
 public:
  // The note lives in `stateDirectory` (empty: nowhere, so nothing can be taken away). Gives back
  // what an earlier run on this desktop left taken away. Null `options`: the desktop offers no way
  // to set its XKB options (a desktop Plivex cannot switch), so every key keeps its own action and
  // withhold() answers true having taken nothing.
  WaylandTriggerKeyActions(std::shared_ptr<DesktopKeyOptions> options,
                           std::filesystem::path stateDirectory, std::shared_ptr<Log> log);
  ~WaylandTriggerKeyActions() override;
  WaylandTriggerKeyActions(const WaylandTriggerKeyActions&) = delete;
  WaylandTriggerKeyActions& operator=(const WaylandTriggerKeyActions&) = delete;

  // Seam. withhold() fails (false, with a log line) when the note cannot be written or the
  // desktop refuses the options.
  bool withhold(std::int64_t keyCode) override;
  void giveBack() override;

  // The option in the desktop's options now, if any.
  const std::optional<std::string>& withheldOption() const { return withheld; }
  const std::filesystem::path& recordFile() const { return _recordFile; }

  // The notes in `folder`, of any desktop, read without acting on them: each file with the option
  // it says was taken away. Notes that are not in the format are left out.
  struct Note {
    std::filesystem::path file;
    std::string option;
  };
  static std::vector<Note> notesIn(const std::filesystem::path& folder);

 private:
  struct Record {
    std::string option;
    XkbOptionList before;
  };
  static std::optional<Record> parse(std::string_view text);
  // Takes the option out of the desktop's options; whether it could.
  bool restore(const Record& record);

  const std::shared_ptr<DesktopKeyOptions> options;
  const std::filesystem::path _recordFile;
  const std::shared_ptr<Log> log;
  std::optional<std::string> withheld;
  XkbOptionList before;
};

}  // namespace kestravane::platform::wayland
