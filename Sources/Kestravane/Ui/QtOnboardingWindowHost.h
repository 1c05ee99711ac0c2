// The onboarding window drawn with Qt, made for the controller through its window host: a
// window titled as the style says ("Plivex"), with a close button and nothing to minimise or
// resize, centred when first shown, taking the content's size (460 wide). Every way of closing
// it (the close button, Return, the content's Close/Done, the controller's close()) tells its
// delegate once. It redraws on every change of the controller while it is open.
// Threads: main thread only.
// Ownership: the handle the host returns owns the window; dropping the handle deletes the
// window on a later turn of the event loop (it may be closing at that moment). Closing does not
// delete it.
#pragma once

#include <QPointer>
#include <memory>
#include <optional>

#include "Kestravane/OnboardingView.h"
#include "Kestravane/OnboardingWindowHost.h"
#include "Kestravane/RebuildScheduler.h"
#include "Kestravane/Ui/ContentWindow.h"

namespace kestravane::ui {

class OnboardingWindowWidget final : public ContentWindow {
 public:
  OnboardingWindowWidget(const WindowStyle& style, OnboardingContent content,
                         std::weak_ptr<OnboardingWindowDelegate> delegate);

  bool isOpen() const { return open; }
  // Makes the window key and brings it to the front; the first time, the content is checked
  // once, drawn, and the window centred.
  void present();
  const OnboardingView& view() const { return _view; }

 protected:
  ViewNode buildContent() override { return _view.build(); }
  void closeEvent(QCloseEvent* event) override;

 private:
  OnboardingView _view;
  const std::weak_ptr<OnboardingWindowDelegate> delegate;
  const bool centred;
  std::optional<RebuildScheduler> changes;
  bool open = true;
  bool shownBefore = false;
};

class QtOnboardingWindowHost final : public OnboardingWindowHost {
 public:
  std::shared_ptr<OnboardingWindow> makeOnboardingWindow(
      const WindowStyle& style, OnboardingContent content,
      std::weak_ptr<OnboardingWindowDelegate> delegate) override;

  // The window made last, while its handle lives; null otherwise.
  OnboardingWindowWidget* lastWindow() const { return last; }

 private:
  QPointer<OnboardingWindowWidget> last;
};

}  // namespace kestravane::ui
