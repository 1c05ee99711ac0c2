#include "Platform/Wayland/InputDevices.h"

#include <fcntl.h>
#include <grp.h>
#include <libudev.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string_view>

namespace kestravane::platform::wayland {
namespace {

constexpr std::string_view kEventNodePrefix = "/dev/input/event";

bool hasProperty(udev_device* device, const char* name) {
  const char* value = udev_device_get_property_value(device, name);
  return value != nullptr && std::string_view(value) == "1";
}

struct UnrefUdev {
  void operator()(udev* context) const { udev_unref(context); }
};
struct UnrefEnumerate {
  void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
};
struct UnrefDevice {
  void operator()(udev_device* device) const { udev_device_unref(device); }
};

// The gid of the system's `input` group; getgrnam_r, since any thread may ask.
std::optional<gid_t> inputGroupId() {
  const long suggested = sysconf(_SC_GETGR_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
  for (;;) {
    group entry{};
    group* found = nullptr;
    const int error = getgrnam_r("input", &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (std::size_t{1} << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr) return std::nullopt;
    return found->gr_gid;
  }
}

}  // namespace

InputDevice classifyInputDevice(udev_device* device, bool withPointers) {
  const char* subsystem = udev_device_get_subsystem(device);
  const char* devnode = udev_device_get_devnode(device);
  if (subsystem == nullptr || std::string_view(subsystem) != "input" || devnode == nullptr ||
      !std::string_view(devnode).starts_with(kEventNodePrefix)) {
    return {};
  }
  InputDevice found;
  found.keyboard = hasProperty(device, "ID_INPUT_KEYBOARD");
  found.pointer = withPointers && (hasProperty(device, "ID_INPUT_MOUSE") ||
                                   hasProperty(device, "ID_INPUT_TOUCHPAD") ||
                                   hasProperty(device, "ID_INPUT_POINTINGSTICK"));
  if (found.keyboard || found.pointer) found.devnode = devnode;
  return found;
}

std::vector<InputDevice> listInputDevices(udev* context, bool withPointers) {
  std::vector<InputDevice> devices;
  const std::unique_ptr<udev_enumerate, UnrefEnumerate> enumerate(udev_enumerate_new(context));
  if (!enumerate) return devices;
  udev_enumerate_add_match_subsystem(enumerate.get(), "input");
  udev_enumerate_scan_devices(enumerate.get());
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    const std::unique_ptr<udev_device, UnrefDevice> device(
        udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
    if (!device) continue;
    InputDevice found = classifyInputDevice(device.get(), withPointers);
    if (!found.devnode.empty()) devices.push_back(std::move(found));
  }
  return devices;
}

bool inputGroupExists() {
  return inputGroupId().has_value();
}

bool inInputGroup() {
  const auto gid = inputGroupId();
  if (!gid) return false;
  if (getegid() == *gid) return true;
  const int count = getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int filled = getgroups(count, groups.data());
  if (filled < 0) return false;
  groups.resize(static_cast<std::size_t>(filled));
  return std::ranges::find(groups, *gid) != groups.end();
}

std::optional<std::vector<KeyboardProbe>> probeKeyboards(bool withNames) {
  const std::unique_ptr<udev, UnrefUdev> context(udev_new());
  if (!context) return std::nullopt;
  std::vector<KeyboardProbe> keyboards;
  for (InputDevice& device : listInputDevices(context.get(), false)) {
    KeyboardProbe probe{std::move(device.devnode), {}, 0};
    const int fd = ::open(probe.devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      probe.openError = errno;
    } else {
      char name[256] = {};
      if (withNames && ::ioctl(fd, EVIOCGNAME(sizeof name - 1), name) >= 0) probe.name = name;
      ::close(fd);
    }
    keyboards.push_back(std::move(probe));
  }
  return keyboards;
}

DeviceAccess accessOf(const std::optional<std::vector<KeyboardProbe>>& keyboards) {
  if (!keyboards) return DeviceAccess::unreadable;
  if (keyboards->empty()) return DeviceAccess::noKeyboards;
  bool refused = false;
  for (const KeyboardProbe& keyboard : *keyboards) {
    if (keyboard.openError == 0) return DeviceAccess::granted;
    if (keyboard.openError == EACCES || keyboard.openError == EPERM) refused = true;
  }
  if (!refused) return DeviceAccess::unreadable;
  // Being in the group but refused means something else decides (an ACL, a sandbox); a system
  // without the group has no such remedy either.
  if (!inputGroupExists() || inInputGroup()) return DeviceAccess::permissionDenied;
  return DeviceAccess::notInInputGroup;
}

DeviceAccess probeKeyboardAccess() {
  return accessOf(probeKeyboards(false));
}

}  // namespace kestravane::platform::wayland
