// Whether the program is registered as the user's login item, and registering it.
// Threading: main thread; no state.
#pragma once

namespace kestravane::LaunchAtLogin {

// True only while the login item's status is enabled (not while it awaits approval).
bool isEnabled();
// Registers (true) or unregisters (false) the login item; false, with a log line, on failure.
bool setEnabled(bool on);

}  // namespace kestravane::LaunchAtLogin
