// The input devices the taps read, as udev knows them: every keyboard's evdev node (udev's
// ID_INPUT_KEYBOARD), and the pointers' (mice, touchpads, pointing sticks) for the taps that ask
// for clicks. Also Linux's Input Monitoring: whether this process may open the keyboards, and if
// not, why, for the health that says what to do.
// Threads: any thread; each call makes its own udev context.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct udev;
struct udev_device;

namespace kestravane::platform::wayland {

struct InputDevice {
  std::string devnode;  // /dev/input/eventN
  bool keyboard = false;
  bool pointer = false;
};

// What udev says of `device`: absent (an empty devnode) when it is no evdev node, or neither a
// keyboard nor, unless `withPointers`, a pointer.
InputDevice classifyInputDevice(udev_device* device, bool withPointers);

// The keyboards (and with `withPointers`, the pointers) udev lists now.
std::vector<InputDevice> listInputDevices(udev* context, bool withPointers);

// Whether the keyboards can be read.
enum class DeviceAccess {
  granted,           // at least one keyboard opens for reading
  noKeyboards,       // udev lists no keyboard: nothing was refused
  notInInputGroup,   // refused, and the process is not in the system's `input` group
  permissionDenied,  // refused although the process is in that group (or the system has none)
  unreadable,        // every keyboard failed to open for another reason, or udev is unreachable
};

DeviceAccess probeKeyboardAccess();

// One keyboard udev lists, opened for reading and closed again at once (nothing is read).
struct KeyboardProbe {
  std::string devnode;
  std::string name;   // what the device calls itself; empty when it did not open or was not asked
  int openError = 0;  // errno of the failed open(); 0 when it opened
};

// Every keyboard udev lists now, with its name when `withNames`; absent when udev cannot be
// reached.
std::optional<std::vector<KeyboardProbe>> probeKeyboards(bool withNames = true);

// What probeKeyboards()'s answer means for reading the keyboards (as probeKeyboardAccess()).
DeviceAccess accessOf(const std::optional<std::vector<KeyboardProbe>>& keyboards);

// Whether the process's groups include the system's `input` group; false when there is none.
bool inInputGroup();
// Whether the system has an `input` group.
bool inputGroupExists();

}  // namespace kestravane::platform::wayland
