// The demo panel's keyboard: a Mac laptop keyboard (U.S. ANSI positions, from the key table)
// whose keycaps show the current layout's characters. It turns mouse presses on its keys and,
// while it has focus, the host's key events into requests for the virtual Mac's keyboard; it
// presses nothing itself.
// Threads: GUI thread only.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>

#include "Platform/Virtual/LayoutCharacters.h"

class QBoxLayout;

namespace kestravane::platform::vmac::demo {

class KeyCap;

class VirtualKeyboardView final : public QWidget {
  Q_OBJECT
 public:
  explicit VirtualKeyboardView(QWidget* parent = nullptr);

  // The keycap of a key code; nullptr for a key this keyboard does not show.
  KeyCap* keyCap(std::uint16_t keyCode) const;
  // The legends of the layout (the U.S. ones in the corner of keys that differ).
  void showLayout(KeyboardLayout layout);
  void showKeyState(const std::function<bool(std::uint16_t)>& isDown, bool capsLockOn);

 signals:
  // `hostMillis` in each: the host's time of the input event (0 when it has none).
  void pressRequested(std::uint16_t keyCode, std::uint64_t hostMillis);
  void releaseRequested(std::uint16_t keyCode, std::uint64_t hostMillis);
  void latchRequested(std::uint16_t keyCode);
  // Host keys, already mapped to Mac key codes. `autoRepeat` marks the host's repeated presses.
  void hostKeyPressed(std::uint16_t keyCode, bool autoRepeat, std::uint64_t hostMillis);
  void hostKeyReleased(std::uint16_t keyCode, std::uint64_t hostMillis);
  // Focus went elsewhere: keys the host still holds will never send their release here.
  void hostFocusLost();

 protected:
  // Takes every key (Tab included, and shortcuts) while focused.
  bool event(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  KeyCap* addKey(QBoxLayout* row, const char* name, double widthUnits, bool halfHeight = false);

  std::map<std::uint16_t, KeyCap*> caps;
};

}  // namespace kestravane::platform::vmac::demo
