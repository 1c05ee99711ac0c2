// Linux's Input Monitoring over stand-in devices: what the access checks answer, and what a tap
// does, when keyboards cannot be opened or there are none.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "Wayland/EvdevTapRig.h"
#include "Wayland/EvdevTestbed.h"

namespace kestravane {
namespace {

using platform::wayland::DeviceAccess;
using platform::wayland::EvdevEventTaps;
using testing_support::EvdevTapRig;
using testing_support::EvdevTestbed;
using Kind = EvdevTestbed::Kind;

// In a child that may not open the keyboard's node: with the node's permissions taken away, and
// as nobody when the tests run as root (who may open anything). The exit status says which
// check failed.
int checkInChildWithoutAccess(EvdevTestbed& testbed, const EvdevTestbed::Device& keyboard) {
  if (geteuid() == 0) {
    // Nobody must still find the testbed's stand-in /sys and /dev, and reach the sockets of its
    // ioctl answers: umockdev's preload ends a program whose open() cannot connect to them.
    const std::filesystem::path root = testbed.rootDirectory();
    std::filesystem::permissions(
        root, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                  std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                  std::filesystem::perms::others_exec);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / "ioctl")) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::all);
    }
  }
  const pid_t child = fork();
  if (child == 0) {
    // The node is the terminal umockdev made, which it leaves open to everyone.
    if (chmod(keyboard.devnode.c_str(), 0) != 0) _exit(11);
    if (geteuid() == 0) {
      const gid_t nobody = 65534;
      if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(10);
    }
    EvdevEventTaps taps;
    if (taps.preflightListenEventAccess()) _exit(1);
    if (taps.requestListenEventAccess()) _exit(2);
    // Without the system's `input` group there is no group to join.
    const DeviceAccess expected = getgrnam("input") != nullptr ? DeviceAccess::notInInputGroup
                                                               : DeviceAccess::permissionDenied;
    if (taps.keyboardAccess() != expected) _exit(3);
    if (taps.tapCreate(
            {}, {}, {}, testing_support::kKeyEvents,
            [](platform::EventType, platform::Event* event, void*) { return event; },
            nullptr) != nullptr) {
      _exit(4);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(EvdevAccess, KeyboardsThatCannotBeOpenedRefuseInputMonitoringAndTheTap) {
  EvdevTestbed testbed;
  const auto keyboard = testbed.add(Kind::keyboard, 1);
  EvdevEventTaps taps;
  ASSERT_TRUE(taps.preflightListenEventAccess()) << "the test's own process may open it";
  EXPECT_EQ(taps.keyboardAccess(), DeviceAccess::granted);

  // 1 preflight, 2 request, 3 the reason, 4 the tap; 10 and 11: the child could not be set up.
  EXPECT_EQ(checkInChildWithoutAccess(testbed, keyboard), 0);
}

TEST(EvdevAccess, WithoutKeyboardsNothingIsRefusedAndTheTapReadsTheFirstPluggedIn) {
  EvdevTestbed testbed;
  testbed.add(Kind::mouse, 1);
  EvdevEventTaps taps;
  EXPECT_TRUE(taps.preflightListenEventAccess());
  EXPECT_EQ(taps.keyboardAccess(), DeviceAccess::noKeyboards);

  EvdevTapRig rig(testing_support::kKeyEvents);
  rig.start();
  EXPECT_EQ(rig.taps.openDevices(*rig.tap), 0u);
  const auto keyboard = testbed.add(Kind::keyboard, 2);
  ASSERT_TRUE(rig.awaitDevices(1));
  testbed.key(keyboard, KEY_CAPSLOCK, 1);
  ASSERT_TRUE(rig.awaitEvents(1));
  EXPECT_EQ(rig.events()[0].keyCode, platform::kKeyCodeCapsLock);
}

}  // namespace
}  // namespace kestravane
