#include "KestravaneKit/InputSourceSwitcher.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "KestravaneCore/LayoutCycler.h"

namespace kestravane {
namespace {

// Exactly the three entries the system's keyboard-layout listing is asked with.
const platform::InputSourceFilter& keyboardLayoutFilter() {
  static const platform::InputSourceFilter filter{
      {std::string(platform::kTISPropertyInputSourceType),
       std::string(platform::kTISTypeKeyboardLayout)},
      {std::string(platform::kTISPropertyInputSourceIsSelectCapable), true},
      {std::string(platform::kTISPropertyInputSourceIsEnabled), true},
  };
  return filter;
}

}  // namespace

InputSourceSwitcher::InputSourceSwitcher(const platform::Services& services)
    : system(services.inputSources) {}

std::vector<InputSourceSwitcher::Source> InputSourceSwitcher::sources() const {
  auto list = system->createInputSourceList(keyboardLayoutFilter(), false);
  std::vector<Source> result;
  if (!list) return result;
  // An array that holds anything but input sources cannot be read as the list at all.
  if (std::ranges::any_of(*list, [](const auto& ref) { return ref == nullptr; })) return result;
  result.reserve(list->size());
  for (auto& ref : *list) {
    auto id = system->stringProperty(*ref, platform::kTISPropertyInputSourceID);
    if (!id) continue;
    result.push_back(Source{std::move(*id), std::move(ref)});
  }
  return result;
}

std::shared_ptr<platform::InputSource> InputSourceSwitcher::sourceRef(std::string_view id) const {
  for (auto& source : sources()) {
    if (source.id == id) return std::move(source.ref);
  }
  return nullptr;
}

std::vector<std::string> InputSourceSwitcher::enabledSelectableSourceIDs() const {
  std::vector<std::string> ids;
  for (auto& source : sources()) ids.push_back(std::move(source.id));
  return ids;
}

std::vector<InputSourceSwitcher::NamedSource> InputSourceSwitcher::enabledSelectableSources()
    const {
  std::vector<NamedSource> named;
  for (auto& source : sources()) {
    auto name = system->stringProperty(*source.ref, platform::kTISPropertyLocalizedName);
    std::string shown = name ? std::move(*name) : shortName(source.id);
    named.push_back(NamedSource{std::move(source.id), std::move(shown)});
  }
  return named;
}

std::string InputSourceSwitcher::displayName(std::string_view id) const {
  if (auto ref = sourceRef(id)) {
    if (auto name = system->stringProperty(*ref, platform::kTISPropertyLocalizedName)) {
      return *name;
    }
  }
  return shortName(id);
}

std::optional<std::string> InputSourceSwitcher::currentSourceID() const {
  auto current = system->copyCurrentKeyboardInputSource();
  if (!current) return std::nullopt;
  return system->stringProperty(*current, platform::kTISPropertyInputSourceID);
}

std::string InputSourceSwitcher::shortName(std::string_view id) {
  std::string_view last;
  std::size_t start = 0;
  while (start <= id.size()) {
    std::size_t dot = id.find('.', start);
    std::size_t end = dot == std::string_view::npos ? id.size() : dot;
    if (end > start) last = id.substr(start, end - start);
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return std::string(last.empty() ? id : last);
}

InputSourceSwitcher::Result InputSourceSwitcher::switchNext() const {
  const LayoutCycler cycle(enabledSelectableSourceIDs());
  const auto current = currentSourceID();
  auto next = cycle.next(current);
  if (!next) return Result{std::nullopt, current};
  // The list may have changed since it was read; then nothing is selected.
  if (auto ref = sourceRef(*next)) system->selectInputSource(*ref);
  return Result{std::move(next), currentSourceID()};
}

InputSourceSwitcher::Result InputSourceSwitcher::outcomeOfSelecting(std::size_t position) const {
  // Listed first: on X11 a listing also makes the current layout be asked of the server afresh.
  auto ids = enabledSelectableSourceIDs();
  std::optional<std::string> requested;
  if (position < ids.size()) requested = std::move(ids[position]);
  auto actual = currentSourceID();
  // The selection went from another thread, on another connection to the system (X11), which
  // the server may serve later than this one: under load it answered two questions in a row
  // before taking the selection. So ask again, a millisecond apart, until the answer shows it
  // or the wait is over; only a selection that did not take waits it out.
  const auto deadline = std::chrono::steady_clock::now() + kOutcomeWait;
  while (requested && actual != requested && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    actual = currentSourceID();
  }
  return Result{std::move(requested), std::move(actual)};
}

}  // namespace kestravane
