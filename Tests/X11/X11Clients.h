// The X clients an X11 test runs beside Plivex, each on a connection of its own: a focused window
// that records what is typed into it as an application reads it, a keyboard that presses keys
// and clicks through XTest, and a probe that reads the keyboard's group, Caps Lock lock and keymap.
// Threads: the test's thread. Made only on a server that answers (the rig opens the platform on it
//   first).
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <poll.h>

#include <chrono>
#include <clocale>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/X11/X11Connection.h"

namespace kestravane::testing_support {

// A window that has the keyboard focus and records every key press: the text it types
// (Xutf8LookupString under the group the event carries, as toolkits read it), its keysym and
// its modifier state.
class TypingWindow {
 public:
  explicit TypingWindow(const std::string& displayName) {
    // Input methods convert to UTF-8 only in a UTF-8 locale; "none" is Xlib's own, without a
    // server of its own.
    static std::once_flag locale;
    std::call_once(locale, [] {
      std::setlocale(LC_CTYPE, "C.UTF-8");
      XSetLocaleModifiers("@im=none");
    });
    display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) return;
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0);
    XSelectInput(display, window, KeyPressMask | StructureNotifyMask | FocusChangeMask);
    inputMethod = XOpenIM(display, nullptr, nullptr, nullptr);
    if (inputMethod != nullptr) {
      inputContext = XCreateIC(inputMethod, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
                               XNClientWindow, window, XNFocusWindow, window, nullptr);
    }
    XMapWindow(display, window);
    mapped = waitForEvent(StructureNotifyMask, MapNotify);
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    focused = mapped && waitForEvent(FocusChangeMask, FocusIn);
  }
  ~TypingWindow() {
    if (inputContext != nullptr) XDestroyIC(inputContext);
    if (inputMethod != nullptr) XCloseIM(inputMethod);
    if (display != nullptr) XCloseDisplay(display);
  }
  TypingWindow(const TypingWindow&) = delete;
  TypingWindow& operator=(const TypingWindow&) = delete;

  bool ready() const { return inputContext != nullptr && focused; }

  // Reads the events that have arrived.
  void pump() {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (XFilterEvent(&event, None)) continue;
      if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
      if (event.type != KeyPress) continue;
      char buffer[32];
      KeySym keysym = NoSymbol;
      Status status = 0;
      const int length =
          Xutf8LookupString(inputContext, &event.xkey, buffer, sizeof buffer - 1, &keysym, &status);
      text.append(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
      presses.push_back({event.xkey.keycode, keysym, event.xkey.state});
    }
  }

  struct Press {
    unsigned keycode = 0;
    KeySym keysym = NoSymbol;
    unsigned state = 0;
  };
  std::string text;
  std::vector<Press> presses;

 private:
  // The window's next event of `type`, waited for at most 10 s.
  bool waitForEvent(long mask, int type) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      XEvent event;
      while (XCheckWindowEvent(display, window, mask, &event)) {
        if (event.type == type) return true;
      }
      pollfd waiting{ConnectionNumber(display), POLLIN, 0};
      poll(&waiting, 1, 100);
    }
    return false;
  }

  Display* display = nullptr;
  Window window = None;
  bool mapped = false;
  bool focused = false;
  XIM inputMethod = nullptr;
  XIC inputContext = nullptr;
};

// Presses keys and mouse buttons as if on the keyboard and the mouse (XTest); each call returns
// once the server has taken it.
class TestKeyboard {
 public:
  explicit TestKeyboard(const std::string& displayName)
      : connection(platform::x11::X11Connection::open(displayName)),
        display(connection->display()) {}

  void press(unsigned keycode) { send(keycode, True); }
  void release(unsigned keycode) { send(keycode, False); }
  void tap(unsigned keycode) {
    press(keycode);
    release(keycode);
  }
  // Presses and releases X pointer button `button` (1 left, 3 right, 4 wheel up, ...).
  void click(unsigned button) {
    for (const Bool down : {True, False}) XTestFakeButtonEvent(display, button, down, CurrentTime);
    XSync(display, False);
  }

 private:
  void send(unsigned keycode, Bool down) {
    XTestFakeKeyEvent(display, keycode, down, CurrentTime);
    XSync(display, False);
  }
  const std::shared_ptr<platform::x11::X11Connection> connection;
  Display* const display;
};

// Reads the keyboard's state as any client sees it.
class KeyboardProbe {
 public:
  explicit KeyboardProbe(const std::string& displayName)
      : connection(platform::x11::X11Connection::open(displayName)),
        display(connection->display()) {}

  int group() {
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    return state.group;
  }
  // Locks `group`, as another program switching the layout does.
  void lockGroup(unsigned group) {
    XkbLockGroup(display, XkbUseCoreKbd, group);
    XSync(display, False);
  }
  bool capsLocked() {
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    return (state.locked_mods & LockMask) != 0;
  }
  // The key code that types `keysym` in the current keymap, 0 when none does.
  unsigned keycodeOf(KeySym keysym) { return XKeysymToKeycode(display, keysym); }
  // The key's first symbol in the core keymap, NoSymbol when it has none.
  KeySym firstKeysym(unsigned keycode) {
    int perKeycode = 0;
    KeySym* keysyms = XGetKeyboardMapping(display, static_cast<KeyCode>(keycode), 1, &perKeycode);
    KeySym first = NoSymbol;
    for (int i = 0; keysyms != nullptr && i < perKeycode && first == NoSymbol; ++i) {
      first = keysyms[i];
    }
    if (keysyms != nullptr) XFree(keysyms);
    return first;
  }
  // Whether a top-level window titled `title` is shown on the display.
  bool showsWindow(const std::string& title) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    bool found = false;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
      return false;
    }
    for (unsigned i = 0; i < count && !found; ++i) {
      char* name = nullptr;
      XWindowAttributes attributes{};
      if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
        found = title == name && XGetWindowAttributes(display, children[i], &attributes) != 0 &&
                attributes.map_state == IsViewable;
      }
      if (name != nullptr) XFree(name);
    }
    if (children != nullptr) XFree(children);
    return found;
  }

 private:
  const std::shared_ptr<platform::x11::X11Connection> connection;
  Display* const display;
};

// Whether a top-level window titled `title` is shown (mapped) on the display, as any client sees.
inline bool windowShown(const std::string& displayName, std::string_view title) {
  const auto connection = platform::x11::X11Connection::open(displayName);
  if (!connection) return false;
  Display* display = connection->display();
  Window root = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
    return false;
  }
  bool shown = false;
  for (unsigned i = 0; i < count && !shown; ++i) {
    XWindowAttributes attributes{};
    char* name = nullptr;
    if (XGetWindowAttributes(display, children[i], &attributes) != 0 &&
        attributes.map_state == IsViewable && XFetchName(display, children[i], &name) != 0 &&
        name != nullptr) {
      shown = title == name;
    }
    if (name != nullptr) XFree(name);
  }
  if (children != nullptr) XFree(children);
  return shown;
}
// A system tray as an X11 desktop's panel offers one: the owner of the "_NET_SYSTEM_TRAY_S0"
// selection (which is all a program looks for before it docks its icon there).
class StandInTray {
 public:
  explicit StandInTray(const std::string& displayName)
      : connection(platform::x11::X11Connection::open(displayName)) {
    Display* display = connection->display();
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False), window,
                       CurrentTime);
    XSync(display, False);
  }

 private:
  const std::shared_ptr<platform::x11::X11Connection> connection;
  Window window = 0;
};

}  // namespace kestravane::testing_support
