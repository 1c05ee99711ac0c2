// A plain description of a window's content: a tree of stacks, texts, buttons, dividers, spacers,
// pickers and toggles, each with its font, colour, sizes, keyboard shortcut and action. The views
// build one afresh from the controller's state; the interface layer only draws it and wires its
// actions, so what a window shows, and in which order, is decided (and tested) here.
// Threads: a plain value, built and used on the main thread (its actions run there).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestravane {

// The text styles the windows use, named as the system names them.
enum class FontRole {
  body,
  title2Bold,
  headline,
  callout,
  caption,
  title3Monospaced,   // the title-3 size in the monospaced design
  captionMonospaced,  // the caption size in the monospaced design
};

enum class ColourRole { primary, secondary, green, orange };

// How a stack lines up its children across its axis.
enum class StackAlignment { leading, center, top, firstTextBaseline };

enum class KeyboardShortcut {
  none,
  defaultAction,  // Return
  cancelAction,   // Escape
};

enum class ControlSize { regular, small };

// In points.
struct EdgeInsets {
  int top = 0;
  int leading = 0;
  int bottom = 0;
  int trailing = 0;

  static EdgeInsets all(int inset) { return {inset, inset, inset, inset}; }
  static EdgeInsets symmetric(int horizontal, int vertical) {
    return {vertical, horizontal, vertical, horizontal};
  }
  bool operator==(const EdgeInsets&) const = default;
};

struct ViewNode {
  enum class Kind {
    verticalStack,
    horizontalStack,
    text,
    button,
    divider,
    spacer,  // flexible: takes the free space along its stack
    radioGroup,
    popUp,
    toggle,
  };

  Kind kind = Kind::text;
  // Names the element for the interface layer and for tests; unique within a tree when given.
  std::string id;

  // Stacks: the children in the order shown.
  StackAlignment alignment = StackAlignment::leading;
  int spacing = 0;
  std::vector<ViewNode> children;

  // Sizes, for any element.
  EdgeInsets padding;
  std::optional<int> fixedWidth;
  bool fillsWidth = false;   // unbounded maximum width, content leading
  bool idealHeight = false;  // takes its ideal height and is not stretched vertically
  bool focusRing = true;     // false: no control inside shows a focus ring

  // Texts, and the labels of buttons and toggles.
  std::string text;
  FontRole font = FontRole::body;
  ColourRole colour = ColourRole::primary;

  // Buttons.
  bool bordered = false;
  ControlSize controlSize = ControlSize::regular;
  KeyboardShortcut shortcut = KeyboardShortcut::none;
  int extraSpaceAbove = 0;
  bool enabled = true;
  std::function<void()> action;

  // Radio groups and pop-ups: the option labels in order, the chosen one and what choosing runs.
  std::vector<std::string> options;
  std::optional<std::size_t> selected;
  std::function<void(std::size_t)> onSelect;

  // Toggles.
  bool isOn = false;
  std::function<void(bool)> onToggle;

  static ViewNode verticalStack(StackAlignment alignment, int spacing,
                                std::vector<ViewNode> children);
  static ViewNode horizontalStack(StackAlignment alignment, int spacing,
                                  std::vector<ViewNode> children);
  static ViewNode label(std::string text, FontRole font = FontRole::body,
                        ColourRole colour = ColourRole::primary);
  static ViewNode button(std::string label, std::function<void()> action);
  static ViewNode divider();
  static ViewNode spacer();
  static ViewNode radioGroup(std::vector<std::string> options, std::optional<std::size_t> selected,
                             std::function<void(std::size_t)> onSelect);
  static ViewNode popUp(std::vector<std::string> options, std::optional<std::size_t> selected,
                        std::function<void(std::size_t)> onSelect);
  static ViewNode toggle(std::string label, bool isOn, std::function<void(bool)> onToggle);

  // Modifiers, for building in one expression.
  ViewNode&& named(std::string name) &&;
  ViewNode&& padded(EdgeInsets insets) &&;
  ViewNode&& width(int points) &&;
  ViewNode&& withShortcut(KeyboardShortcut key) &&;
  // The bordered style in the small control size.
  ViewNode&& smallBordered() &&;

  // The first element with this id, depth first; null when there is none.
  const ViewNode* find(std::string_view name) const;
  // Every element, depth first, parents before their children: the order they are shown in.
  void forEach(const std::function<void(const ViewNode&)>& visit) const;
};

}  // namespace kestravane
