// Which key of the virtual Mac a key of the host's keyboard stands for, by physical position, so
// that a host with any layout types the same Mac keys. The X11/Wayland scan code (the evdev code
// plus 8, what QKeyEvent::nativeScanCode() gives on Linux) decides; where there is none (another
// platform, a synthesised event) the Qt key does, which knows no left and right and follows the
// host's layout. Keys with no place on a PC keyboard: fn/Globe comes from Insert (where Apple's
// full-size keyboards have fn), the Command keys from the Super keys, right Command also from
// right Alt (AltGr, which sits where a Mac has right Command), Option from left Alt, right Option
// from the Menu key.
// Threads: constant data and pure functions.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QKeyEvent;

namespace kestravane::platform::vmac::demo {

// The Mac key code for an X keycode (evdev + 8); absent for keys the mapping leaves out.
std::optional<std::uint16_t> macKeyForScanCode(std::uint32_t scanCode);
// The Mac key code for a Qt::Key value; absent for keys the mapping leaves out.
std::optional<std::uint16_t> macKeyForQtKey(int qtKey);
// The scan code when it maps, otherwise the Qt key.
std::optional<std::uint16_t> macKeyFor(const QKeyEvent& event);

// The mapping in a few lines, for the window's help and the docs.
QString hostKeyHelp();

}  // namespace kestravane::platform::vmac::demo
