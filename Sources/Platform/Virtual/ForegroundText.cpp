#include "Platform/Virtual/ForegroundText.h"

#include <utility>

#include "Platform/Virtual/LayoutCharacters.h"

namespace kestravane::platform::vmac {

ForegroundText::ForegroundText(std::shared_ptr<const VirtualTextInputSources> inputSources)
    : inputSources(std::move(inputSources)) {}

void ForegroundText::receive(const Event& event) {
  if (event.type != kEventKeyDown) return;
  const auto current = inputSources->currentSourceID();
  const KeyboardLayout layout =
      current ? keyboardLayoutFor(*current).value_or(KeyboardLayout::us) : KeyboardLayout::us;
  const std::string characters =
      typedCharacters(layout, static_cast<std::uint16_t>(event.keyCode), event.flags);
  std::lock_guard lock(mutex);
  typed += characters;
}

std::string ForegroundText::text() const {
  std::lock_guard lock(mutex);
  return typed;
}

void ForegroundText::clear() {
  std::lock_guard lock(mutex);
  typed.clear();
}

}  // namespace kestravane::platform::vmac
