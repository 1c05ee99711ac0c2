#include "Kestravane/MenuContent.h"

#include <utility>

namespace kestravane {

namespace {

MenuItem text(MenuItem::Role role, std::string_view text) {
  return MenuItem{MenuItem::Kind::text, role, std::string(text), {}, {}};
}

MenuItem button(MenuItem::Role role, std::string_view text, std::function<void()> action) {
  return MenuItem{MenuItem::Kind::button, role, std::string(text), std::move(action), {}};
}

MenuItem separator() {
  return MenuItem{};
}

}  // namespace

MenuContent::MenuContent(std::shared_ptr<AppController> controller,
                         std::function<void()> openSettings)
    : controller(std::move(controller)), openSettings(std::move(openSettings)) {}

MenuContent::State MenuContent::currentState() const {
  return State{
      .health = controller->health(),
      .hasAccessibility = controller->hasAccessibility(),
      .trigger = controller->config().trigger,
      .isRunning = controller->isRunning(),
      .saveProblem = controller->saveProblem(),
      .texts = controller->texts(),
      .demoInstead = controller->isDemoInstead(),
  };
}

MenuDescription MenuContent::build(const State& state) const {
  using Role = MenuItem::Role;
  const Strings& s = state.texts;

  MenuDescription menu{
      std::string(kTitle), std::string(Presentation::symbolName(state.health)), {}};
  auto& items = menu.items;
  if (state.demoInstead) items.push_back(text(Role::demoInstead, s[TextId::demoInstead]));
  items.push_back(text(Role::status, Presentation::statusLine(state.health, s)));
  if (state.saveProblem)
    items.push_back(text(Role::saveProblem, s.settingsNotSaved(*state.saveProblem)));
  if (Presentation::isProblem(state.health)) {
    items.push_back(separator());
    for (auto& offered : Presentation::remedies(state.health, state.hasAccessibility, s)) {
      auto here = controller->offeredHere(std::move(offered));
      if (!here) continue;
      auto& remedy = *here;
      MenuItem item = remedy.action == RemedyAction::none
                          ? text(Role::remedy, remedy.text)
                          : button(Role::remedy, remedy.text,
                                   [controller = controller, action = remedy.action] {
                                     controller->perform(action);
                                   });
      item.remedy = remedy.id;
      items.push_back(std::move(item));
    }
  }
  items.push_back(separator());
  items.push_back(text(Role::trigger, s.triggerLabel(s.triggerNames(state.trigger).menu)));
  items.push_back(separator());
  items.push_back(button(Role::settings, s[TextId::settingsEllipsis],
                         [controller = controller, open = openSettings] {
                           // First, so the window comes above the application the user was in.
                           controller->activate();
                           if (open) open();
                         }));
  items.push_back(button(Role::toggleEnabled,
                         state.isRunning ? s[TextId::disable] : s[TextId::enable],
                         [controller = controller] { controller->toggleEnabled(); }));
  items.push_back(
      button(Role::quit, s[TextId::quit], [controller = controller] { controller->quit(); }));
  return menu;
}

void MenuContent::menuWillOpen() const {
  controller->reconcile();
}

std::string_view MenuContent::symbolName() const {
  return Presentation::symbolName(controller->health());
}

}  // namespace kestravane
