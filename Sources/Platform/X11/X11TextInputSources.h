// The text input sources of an X11 desktop: the XKB groups of the current keymap, in group order,
// every one a keyboard layout that is enabled and can be selected (named as KeymapLayouts.h says).
// The current source is the keyboard's group (XkbGetState); selecting locks a group
// (XkbLockGroup) and reads the group back to see that it took, which also answers the reading of
// the current source that follows (X11KeymapWatch). The keymap's layouts are kept between calls, as
// long as the server reports no change: a keymap loaded underneath (setxkbmap, the desktop's
// settings) shows in the next listing, and a listing at rest costs no round trip. The
// sources-changed observer is told when keymapChanged() says a keymap was loaded; a change that
// arrives otherwise shows at the program's next listing (its periodic check lists the layouts).
// Threads: the program calls these on the main thread, one call at a time (the connection is the
//   main thread's).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/TextInputSources.h"
#include "Platform/X11/KeymapLayouts.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11KeymapWatch.h"

namespace kestravane::platform::x11 {

class X11TextInputSources final : public TextInputSources {
 public:
  X11TextInputSources(std::shared_ptr<X11Connection> connection,
                      std::shared_ptr<X11KeymapWatch> watch);

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
  bool canSwitchLayouts() const override { return watch->hasXkb(); }
  void setSourcesChangedObserver(std::function<void()> observer) override {
    sourcesChanged = std::move(observer);
  }

  // A tap saw a keymap loaded or keys remapped: the observer is told (on the main thread).
  void keymapChanged() const {
    if (sourcesChanged) sourcesChanged();
  }

 private:
  // The layouts, read again when a notification since the last call says they may have changed.
  const std::vector<KeymapLayout>& layouts();

  const std::shared_ptr<X11Connection> connection;
  const std::shared_ptr<X11KeymapWatch> watch;
  std::uint64_t knownAt = 0;  // the watch's count the layouts below were read at; 0: never
  std::vector<KeymapLayout> known;
  std::function<void()> sourcesChanged;
};

}  // namespace kestravane::platform::x11
