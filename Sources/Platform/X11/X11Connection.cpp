#include "Platform/X11/X11Connection.h"

#include <mutex>

namespace kestravane::platform::x11 {
namespace {

thread_local ErrorTrap* currentTrap = nullptr;

}  // namespace

// An error that no trap expects is dropped: a tray program must not end over one refused
// request, and every request whose outcome matters is made under a trap.
int recordError(Display*, XErrorEvent* error) {
  if (currentTrap != nullptr && currentTrap->errorCode == 0) {
    currentTrap->errorCode = error->error_code;
  }
  return 0;
}

void prepareXlib() {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(&recordError);
  });
}

ErrorTrap::ErrorTrap() : outer(currentTrap) {
  currentTrap = this;
}

ErrorTrap::~ErrorTrap() {
  currentTrap = outer;
}

std::shared_ptr<X11Connection> X11Connection::open(const std::string& displayName) {
  prepareXlib();
  Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
  if (display == nullptr) return nullptr;
  return std::shared_ptr<X11Connection>(new X11Connection(display));
}

X11Connection::~X11Connection() {
  XCloseDisplay(_display);
}

std::string X11Connection::name() const {
  const char* text = DisplayString(_display);
  return text != nullptr ? text : "";
}

}  // namespace kestravane::platform::x11
