#include "Kestravane/Ui/QtOnboardingWindowHost.h"

#include <QCloseEvent>
#include <utility>

#include "Kestravane/Ui/ViewStyle.h"
#include "Kestravane/WindowFront.h"

namespace kestravane::ui {

namespace {

Qt::WindowFlags flagsFor(const WindowStyle& style) {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if (style.titled) flags |= Qt::WindowTitleHint;
  if (style.closable) flags |= Qt::WindowCloseButtonHint;
  if (style.miniaturizable) flags |= Qt::WindowMinimizeButtonHint;
  if (style.resizable) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
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
    : _view(content.controller, std::move(content.onClose)),
      delegate(std::move(delegate)),
      centred(style.centred) {
  setObjectName("onboardingWindow");
  setWindowFlags(flagsFor(style));
  setWindowTitle(toQString(style.title));
  if (const auto controller = content.controller.lock()) {
    changes.emplace(*controller, [this] { redraw(); });
  }
}

void OnboardingWindowWidget::present() {
  if (!shownBefore) {
    shownBefore = true;
    // When the content is first shown, the preconditions are checked once.
    _view.appear();
    drawNow();
    if (centred) centreOnScreen();
  }
  open = true;
  show();
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
