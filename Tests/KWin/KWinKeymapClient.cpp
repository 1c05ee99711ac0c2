// A Wayland client of KWin that prints what the Caps Lock key types in the first layout
// ("caps: Caps_Lock", "caps: VoidSymbol") each time the seat sends its clients a keymap, so that
// a test sees the keyboard options KWin applied. It prints "ready" once it has the first one, and
// runs until its standard input ends.
// KWin's seat offers a keyboard only while it has a keyboard device, and a headless KWin has none:
// the client makes one through KWin's fake-input protocol, which KWin offers to a client only
// when started with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 (else only to programs whose desktop
// entry names the protocol). The protocol's one interface is declared here: the client needs only
// its first request, and Debian's headers of it come with KWin's development package.
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "Support/CapsLockKeymapPrinter.h"

namespace {

const wl_interface* noTypes[] = {nullptr, nullptr};
const wl_message fakeInputRequests[] = {{"authenticate", "ss", noTypes}};
const wl_interface fakeInputInterface = {"org_kde_kwin_fake_input", 1, 1,
                                         fakeInputRequests,         0, nullptr};
constexpr std::uint32_t kAuthenticateRequest = 0;

struct Globals {
  wl_seat* seat = nullptr;
  wl_proxy* fakeInput = nullptr;
  std::uint32_t capabilities = 0;
};

void seatCapabilities(void* data, wl_seat*, std::uint32_t capabilities) {
  static_cast<Globals*>(data)->capabilities = capabilities;
}
void seatName(void*, wl_seat*, const char*) {}
const wl_seat_listener seatListener = {seatCapabilities, seatName};

void announceGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                    std::uint32_t) {
  auto* globals = static_cast<Globals*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
    globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 2));
    wl_seat_add_listener(globals->seat, &seatListener, globals);
  } else if (std::strcmp(interface, fakeInputInterface.name) == 0) {
    globals->fakeInput =
        static_cast<wl_proxy*>(wl_registry_bind(registry, name, &fakeInputInterface, 1));
  }
}

void removeGlobal(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener = {announceGlobal, removeGlobal};

int fail(const char* why) {
  std::fprintf(stderr, "keymap client: %s\n", why);
  return 1;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return fail("cannot connect to the compositor");
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registryListener, &globals);
  wl_display_roundtrip(display);
  if (globals.seat == nullptr || globals.fakeInput == nullptr) {
    return fail("the compositor offers no seat or no fake input");
  }
  wl_proxy_marshal(globals.fakeInput, kAuthenticateRequest, "keymap client", "a test's keyboard");
  for (int round = 0; round < 50 && (globals.capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0;
       ++round) {
    if (wl_display_roundtrip(display) < 0) return fail("the compositor closed the connection");
    if ((globals.capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0) usleep(20000);
  }
  if ((globals.capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
    return fail("the seat offers no keyboard");
  }
  wl_keyboard* keyboard = wl_seat_get_keyboard(globals.seat);
  kestravane::testing_support::CapsLockKeymapPrinter printer{.readyFirst = true};
  printer.listenTo(keyboard);
  kestravane::testing_support::dispatchUntilInputEnds(display);
  wl_display_disconnect(display);
  return 0;
}
