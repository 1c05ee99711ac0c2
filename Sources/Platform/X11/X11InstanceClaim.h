// One Plivex per user and X display, as the X server sees it: the running one owns the selection
// "_PLIVEX_<uid>" on the display, which the server drops when its connection ends, however the
// process ends. Two starts on one display meet here even when their runtime folders differ (a
// lock file cannot see that); starts on two displays never meet. The owner's window carries the
// path of the socket on which it takes requests ("_PLIVEX_REQUESTS"), so a later start can ask it
// to come forward. The claim is checked and taken with the server grabbed, so of two starts at
// once exactly one wins.
// Threads: one thread at a time; the claim keeps its own connection, which nothing reads.
// Ownership: the claim lasts as long as the object (its connection).
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "Platform/X11/X11Connection.h"

namespace kestravane::platform::x11 {

class X11InstanceClaim {
 public:
  enum class Outcome { claimed, heldByAnother, noServer };

  // Claims the display `displayName` (empty: $DISPLAY) for `uid`, noting `requestSocket`.
  static std::unique_ptr<X11InstanceClaim> claim(const std::string& displayName, uid_t uid,
                                                 const std::string& requestSocket);
  // Whether a Plivex of `uid` holds the display now, and where it takes requests; changes
  // nothing. Absent when no Plivex holds it.
  static std::optional<std::string> holder(Display* display, uid_t uid);

  ~X11InstanceClaim();
  X11InstanceClaim(const X11InstanceClaim&) = delete;
  X11InstanceClaim& operator=(const X11InstanceClaim&) = delete;

  Outcome outcome() const { return _outcome; }
  // heldByAnother: where the running one takes requests (empty when it names none).
  const std::string& holderSocket() const { return _holderSocket; }

 private:
  X11InstanceClaim() = default;

  std::shared_ptr<X11Connection> connection;
  unsigned long window = 0;
  Outcome _outcome = Outcome::noServer;
  std::string _holderSocket;
};

}  // namespace kestravane::platform::x11
