// The program's only contact with the system's text input sources: lists the keyboard layouts of
// the cycle, names them, reads the current one and selects the next.
// Threads: main thread only. Holds only the input-sources service; every call asks the system
// afresh. Copies share that service.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Services.h"

namespace kestravane {

class InputSourceSwitcher {
 public:
  // The outcome of one switch.
  struct Result {
    std::optional<std::string> requested;  // what the cycle chose; absent for an empty cycle
    std::optional<std::string> actual;     // the current source right after the attempt

    // Both present and equal.
    bool ok() const { return requested && actual && *requested == *actual; }
    bool operator==(const Result&) const = default;
  };

  struct NamedSource {
    std::string id;
    std::string name;
    bool operator==(const NamedSource&) const = default;
  };

  explicit InputSourceSwitcher(const platform::Services& services);

  // Identifiers of the enabled, select-capable keyboard layouts, in the system's order.
  std::vector<std::string> enabledSelectableSourceIDs() const;
  // The same sources with their localized names (the short name when a source has none).
  std::vector<NamedSource> enabledSelectableSources() const;
  // The localized name of a listed layout, otherwise the identifier's short name.
  std::string displayName(std::string_view id) const;
  // The current keyboard input source, of any type.
  std::optional<std::string> currentSourceID() const;
  // The last non-empty piece of a dotted identifier; the identifier itself when there is none.
  static std::string shortName(std::string_view id);

  // Selects the layout after the current one, once, without retrying.
  Result switchNext() const;
  // The outcome of a selection made elsewhere (on the tap thread) of the layout at `position`
  // among the enabled ones: that layout as requested (absent when there is no such position any
  // more) and the current one, asked again while it differs, for at most kOutcomeWait.
  Result outcomeOfSelecting(std::size_t position) const;
  static constexpr std::chrono::milliseconds kOutcomeWait{50};

 private:
  struct Source {
    std::string id;
    std::shared_ptr<platform::InputSource> ref;
  };

  std::vector<Source> sources() const;
  std::shared_ptr<platform::InputSource> sourceRef(std::string_view id) const;

  std::shared_ptr<platform::TextInputSources> system;
};

}  // namespace kestravane
