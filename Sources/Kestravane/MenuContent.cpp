#include "Kestravane/MenuContent.h"

#include <utility>

#include "KestravaneCore/MenuBarIcon.h"
#include "KestravaneCore/Presentation.h"
#include "KestravaneKit/TextsForLanguage.h"

namespace kestravane {

namespace {

MenuItem text(MenuItem::Role role, std::string_view text) {
  return MenuItem{MenuItem::Kind::text, role, std::string(text), {}};
}

MenuItem button(MenuItem::Role role, std::string_view text, std::function<void()> action) {
  return MenuItem{MenuItem::Kind::button, role, std::string(text), std::move(action)};
}

MenuItem separator() {
  return MenuItem{};
}

}  // namespace

MenuContent::MenuContent(std::shared_ptr<AppController> controller,
                         std::function<void()> openSettings)
    : controller(std::move(controller)),
      services(this->controller->services()),
      openSettings(std::move(openSettings)) {}

std::string_view MenuContent::triggerShortName(TriggerKind trigger) {
  switch (trigger) {
    case TriggerKind::fn:
      return "Fn";
    case TriggerKind::capsLock:
      return "Caps Lock";
    case TriggerKind::rightCommand:
      return "Right ⌘";
  }
  return "Fn";
}

MenuContent::State MenuContent::currentState() const {
  return State{
      .health = controller->health(),
      .hasInputMonitoring = controller->permissions().hasInputMonitoring(),
      .hasAccessibility = controller->permissions().hasAccessibility(),
      .trigger = controller->config().trigger,
      .isRunning = controller->isRunning(),
      .texts = textsFor(controller->config().language, *services->locale),
  };
}

MenuDescription MenuContent::build(const State& state) const {
  using Role = MenuItem::Role;
  const Strings& s = state.texts;
  const auto actions =
      Presentation::actions(state.health, state.hasInputMonitoring, state.hasAccessibility);
  const auto openURL = [this](std::string_view url) {
    return [controller = controller, url = std::string(url)] { controller->open(url); };
  };

  MenuDescription menu{std::string(kTitle), std::string(MenuBarIcon::symbolName(state.health)), {}};
  auto& items = menu.items;
  items.push_back(text(Role::status, Presentation::statusLine(state.health, s)));
  if (Presentation::isProblem(state.health)) {
    items.push_back(separator());
    if (actions.requestAccessibility) {
      items.push_back(
          button(Role::requestAccessibility, s.requestAccessibility(),
                 [controller = controller] { controller->permissions().promptAccessibility(); }));
      items.push_back(button(Role::openAccessibilitySettings, s.openSettingsEllipsis(),
                             openURL(AppController::kAccessibilitySettingsURL)));
    }
    if (actions.needsLayoutsHint) {
      items.push_back(text(Role::needLayoutsHint, s.needLayoutsHint()));
      items.push_back(button(Role::openKeyboardSettings, s.openKeyboardSettings(),
                             openURL(AppController::kKeyboardSettingsURL)));
    }
    if (actions.freeGlobe) {
      items.push_back(
          button(Role::freeGlobe, s.freeGlobe(), openURL(AppController::kKeyboardSettingsURL)));
    }
    if (actions.freeCapsLock) {
      items.push_back(button(Role::freeCapsLock, s.freeCapsLock(),
                             openURL(AppController::kKeyboardSettingsURL)));
    }
  }
  items.push_back(separator());
  items.push_back(text(Role::trigger, s.triggerLabel(triggerShortName(state.trigger))));
  items.push_back(separator());
  items.push_back(button(Role::settings, s.settingsEllipsis(),
                         [application = services->application, open = openSettings] {
                           // First, so the window comes above the application the user was in.
                           application->activate();
                           if (open) open();
                         }));
  items.push_back(button(Role::toggleEnabled, state.isRunning ? s.disable() : s.enable(),
                         [controller = controller] { controller->toggleEnabled(); }));
  items.push_back(button(Role::quit, s.quit(),
                         [application = services->application] { application->terminate(); }));
  return menu;
}

void MenuContent::menuWillOpen() const {
  controller->reconcile();
}

std::string_view MenuContent::symbolName() const {
  return MenuBarIcon::symbolName(controller->health());
}

}  // namespace kestravane
