// The menu-bar menu: which items it shows, in which order, with which texts and actions, built
// afresh at each opening from the controller's published state and the presentation rules. It
// keeps no state of its own; the interface layer draws the items (a text row as a disabled
// item, a button as a selectable one, a divider as a separator) and runs menuWillOpen() each
// time the menu opens.
// Threads: main thread only, like the controller.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Kestravane/AppController.h"
#include "KestravaneCore/EngineState.h"
#include "KestravaneCore/Presentation.h"
#include "KestravaneCore/Strings.h"
#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

struct MenuItem {
  enum class Kind { text, button, separator };
  // What the item is, whatever its text says; separators are all `separator`.
  enum class Role {
    demoInstead,
    status,
    saveProblem,
    separator,
    remedy,  // which one: `remedy`
    trigger,
    settings,
    toggleEnabled,
    quit,
  };

  Kind kind = Kind::separator;
  Role role = Role::separator;
  std::string text;
  std::function<void()> action;  // buttons only
  std::optional<RemedyId> remedy;

  // Text rows and separators are greyed and not selectable. No item has a keyboard shortcut.
  bool enabled() const { return kind == Kind::button; }
};

struct MenuDescription {
  std::string title;       // the fixed "Plivex", whatever the language
  std::string symbolName;  // the menu-bar icon, a system symbol name
  std::vector<MenuItem> items;
};

class MenuContent {
 public:
  static constexpr std::string_view kTitle = "Plivex";

  // Everything one build reads.
  struct State {
    EngineHealth health;
    bool hasAccessibility;
    TriggerKind trigger;
    bool isRunning;
    std::optional<std::string> saveProblem;
    Strings texts;
    bool demoInstead = false;
  };

  // `openSettings` shows the settings window, or brings it forward.
  MenuContent(std::shared_ptr<AppController> controller, std::function<void()> openSettings);

  // Reads the controller's state now.
  State currentState() const;
  MenuDescription build() const { return build(currentState()); }
  // The items for a given state, with their actions bound to the controller.
  MenuDescription build(const State& state) const;
  // The menu is opening: brings the controller's published state up to date.
  void menuWillOpen() const;
  // The menu-bar icon for the current health.
  std::string_view symbolName() const;

 private:
  const std::shared_ptr<AppController> controller;
  const std::function<void()> openSettings;
};

}  // namespace kestravane
