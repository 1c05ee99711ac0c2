#include "Kestravane/ViewNode.h"

#include <utility>

namespace kestravane {

namespace {

ViewNode stack(ViewNode::Kind kind, StackAlignment alignment, int spacing,
               std::vector<ViewNode> children) {
  ViewNode node;
  node.kind = kind;
  node.alignment = alignment;
  node.spacing = spacing;
  node.children = std::move(children);
  return node;
}

ViewNode picker(ViewNode::Kind kind, std::vector<std::string> options,
                std::optional<std::size_t> selected, std::function<void(std::size_t)> onSelect) {
  ViewNode node;
  node.kind = kind;
  node.options = std::move(options);
  node.selected = selected;
  node.onSelect = std::move(onSelect);
  return node;
}

}  // namespace

ViewNode ViewNode::verticalStack(StackAlignment alignment, int spacing,
                                 std::vector<ViewNode> children) {
  return stack(Kind::verticalStack, alignment, spacing, std::move(children));
}

ViewNode ViewNode::horizontalStack(StackAlignment alignment, int spacing,
                                   std::vector<ViewNode> children) {
  return stack(Kind::horizontalStack, alignment, spacing, std::move(children));
}

ViewNode ViewNode::label(std::string text, FontRole font, ColourRole colour) {
  ViewNode node;
  node.kind = Kind::text;
  node.text = std::move(text);
  node.font = font;
  node.colour = colour;
  return node;
}

ViewNode ViewNode::button(std::string label, std::function<void()> action) {
  ViewNode node;
  node.kind = Kind::button;
  node.text = std::move(label);
  node.action = std::move(action);
  return node;
}

ViewNode ViewNode::divider() {
  ViewNode node;
  node.kind = Kind::divider;
  return node;
}

ViewNode ViewNode::spacer() {
  ViewNode node;
  node.kind = Kind::spacer;
  return node;
}

ViewNode ViewNode::radioGroup(std::vector<std::string> options, std::optional<std::size_t> selected,
                              std::function<void(std::size_t)> onSelect) {
  return picker(Kind::radioGroup, std::move(options), selected, std::move(onSelect));
}

ViewNode ViewNode::popUp(std::vector<std::string> options, std::optional<std::size_t> selected,
                         std::function<void(std::size_t)> onSelect) {
  return picker(Kind::popUp, std::move(options), selected, std::move(onSelect));
}

ViewNode ViewNode::toggle(std::string label, bool isOn, std::function<void(bool)> onToggle) {
  ViewNode node;
  node.kind = Kind::toggle;
  node.text = std::move(label);
  node.isOn = isOn;
  node.onToggle = std::move(onToggle);
  return node;
}

ViewNode&& ViewNode::named(std::string name) && {
  id = std::move(name);
  return std::move(*this);
}

ViewNode&& ViewNode::padded(EdgeInsets insets) && {
  padding = insets;
  return std::move(*this);
}

ViewNode&& ViewNode::width(int points) && {
  fixedWidth = points;
  return std::move(*this);
}

ViewNode&& ViewNode::withShortcut(KeyboardShortcut key) && {
  shortcut = key;
  return std::move(*this);
}

ViewNode&& ViewNode::smallBordered() && {
  bordered = true;
  controlSize = ControlSize::small;
  return std::move(*this);
}

const ViewNode* ViewNode::find(std::string_view name) const {
  if (id == name) return this;
  for (const auto& child : children) {
    if (const auto* found = child.find(name)) return found;
  }
  return nullptr;
}

void ViewNode::forEach(const std::function<void(const ViewNode&)>& visit) const {
  visit(*this);
  for (const auto& child : children) child.forEach(visit);
}

}  // namespace kestravane
