#include "Kestravane/SettingsView.h"

#include <algorithm>
#include <vector>

#include "KestravaneCore/Presentation.h"
#include "KestravaneKit/TextsForLanguage.h"

namespace kestravane {

namespace {

constexpr std::string_view kShortVersionKey = "CFBundleShortVersionString";
constexpr std::string_view kEmDash = "—";

template <typename T, std::size_t N>
std::optional<std::size_t> indexOf(const std::array<T, N>& values, const T& value) {
  const auto found = std::find(values.begin(), values.end(), value);
  if (found == values.end()) return std::nullopt;
  return static_cast<std::size_t>(found - values.begin());
}

}  // namespace

SettingsView::SettingsView(std::shared_ptr<AppController> controller, std::function<void()> dismiss)
    : ObservableObject(*controller->services()),
      controller(controller),
      services(controller->services()),
      dismiss(std::move(dismiss)) {}

void SettingsView::appear() {
  shown = true;
  services->application->setActivationPolicy(platform::ActivationPolicy::regular);
  services->application->activate();
  controller->reconcile();
  setTrigger(controller->config().trigger);
  setLang(controller->config().language);
  setLaunch(controller->launchAtLogin().isEnabled());
}

void SettingsView::disappear() {
  if (!shown) return;
  shown = false;
  controller->stopKeyTest();
  services->application->setActivationPolicy(platform::ActivationPolicy::accessory);
}

void SettingsView::cancel() const {
  if (dismiss) dismiss();
}

void SettingsView::done() const {
  controller->apply(trigger(), lang(), launch());
  if (dismiss) dismiss();
}

std::string SettingsView::versionText() const {
  const auto value =
      services->bundleInfo->objectForInfoDictionaryKey(std::string(kShortVersionKey));
  const auto* version = value ? std::get_if<std::string>(&*value) : nullptr;
  return "v" + (version ? *version : std::string(kEmDash));
}

std::string SettingsView::layoutsLine(const Strings& texts) const {
  std::string names;
  for (const auto& id : controller->layouts()) {
    if (!names.empty()) names += " ⇄ ";
    names += controller->inputSources().displayName(id);
  }
  return texts.layoutsLabel(names.empty() ? kEmDash : names);
}

Strings SettingsView::texts() const {
  return textsFor(controller->config().language, *services->locale);
}

ViewNode SettingsView::build() {
  using Node = ViewNode;
  const Strings s = texts();

  auto header = Node::horizontalStack(
      StackAlignment::firstTextBaseline, 8,
      {Node::label(std::string(s.settingsTitle()), FontRole::title2Bold).named("title"),
       Node::spacer(),
       Node::label(versionText(), FontRole::caption, ColourRole::secondary).named("version")});

  auto mainBlock = Node::verticalStack(
      StackAlignment::leading, 16,
      {std::move(header), statusSection(s), Node::divider(), triggerSection(s),
       Node::label(layoutsLine(s), FontRole::callout, ColourRole::secondary).named("layouts"),
       Node::divider(), preferencesSection(s), Node::divider(), keyTesterSection(s)});
  mainBlock.padding = EdgeInsets::all(20);
  mainBlock.fillsWidth = true;

  auto bottomBar =
      Node::horizontalStack(StackAlignment::center, 8,
                            {Node::button(std::string(s.cancel()), [this] { cancel(); })
                                 .named("cancel")
                                 .withShortcut(KeyboardShortcut::cancelAction),
                             Node::spacer(),
                             Node::button(std::string(s.done()), [this] { done(); })
                                 .named("done")
                                 .withShortcut(KeyboardShortcut::defaultAction)})
          .padded(EdgeInsets::symmetric(20, 12));

  auto root = Node::verticalStack(StackAlignment::center, 0,
                                  {std::move(mainBlock), Node::divider(), std::move(bottomBar)})
                  .named("settings")
                  .width(kWidth);
  root.idealHeight = true;
  root.focusRing = false;
  return root;
}

ViewNode SettingsView::statusSection(const Strings& s) const {
  using Node = ViewNode;
  const auto actions =
      Presentation::actions(controller->health(), controller->permissions().hasInputMonitoring(),
                            controller->permissions().hasAccessibility());
  std::vector<Node> rows;
  rows.push_back(Node::horizontalStack(
      StackAlignment::center, 8,
      {Node::label(std::string(s.status()), FontRole::headline).named("status.header"),
       Node::spacer(),
       Node::label(std::string(Presentation::statusLine(controller->health(), s)))
           .named("status.line")}));
  rows.push_back(Node::horizontalStack(
      StackAlignment::center, 8,
      {Node::button(std::string(controller->isRunning() ? s.disable() : s.enable()),
                    [controller = controller] { controller->toggleEnabled(); })
           .named("status.toggle")
           .smallBordered(),
       Node::button(std::string(s.refreshStatus()),
                    [controller = controller] { controller->reconcile(); })
           .named("status.refresh")
           .smallBordered()}));
  if (actions.requestAccessibility) {
    rows.push_back(
        Node::button(std::string(s.requestAccessibility()),
                     [controller = controller] { controller->permissions().promptAccessibility(); })
            .named("status.requestAccessibility")
            .smallBordered());
    rows.push_back(Node::button(std::string(kOpenSettingsLabel),
                                [controller = controller] {
                                  controller->open(
                                      std::string(AppController::kAccessibilitySettingsURL));
                                })
                       .named("status.openAccessibilitySettings")
                       .smallBordered());
  }
  if (actions.needsLayoutsHint) {
    rows.push_back(
        Node::label(std::string(s.needLayoutsHint()), FontRole::caption, ColourRole::secondary)
            .named("status.needLayoutsHint"));
  }
  const auto openKeyboardSettingsButton = [this](std::string_view text, std::string name) {
    return Node::button(std::string(text),
                        [controller = controller] {
                          controller->open(std::string(AppController::kKeyboardSettingsURL));
                        })
        .named(std::move(name))
        .smallBordered();
  };
  if (actions.freeGlobe) {
    rows.push_back(openKeyboardSettingsButton(s.freeGlobe(), "status.freeGlobe"));
  }
  if (actions.freeCapsLock) {
    rows.push_back(openKeyboardSettingsButton(s.freeCapsLock(), "status.freeCapsLock"));
  }
  return Node::verticalStack(StackAlignment::leading, 8, std::move(rows)).named("status");
}

ViewNode SettingsView::triggerSection(const Strings& s) {
  std::vector<std::string> labels;
  std::array<TriggerKind, kTriggerOptions.size()> values{};
  for (std::size_t i = 0; i < kTriggerOptions.size(); ++i) {
    labels.emplace_back(kTriggerOptions[i].second);
    values[i] = kTriggerOptions[i].first;
  }
  return ViewNode::verticalStack(
             StackAlignment::leading, 6,
             {ViewNode::label(std::string(s.triggerKey()), FontRole::headline)
                  .named("trigger.header"),
              ViewNode::radioGroup(std::move(labels), indexOf(values, trigger()),
                                   [this, values](std::size_t index) {
                                     if (index < values.size()) setTrigger(values[index]);
                                   })
                  .named("trigger.picker")})
      .named("trigger");
}

ViewNode SettingsView::preferencesSection(const Strings& s) {
  auto languagePicker = ViewNode::popUp({std::string(s.langEnglish()), std::string(s.langRussian()),
                                         std::string(s.langSystem())},
                                        indexOf(allAppLanguages, lang()),
                                        [this](std::size_t index) {
                                          if (index < allAppLanguages.size())
                                            setLang(allAppLanguages[index]);
                                        })
                            .named("language.picker")
                            .width(kLanguagePopUpWidth);
  return ViewNode::verticalStack(
             StackAlignment::leading, 10,
             {ViewNode::horizontalStack(
                  StackAlignment::center, 8,
                  {ViewNode::label(std::string(s.language()), FontRole::headline)
                       .named("language.header"),
                   std::move(languagePicker)}),
              ViewNode::toggle(std::string(s.launchAtLogin()), launch(),
                               [this](bool on) { setLaunch(on); })
                  .named("launchAtLogin")})
      .named("preferences");
}

ViewNode SettingsView::keyTesterSection(const Strings& s) const {
  std::vector<ViewNode> row;
  row.push_back(ViewNode::button(
                    std::string(controller->isTesting() ? s.keyTesterStop() : s.keyTesterStart()),
                    [controller = controller] {
                      // Read again: the label may be older than the state.
                      if (controller->isTesting()) {
                        controller->stopKeyTest();
                      } else {
                        controller->startKeyTest();
                      }
                    })
                    .named("keyTester.button")
                    .smallBordered());
  if (controller->isTesting()) {
    const auto& key = controller->lastTestedKey();
    row.push_back(ViewNode::label(key.empty() ? std::string(s.keyTesterWaiting()) : key,
                                  FontRole::captionMonospaced, ColourRole::secondary)
                      .named("keyTester.readout"));
  }
  return ViewNode::verticalStack(
             StackAlignment::leading, 6,
             {ViewNode::label(std::string(s.keyTester()), FontRole::headline)
                  .named("keyTester.header"),
              ViewNode::label(std::string(s.keyTesterHint()), FontRole::caption,
                              ColourRole::secondary)
                  .named("keyTester.hint"),
              ViewNode::horizontalStack(StackAlignment::center, 8, std::move(row))})
      .named("keyTester");
}

}  // namespace kestravane
