// A wl_keyboard listener for the tests' Wayland clients: prints what the Caps Lock key types in
// the first layout of each keymap the seat sends ("caps: Caps_Lock", "caps: VoidSymbol"), so that
// a test sees the keyboard options the compositor applied. With `readyFirst`, a "ready" line
// comes before the first one. Also the clients' loop, which serves the compositor until the
// client's standard input ends.
// Threads: the client's thread, in its Wayland dispatch.
#pragma once

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <cstdio>

namespace kestravane::testing_support {

struct CapsLockKeymapPrinter {
  bool readyFirst = false;
  bool seen = false;

  static void keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t file,
                     std::uint32_t size) {
    constexpr xkb_keycode_t kCapsLockKeycode = 66;
    void* mapped = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1
                       ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0)
                       : MAP_FAILED;
    close(file);
    if (mapped == MAP_FAILED) return;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap =
        xkb_keymap_new_from_string(context, static_cast<const char*>(mapped),
                                   XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(mapped, size);
    const xkb_keysym_t* symbols = nullptr;
    const int count = keymap != nullptr ? xkb_keymap_key_get_syms_by_level(keymap, kCapsLockKeycode,
                                                                           0, 0, &symbols)
                                        : 0;
    char name[64] = "VoidSymbol";
    if (count > 0) xkb_keysym_get_name(symbols[0], name, sizeof name);
    auto* printer = static_cast<CapsLockKeymapPrinter*>(data);
    if (printer->readyFirst && !printer->seen) std::printf("ready\n");
    printer->seen = true;
    std::printf("caps: %s\n", name);
    std::fflush(stdout);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
  }
  static void enter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
  static void leave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
  static void key(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
  }
  static void modifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                        std::uint32_t, std::uint32_t) {}

  // Listens on `keyboard` for as long as this printer lives.
  void listenTo(wl_keyboard* keyboard) {
    static const wl_keyboard_listener listener = {keymap, enter, leave, key, modifiers, nullptr};
    wl_keyboard_add_listener(keyboard, &listener, this);
  }
};

// Dispatches `display`'s events until standard input ends (or the connection fails).
inline void dispatchUntilInputEnds(wl_display* display) {
  for (;;) {
    wl_display_flush(display);
    pollfd waiting[] = {{STDIN_FILENO, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
    if (poll(waiting, 2, -1) < 0) return;
    char ignored[64];
    if (waiting[0].revents != 0 && read(STDIN_FILENO, ignored, sizeof ignored) <= 0) return;
    if (waiting[1].revents != 0 && wl_display_dispatch(display) < 0) return;
  }
}

}  // namespace kestravane::testing_support
