// The keyboard's XKB group as a tap thread knows it while it locks groups itself: a lock it sent
// counts at once, though the server's notification of it comes later. Notifications of the
// tap's own locks arrive in the order they were sent; one that comes while a later lock is still
// on its way must not take the group back. A notification of a group change that is not the
// next of the tap's own (XKB's own switch, another program's lock) is the server's word, and
// overrides what the tap assumed. A notification that changed no group part (a modifier) tells
// nothing about the group while a lock is on its way.
// Threads: one thread (the tap's reading thread); no allocation.
#pragma once

#include <array>
#include <cstddef>

namespace kestravane::platform::x11 {

class LockedGroupTracker {
 public:
  explicit LockedGroupTracker(int group) : current(group) {}

  int group() const { return current; }

  // The tap sent a lock of `group`.
  void locked(int group);
  // The server's state notification: its group, and whether the notification changed a group
  // part (base, latched, locked or effective).
  void notified(int group, bool groupChanged);

 private:
  static constexpr std::size_t kMaxPending = 8;

  int current;
  std::array<int, kMaxPending> pending{};  // the tap's locks not yet notified, oldest first
  std::size_t pendingCount = 0;
};

}  // namespace kestravane::platform::x11
