#include "KestravaneCore/LayoutCycler.h"

#include <algorithm>
#include <utility>

namespace kestravane {

LayoutCycler::LayoutCycler(std::vector<std::string> sources) : _sources(std::move(sources)) {}

std::optional<std::string> LayoutCycler::next(std::optional<std::string_view> after) const {
  if (_sources.empty()) return std::nullopt;
  if (!after) return _sources.front();
  // std::find stops at the first match, so later duplicates never decide the successor.
  const auto match = std::find(_sources.begin(), _sources.end(), *after);
  if (match == _sources.end() || std::next(match) == _sources.end()) return _sources.front();
  return *std::next(match);
}

}  // namespace kestravane
