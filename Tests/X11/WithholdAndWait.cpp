// A Plivex that dies with its trigger key withheld: opens the X11 platform on the display and in
// the state folder it is given, takes Caps Lock's action away, says "withheld" on standard output
// and waits to be killed.
#include <unistd.h>

#include <cstdio>

#include "Platform/EventTaps.h"
#include "Platform/X11/X11Platform.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DISPLAY STATE-FOLDER\n", argv[0]);
    return 2;
  }
  kestravane::platform::x11::X11PlatformOptions options;
  options.displayName = argv[1];
  options.stateDirectory = argv[2];
  auto platform = kestravane::platform::x11::X11Platform::open(options);
  if (!platform ||
      !platform->services()->triggerKeyActions->withhold(kestravane::platform::kKeyCodeCapsLock)) {
    return 1;
  }
  std::puts("withheld");
  std::fflush(stdout);
  for (;;) pause();
}
