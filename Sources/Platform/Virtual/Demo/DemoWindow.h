// The demo window of the virtual Mac: one window in which a person tries every path of the
// program without a Mac. It shows a strip standing for the menu bar (Plivex's status item, which
// the application supplies, and the current input source), the front application typing what
// the window server delivers, a keyboard to click, hold or type on, the switches System Settings
// holds, the URLs the program asked to open, its log, and a Dock strip that shows Plivex while
// its activation policy is regular.
// Everything it changes goes through the virtual Mac's control interface; everything it shows
// follows the virtual Mac's observers (whatever thread tells them), handed to the GUI thread.
// Each key press and release carries the time the host stamped on the person's input, so a GUI
// thread that handles it late (a slow repaint) does not lengthen what the taps measure.
// Threads: GUI thread only, which must be the virtual Mac's main thread (the thread driving its
//   main queue). Key presses block until the event taps have answered; they are made here, on
//   the GUI thread, never from a tap callback.
// Ownership: the virtual Mac must outlive the window. The window takes the virtual Mac's
//   foreground, keyboard-state, log, input-source, permission, preference, login-item, opened-URL
//   and application observers, and gives them up when destroyed, releasing the keys the host's
//   keyboard still holds.
#pragma once

#include <QIcon>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <set>

#include "Platform/Virtual/Demo/GuiThreadQueue.h"
#include "Platform/Virtual/Demo/HostInputTime.h"

class QMenu;

namespace kestravane::platform::vmac {
class VirtualMac;
}

namespace kestravane::platform::vmac::demo {

class ActivityView;
class DockStrip;
class ForegroundAppView;
class MenuBarStrip;
class SystemControlsPanel;
class VirtualKeyboardView;

class DemoWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit DemoWindow(VirtualMac& mac, QWidget* parent = nullptr);
  ~DemoWindow() override;

  // Plivex's status item in the menu-bar strip: its icon and its menu (which stays the
  // caller's, e.g. the tray's menu). Until it is set the item shows disabled.
  void setStatusItem(const QIcon& icon, QMenu* menu);
  // The application's icon in the Dock strip (a drawn Plivex icon by default).
  void setApplicationIcon(const QIcon& icon);

  // How to use the window, host-key mapping included.
  static QString helpText();

  // As small as everything fits: the keyboard's width, the lists' least heights.
  QSize sizeHint() const override { return minimumSizeHint(); }

  MenuBarStrip* menuBarStrip() const { return menuBar; }
  DockStrip* dockStrip() const { return dock; }
  VirtualKeyboardView* keyboardView() const { return keyboard; }
  ForegroundAppView* foregroundApp() const { return foreground; }
  SystemControlsPanel* systemControls() const { return controls; }
  ActivityView* activityView() const { return activity; }

 public slots:
  void setStatusIcon(const QIcon& icon);

 private:
  void pressKey(std::uint16_t keyCode, std::uint64_t hostMillis);
  void releaseKey(std::uint16_t keyCode, std::uint64_t hostMillis);
  void latchKey(std::uint16_t keyCode);
  void hostKeyPressed(std::uint16_t keyCode, bool autoRepeat, std::uint64_t hostMillis);
  void hostKeyReleased(std::uint16_t keyCode, std::uint64_t hostMillis);
  // When the person did what the host stamped `hostMillis` (absent without a stamp: now).
  std::optional<std::uint64_t> happenedAt(std::uint64_t hostMillis);
  void releaseHostKeys();
  void refreshKeyboard();
  void refreshInputSources();
  void refreshDock();
  void refreshOpenedURLs();
  void showNewLogMessages();
  void observeVirtualMac();

  VirtualMac& mac;
  MenuBarStrip* menuBar;
  ForegroundAppView* foreground;
  SystemControlsPanel* controls;
  VirtualKeyboardView* keyboard;
  ActivityView* activity;
  DockStrip* dock;
  std::uint64_t logCursor = 0;       // the log's messages shown so far
  std::set<std::uint16_t> hostHeld;  // keys pressed from the host's keyboard, not yet released
  HostInputTime hostTime;
  GuiThreadQueue gui;  // last: destroyed first, dropping work for the widgets
};

// Draws the demo window into a PNG file (laying it out first if it was never shown), after the
// GUI thread has run what the virtual Mac's observers handed it; false when the file cannot be
// written.
bool renderDemoWindow(DemoWindow& window, const QString& pngPath);

// A Plivex icon drawn for the Dock and for stand-in status items (a keycap with two arrows).
QIcon drawnPlivexIcon();

}  // namespace kestravane::platform::vmac::demo
