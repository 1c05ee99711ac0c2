// What a Wayland desktop offers for keyboard layouts, one implementation per desktop (Sway's
// IPC, KDE's D-Bus, Hyprland's socket): its layouts in its own order, the active one, selecting
// one, and notices when either changes. A Wayland program cannot switch the layout itself, so the
// desktop does it; when it cannot (no socket, the desktop went away) the switcher says why.
// Threads: every call on the main thread, one at a time; calls may wait for the desktop's answer
//   (bounded). The change observer runs on the main thread (the main queue given at
//   construction), never inside one of the calls.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestravane::platform::wayland {

struct DesktopLayout {
  // The XKB layout with its variant in parentheses ("us", "ru(phonetic)") where the desktop says
  // it; empty where it names its layouts only (Sway, Hyprland).
  std::string id;
  // What the desktop shows ("English (US)").
  std::string name;
  bool operator==(const DesktopLayout&) const = default;
};

struct DesktopLayouts {
  std::vector<DesktopLayout> layouts;
  std::size_t active = 0;  // an index into layouts; 0 when there are none
  bool operator==(const DesktopLayouts&) const = default;
};

enum class DesktopChange {
  layouts,       // the list changed (a keymap loaded, a keyboard added or removed)
  active,        // another layout became active
  availability,  // the desktop went away (unavailableReason() says so) or came back
};

class DesktopSwitcher {
 public:
  virtual ~DesktopSwitcher() = default;

  // The desktop's name as the user knows it ("Sway").
  virtual std::string desktopName() const = 0;
  // Why the desktop cannot be asked now, or nothing when it can.
  virtual std::optional<std::string> unavailableReason() const = 0;
  // The layouts and the active one; nothing when the desktop does not answer (then
  // unavailableReason() says why).
  virtual std::optional<DesktopLayouts> read() = 0;
  // Makes layout `index` of read()'s list active; true once the desktop said it did.
  virtual bool select(std::size_t index) = 0;
  // Replaces the observer; an empty function stops the calls.
  virtual void setChangeObserver(std::function<void(DesktopChange)> observer) = 0;
};

}  // namespace kestravane::platform::wayland
