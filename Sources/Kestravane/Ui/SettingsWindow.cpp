#include "Kestravane/Ui/SettingsWindow.h"

#include <QCloseEvent>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "Kestravane/Ui/ViewStyle.h"
#include "Kestravane/Ui/WindowFront.h"

namespace kestravane::ui {

namespace {

constexpr auto kRow = QBoxLayout::LeftToRight;
constexpr auto kColumn = QBoxLayout::TopToBottom;

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

void setText(QLabel& label, const std::string& text) {
  label.setText(toQString(text));
}

void setText(QAbstractButton& button, const std::string& text) {
  button.setText(toQString(text));
}

// An optional line or button: shown with its text, or hidden.
template <typename Widget>
void setOptionalText(Widget& widget, const std::optional<std::string>& text) {
  if (text) setText(widget, *text);
  widget.setVisible(text.has_value());
}

}  // namespace

SettingsWindow::SettingsWindow(std::shared_ptr<AppController> controller) : _model(controller) {
  setObjectName("settingsWindow");
  auto* main = makeStack(kColumn, 16, {20, 20, 20, 20});
  auto& column = stackLayout(*main);
  column.addWidget(buildHeader());
  column.addWidget(buildStatus());
  column.addWidget(makeDivider());
  column.addWidget(buildTrigger());
  layoutsLine = named(makeText(*this, FontRole::callout, ColourRole::secondary, true), "layouts");
  column.addWidget(layoutsLine);
  column.addWidget(makeDivider());
  column.addWidget(buildPreferences());
  column.addWidget(makeDivider());
  column.addWidget(buildKeyTester());

  auto* root = named(makeStack(kColumn, 0), "settings");
  root->setFixedWidth(SettingsModel::kWidth);
  stackLayout(*root).addWidget(main);
  stackLayout(*root).addWidget(makeDivider());
  stackLayout(*root).addWidget(buildBottomBar());
  // Controls show no focus ring.
  for (auto* widget : root->findChildren<QWidget*>()) {
    widget->setAttribute(Qt::WA_MacShowFocusRect, false);
  }
  setContent(root);
  setShortcutButtons(done, cancel);
  bind(setting::trigger, *triggerGroup, [] { return SettingsModel::triggerChoices(); });
  bind(setting::language, *language, [this] { return _model.languageChoices(); });
  bind(setting::launchAtLogin, *launchAtLogin);
  changes = controller->subscribe([this] {
    if (isVisible()) redraw();
  });
}

template <class Value, class Choices>
void SettingsWindow::bind(const Setting<Value>& setting, QButtonGroup& options, Choices choices) {
  bindings.push_back({[&options, choices, field = setting.field](const PendingSettings& pending) {
                        const auto all = choices();
                        const auto chosen = std::ranges::find(all, pending.*field);
                        if (chosen == all.end()) return;
                        if (auto* option = options.button(static_cast<int>(chosen - all.begin()))) {
                          option->setChecked(true);
                        }
                      },
                      [&options, choices, field = setting.field](PendingSettings& pending) {
                        const auto all = choices();
                        const int chosen = options.checkedId();
                        if (chosen >= 0 && static_cast<std::size_t>(chosen) < all.size()) {
                          pending.*field = all[static_cast<std::size_t>(chosen)];
                        }
                      }});
}

template <class Value, class Choices>
void SettingsWindow::bind(const Setting<Value>& setting, QComboBox& popUp, Choices choices) {
  bindings.push_back({[&popUp, choices, field = setting.field](const PendingSettings& pending) {
                        const auto all = choices();
                        const auto chosen = std::ranges::find(all, pending.*field);
                        popUp.setCurrentIndex(
                            chosen == all.end() ? -1 : static_cast<int>(chosen - all.begin()));
                      },
                      [&popUp, choices, field = setting.field](PendingSettings& pending) {
                        const auto all = choices();
                        const int chosen = popUp.currentIndex();
                        if (chosen >= 0 && static_cast<std::size_t>(chosen) < all.size()) {
                          pending.*field = all[static_cast<std::size_t>(chosen)];
                        }
                      }});
}

void SettingsWindow::bind(const Setting<bool>& setting, QCheckBox& box) {
  bindings.push_back({[&box, field = setting.field](const PendingSettings& pending) {
                        box.setChecked(pending.*field);
                      },
                      [&box, field = setting.field](PendingSettings& pending) {
                        pending.*field = box.isChecked();
                      }});
}

QWidget* SettingsWindow::buildHeader() {
  auto* header = makeStack(kRow, 8);
  title = named(makeText(*this, FontRole::title2Bold, ColourRole::primary, false), "title");
  version = named(makeText(*this, FontRole::caption, ColourRole::secondary, false), "version");
  // Box layouts know no baselines; single-line texts meet closely enough at the bottom.
  stackLayout(*header).addWidget(title, 0, Qt::AlignBottom);
  stackLayout(*header).addStretch(1);
  stackLayout(*header).addWidget(version, 0, Qt::AlignBottom);
  return header;
}

QWidget* SettingsWindow::buildStatus() {
  status = named(makeStack(kColumn, 8), "status");
  auto* line = makeStack(kRow, 8);
  statusHeader =
      named(makeText(*this, FontRole::headline, ColourRole::primary, false), "status.header");
  statusLine = named(makeText(*this, FontRole::body, ColourRole::primary, false), "status.line");
  stackLayout(*line).addWidget(statusHeader, 0, Qt::AlignVCenter);
  stackLayout(*line).addStretch(1);
  stackLayout(*line).addWidget(statusLine, 0, Qt::AlignVCenter);
  saveProblem =
      named(makeText(*this, FontRole::callout, ColourRole::orange, true), "status.saveProblem");
  saveProblem->hide();

  auto* buttons = makeStack(kRow, 8);
  toggle = named(makeButton(*this, true), "status.toggle");
  refresh = named(makeButton(*this, true), "status.refresh");
  stackLayout(*buttons).addWidget(toggle, 0, Qt::AlignVCenter);
  stackLayout(*buttons).addWidget(refresh, 0, Qt::AlignVCenter);
  connect(toggle, &QPushButton::clicked, this, [this] { _model.toggleEnabled(); });
  connect(refresh, &QPushButton::clicked, this, [this] { _model.refreshStatus(); });

  stackLayout(*status).addWidget(line);
  stackLayout(*status).addWidget(saveProblem);
  stackLayout(*status).addWidget(buttons, 0, Qt::AlignLeft);
  return status;
}

QWidget* SettingsWindow::buildTrigger() {
  auto* section = named(makeStack(kColumn, 6), "trigger");
  triggerHeader =
      named(makeText(*this, FontRole::headline, ColourRole::primary, true), "trigger.header");
  auto* options = named(makeStack(kColumn, 4), "trigger.picker");
  triggerGroup = new QButtonGroup(options);
  for (std::size_t i = 0; i < SettingsModel::triggerChoices().size(); ++i) {
    auto* option = new QRadioButton;
    option->setObjectName(QString("trigger.picker/%1").arg(i));
    triggerGroup->addButton(option, static_cast<int>(i));
    stackLayout(*options).addWidget(option, 0, Qt::AlignLeft);
  }
  stackLayout(*section).addWidget(triggerHeader);
  stackLayout(*section).addWidget(options, 0, Qt::AlignLeft);
  return section;
}

QWidget* SettingsWindow::buildPreferences() {
  auto* section = named(makeStack(kColumn, 10), "preferences");
  auto* row = makeStack(kRow, 8);
  languageHeader =
      named(makeText(*this, FontRole::headline, ColourRole::primary, false), "language.header");
  language = named(new QComboBox, "language.picker");
  language->setFixedWidth(SettingsModel::kLanguagePopUpWidth);
  stackLayout(*row).addWidget(languageHeader, 0, Qt::AlignVCenter);
  stackLayout(*row).addWidget(language, 0, Qt::AlignVCenter);
  launchAtLogin = named(new QCheckBox, "launchAtLogin");
  // Under the checkbox, indented to its text, while the login item waits for approval.
  const QStyle& style = *launchAtLogin->style();
  const int indent = style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, launchAtLogin) +
                     style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, launchAtLogin);
  loginApproval = named(makeStack(kColumn, 6, {indent, 0, 0, 0}), "loginApproval");
  loginApprovalLine =
      named(makeText(*this, FontRole::caption, ColourRole::orange, true), "loginApproval.line");
  openLoginItems = named(makeButton(*this, true), "loginApproval.open");
  connect(openLoginItems, &QPushButton::clicked, this, [this] { _model.openLoginItems(); });
  stackLayout(*loginApproval).addWidget(loginApprovalLine);
  stackLayout(*loginApproval).addWidget(openLoginItems, 0, Qt::AlignLeft);
  loginApproval->hide();
  // The approval line belongs to the checkbox: closer to it than the section's rows are.
  auto* login = makeStack(kColumn, 4);
  stackLayout(*login).addWidget(launchAtLogin, 0, Qt::AlignLeft);
  stackLayout(*login).addWidget(loginApproval);
  stackLayout(*section).addWidget(row, 0, Qt::AlignLeft);
  stackLayout(*section).addWidget(login);
  return section;
}

