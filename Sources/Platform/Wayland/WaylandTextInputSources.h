// The text input sources of a Wayland session: the layouts the desktop lists (through its
// DesktopSwitcher), in its order, every one a keyboard layout that is enabled and can be
// selected. A source's identifier is its XKB layout as on X11 ("us", "ru(phonetic)"): the
// desktop's own where it says it, else found by the layout's name in the XKB registry, else the
// name itself; a name that comes again gets its position after "#" ("us#3"), so every layout can
// be told apart and the cycle never sticks. Its localized name is the desktop's ("English (US)").
// Every call reads the desktop's layouts through the switcher, which asks the desktop or answers
// from a listing no change has been told since (Sway's does): a switch costs two round trips to
// the desktop (select, then read back), the listings before it none where a listing is kept.
// Threads: the program calls these on the main thread; the observer runs there too, after any
//   change notice from the switcher (the layouts, the active one, the desktop gone or back).
// Ownership: owns the switcher and is its only observer.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/TextInputSources.h"
#include "Platform/Wayland/DesktopSwitcher.h"
#include "Platform/Wayland/XkbLayoutRegistry.h"

namespace kestravane::platform::wayland {

// The identifiers of `layouts` (as above); `idForName` finds a layout's XKB name by its name.
std::vector<std::string> sourceIdentifiers(
    const std::vector<DesktopLayout>& layouts,
    const std::function<std::optional<std::string>(std::string_view)>& idForName);

class WaylandTextInputSources final : public TextInputSources {
 public:
  explicit WaylandTextInputSources(std::unique_ptr<DesktopSwitcher> switcher);
  ~WaylandTextInputSources() override;

  // Seam. As X11TextInputSources: a filter entry no layout satisfies gives an empty list, and
  // `includeAllInstalled` changes nothing. The list is absent while the desktop does not answer.
  // selectInputSource() answers 0 when the source's layout is active afterwards (read back, as
  // the desktop may say yes to a layout it no longer has), paramErr (-50) otherwise.
  std::optional<std::vector<std::shared_ptr<InputSource>>> createInputSourceList(
      const InputSourceFilter& filter, bool includeAllInstalled) override;
  std::optional<std::string> stringProperty(const InputSource& source,
                                            std::string_view key) override;
  std::shared_ptr<InputSource> copyCurrentKeyboardInputSource() override;
  OSStatus selectInputSource(const InputSource& source) override;
  void setSourcesChangedObserver(std::function<void()> observer) override;

  // Why the desktop cannot switch now (for the program's health), or nothing.
  std::optional<std::string> unavailableReason() const;
  bool canSwitchLayouts() const override { return !unavailableReason().has_value(); }
  const DesktopSwitcher& desktop() const { return *switcher; }

 private:
  struct Listed {
    std::vector<std::string> ids;
    DesktopLayouts layouts;
  };
  std::optional<Listed> list();

  const std::unique_ptr<DesktopSwitcher> switcher;
  XkbLayoutRegistry registry;
  std::function<void()> observer;
};

}  // namespace kestravane::platform::wayland
