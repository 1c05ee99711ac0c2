#include "Platform/Wayland/WaylandTextInputSources.h"

#include <algorithm>
#include <utility>

#include "Platform/LinuxDesktop/LayoutFilter.h"

namespace kestravane::platform::wayland {
namespace {

constexpr OSStatus kNoErr = 0;
constexpr OSStatus kParamErr = -50;

class LayoutSource final : public InputSource {
 public:
  LayoutSource(std::size_t index, std::string id, std::string name)
      : index(index), id(std::move(id)), name(std::move(name)) {}
  const std::size_t index;
  const std::string id;
  const std::string name;
};

}  // namespace

std::vector<std::string> sourceIdentifiers(
    const std::vector<DesktopLayout>& layouts,
    const std::function<std::optional<std::string>(std::string_view)>& idForName) {
  std::vector<std::string> ids;
  for (std::size_t index = 0; index < layouts.size(); ++index) {
    const auto& layout = layouts[index];
    const std::string number = std::to_string(index + 1);
    std::string id = layout.id;
    if (id.empty()) id = idForName(layout.name).value_or(layout.name);
    if (id.empty()) id = "group" + number;
    if (std::ranges::find(ids, id) != ids.end()) id += "#" + number;
    ids.push_back(std::move(id));
  }
  return ids;
}

WaylandTextInputSources::WaylandTextInputSources(std::unique_ptr<DesktopSwitcher> switcher)
    : switcher(std::move(switcher)) {
  this->switcher->setChangeObserver([this](DesktopChange) {
    if (observer) observer();
  });
}

WaylandTextInputSources::~WaylandTextInputSources() {
  switcher->setChangeObserver(nullptr);
}

void WaylandTextInputSources::setSourcesChangedObserver(std::function<void()> newObserver) {
  observer = std::move(newObserver);
}

std::optional<std::string> WaylandTextInputSources::unavailableReason() const {
  return switcher->unavailableReason();
}

std::optional<WaylandTextInputSources::Listed> WaylandTextInputSources::list() {
  auto layouts = switcher->read();
  if (!layouts) return std::nullopt;
  auto ids = sourceIdentifiers(layouts->layouts,
                               [this](std::string_view name) { return registry.idFor(name); });
  return Listed{std::move(ids), std::move(*layouts)};
}

std::optional<std::vector<std::shared_ptr<InputSource>>>
WaylandTextInputSources::createInputSourceList(const InputSourceFilter& filter, bool) {
  const auto listed = list();
  if (!listed) return std::nullopt;
  std::vector<std::shared_ptr<InputSource>> sources;
  for (std::size_t index = 0; index < listed->ids.size(); ++index) {
    if (!desktop::layoutMatchesFilter(filter, listed->ids[index])) continue;
    sources.push_back(std::make_shared<LayoutSource>(index, listed->ids[index],
                                                     listed->layouts.layouts[index].name));
  }
  return sources;
}

std::optional<std::string> WaylandTextInputSources::stringProperty(const InputSource& source,
                                                                   std::string_view key) {
  const auto* layout = dynamic_cast<const LayoutSource*>(&source);
  if (layout == nullptr) return std::nullopt;
  if (key == kTISPropertyInputSourceID) return layout->id;
  if (key == kTISPropertyLocalizedName) {
    return layout->name.empty() ? std::nullopt : std::optional(layout->name);
  }
  if (key == kTISPropertyInputSourceType) return std::string(kTISTypeKeyboardLayout);
  return std::nullopt;
}

std::shared_ptr<InputSource> WaylandTextInputSources::copyCurrentKeyboardInputSource() {
  const auto listed = list();
  if (!listed || listed->ids.empty()) return nullptr;
  const auto index = listed->layouts.active;
  if (index >= listed->ids.size()) return nullptr;
  return std::make_shared<LayoutSource>(index, listed->ids[index],
                                        listed->layouts.layouts[index].name);
}

OSStatus WaylandTextInputSources::selectInputSource(const InputSource& source) {
  const auto* layout = dynamic_cast<const LayoutSource*>(&source);
  if (layout == nullptr) return kParamErr;
  if (!switcher->select(layout->index)) return kParamErr;
  // Sway says yes to an index it does not have (the list may have changed since the source was
  // listed): only the layout that is active afterwards tells whether the switch took.
  const auto listed = list();
  if (!listed || listed->layouts.active >= listed->ids.size()) return kParamErr;
  return listed->ids[listed->layouts.active] == layout->id ? kNoErr : kParamErr;
}

}  // namespace kestravane::platform::wayland
