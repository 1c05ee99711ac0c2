#include "Kestravane/Ui/SettingsWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <algorithm>
#include <optional>
#include <type_traits>
#include <utility>

#include "Kestravane/Ui/ViewStyle.h"
#include "Kestravane/Ui/WindowFront.h"

namespace kestravane::ui {

namespace {

constexpr auto kRow = QBoxLayout::LeftToRight;
constexpr auto kColumn = QBoxLayout::TopToBottom;

template <typename Widget>
Widget* named(Widget* widget, const QString& name) {
  widget->setObjectName(name);
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
  auto* preferences = named(makeStack(kColumn, 10), "preferences");
  forEachSetting([&](const auto& row) { bind(row, column, stackLayout(*preferences)); });
  // The approval line belongs to the login checkbox: closer to it than the section's rows are.
  const QString login = toQString(setting::launchAtLogin.key);
  stackLayout(*preferences->findChild<QWidget*>(login + ".box"))
      .addWidget(buildLoginApproval(*preferences->findChild<QWidget*>(login)));
  layoutsLine = named(makeText(*this, FontRole::callout, ColourRole::secondary, true), "layouts");
  column.addWidget(layoutsLine);
  column.addWidget(makeDivider());
  column.addWidget(preferences);
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
  changes = controller->subscribe([this] {
    if (isVisible()) redraw();
  });
}

template <class Value>
void SettingsWindow::bind(const Setting<Value>& setting, QBoxLayout& sections,
                          QBoxLayout& preferences) {
  const QString key = toQString(setting.key);
  // The option of a choice that holds `value`, or -1.
  const auto indexOf = [this, setting](const Value& value) {
    const auto all = _model.options(setting);
    const auto chosen =
        std::ranges::find(all, value, [](const auto& option) { return option.first; });
    return chosen == all.end() ? -1 : static_cast<int>(chosen - all.begin());
  };
  // The value of a choice's option `index`, when there is one.
  const auto valueAt = [this, setting](int index) -> std::optional<Value> {
    const auto all = _model.options(setting);
    if (index < 0 || static_cast<std::size_t>(index) >= all.size()) return std::nullopt;
    return all[static_cast<std::size_t>(index)].first;
  };
  // A row of `preferences`: the setting's name, then its control; the name's label.
  const auto labelled = [&](QWidget* control) {
    auto* row = makeStack(kRow, 8);
    auto* header =
        named(makeText(*this, FontRole::headline, ColourRole::primary, false), key + ".header");
    stackLayout(*row).addWidget(header, 0, Qt::AlignVCenter);
    stackLayout(*row).addWidget(control, 0, Qt::AlignVCenter);
    preferences.addWidget(row, 0, Qt::AlignLeft);
    return header;
  };
  const auto field = setting.field;
  switch (setting.widget) {
    case SettingWidget::radioButtons: {
      auto* section = named(makeStack(kColumn, 6), key);
      auto* header =
          named(makeText(*this, FontRole::headline, ColourRole::primary, true), key + ".header");
      auto* options = named(makeStack(kColumn, 4), key + ".picker");
      auto* group = new QButtonGroup(options);
      for (std::size_t i = 0; i < _model.options(setting).size(); ++i) {
        auto* option = named(new QRadioButton, key + QString(".picker/%1").arg(i));
        group->addButton(option, static_cast<int>(i));
        stackLayout(*options).addWidget(option, 0, Qt::AlignLeft);
      }
      stackLayout(*section).addWidget(header);
      stackLayout(*section).addWidget(options, 0, Qt::AlignLeft);
      sections.addWidget(section);
      bindings.push_back({[header, group](const SettingLook& look) {
                            setText(*header, look.label);
                            for (std::size_t i = 0; i < look.options.size(); ++i) {
                              if (auto* option = group->button(static_cast<int>(i))) {
                                setText(*option, look.options[i]);
                              }
                            }
                          },
                          [group, indexOf, field](const PendingSettings& pending) {
                            if (auto* option = group->button(indexOf(pending.*field))) {
                              option->setChecked(true);
                            }
                          },
                          [group, valueAt, field](PendingSettings& pending) {
                            if (const auto chosen = valueAt(group->checkedId())) {
                              pending.*field = *chosen;
                            }
                          }});
      return;
    }
    case SettingWidget::popUp: {
      auto* popUp = named(new QComboBox, key + ".picker");
      popUp->setFixedWidth(SettingsModel::kPopUpWidth);
      auto* header = labelled(popUp);
      bindings.push_back({[header, popUp](const SettingLook& look) {
                            setText(*header, look.label);
                            for (std::size_t i = 0; i < look.options.size(); ++i) {
                              const auto text = toQString(look.options[i]);
                              if (static_cast<int>(i) < popUp->count()) {
                                popUp->setItemText(static_cast<int>(i), text);
                              } else {
                                popUp->addItem(text);
                              }
                            }
                          },
                          [popUp, indexOf, field](const PendingSettings& pending) {
                            popUp->setCurrentIndex(indexOf(pending.*field));
                          },
                          [popUp, valueAt, field](PendingSettings& pending) {
                            if (const auto chosen = valueAt(popUp->currentIndex())) {
                              pending.*field = *chosen;
                            }
                          }});
      return;
    }
    case SettingWidget::checkBox:
      if constexpr (std::is_same_v<Value, bool>) {
        auto* box = named(new QCheckBox, key);
        // Room below the box for a line that belongs to it.
        auto* column = named(makeStack(kColumn, 4), key + ".box");
        stackLayout(*column).addWidget(box, 0, Qt::AlignLeft);
        preferences.addWidget(column);
        bindings.push_back(
            {[box](const SettingLook& look) { setText(*box, look.label); },
             [box, field](const PendingSettings& pending) { box->setChecked(pending.*field); },
             [box, field](PendingSettings& pending) { pending.*field = box->isChecked(); }});
      }
      return;
    case SettingWidget::stepper: {
      auto* stepper = named(new QSpinBox, key + ".picker");
      stepper->setRange(static_cast<int>(setting.least), static_cast<int>(setting.most));
      auto* header = labelled(stepper);
      bindings.push_back({[header](const SettingLook& look) { setText(*header, look.label); },
                          [stepper, field](const PendingSettings& pending) {
                            stepper->setValue(static_cast<int>(pending.*field));
                          },
                          [stepper, field](PendingSettings& pending) {
                            pending.*field = static_cast<Value>(stepper->value());
                          }});
      return;
    }
  }
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

QWidget* SettingsWindow::buildLoginApproval(const QWidget& checkBox) {
  // Under the checkbox, indented to its text, while the login item waits for approval.
  const QStyle& style = *checkBox.style();
  const int indent = style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &checkBox) +
                     style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &checkBox);
  loginApproval = named(makeStack(kColumn, 6, {indent, 0, 0, 0}), "loginApproval");
  loginApprovalLine =
      named(makeText(*this, FontRole::caption, ColourRole::orange, true), "loginApproval.line");
  openLoginItems = named(makeButton(*this, true), "loginApproval.open");
  connect(openLoginItems, &QPushButton::clicked, this, [this] { _model.openLoginItems(); });
  stackLayout(*loginApproval).addWidget(loginApprovalLine);
  stackLayout(*loginApproval).addWidget(openLoginItems, 0, Qt::AlignLeft);
  loginApproval->hide();
  return loginApproval;
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
  for (std::size_t i = 0; i < bindings.size() && i < next.settings.size(); ++i) {
    bindings[i].draw(next.settings[i]);
  }
  setText(*layoutsLine, next.layoutsLine);
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
