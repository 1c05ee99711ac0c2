#include "Platform/Virtual/Demo/ForegroundAppView.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "Platform/Virtual/KeyTable.h"
#include "Platform/Virtual/LayoutCharacters.h"

namespace kestravane::platform::vmac::demo {
namespace {

QString flagSymbols(EventFlags flags) {
  QString symbols;
  if (flags & kFlagAlphaShift) symbols += "⇪";
  if (flags & kFlagShift) symbols += "⇧";
  if (flags & kFlagControl) symbols += "⌃";
  if (flags & kFlagAlternate) symbols += "⌥";
  if (flags & kFlagCommand) symbols += "⌘";
  if (flags & kFlagSecondaryFn) symbols += " fn";
  return symbols;
}

}  // namespace

ForegroundAppView::ForegroundAppView(QWidget* parent)
    : QWidget(parent), textBox(new QPlainTextEdit(this)), events(new QListWidget(this)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  auto* heading = new QHBoxLayout;
  heading->addWidget(new QLabel("<b>Front application</b> — types what it receives", this));
  heading->addStretch();
  auto* clearButton = new QPushButton("Clear", this);
  clearButton->setObjectName("clearForeground");
  heading->addWidget(clearButton);
  column->addLayout(heading);

  textBox->setObjectName("foregroundText");
  textBox->setAccessibleName("Front application's text");
  textBox->setReadOnly(true);  // it types only what the window server delivers
  textBox->setPlaceholderText("Type on the keyboard below…");
  QFont large = textBox->font();
  large.setPointSizeF(large.pointSizeF() * 1.4);
  textBox->setFont(large);
  textBox->setMinimumHeight(textBox->fontMetrics().lineSpacing() * 4 + 12);
  column->addWidget(textBox, 3);

  column->addWidget(new QLabel("Key events it received, newest last:", this));
  events->setObjectName("foregroundEvents");
  events->setAccessibleName("Key events the front application received");
  events->setUniformItemSizes(true);
  events->setMinimumHeight(events->fontMetrics().lineSpacing() * 7 + 8);
  column->addWidget(events, 2);

  connect(clearButton, &QPushButton::clicked, this, &ForegroundAppView::clear);
}

void ForegroundAppView::receive(const Event& event, const std::optional<std::string>& layoutID) {
  events->addItem(describe(event));
  while (events->count() > kEventListLimit) delete events->takeItem(0);
  events->scrollToBottom();
  if (event.type != kEventKeyDown) return;

  const KeyboardLayout layout =
      layoutID ? keyboardLayoutFor(*layoutID).value_or(KeyboardLayout::us) : KeyboardLayout::us;
  const std::string typed =
      typedCharacters(layout, static_cast<std::uint16_t>(event.keyCode), event.flags);
  if (typed.empty() || typed == "\x1b") return;
  QTextCursor cursor = textBox->textCursor();
  cursor.movePosition(QTextCursor::End);
  if (typed == "\b") {
    cursor.deletePreviousChar();
  } else if (typed == "\r" || typed == "\x03") {
    cursor.insertText("\n");
  } else {
    cursor.insertText(QString::fromStdString(typed));
  }
  textBox->setTextCursor(cursor);
  trimText();
  textBox->ensureCursorVisible();
}

void ForegroundAppView::trimText() {
  QTextDocument* document = textBox->document();
  // The count includes the document's closing paragraph separator.
  const int length = document->characterCount() - 1;
  if (length <= kTextLimit) return;
  QTextCursor oldest(document);
  oldest.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                      length - kTextLimit + kTextLimit / 4);
  oldest.removeSelectedText();
  textBox->moveCursor(QTextCursor::End);
}

void ForegroundAppView::clear() {
  textBox->clear();
  events->clear();
}

QString ForegroundAppView::text() const {
  return textBox->toPlainText();
}

QStringList ForegroundAppView::eventLines() const {
  QStringList lines;
  for (int row = 0; row < events->count(); ++row) lines << events->item(row)->text();
  return lines;
}

QString ForegroundAppView::describe(const Event& event) {
  const KeyInfo* key = keyByCode(event.keyCode);
  const QString name =
      key ? QString::fromUtf8(key->name.data(), static_cast<qsizetype>(key->name.size()))
          : QString("key %1").arg(event.keyCode);
  QString line;
  switch (event.type) {
    case kEventKeyDown:
      line = (event.autorepeat ? "key down (repeat) " : "key down ") + name;
      break;
    case kEventKeyUp:
      line = "key up " + name;
      break;
    case kEventFlagsChanged: {
      // A modifier's own bit in the flag word tells its press from its release.
      const bool down = key && (event.flags & key->downFlag()) != 0;
      const bool capsLock = event.keyCode == keycode::capsLock;
      line = "flags changed: " + name +
             (capsLock ? (down ? " on" : " off") : (down ? " down" : " up"));
      break;
    }
    default:
      line = QString("event %1 ").arg(event.type) + name;
  }
  const QString flags = flagSymbols(event.flags).trimmed();
  return flags.isEmpty() ? line : line + "   [" + flags + "]";
}

}  // namespace kestravane::platform::vmac::demo
