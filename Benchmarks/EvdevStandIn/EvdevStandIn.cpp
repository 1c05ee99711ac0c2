// Writes one stand-in keyboard for umockdev-run, the same the Wayland tests give theirs: udev's
// description of it and the answers to the ioctls libevdev asks. A program started as
//   umockdev-run -d DIR/keyboard.umockdev -i /dev/input/event1=DIR/keyboard.ioctl -- program
// finds one keyboard it can open and read, as the measurements at rest need
// (scripts/measure-wayland-idle.sh).
// Usage: plivex-evdev-standin DIR
#include <filesystem>
#include <fstream>
#include <iostream>

#include "Wayland/EvdevTestbed.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: plivex-evdev-standin DIR\n";
    return 2;
  }
  using kestravane::testing_support::EvdevTestbed;
  const std::filesystem::path folder = argv[1];
  std::ofstream description(folder / "keyboard.umockdev");
  description << EvdevTestbed::description(EvdevTestbed::Kind::keyboard, 1);
  std::ofstream ioctls(folder / "keyboard.ioctl");
  ioctls << EvdevTestbed::ioctlAnswers(EvdevTestbed::Kind::keyboard);
  description.close();
  ioctls.close();
  if (!description || !ioctls) {
    std::cerr << "plivex-evdev-standin: cannot write to " << folder << "\n";
    return 1;
  }
  std::cout << EvdevTestbed::deviceNumbered(1).devnode << "\n";
  return 0;
}
