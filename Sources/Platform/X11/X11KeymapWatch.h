// What the X server has told the main connection about the keymap: the XKB notifications (a
// keymap loaded, keys remapped, group names or controls changed) and a change of the root
// window's rules names (_XKB_RULES_NAMES, which setxkbmap and the desktops' settings write after
// loading a keymap). The layouts and the XKB options read from the server are kept until one of
// those arrives, so a periodic check at rest costs no round trip: taking the events that have
// arrived reads the socket without waiting. The keyboard's group is read from the server each
// time (a notification of someone else's switch may still be on its way when a tap fires), except
// that the read that follows a lock (to learn its outcome) also answers the next reading, unless
// a notification of a group change arrived in between: a switch costs two round trips, not three.
// Threads: the connection's thread (the main thread); the only reader of that connection's
//   events.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "Platform/X11/X11Connection.h"
#include "Platform/X11/XkbRulesNames.h"

namespace kestravane::platform::x11 {

class X11KeymapWatch {
 public:
  // Asks the server for the notifications (one round trip).
  explicit X11KeymapWatch(std::shared_ptr<X11Connection> connection);

  // Takes the events that have arrived, without waiting, and counts how many of them said the
  // keymap or its rules names may have changed. What a reader read at one count holds as long
  // as the count stays.
  std::uint64_t generation();
  // The rules names as the server last gave them, read again once the count moved.
  const std::optional<XkbRulesNames>& rulesNames();
  // The keyboard's group: the answer of the last readGroup() called from outside, once, if
  // nothing was listed and no group change or keymap was notified since; otherwise asked of the
  // server.
  std::optional<int> group();
  // Asks the server for the group (one round trip), e.g. to learn the outcome of a lock sent on
  // this connection; absent when it does not answer.
  std::optional<int> readGroup();

  Display* display() const { return connection->display(); }
  // Whether the server has XKB (without it there are no groups to switch).
  bool hasXkb() const { return xkbEventBase >= 0; }

 private:
  const std::shared_ptr<X11Connection> connection;
  const Atom rulesNamesAtom;
  int xkbEventBase = -1;
  // Takes the events that Xlib has queued (and, with `fromSocket`, those the socket holds);
  // `groupsCount` says whether their group changes are newer than the last reading.
  void take(bool fromSocket, bool groupsCount);

  std::uint64_t changes = 1;
  std::optional<int> justRead;  // readGroup()'s answer, until used or overtaken
  std::uint64_t namesRead = 0;  // the count the names below were read at; 0: never
  std::optional<XkbRulesNames> names;
};

}  // namespace kestravane::platform::x11
