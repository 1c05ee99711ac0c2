#include "Platform/X11/LockedGroupTracker.h"

#include <algorithm>

namespace kestravane::platform::x11 {

void LockedGroupTracker::locked(int group) {
  current = group;
  // Taps faster than the server's notifications by more than the array holds: the oldest lock
  // is forgotten, and its notification then counts as the server's word until the rest land.
  if (pendingCount == kMaxPending) {
    std::copy(pending.begin() + 1, pending.end(), pending.begin());
    --pendingCount;
  }
  pending[pendingCount++] = group;
}

void LockedGroupTracker::notified(int group, bool groupChanged) {
  if (pendingCount == 0) {
    current = group;
    return;
  }
  if (!groupChanged) return;
  if (group == pending[0]) {
    std::copy(pending.begin() + 1, pending.begin() + static_cast<std::ptrdiff_t>(pendingCount),
              pending.begin());
    --pendingCount;
    return;
  }
  current = group;
  pendingCount = 0;
}

}  // namespace kestravane::platform::x11
