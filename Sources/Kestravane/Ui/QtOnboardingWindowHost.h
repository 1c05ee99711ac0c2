// The onboarding window drawn with Qt, made for the controller through its window host: a
// window titled as the style says ("Plivex"), with a close button and nothing to minimise or
// resize, centred when first shown, taking the content's size (460 wide). Plain widgets built
// once: a row per step it may show, each shown, hidden and updated from OnboardingModel whenever
// the controller says something changed. Every way of closing it (the close button, Return, the
// content's Close/Done, the controller's close()) tells its delegate once.
// Threads: main thread only.
// Ownership: the handle the host returns owns the window; dropping the handle deletes the
// window on a later turn of the event loop (it may be closing at that moment). Closing does not
// delete it.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <memory>
#include <vector>

#include "Kestravane/ObservableObject.h"
#include "Kestravane/OnboardingModel.h"
#include "Kestravane/OnboardingWindowHost.h"
#include "Kestravane/Ui/FixedSizeWindow.h"

namespace kestravane::ui {

class OnboardingWindowWidget final : public FixedSizeWindow {
 public:
  OnboardingWindowWidget(const WindowStyle& style, OnboardingContent content,
                         std::weak_ptr<OnboardingWindowDelegate> delegate);

  bool isOpen() const { return open; }
  // Makes the window key and brings it to the front; the first time, the content is checked
  // once, drawn, and the window centred.
  void present();
  // What the window shows now.
  const OnboardingState& shown() const { return _shown; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // One step's row: its mark, title, hint and button.
  struct StepRow {
    OnboardingStep::Kind kind;
    KeyConflict conflict;
    QWidget* row;
    QLabel* mark;
    QLabel* title;
    QLabel* hint;
    QWidget* buttonSpace;  // the button with the space above it
    QPushButton* button;
    RemedyAction action = RemedyAction::none;
  };

  StepRow makeStepRow(OnboardingStep::Kind kind, KeyConflict conflict);
  void update();

  OnboardingModel model;
  const std::weak_ptr<OnboardingWindowDelegate> delegate;
  const bool centred;
  OnboardingState _shown;
  std::vector<StepRow> steps;
  QLabel* title = nullptr;
  QLabel* allSet = nullptr;
  QPushButton* closeButton = nullptr;
  Subscription changes;
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
