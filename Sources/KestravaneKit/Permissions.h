// The Accessibility trust, the Input Monitoring permission and the secure-input state, asked of
// the system at the moment they are asked. Threading: main thread; no state.
#pragma once

namespace kestravane::Permissions {

// Whether the program may listen to keyboard events.
bool hasInputMonitoring();
// Whether the process is trusted for Accessibility.
bool hasAccessibility();
// Whether some application has secure keyboard entry on (taps then see no key events).
bool isSecureInputActive();
// Asks the system for Input Monitoring; returns its answer unchanged.
bool requestInputMonitoring();
// Makes the system show its Accessibility prompt when the process is not trusted yet.
void promptAccessibility();

}  // namespace kestravane::Permissions
