// A Wayland client that gives the compositor a keyboard with the XKB layouts named on its command
// line ("us,ru"), through the virtual-keyboard protocol, and keeps it there until its standard
// input ends. Sway keeps a virtual keyboard's own keymap until input settings are applied to it,
// so this is how a test gets a keyboard with several layouts. It prints "ready" once the
// compositor has the keymap. It also prints what the Caps Lock key types in the first layout
// ("caps: Caps_Lock", "caps: VoidSymbol") each time the seat sends its clients a keymap, so that a
// test sees the keyboard options the compositor applied.
// The protocol's two interfaces are declared here: Debian's wayland-protocols lacks this one,
// and the client needs only its requests.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Support/CapsLockKeymapPrinter.h"

namespace {

extern const wl_interface virtualKeyboardInterface;

const wl_interface* createTypes[] = {&wl_seat_interface, &virtualKeyboardInterface};
const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr};

const wl_message managerRequests[] = {{"create_virtual_keyboard", "on", createTypes}};
const wl_interface managerInterface = {
    "zwp_virtual_keyboard_manager_v1", 1, 1, managerRequests, 0, nullptr};

const wl_message keyboardRequests[] = {{"keymap", "uhu", noTypes},
                                       {"key", "uuu", noTypes},
                                       {"modifiers", "uuuu", noTypes},
                                       {"destroy", "", noTypes}};
const wl_interface virtualKeyboardInterface = {"zwp_virtual_keyboard_v1", 1, 4,
                                               keyboardRequests,          0, nullptr};

constexpr std::uint32_t kKeymapRequest = 0;
constexpr std::uint32_t kKeymapFormatXkbV1 = 1;

struct Globals {
  wl_seat* seat = nullptr;
  wl_proxy* manager = nullptr;
};

void announceGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                    std::uint32_t) {
  auto* globals = static_cast<Globals*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
    globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, managerInterface.name) == 0) {
    globals->manager =
        static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
  }
}

void removeGlobal(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener = {announceGlobal, removeGlobal};

// The keymap as text, compiled from RMLVO names as setxkbmap would.
std::string keymapText(const char* layouts) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (context == nullptr) return {};
  const xkb_rule_names names{"evdev", "pc105", layouts, nullptr, nullptr};
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  std::string text;
  if (keymap != nullptr) {
    if (char* string = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1)) {
      text = string;
      std::free(string);
    }
    xkb_keymap_unref(keymap);
  }
  xkb_context_unref(context);
  return text;
}

int fail(const char* why) {
  std::fprintf(stderr, "virtual keyboard: %s\n", why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return fail("usage: sway-virtual-keyboard LAYOUTS");
  const std::string keymap = keymapText(argv[1]);
  if (keymap.empty()) return fail("cannot compile the keymap");
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return fail("cannot connect to the compositor");
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registryListener, &globals);
  wl_display_roundtrip(display);
  if (globals.seat == nullptr || globals.manager == nullptr) {
    return fail("the compositor offers no seat or no virtual keyboards");
  }
  auto* keyboard = wl_proxy_marshal_constructor(globals.manager, 0, &virtualKeyboardInterface,
                                                globals.seat, nullptr);
  // The compositor maps the keymap from a file: the text with its terminating zero.
  const int file = memfd_create("keymap", MFD_CLOEXEC);
  const auto size = keymap.size() + 1;
  if (file < 0 || write(file, keymap.c_str(), size) != static_cast<ssize_t>(size)) {
    return fail("cannot write the keymap");
  }
  wl_proxy_marshal(keyboard, kKeymapRequest, kKeymapFormatXkbV1, file,
                   static_cast<std::uint32_t>(size));
  close(file);
  if (wl_display_roundtrip(display) < 0) return fail("the compositor refused the keymap");
  std::printf("ready\n");
  std::fflush(stdout);
  wl_keyboard* seatKeyboard = wl_seat_get_keyboard(globals.seat);
  kestravane::testing_support::CapsLockKeymapPrinter printer;
  printer.listenTo(seatKeyboard);
  kestravane::testing_support::dispatchUntilInputEnds(display);
  wl_display_disconnect(display);
  return 0;
}
