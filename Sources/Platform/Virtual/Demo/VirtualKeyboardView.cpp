#include "Platform/Virtual/Demo/VirtualKeyboardView.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <string_view>

#include "Platform/Virtual/Demo/HostKeyMapping.h"
#include "Platform/Virtual/Demo/KeyCap.h"
#include "Platform/Virtual/KeyTable.h"

namespace kestravane::platform::vmac::demo {
namespace {

struct KeyPlace {
  const char* name;
  double width;
};

// Rows of a Mac laptop keyboard, 15 key widths each; the bottom row is built by hand.
const std::vector<std::vector<KeyPlace>> kRows = {
    {{"escape", 1.5},
     {"f1", 1.125},
     {"f2", 1.125},
     {"f3", 1.125},
     {"f4", 1.125},
     {"f5", 1.125},
     {"f6", 1.125},
     {"f7", 1.125},
     {"f8", 1.125},
     {"f9", 1.125},
     {"f10", 1.125},
     {"f11", 1.125},
     {"f12", 1.125}},
    {{"grave", 1},
     {"digit1", 1},
     {"digit2", 1},
     {"digit3", 1},
     {"digit4", 1},
     {"digit5", 1},
     {"digit6", 1},
     {"digit7", 1},
     {"digit8", 1},
     {"digit9", 1},
     {"digit0", 1},
     {"minus", 1},
     {"equal", 1},
     {"delete", 2}},
    {{"tab", 1.5},
     {"q", 1},
     {"w", 1},
     {"e", 1},
     {"r", 1},
     {"t", 1},
     {"y", 1},
     {"u", 1},
     {"i", 1},
     {"o", 1},
     {"p", 1},
     {"leftBracket", 1},
     {"rightBracket", 1},
     {"backslash", 1.5}},
    {{"capsLock", 1.75},
     {"a", 1},
     {"s", 1},
     {"d", 1},
     {"f", 1},
     {"g", 1},
     {"h", 1},
     {"j", 1},
     {"k", 1},
     {"l", 1},
     {"semicolon", 1},
     {"quote", 1},
     {"return", 2.25}},
    {{"leftShift", 2.25},
     {"z", 1},
     {"x", 1},
     {"c", 1},
     {"v", 1},
     {"b", 1},
     {"n", 1},
     {"m", 1},
     {"comma", 1},
     {"period", 1},
     {"slash", 1},
     {"rightShift", 2.75}},
};

// Legends of keys that type nothing, as a Mac keyboard labels them.
QString fixedLegend(std::string_view name) {
  static const std::map<std::string_view, QString> legends = {
      {"escape", "esc"},
      {"delete", "delete"},
      {"tab", "tab"},
      {"return", "return"},
      {"capsLock", "caps lock"},
      {"leftShift", "⇧ shift"},
      {"rightShift", "⇧ shift"},
      {"fn", "🌐\nfn"},
      {"leftControl", "⌃\ncontrol"},
      {"leftOption", "⌥\noption"},
      {"leftCommand", "⌘\ncommand"},
      {"rightCommand", "⌘\ncommand"},
      {"rightOption", "⌥\noption"},
      {"space", ""},
      {"leftArrow", "◀"},
      {"rightArrow", "▶"},
      {"upArrow", "▲"},
      {"downArrow", "▼"},
  };
  const auto it = legends.find(name);
  if (it != legends.end()) return it->second;
  if (name.size() >= 2 && name[0] == 'f')
    return QString::fromUtf8(name.data(), name.size()).toUpper();
  return {};
}

// What a typing key's cap shows: the capital of a letter; the Shift and plain characters of
// anything else, one above the other.
QString typingLegend(KeyboardLayout layout, std::uint16_t code) {
  const QString base = QString::fromStdString(typedCharacters(layout, code, 0));
  const QString upper = QString::fromStdString(typedCharacters(layout, code, kFlagShift));
  if (base.isEmpty()) return {};
  if (upper == base.toUpper()) return upper;
  return upper + "\n" + base;
}

}  // namespace

VirtualKeyboardView::VirtualKeyboardView(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName("Virtual Mac keyboard");
  auto* rows = new QVBoxLayout(this);
  rows->setSpacing(4);
  rows->setContentsMargins(8, 8, 8, 8);
  for (const auto& places : kRows) {
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (const auto& place : places) addKey(row, place.name, place.width);
    row->addStretch();
    rows->addLayout(row);
  }
  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(4);
  for (const auto& place :
       {KeyPlace{"fn", 1}, KeyPlace{"leftControl", 1}, KeyPlace{"leftOption", 1},
        KeyPlace{"leftCommand", 1.25}, KeyPlace{"space", 5}, KeyPlace{"rightCommand", 1.25},
        KeyPlace{"rightOption", 1}, KeyPlace{"leftArrow", 1}}) {
    addKey(bottom, place.name, place.width);
  }
  auto* upDown = new QVBoxLayout;
  upDown->setSpacing(4);
  addKey(upDown, "upArrow", 1, true);
  addKey(upDown, "downArrow", 1, true);
  bottom->addLayout(upDown);
  addKey(bottom, "rightArrow", 1);
  bottom->addStretch();
  rows->addLayout(bottom);

  if (KeyCap* capsLock = keyCap(keycode::capsLock)) capsLock->setHasLight(true);
  showLayout(KeyboardLayout::us);
}

KeyCap* VirtualKeyboardView::addKey(QBoxLayout* row, const char* name, double widthUnits,
                                    bool halfHeight) {
  const KeyInfo* key = keyByName(name);
  if (!key) return nullptr;
  auto* cap = new KeyCap(key->code, widthUnits, halfHeight, this);
  cap->setObjectName(QString("key-") + name);
  cap->setAccessibleName(name);
  connect(cap, &KeyCap::pressRequested, this, &VirtualKeyboardView::pressRequested);
  connect(cap, &KeyCap::releaseRequested, this, &VirtualKeyboardView::releaseRequested);
  connect(cap, &KeyCap::latchRequested, this, &VirtualKeyboardView::latchRequested);
  row->addWidget(cap);
  caps[key->code] = cap;
  return cap;
}

KeyCap* VirtualKeyboardView::keyCap(std::uint16_t keyCode) const {
  const auto it = caps.find(keyCode);
  return it == caps.end() ? nullptr : it->second;
}

void VirtualKeyboardView::showLayout(KeyboardLayout layout) {
  for (const auto& [code, cap] : caps) {
    const KeyInfo* key = keyByCode(code);
    const QString fixed = fixedLegend(key->name);
    if (!fixed.isEmpty() || key->name == "space") {
      cap->setLegend(fixed);
      continue;
    }
    const QString legend = typingLegend(layout, code);
    const QString us = typingLegend(KeyboardLayout::us, code);
    const QString usBase = us.section('\n', -1);
    cap->setLegend(legend, legend.section('\n', -1) == usBase ? QString() : usBase);
  }
}

void VirtualKeyboardView::showKeyState(const std::function<bool(std::uint16_t)>& isDown,
                                       bool capsLockOn) {
  for (const auto& [code, cap] : caps) cap->setDown(isDown(code));
  if (KeyCap* capsLock = keyCap(keycode::capsLock)) capsLock->setLightOn(capsLockOn);
}

bool VirtualKeyboardView::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      event->accept();  // no shortcut of the host takes a key meant for the virtual Mac
      return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (auto code = macKeyFor(*key)) {
        if (event->type() == QEvent::KeyPress) {
          emit hostKeyPressed(*code, key->isAutoRepeat(), key->timestamp());
        } else if (!key->isAutoRepeat()) {
          emit hostKeyReleased(*code, key->timestamp());
        }
      }
      event->accept();
      return true;
    }
    default:
      return QWidget::event(event);
  }
}

void VirtualKeyboardView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void VirtualKeyboardView::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
  emit hostFocusLost();
}

void VirtualKeyboardView::paintEvent(QPaintEvent*) {
  // A frame that lights up while the host's typing goes to the virtual Mac.
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor frame =
      hasFocus() ? palette().color(QPalette::Highlight) : palette().color(QPalette::Mid);
  painter.setPen(QPen(frame, hasFocus() ? 2 : 1));
  painter.setBrush(palette().color(QPalette::AlternateBase));
  painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
}

}  // namespace kestravane::platform::vmac::demo
