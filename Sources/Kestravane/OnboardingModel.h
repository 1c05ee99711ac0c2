// The onboarding window's view-model: the steps still relevant (Accessibility always, the
// trigger key's system setting when the trigger has one, the layouts while fewer than two are
// listed or the desktop cannot switch them), each with its mark, hint and button, then the
// all-set line and the Close/Done button; and what the buttons do. The controller re-checks
// every 1.5 seconds while the window exists; the window checks once when it is first shown.
// Threads: main thread only.
// Ownership: holds the controller weakly (the controller owns the window that holds this
// model); once the controller is gone its state is empty and its commands do nothing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Kestravane/AppController.h"

namespace kestravane {

struct OnboardingStep {
  enum class Kind { accessibility, triggerKey, layouts };

  Kind kind;
  KeyConflict conflict;  // the setting a triggerKey step is about; none for the others
  bool done;
  std::string title;
  std::string hint;
  std::string button;   // shown only while the step is not done
  RemedyAction action;  // what the button does

  bool operator==(const OnboardingStep&) const = default;
};

struct OnboardingState {
  std::string title;
  std::vector<OnboardingStep> steps;
  std::optional<std::string> allSet;  // shown once nothing is missing
  std::string closeLabel;             // "Done" once nothing is missing, "Close" before

  bool operator==(const OnboardingState&) const = default;
};

class OnboardingModel {
 public:
  static constexpr int kWidth = 460;
  static constexpr std::string_view kDoneMark = "✓";
  static constexpr std::string_view kOpenMark = "○";

  // `onClose` closes the window (the bottom button and Return).
  OnboardingModel(std::weak_ptr<AppController> controller, std::function<void()> onClose);

  // Every step the window may show, in order: (kind, conflict) pairs.
  static std::vector<std::pair<OnboardingStep::Kind, KeyConflict>> possibleSteps();

  OnboardingState state() const;
  // The content is shown for the first time: reconcile once.
  void appear() const;
  void perform(RemedyAction action) const;
  // Runs `onClose`.
  void close() const;

 private:
  const std::weak_ptr<AppController> controller;
  const std::function<void()> onClose;
};

}  // namespace kestravane
