// The note the X11 backend keeps while a trigger key's action is taken away: which display, which
// key, and the key's symbols before (its action follows from them). Written before the key is
// changed and removed after it is given back, so that a run that ends without giving it back (a
// crash, a kill) leaves what the next run needs to give it back. One file per display, text:
//   plivex withheld key 1
//   display :1
//   keycode 66
//   keysyms ffe5 0 ffe5 0
// Threads: plain values and pure functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestravane::platform::x11 {

struct WithheldKeyRecord {
  std::string display;   // displayKey() of the display
  unsigned keycode = 0;  // X key code
  std::vector<unsigned long>
      keysyms;  // the key's symbols, every group and level, as Xlib lists them
  bool operator==(const WithheldKeyRecord&) const = default;
};

// The display a display name means, without its screen: ":1.0" and "unix:1" are ":1",
// "host:10.0" is "host:10"; a name that is none of these stands for itself.
std::string displayKey(std::string_view displayName);
// The record's file name for a display: "withheld-key-" and its key, "/" made "_".
std::string recordFileName(std::string_view displayName);

std::string encode(const WithheldKeyRecord& record);
// Absent for anything that is not a whole record.
std::optional<WithheldKeyRecord> decodeWithheldKeyRecord(std::string_view text);

}  // namespace kestravane::platform::x11
