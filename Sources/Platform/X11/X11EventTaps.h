// Event taps on X11: each tap is a connection of its own to the X server that listens to the
// XInput 2 raw key events of the master keyboard on the root window, so it sees every key,
// whichever window has the focus, and, when its mask asks for mouse events, the raw button events
// of the master pointer. Its run-loop source is that connection: the tap's callback runs on the
// thread whose run loop holds the source, with each raw event turned into the event a Mac would
// report (KeyTranslator): the media and brightness keys of the keymap as system-defined events,
// the buttons as mouse-down and mouse-up events (the wheel's are scrolling, which no tap asks
// for). Raw events have reached the applications already, so the callback's answer is ignored:
// nothing is swallowed (the trigger key loses its own action through TriggerKeyActions instead).
// The Caps Lock lock state and the keyboard's group come from XKB's state notifications; a Caps
// Lock press carries the lock as the press leaves it, as on a Mac (XKB itself unlocks only at the
// release), judged from whether the key's action in the keymap locks. That, the media keys and the
// number of groups are read at the start and at each keymap change, the only round trips a tap
// makes after it is made. From its callback a tap can switch the layout at once: it locks the
// group after the one that was current as the event was made (the connection has read every
// change made before that event) and sends the request without waiting for an answer. A keymap
// loaded underneath (setxkbmap, the desktop's settings) is reported to `onKeymapChange`, on the
// tap's thread. What the delivery still allocates: Xlib's copy of each raw event's data
// (XGetEventData, freed at once with XFreeEventData); nothing of the backend's own.
// Threads: any thread for the seam's calls but selectNextLayoutFromTap(), which belongs to a tap's
//   callback; a tap's events are read and delivered only on the thread of the run loop holding
//   its source. A tap is never disabled by the system.
// Ownership: a tap and its source share the connection; it closes when both are gone.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/EventTaps.h"
#include "Platform/X11/XInput.h"

namespace kestravane::platform::x11 {

class X11EventTaps final : public EventTaps {
 public:
  struct Options {
    std::string displayName;  // empty: $DISPLAY
    XInputVersion requiredXInput = kRequiredXInput;
    // Whether the display offers XInput 2 (Input Monitoring, as it were).
    bool xinputAvailable = false;
    // Told on a tap's thread when a keymap was loaded or keys were remapped.
    std::function<void()> onKeymapChange;
  };

  explicit X11EventTaps(Options options);

  // Seam. tapCreate() opens the tap's connection; nullptr when the server cannot be reached,
  // lacks XInput 2 or XKB, or refuses the selection. Location and placement do not exist on X11;
  // a default tap only observes, like a listen-only one.
  std::shared_ptr<EventTap> tapCreate(TapLocation location, TapPlacement placement,
                                      TapOptions options, EventMask mask, TapCallback callback,
                                      void* userInfo) override;
  void tapEnable(EventTap& tap, bool enable) override;
  void invalidate(EventTap& tap) override;
  std::shared_ptr<RunLoopSource> createRunLoopSource(EventTap& tap) override;
  // Fields: the key code (9), the auto-repeat mark (8, 1 on a repeated key-down) and the mouse
  // button number (3).
  std::int64_t integerValueField(const Event& event, EventField field) const override;
  EventFlags flags(const Event& event) const override;
  // Nothing to grant on X11: what XInput 2 being there says.
  bool preflightListenEventAccess() override { return options.xinputAvailable; }
  bool requestListenEventAccess() override { return options.xinputAvailable; }
  // The taps only observe here: there is no separate right to filter.
  bool preflightPostEventAccess() override { return options.xinputAvailable; }
  // Locks the next group on the tap's own connection (see the top of this file); only from the
  // tap's callback, on its thread. Nothing is selected with fewer than two groups.
  std::optional<std::size_t> selectNextLayoutFromTap(EventTap& tap) override;

 private:
  const Options options;
};

}  // namespace kestravane::platform::x11
