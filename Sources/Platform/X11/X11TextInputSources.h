// The text input sources of an X11 desktop: the XKB groups of the current keymap, in group order,
// every one a keyboard layout that is enabled and can be selected (named as KeymapLayouts.h says).
// The current source is the keyboard's group (XkbGetState); selecting locks a group (XkbLockGroup)
// and reads the group back to see that it took. The keymap's layouts are kept between calls, as
// long as the server reports no change: each call first reads, without waiting, the
// notifications that have arrived (a keymap loaded, keys remapped, group names or the keymap's
// rules names changed on the root window) and forgets the layouts on any of them. The server
// sends those in the same pass as its answer to whoever made the change, so a keymap loaded
// underneath (setxkbmap, the desktop's settings) shows in the next listing; and a switch costs the
// round trips of reading and locking the group only. Threads: the program calls these on the main
// thread, one call at a time (the connection is the
//   main thread's; it is the only reader of that connection's events).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/TextInputSources.h"
#include "Platform/X11/KeymapLayouts.h"
#include "Platform/X11/X11Connection.h"

namespace kestravane::platform::x11 {

class X11TextInputSources final : public TextInputSources {
 public:
  explicit X11TextInputSources(std::shared_ptr<X11Connection> connection);

  // Seam. A filter entry that no group satisfies (another type, a disabled or unselectable
  // source, a property a group does not have) gives an empty list; every group is installed, so
  // `includeAllInstalled` changes nothing. selectInputSource() answers 0 when the group is current
  // afterwards, paramErr (-50) otherwise.
  std::optional<std::vector<std::shared_ptr<InputSource>>> createInputSourceList(
      const InputSourceFilter& filter, bool includeAllInstalled) override;
  std::optional<std::string> stringProperty(const InputSource& source,
                                            std::string_view key) override;
  std::shared_ptr<InputSource> copyCurrentKeyboardInputSource() override;
  OSStatus selectInputSource(const InputSource& source) override;
  // Keymap changes reach the program through the periodic check.
  void setSourcesChangedObserver(std::function<void()>) override {}

 private:
  // The layouts, read again when a notification since the last call says they may have changed.
  const std::vector<KeymapLayout>& layouts();

  const std::shared_ptr<X11Connection> connection;
  const Atom rulesNamesAtom;
  int xkbEventBase = -1;
  std::optional<std::vector<KeymapLayout>> known;
};

}  // namespace kestravane::platform::x11
