#include "KestravaneCore/MenuBarIcon.h"

#include "KestravaneCore/Presentation.h"

namespace kestravane::MenuBarIcon {

std::string_view symbolName(EngineHealth health) {
  return Presentation::symbolName(health);
}

}  // namespace kestravane::MenuBarIcon
