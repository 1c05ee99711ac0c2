#include "Kestravane/Ui/QtOnboardingWindowHost.h"

#include <QCloseEvent>
#include <algorithm>
#include <utility>

#include "Kestravane/Ui/ViewStyle.h"
#include "Kestravane/Ui/WindowFront.h"

namespace kestravane::ui {

namespace {

constexpr auto kRow = QBoxLayout::LeftToRight;
constexpr auto kColumn = QBoxLayout::TopToBottom;
// The button sits this far below the hint: the column's spacing and 2 points more.
constexpr int kButtonSpaceAbove = 6;

Qt::WindowFlags flagsFor(const WindowStyle& style) {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if (style.titled) flags |= Qt::WindowTitleHint;
  if (style.closable) flags |= Qt::WindowCloseButtonHint;
  if (style.miniaturizable) flags |= Qt::WindowMinimizeButtonHint;
  if (style.resizable) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

// "step.accessibility", "step.layouts", or for a trigger key's setting "step." and its name
// ("step.globe").
QString rowName(OnboardingStep::Kind kind, KeyConflict conflict) {
  if (kind == OnboardingStep::Kind::accessibility) return "step.accessibility";
  if (kind == OnboardingStep::Kind::layouts) return "step.layouts";
  const auto look = Presentation::conflictLook(conflict);
  return "step." + toQString(look ? look->name : "");
}

// The handle the controller keeps.
class QtOnboardingWindow final : public OnboardingWindow {
 public:
  explicit QtOnboardingWindow(OnboardingWindowWidget* widget) : widget(widget) {}
  ~QtOnboardingWindow() override {
    if (widget) widget->deleteLater();
  }

  void makeKeyAndOrderFront() override {
    if (widget) widget->present();
  }

  void close() override {
    if (widget && widget->isOpen()) widget->close();
  }

 private:
  const QPointer<OnboardingWindowWidget> widget;
};

}  // namespace

OnboardingWindowWidget::OnboardingWindowWidget(const WindowStyle& style, OnboardingContent content,
                                               std::weak_ptr<OnboardingWindowDelegate> delegate)
    : FixedSizeWindow(flagsFor(style)),
      model(content.controller, std::move(content.onClose)),
      delegate(std::move(delegate)),
      centred(style.centred) {
  setObjectName("onboardingWindow");
  setWindowTitle(toQString(style.title));

  auto* root = makeStack(kColumn, 18, {28, 28, 28, 28});
  root->setObjectName("onboarding");
  root->setFixedWidth(OnboardingModel::kWidth);
  auto& column = stackLayout(*root);
  title = makeText(*this, FontRole::title2Bold, ColourRole::primary, true);
  title->setObjectName("title");
  column.addWidget(title);
  for (const auto& [kind, conflict] : OnboardingModel::possibleSteps()) {
    steps.push_back(makeStepRow(kind, conflict));
    column.addWidget(steps.back().row);
  }
  column.addWidget(makeDivider());

  auto* bottom = makeStack(kRow, 8);
  allSet = makeText(*this, FontRole::body, ColourRole::green, false);
  allSet->setObjectName("allSet");
  allSet->hide();
  closeButton = makeButton(*this, false);
  closeButton->setObjectName("close");
  connect(closeButton, &QPushButton::clicked, this, [this] { model.close(); });
  stackLayout(*bottom).addWidget(allSet, 0, Qt::AlignVCenter);
  stackLayout(*bottom).addStretch(1);
  stackLayout(*bottom).addWidget(closeButton, 0, Qt::AlignVCenter);
  column.addWidget(bottom);

  for (auto* widget : root->findChildren<QWidget*>()) {
    widget->setAttribute(Qt::WA_MacShowFocusRect, false);
  }
  setContent(root);
  setShortcutButtons(closeButton, nullptr);
  if (const auto controller = content.controller.lock()) {
    changes = controller->subscribe([this] {
      if (isVisible()) update();
    });
  }
}

OnboardingWindowWidget::StepRow OnboardingWindowWidget::makeStepRow(OnboardingStep::Kind kind,
                                                                    KeyConflict conflict) {
  StepRow step{kind, conflict, makeStack(kRow, 12), nullptr, nullptr, nullptr, nullptr, nullptr};
  step.row->setObjectName(rowName(kind, conflict));
  step.mark = makeText(*this, FontRole::title3Monospaced, ColourRole::orange, false);
  // A mark gets a square cell: the fonts that supply ✓ and ○ differ in width, and the texts
  // beside them should line up.
  step.mark->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  step.mark->setFixedWidth(step.mark->fontMetrics().height());
  auto* texts = makeStack(kColumn, 4);
  step.title = makeText(*this, FontRole::headline, ColourRole::primary, true);
  step.hint = makeText(*this, FontRole::callout, ColourRole::secondary, true);
  step.buttonSpace = makeStack(kColumn, 0, {0, kButtonSpaceAbove - 4, 0, 0});
  step.button = makeButton(*this, true);
  stackLayout(*step.buttonSpace).addWidget(step.button, 0, Qt::AlignLeft);
  const std::size_t index = steps.size();
  connect(step.button, &QPushButton::clicked, this,
          [this, index] { model.perform(steps[index].action); });
  stackLayout(*texts).addWidget(step.title);
  stackLayout(*texts).addWidget(step.hint);
  stackLayout(*texts).addWidget(step.buttonSpace);
  stackLayout(*step.row).addWidget(step.mark, 0, Qt::AlignTop);
  stackLayout(*step.row).addWidget(texts, 0, Qt::AlignTop);
  stackLayout(*step.row).addStretch(1);
  const QString name = step.row->objectName();
  step.mark->setObjectName(name + ".mark");
  step.title->setObjectName(name + ".title");
  step.hint->setObjectName(name + ".hint");
  step.button->setObjectName(name + ".button");
  step.row->hide();
  return step;
}

void OnboardingWindowWidget::update() {
  OnboardingState next = model.state();
  if (next == _shown) return;
  title->setText(toQString(next.title));
  for (auto& row : steps) {
    const auto step = std::find_if(next.steps.begin(), next.steps.end(), [&row](const auto& s) {
      return s.kind == row.kind && s.conflict == row.conflict;
    });
    row.row->setVisible(step != next.steps.end());
    if (step == next.steps.end()) continue;
    row.mark->setText(
        toQString(step->done ? OnboardingModel::kDoneMark : OnboardingModel::kOpenMark));
    setColour(*row.mark, *this, step->done ? ColourRole::green : ColourRole::orange);
    row.title->setText(toQString(step->title));
    row.hint->setText(toQString(step->hint));
    row.button->setText(toQString(step->button));
    // A step whose action cannot be carried out here has no button: its hint says what to do.
    row.buttonSpace->setVisible(!step->done && !step->button.empty());
    row.action = step->action;
  }
  if (next.allSet) allSet->setText(toQString(*next.allSet));
  allSet->setVisible(next.allSet.has_value());
  closeButton->setText(toQString(next.closeLabel));
  _shown = std::move(next);
}

void OnboardingWindowWidget::present() {
  const bool first = !shownBefore;
  if (first) {
    shownBefore = true;
    // When the content is first shown, the preconditions are checked once.
    model.appear();
  }
  open = true;
  update();
  show();
  // Placed once shown: only a shown window has the height of its wrapped texts.
  if (first && centred) showCentred();
  orderFront(*this);
}

void OnboardingWindowWidget::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!open) return;
  open = false;
  // The delegate may drop the handle, and with it this window (deleted later, not now).
  if (const auto told = delegate.lock()) told->windowWillClose();
}

std::shared_ptr<OnboardingWindow> QtOnboardingWindowHost::makeOnboardingWindow(
    const WindowStyle& style, OnboardingContent content,
    std::weak_ptr<OnboardingWindowDelegate> delegate) {
  auto* widget = new OnboardingWindowWidget(style, std::move(content), std::move(delegate));
  last = widget;
  return std::make_shared<QtOnboardingWindow>(widget);
}

}  // namespace kestravane::ui
