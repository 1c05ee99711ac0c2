// The successor rule of the layout cycle: which input-source identifier follows the active one.
// Threads: an immutable value after construction; safe to share between threads for reading.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestravane {

class LayoutCycler {
 public:
  // Stores the cycle exactly as given: empty lists, single entries and duplicates are kept.
  explicit LayoutCycler(std::vector<std::string> sources);

  const std::vector<std::string>& sources() const noexcept { return _sources; }

  // The entry after the first one equal to `after` (wrapping to the first entry), the first
  // entry when `after` is absent or not in the cycle, and absent only when the cycle is empty.
  // Comparison is exact and case-sensitive.
  std::optional<std::string> next(std::optional<std::string_view> after) const;

 private:
  std::vector<std::string> _sources;
};

}  // namespace kestravane
