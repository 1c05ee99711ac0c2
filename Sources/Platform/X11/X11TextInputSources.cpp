#include "Platform/X11/X11TextInputSources.h"

#include <X11/XKBlib.h>

#include <utility>

#include "Platform/LinuxDesktop/LayoutFilter.h"

namespace kestravane::platform::x11 {
namespace {

constexpr OSStatus kNoErr = 0;
constexpr OSStatus kParamErr = -50;

class GroupSource final : public InputSource {
 public:
  GroupSource(int group, KeymapLayout layout) : group(group), layout(std::move(layout)) {}
  const int group;
  const KeymapLayout layout;
};

}  // namespace

X11TextInputSources::X11TextInputSources(std::shared_ptr<X11Connection> connection,
                                         std::shared_ptr<X11KeymapWatch> watch)
    : connection(std::move(connection)), watch(std::move(watch)) {}

const std::vector<KeymapLayout>& X11TextInputSources::layouts() {
  if (const auto now = watch->generation(); now != knownAt) {
    known = readKeymapLayouts(connection->display());
    knownAt = now;
  }
  return known;
}

std::optional<std::vector<std::shared_ptr<InputSource>>> X11TextInputSources::createInputSourceList(
    const InputSourceFilter& filter, bool) {
  std::vector<std::shared_ptr<InputSource>> sources;
  int group = 0;
  for (const auto& layout : layouts()) {
    if (desktop::layoutMatchesFilter(filter, layout.id))
      sources.push_back(std::make_shared<GroupSource>(group, layout));
    ++group;
  }
  return sources;
}

std::optional<std::string> X11TextInputSources::stringProperty(const InputSource& source,
                                                               std::string_view key) {
  const auto* group = dynamic_cast<const GroupSource*>(&source);
  if (group == nullptr) return std::nullopt;
  if (key == kTISPropertyInputSourceID) return group->layout.id;
  if (key == kTISPropertyLocalizedName) return group->layout.name;
  if (key == kTISPropertyInputSourceType) return std::string(kTISTypeKeyboardLayout);
  return std::nullopt;
}

std::shared_ptr<InputSource> X11TextInputSources::copyCurrentKeyboardInputSource() {
  const auto current = watch->group();
  if (!current) return nullptr;
  const auto& all = layouts();
  const auto index = static_cast<std::size_t>(*current);
  if (*current < 0 || index >= all.size()) return nullptr;
  return std::make_shared<GroupSource>(*current, all[index]);
}

OSStatus X11TextInputSources::selectInputSource(const InputSource& source) {
  const auto* group = dynamic_cast<const GroupSource*>(&source);
  if (group == nullptr) return kParamErr;
  Display* display = connection->display();
  if (!XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(group->group))) return kParamErr;
  // The state is read after the lock request, on the same connection, so it shows its outcome;
  // the watch keeps it for the reading of the current source that follows a switch.
  return watch->readGroup() == group->group ? kNoErr : kParamErr;
}

}  // namespace kestravane::platform::x11
