#include "Platform/X11/X11TriggerKeyActions.h"

#include <X11/XKBlib.h>

#include <algorithm>
#include <utility>

#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/X11/X11KeyTable.h"
#include "Platform/X11/X11LogLines.h"

namespace kestravane::platform::x11 {
namespace {

bool hasNoSymbol(const std::vector<unsigned long>& keysyms) {
  return std::ranges::all_of(keysyms, [](unsigned long keysym) { return keysym == NoSymbol; });
}

// The keys whose own action gets in the way of their use as the trigger.
bool hasActionToWithhold(unsigned xKeycode) {
  return std::ranges::any_of(kTriggerKeys, [&](const TriggerKey& key) {
    return key.xKeycode == xKeycode && key.withholdsOwnAction;
  });
}

}  // namespace

X11TriggerKeyActions::X11TriggerKeyActions(std::shared_ptr<X11Connection> connection,
                                           std::filesystem::path stateDirectory,
                                           std::shared_ptr<Log> log)
    : connection(std::move(connection)),
      _recordFile(stateDirectory.empty()
                      ? std::filesystem::path()
                      : stateDirectory / recordFileName(this->connection->name())),
      log(std::move(log)) {
  giveBackAfterEarlierRun();
}

X11TriggerKeyActions::~X11TriggerKeyActions() {
  giveBack();
}

std::optional<std::filesystem::path> X11TriggerKeyActions::defaultStateDirectory(
    const char* xdgRuntimeDir, const char* xdgCacheHomeValue, const char* home) {
  return desktop::plivexStateDirectory(xdgRuntimeDir, xdgCacheHomeValue, home);
}

std::optional<unsigned> X11TriggerKeyActions::withheldKeycode() const {
  if (!withheld) return std::nullopt;
  return withheld->keycode;
}

std::optional<X11TriggerKeyActions::Keysyms> X11TriggerKeyActions::keysymsOf(
    unsigned keycode) const {
  Display* display = connection->display();
  int minimum = 0;
  int maximum = 0;
  XDisplayKeycodes(display, &minimum, &maximum);
  const auto code = static_cast<int>(keycode);
  if (code < minimum || code > maximum) return std::nullopt;
  int perKeycode = 0;
  ErrorTrap trap;
  KeySym* keysyms = XGetKeyboardMapping(display, static_cast<KeyCode>(keycode), 1, &perKeycode);
  if (keysyms == nullptr) return std::nullopt;
  Keysyms result(keysyms, keysyms + std::max(perKeycode, 0));
  XFree(keysyms);
  if (trap.failed()) return std::nullopt;
  return result;
}

bool X11TriggerKeyActions::setKeysyms(unsigned keycode, const Keysyms& keysyms) const {
  Display* display = connection->display();
  std::vector<KeySym> symbols(keysyms.begin(), keysyms.end());
  ErrorTrap trap;
  XChangeKeyboardMapping(display, static_cast<int>(keycode), static_cast<int>(symbols.size()),
                         symbols.data(), 1);
  XSync(display, False);
  return !trap.failed();
}

void X11TriggerKeyActions::logFailure(std::string_view line, unsigned keycode,
                                      const std::string& reason) const {
  log->log(std::string(line) + std::to_string(keycode) + ": " + reason);
}

bool X11TriggerKeyActions::takeAway(const WithheldKeyRecord& record) {
  if (_recordFile.empty()) {
    logFailure(logline::kWithholdFailed, record.keycode, "no folder to keep a note in");
    return false;
  }
  // The note comes first: whatever happens next, the next run can repair the key. Only in a
  // folder of the user's alone: anyone who could swap it (a link planted in a shared runtime
  // folder) could read the note, or make the next run "give back" keys of their choosing.
  if (auto problem = desktop::makePrivateFolder(_recordFile.parent_path())) {
    logFailure(logline::kWithholdFailed, record.keycode, *problem);
    return false;
  }
  if (auto problem = desktop::writeFileAtomically(_recordFile, encode(record))) {
    logFailure(logline::kWithholdFailed, record.keycode, *problem);
    return false;
  }
  if (!setKeysyms(record.keycode, {NoSymbol})) {
    logFailure(logline::kWithholdFailed, record.keycode, "the X server refused the new keymap");
    desktop::removeFile(_recordFile);
    return false;
  }
  withheld = record;
  return true;
}

bool X11TriggerKeyActions::withhold(std::int64_t keyCode) {
  const auto keycode = xKeycodeFor(keyCode);
  if (withheld && keycode == withheld->keycode) {
    keymapChanged();  // the same key again: only make sure it is still without its action
    return true;
  }
  giveBack();
  if (!keycode || !hasActionToWithhold(*keycode)) return true;
  const auto keysyms = keysymsOf(*keycode);
  if (!keysyms) {
    logFailure(logline::kWithholdFailed, *keycode, "the X server does not list the key");
    return false;
  }
  WithheldKeyRecord record{displayKey(connection->name()), *keycode, *keysyms};
  if (hasNoSymbol(*keysyms)) {
    // Nothing to take: remember the key so that symbols a new keymap gives it are taken.
    record.keysyms.clear();
    withheld = std::move(record);
    return true;
  }
  return takeAway(record);
}

void X11TriggerKeyActions::giveBack() {
  if (!withheld) return;
  const WithheldKeyRecord record = std::move(*withheld);
  withheld.reset();
  if (record.keysyms.empty()) return;
  const auto current = keysymsOf(record.keycode);
  // A keymap loaded meanwhile has given the key symbols of its own: those stay.
  if (current && hasNoSymbol(*current) && !setKeysyms(record.keycode, record.keysyms)) {
    // The note stays, so that the next run tries again.
    logFailure(logline::kGiveBackFailed, record.keycode, "the X server refused the keymap");
    return;
  }
  if (auto problem = desktop::removeFile(_recordFile)) {
    logFailure(logline::kGiveBackFailed, record.keycode, *problem);
  }
}

void X11TriggerKeyActions::keymapChanged() {
  if (!withheld) return;
  const auto current = keysymsOf(withheld->keycode);
  if (!current || hasNoSymbol(*current)) return;
  WithheldKeyRecord record = *withheld;
  record.keysyms = *current;
  withheld.reset();
  takeAway(record);
}

void X11TriggerKeyActions::giveBackAfterEarlierRun() {
  if (_recordFile.empty()) return;
  // A note is only believed from a folder of the user's alone, and never through a link.
  if (desktop::makePrivateFolder(_recordFile.parent_path())) return;
  const auto text = desktop::readSmallFile(_recordFile, 64 * 1024, desktop::Links::refuse);
  if (!text) return;
  const auto record = decodeWithheldKeyRecord(*text);
  if (record && record->display == displayKey(connection->name())) {
    const auto current = keysymsOf(record->keycode);
    // Only a key that is still without symbols gets them back; a keymap loaded since (a new
    // session, the user's settings) wins.
    if (current && hasNoSymbol(*current)) {
      if (!setKeysyms(record->keycode, record->keysyms)) {
        logFailure(logline::kGiveBackFailed, record->keycode, "the X server refused the keymap");
        return;
      }
      log->log(std::string(logline::kGivenBackAfterEarlierRun) + std::to_string(record->keycode));
    }
  }
  if (auto problem = desktop::removeFile(_recordFile)) {
    log->log(std::string(logline::kFileProblem) + *problem);
  }
}

}  // namespace kestravane::platform::x11
