// One connection of the X11 backend to an X server (an Xlib Display), opened by name and closed
// when the last owner lets go; and the trap through which the backend learns of the X errors its
// own requests cause, since Xlib's default reaction to an error is to end the process.
// Threads: a connection is used by one thread at a time (each owner says which); Xlib is made
//   thread-safe before the first connection opens. An ErrorTrap catches the errors that the
//   requests of its own thread cause while it lives.
// Ownership: std::shared_ptr; the Display closes with the last one.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace kestravane::platform::x11 {

class X11Connection {
 public:
  // Opens `displayName` (empty: $DISPLAY); nullptr when no server answers there.
  static std::shared_ptr<X11Connection> open(const std::string& displayName);
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  Display* display() const { return _display; }
  // The display's name as Xlib resolved it (":1", "host:0.0").
  std::string name() const;

 private:
  explicit X11Connection(Display* display) : _display(display) {}

  Display* const _display;
};

// Catches the X errors of this thread's requests from construction to destruction. Sync the
// connection before asking, so that every reply has arrived.
class ErrorTrap {
 public:
  ErrorTrap();
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  bool failed() const { return errorCode != 0; }
  // The first error's code (BadValue, BadAccess, ...), 0 when none.
  int firstErrorCode() const { return errorCode; }

 private:
  friend int recordError(Display*, XErrorEvent*);
  ErrorTrap* outer;
  int errorCode = 0;
};

// Makes Xlib thread-safe and puts the backend's error handler in place (once per process).
void prepareXlib();

}  // namespace kestravane::platform::x11
