// A child process that may not open a stand-in keyboard, for the tests of what the program does
// without access to the keyboards: the node's permissions taken away and, when the tests run as
// root (who may open anything), the child running as nobody, in the system's `input` group or
// not.
// Threads: the test's thread; fork() copies only it.
#pragma once

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "Platform/Wayland/InputDevices.h"
#include "Wayland/EvdevTestbed.h"

namespace kestravane::testing_support {

inline constexpr int kCannotArrange = 20;  // the child cannot be given the groups a case needs

// Gives this process, alone, a system `input` group (the system's, or one added to a copy of
// /etc/group mounted over it in a mount namespace of its own); its gid, or absent.
inline std::optional<gid_t> privateInputGroup(const std::filesystem::path& scratch) {
  if (unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return std::nullopt;
  }
  if (const group* input = getgrnam("input")) return input->gr_gid;
  constexpr gid_t kInputGid = 64990;
  const std::filesystem::path copy = scratch / "group";
  std::filesystem::copy_file("/etc/group", copy);
  std::ofstream(copy, std::ios::app) << "input:x:" << kInputGid << ":\n";
  if (mount(copy.c_str(), "/etc/group", nullptr, MS_BIND, nullptr) != 0) return std::nullopt;
  return kInputGid;
}

// Runs `check` in a child that may not open the keyboard's node: with the node's permissions
// taken away, and, when the tests run as root (who may open anything), as nobody, in the system's
// `input` group or not as `inGroup` says. As another user only the groups it has can be tested.
template <typename Check>
int inChildWithoutAccess(EvdevTestbed& testbed, const EvdevTestbed::Device& keyboard, bool inGroup,
                         Check check) {
  const std::filesystem::path root = testbed.rootDirectory();
  if (geteuid() == 0) {
    // Nobody must still find the testbed's stand-in /sys and /dev, and reach the sockets of its
    // ioctl answers: umockdev's preload ends a program whose open() cannot connect to them.
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
      const auto input = privateInputGroup(root);
      if (!input) _exit(kCannotArrange);
      const gid_t nobody = 65534;
      if (setgroups(inGroup ? 1 : 0, &*input) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) {
        _exit(10);
      }
    } else if (inGroup != platform::wayland::inInputGroup() || !getgrnam("input")) {
      _exit(kCannotArrange);
    }
    _exit(check());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

}  // namespace kestravane::testing_support