QWidget* SettingsWindow::buildKeyTester() {
  auto* section = named(makeStack(kColumn, 6), "keyTester");
  keyTesterHeader =
      named(makeText(*this, FontRole::headline, ColourRole::primary, true), "keyTester.header");
  keyTesterHint =
      named(makeText(*this, FontRole::caption, ColourRole::secondary, true), "keyTester.hint");
  auto* row = makeStack(kRow, 8);
  keyTesterButton = named(makeButton(*this, true), "keyTester.button");
  keyTesterReadout =
      named(makeText(*this, FontRole::captionMonospaced, ColourRole::secondary, false),
            "keyTester.readout");
  keyTesterReadout->hide();
  keyTesterProblem =
      named(makeText(*this, FontRole::caption, ColourRole::orange, true), "keyTester.problem");
  keyTesterProblem->hide();
  keyTesterRemedy = named(makeButton(*this, true), "keyTester.remedy");
  keyTesterRemedy->hide();
  connect(keyTesterButton, &QPushButton::clicked, this, [this] { _model.toggleKeyTest(); });
  connect(keyTesterRemedy, &QPushButton::clicked, this,
          [this] { _model.requestInputMonitoring(); });
  stackLayout(*row).addWidget(keyTesterButton, 0, Qt::AlignVCenter);
  stackLayout(*row).addWidget(keyTesterRemedy, 0, Qt::AlignVCenter);
  stackLayout(*row).addWidget(keyTesterReadout, 0, Qt::AlignVCenter);
  stackLayout(*section).addWidget(keyTesterHeader);
  stackLayout(*section).addWidget(keyTesterHint);
  stackLayout(*section).addWidget(keyTesterProblem);
  stackLayout(*section).addWidget(row, 0, Qt::AlignLeft);
  return section;
}

