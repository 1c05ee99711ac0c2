// What the application controller asks of the interface layer for the onboarding window: a
// window of a given kind hosting the onboarding content, told to its delegate when it closes.
// The interface layer implements it with its toolkit; HeadlessWindowHost stands in without one.
// Threads: main thread only, for every call here and on the windows.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Kestravane/OnboardingWindowDelegate.h"

namespace kestravane {

class AppController;

// The kind of window, which the interface layer must honour.
struct WindowStyle {
  // NSWindow style-mask bits.
  static constexpr unsigned kTitledMask = 1;
  static constexpr unsigned kClosableMask = 2;
  static constexpr unsigned kMiniaturizableMask = 4;
  static constexpr unsigned kResizableMask = 8;

  std::string title;
  bool titled = true;
  bool closable = true;
  bool miniaturizable = false;
  bool resizable = false;
  // Closing hides the window; the handle stays valid and nothing is destroyed by the close.
  bool releasedWhenClosed = false;
  bool centred = true;  // centred on the screen when first shown

  unsigned styleMask() const;

  // The onboarding window: titled "Plivex", titled and closable only (style mask 3), not
  // released when closed, centred. It takes the size of its content.
  static WindowStyle onboarding();

  bool operator==(const WindowStyle&) const = default;
};

// What the window hosts: the onboarding view, built from the controller (held weakly) and the
// action that closes the window (the content's Close/Done button and Return).
struct OnboardingContent {
  std::weak_ptr<AppController> controller;
  std::function<void()> onClose;
};

// A window made by the host.
class OnboardingWindow {
 public:
  OnboardingWindow() = default;
  OnboardingWindow(const OnboardingWindow&) = delete;
  OnboardingWindow& operator=(const OnboardingWindow&) = delete;
  virtual ~OnboardingWindow() = default;

  // Makes the window key and brings it to the front.
  virtual void makeKeyAndOrderFront() = 0;
  // Closes an open window: its delegate's windowWillClose() runs before this returns. Does
  // nothing when the window is closed already.
  virtual void close() = 0;
};

class OnboardingWindowHost {
 public:
  OnboardingWindowHost() = default;
  OnboardingWindowHost(const OnboardingWindowHost&) = delete;
  OnboardingWindowHost& operator=(const OnboardingWindowHost&) = delete;
  virtual ~OnboardingWindowHost() = default;

  // Creates a window as `style` says, hosting `content`, with `delegate` as its delegate (held
  // weakly, as AppKit does; held strongly while windowWillClose() runs). Not shown yet.
  virtual std::shared_ptr<OnboardingWindow> makeOnboardingWindow(
      const WindowStyle& style, OnboardingContent content,
      std::weak_ptr<OnboardingWindowDelegate> delegate) = 0;
};

}  // namespace kestravane
