// The application in front on the virtual Mac: a text box that types exactly the key events the
// window server delivered to it, through the layout that was current on delivery, and the list
// of those events, so that a person sees a lone tap switch the language of what they type and a
// swallowed release never arrive. Both keep only their newest lines or characters.
// Threads: GUI thread only (the demo window hands it what the window server delivered).
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "Platform/Virtual/VirtualEvent.h"

class QListWidget;
class QPlainTextEdit;

namespace kestravane::platform::vmac::demo {

class ForegroundAppView final : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kEventListLimit = 200;
  // The text box keeps the newest characters typed, at most this many: in a long session every
  // keystroke would otherwise lay out and repaint more text.
  static constexpr int kTextLimit = 1000;

  explicit ForegroundAppView(QWidget* parent = nullptr);

  // One delivered event; `layoutID` is the input source current when it was delivered (sources
  // without a modelled layout type as U.S.).
  void receive(const Event& event, const std::optional<std::string>& layoutID);
  void clear();

  QString text() const;
  // The received events, oldest first, as the list shows them.
  QStringList eventLines() const;

  // "key down a (0) ⇧" and the like.
  static QString describe(const Event& event);

 private:
  // Drops the oldest characters beyond kTextLimit, a quarter of the limit at a time, so that
  // trimming happens once in many keystrokes.
  void trimText();

  QPlainTextEdit* textBox;
  QListWidget* events;
};

}  // namespace kestravane::platform::vmac::demo