QWidget* SettingsWindow::buildBottomBar() {
  auto* bar = makeStack(kRow, 8, {20, 12, 20, 12});
  cancel = named(makeButton(*this, false), "cancel");
  done = named(makeButton(*this, false), "done");
  quit = named(makeButton(*this, false), "quit");
  stackLayout(*bar).addWidget(cancel, 0, Qt::AlignVCenter);
  stackLayout(*bar).addWidget(quit, 0, Qt::AlignVCenter);
  stackLayout(*bar).addStretch(1);
  stackLayout(*bar).addWidget(done, 0, Qt::AlignVCenter);
  // Cancel drops the pending values; Done hands them over first. Closing runs the model's
  // disappearing steps (hideEvent).
  connect(cancel, &QPushButton::clicked, this, [this] { dismiss(Dismissal::cancel); });
  // Without a tray icon there is no menu: the program ends from here.
  connect(quit, &QPushButton::clicked, this, [this] { _model.quit(); });
  connect(done, &QPushButton::clicked, this, [this] {
    _model.done(pending());
    dismiss(Dismissal::done);
  });
  return bar;
}

void SettingsWindow::redraw() {
  SettingsState next = _model.state();
  if (next == _shown) return;
  setWindowTitle(toQString(next.title));
  setText(*title, next.title);
  setText(*version, next.version);
  setText(*statusHeader, next.statusHeader);
  setText(*statusLine, next.statusLine);
  setOptionalText(*saveProblem, next.saveProblem);
  setText(*toggle, next.toggleLabel);
  setText(*refresh, next.refreshLabel);
  showRemedies(next.remedies);
  setText(*triggerHeader, next.triggerHeader);
  for (std::size_t i = 0; i < next.triggerOptions.size(); ++i) {
    if (auto* option = triggerGroup->button(static_cast<int>(i))) {
      setText(*option, next.triggerOptions[i]);
    }
  }
  setText(*layoutsLine, next.layoutsLine);
  setText(*languageHeader, next.languageHeader);
  for (std::size_t i = 0; i < next.languageOptions.size(); ++i) {
    const auto text = toQString(next.languageOptions[i]);
    if (static_cast<int>(i) < language->count()) {
      language->setItemText(static_cast<int>(i), text);
    } else {
      language->addItem(text);
    }
  }
  setText(*launchAtLogin, next.launchAtLoginLabel);
  setOptionalText(*loginApprovalLine, next.loginApprovalLine);
  setOptionalText(*openLoginItems, next.openLoginItemsLabel);
  loginApproval->setVisible(next.loginApprovalLine.has_value());
  setText(*keyTesterHeader, next.keyTesterHeader);
  setText(*keyTesterHint, next.keyTesterHint);
  setText(*keyTesterButton, next.keyTesterButton);
  keyTesterButton->setEnabled(next.keyTesterButtonEnabled);
  setOptionalText(*keyTesterReadout, next.keyTesterReadout);
  setOptionalText(*keyTesterProblem, next.keyTesterProblem);
  setOptionalText(*keyTesterRemedy, next.keyTesterRemedyLabel);
  setText(*cancel, next.cancelLabel);
  setText(*done, next.doneLabel);
  setText(*quit, next.quitLabel);
  _shown = std::move(next);
}

