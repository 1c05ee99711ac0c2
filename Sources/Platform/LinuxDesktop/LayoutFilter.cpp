#include "Platform/LinuxDesktop/LayoutFilter.h"

#include <string>

namespace kestravane::platform::desktop {

bool layoutMatchesFilter(const InputSourceFilter& filter, std::string_view id) {
  for (const auto& [key, value] : filter) {
    if (key == kTISPropertyInputSourceType) {
      if (value != InputSourceFilter::mapped_type(std::string(kTISTypeKeyboardLayout))) {
        return false;
      }
    } else if (key == kTISPropertyInputSourceIsEnabled ||
               key == kTISPropertyInputSourceIsSelectCapable) {
      if (value != InputSourceFilter::mapped_type(true)) return false;
    } else if (key == kTISPropertyInputSourceID) {
      if (value != InputSourceFilter::mapped_type(std::string(id))) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace kestravane::platform::desktop
