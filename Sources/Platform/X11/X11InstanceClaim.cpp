#include "Platform/X11/X11InstanceClaim.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <utility>

namespace kestravane::platform::x11 {
namespace {

Atom selectionAtom(Display* display, uid_t uid) {
  const std::string name = "_PLIVEX_" + std::to_string(uid);
  return XInternAtom(display, name.c_str(), False);
}

Atom socketAtom(Display* display) {
  return XInternAtom(display, "_PLIVEX_REQUESTS", False);
}

// The socket path noted on `owner`; empty when there is none (or the window went away).
std::string socketOf(Display* display, Window owner) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::string path;
  if (XGetWindowProperty(display, owner, socketAtom(display), 0, 1024, False, XA_STRING, &type,
                         &format, &count, &after, &data) == Success &&
      data != nullptr && type == XA_STRING && format == 8) {
    path.assign(reinterpret_cast<const char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  return path;
}

}  // namespace

std::optional<std::string> X11InstanceClaim::holder(Display* display, uid_t uid) {
  const Window owner = XGetSelectionOwner(display, selectionAtom(display, uid));
  if (owner == None) return std::nullopt;
  return socketOf(display, owner);
}

std::unique_ptr<X11InstanceClaim> X11InstanceClaim::claim(const std::string& displayName, uid_t uid,
                                                          const std::string& requestSocket) {
  std::unique_ptr<X11InstanceClaim> claim(new X11InstanceClaim());
  claim->connection = X11Connection::open(displayName);
  if (!claim->connection) return claim;
  Display* display = claim->connection->display();
  const Atom selection = selectionAtom(display, uid);
  const Window window =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XChangeProperty(display, window, socketAtom(display), XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(requestSocket.data()),
                  static_cast<int>(requestSocket.size()));
  // Looked at and taken in one go: no other client runs in between.
  XGrabServer(display);
  const Window owner = XGetSelectionOwner(display, selection);
  if (owner == None) XSetSelectionOwner(display, selection, window, CurrentTime);
  XUngrabServer(display);
  XSync(display, False);
  if (owner == None && XGetSelectionOwner(display, selection) == window) {
    claim->window = window;
    claim->_outcome = Outcome::claimed;
  } else {
    claim->_outcome = Outcome::heldByAnother;
    if (owner != None) claim->_holderSocket = socketOf(display, owner);
    XDestroyWindow(display, window);
    XSync(display, False);
  }
  return claim;
}

X11InstanceClaim::~X11InstanceClaim() {
  if (connection && window != 0) {
    XDestroyWindow(connection->display(), window);
    XSync(connection->display(), False);
  }
}

}  // namespace kestravane::platform::x11