void SettingsWindow::showRemedies(const std::vector<SettingsRemedy>& remedies) {
  remedyActions.clear();
  for (const auto& remedy : remedies) {
    remedyActions[remedy.id] = remedy.action;
    auto& widget = remedyWidgets[remedy.id];
    if (!widget) {
      // Placed after the status buttons, among the others in the remedies' order.
      const auto before =
          static_cast<int>(std::distance(remedyWidgets.begin(), remedyWidgets.find(remedy.id)));
      const int index = stackLayout(*status).indexOf(toggle->parentWidget()) + 1 + before;
      if (remedy.action == RemedyAction::none) {
        widget = makeText(*this, FontRole::caption, ColourRole::secondary, true);
        stackLayout(*status).insertWidget(index, widget);
      } else {
        auto* button = makeButton(*this, true);
        connect(button, &QPushButton::clicked, this, [this, id = remedy.id] {
          if (const auto found = remedyActions.find(id); found != remedyActions.end()) {
            _model.perform(found->second);
          }
        });
        widget = button;
        stackLayout(*status).insertWidget(index, widget, 0, Qt::AlignLeft);
      }
      widget->setAttribute(Qt::WA_MacShowFocusRect, false);
      widget->setObjectName("status." + toQString(remedy.name));
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) setText(*label, remedy.text);
    if (auto* button = qobject_cast<QPushButton*>(widget)) setText(*button, remedy.text);
  }
  for (const auto& [id, widget] : remedyWidgets) widget->setVisible(remedyActions.contains(id));
}

void SettingsWindow::load(const PendingSettings& pending) {
  loaded = pending;
  for (const auto& binding : bindings) binding.load(pending);
}

PendingSettings SettingsWindow::pending() const {
  PendingSettings pending = loaded;
  for (const auto& binding : bindings) binding.save(pending);
  return pending;
}

void SettingsWindow::dismiss(Dismissal how) {
  dismissing = how;
  close();
  dismissing = Dismissal::none;
}

void SettingsWindow::present() {
  if (!isVisible()) show();
  if (!placed) {
    // Centred the first time; afterwards where the user left it.
    placed = true;
    showCentred();
  }
  orderFront(*this);
}

void SettingsWindow::showEvent(QShowEvent* event) {
  // A spontaneous show is the window coming back from being minimised, not a new appearance.
  if (!event->spontaneous()) {
    const PendingSettings pending = _model.appear();
    redraw();
    load(pending);
  }
  FixedSizeWindow::showEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
  // Cancel and the close button both drop the pending values; only the way differs.
  _lastDismissal = dismissing == Dismissal::none ? Dismissal::closeButton : dismissing;
  FixedSizeWindow::closeEvent(event);
}

void SettingsWindow::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) _model.disappear();
  FixedSizeWindow::hideEvent(event);
}

}  // namespace kestravane::ui
