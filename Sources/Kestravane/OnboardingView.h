// The onboarding window's content: the steps still relevant (Accessibility always, the Globe key
// for the fn trigger, the Caps Lock key for the Caps Lock trigger, the layouts while fewer than
// two are listed), each with its mark, hint and
// button, then the all-set line and the Close/Done button. Everything is read afresh from the
// controller and the live Accessibility state at every build; the controller re-checks every
// 1.5 seconds while the window exists, and the content reconciles once when it is first shown.
// Threads: main thread only.
// Ownership: holds the controller weakly (the controller owns the window that holds this view);
// once the controller is gone it builds an empty content and does nothing.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "Kestravane/AppController.h"
#include "Kestravane/ViewNode.h"

namespace kestravane {

class OnboardingView {
 public:
  static constexpr int kWidth = 460;
  static constexpr std::string_view kDoneMark = "✓";
  static constexpr std::string_view kOpenMark = "○";

  // `onClose` closes the window (the bottom button and Return).
  OnboardingView(std::weak_ptr<AppController> controller, std::function<void()> onClose);

  // The content is shown for the first time: reconcile once.
  void appear() const;
  // The fn trigger is chosen while the system still uses the Globe key.
  bool needsGlobe() const;
  // The Caps Lock trigger is chosen while the system still switches input sources with it.
  bool needsCapsLock() const;
  // Accessibility granted, the Globe and Caps Lock keys not needed or free, and at least two
  // layouts.
  bool allDone() const;
  // Runs `onClose`.
  void close() const;

  ViewNode build() const;

 private:
  const std::weak_ptr<AppController> controller;
  const std::function<void()> onClose;
};

}  // namespace kestravane
