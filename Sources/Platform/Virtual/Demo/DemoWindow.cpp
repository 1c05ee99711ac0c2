#include "Platform/Virtual/Demo/DemoWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSplitter>
#include <QVBoxLayout>

#include "Platform/Virtual/Demo/ActivityView.h"
#include "Platform/Virtual/Demo/DockStrip.h"
#include "Platform/Virtual/Demo/ForegroundAppView.h"
#include "Platform/Virtual/Demo/HostKeyMapping.h"
#include "Platform/Virtual/Demo/KeyCap.h"
#include "Platform/Virtual/Demo/MenuBarStrip.h"
#include "Platform/Virtual/Demo/SystemControlsPanel.h"
#include "Platform/Virtual/Demo/VirtualKeyboardView.h"
#include "Platform/Virtual/LayoutCharacters.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::platform::vmac::demo {

DemoWindow::DemoWindow(VirtualMac& mac, QWidget* parent)
    : QWidget(parent),
      mac(mac),
      menuBar(new MenuBarStrip(this)),
      foreground(new ForegroundAppView(this)),
      controls(new SystemControlsPanel(mac, this)),
      keyboard(new VirtualKeyboardView(this)),
      activity(new ActivityView(this)),
      dock(new DockStrip(this)) {
  setWindowTitle("Plivex — virtual Mac");
  setObjectName("demoWindow");

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(6);
  column->addWidget(menuBar);

  // Left: what a person types and sees typed; right: what System Settings holds and what the
  // program did.
  auto* body = new QHBoxLayout;
  body->setContentsMargins(10, 4, 10, 4);
  body->setSpacing(12);
  auto* left = new QVBoxLayout;
  left->addWidget(foreground, 1);
  left->addWidget(keyboard, 0, Qt::AlignHCenter);
  auto* help = new QLabel(helpText(), this);
  help->setObjectName("helpText");
  help->setWordWrap(true);
  help->setForegroundRole(QPalette::PlaceholderText);
  left->addWidget(help);
  body->addLayout(left, 0);
  auto* right = new QVBoxLayout;
  right->addWidget(controls);
  right->addWidget(activity, 1);
  body->addLayout(right, 1);
  column->addLayout(body, 1);
  column->addWidget(dock);

  dock->setApplicationIcon(drawnPlivexIcon());

  // Typing on the host goes to the keyboard, whichever part of the window was clicked last.
  for (auto* child : findChildren<QWidget*>()) {
    if (child != keyboard) child->setFocusPolicy(Qt::NoFocus);
  }
  setFocusProxy(keyboard);

  connect(keyboard, &VirtualKeyboardView::pressRequested, this, &DemoWindow::pressKey);
  connect(keyboard, &VirtualKeyboardView::releaseRequested, this, &DemoWindow::releaseKey);
  connect(keyboard, &VirtualKeyboardView::latchRequested, this, &DemoWindow::latchKey);
  connect(keyboard, &VirtualKeyboardView::hostKeyPressed, this, &DemoWindow::hostKeyPressed);
  connect(keyboard, &VirtualKeyboardView::hostKeyReleased, this, &DemoWindow::hostKeyReleased);
  connect(keyboard, &VirtualKeyboardView::hostFocusLost, this, &DemoWindow::releaseHostKeys);
  connect(menuBar, &MenuBarStrip::inputSourceChosen, this, [this](const QString& identifier) {
    this->mac.inputSources().setCurrentSource(identifier.toStdString());
  });

  observeVirtualMac();
  refreshKeyboard();
  refreshInputSources();
  refreshDock();
  refreshOpenedURLs();
}

DemoWindow::~DemoWindow() {
  // The children outlive this body: their signals (the keyboard losing focus as it goes) must
  // not reach a window that is no longer one.
  disconnect(keyboard, nullptr, this, nullptr);
  disconnect(menuBar, nullptr, this, nullptr);
  // Keys the host still holds would never see their release.
  releaseHostKeys();
  mac.windowServer().setForegroundObserver(nullptr);
  mac.keyboard().setStateObserver(nullptr);
  mac.log().setObserver(nullptr);
  mac.inputSources().setChangeObserver(nullptr);
  mac.loginItems().setStatusObserver(nullptr);
  mac.permissions().setObserver(nullptr);
  mac.preferences().setStoredValuesObserver(nullptr);
  mac.workspace().setOpenedURLsObserver(nullptr);
  mac.application().setObserver(nullptr);
}

void DemoWindow::observeVirtualMac() {
  const auto post = gui.poster();
  // Runs on the posting thread while the delivery is under way: it only reads the current
  // source (the layout the application types with) and hands the event on.
  mac.windowServer().setForegroundObserver(
      [post, sources = &mac.inputSources(), this](const Event& event) {
        post([this, event, layout = sources->currentSourceID()] {
          foreground->receive(event, layout);
        });
      });
  // After each message, on the logging thread: the GUI thread reads what it has not shown yet.
  mac.log().setObserver([post, this] { post([this] { showNewLogMessages(); }); });
  showNewLogMessages();
  mac.inputSources().setChangeObserver([post, this] { post([this] { refreshInputSources(); }); });
  // Keys pressed elsewhere (a test, a tool) show too; the window's own presses show at once.
  mac.keyboard().setStateObserver([post, this] { post([this] { refreshKeyboard(); }); });
  mac.loginItems().setStatusObserver(
      [post, this] { post([this] { controls->refreshLoginItem(); }); });
  mac.workspace().setOpenedURLsObserver([post, this] { post([this] { refreshOpenedURLs(); }); });
  mac.permissions().setObserver([post, this] { post([this] { controls->refreshPermissions(); }); });
  mac.preferences().setStoredValuesObserver([post, this] {
    post([this] {
      controls->refreshGlobeKey();
      controls->refreshCapsLockSwitching();
    });
  });
  // On the main thread, inside the program's call: shown on the next turn of the loop.
  mac.application().setObserver([post, this] { post([this] { refreshDock(); }); });
}

void DemoWindow::setStatusItem(const QIcon& icon, QMenu* menu) {
  menuBar->setStatusItem(icon, menu);
}

void DemoWindow::setStatusIcon(const QIcon& icon) {
  menuBar->setStatusIcon(icon);
}

void DemoWindow::setApplicationIcon(const QIcon& icon) {
  dock->setApplicationIcon(icon);
}

QString DemoWindow::helpText() {
  return hostKeyHelp();
}

std::optional<std::uint64_t> DemoWindow::happenedAt(std::uint64_t hostMillis) {
  if (hostMillis == 0) return std::nullopt;
  return hostTime.uptimeOf(hostMillis, mac.services()->clock->uptimeNanos());
}

void DemoWindow::pressKey(std::uint16_t keyCode, std::uint64_t hostMillis) {
  mac.keyboard().press(keyCode, happenedAt(hostMillis));
  refreshKeyboard();
}

void DemoWindow::releaseKey(std::uint16_t keyCode, std::uint64_t hostMillis) {
  mac.keyboard().release(keyCode, happenedAt(hostMillis));
  refreshKeyboard();
}

void DemoWindow::latchKey(std::uint16_t keyCode) {
  mac.keyboard().isDown(keyCode) ? releaseKey(keyCode, 0) : pressKey(keyCode, 0);
}

void DemoWindow::hostKeyPressed(std::uint16_t keyCode, bool autoRepeat, std::uint64_t hostMillis) {
  if (autoRepeat) {
    // The host repeats a held key; a Mac repeats ordinary keys only.
    if (hostHeld.contains(keyCode)) mac.keyboard().autoRepeat(keyCode, 1);
    return;
  }
  // Already down (latched with the mouse): nothing to press.
  if (!mac.keyboard().press(keyCode, happenedAt(hostMillis))) return;
  hostHeld.insert(keyCode);
  refreshKeyboard();
}

void DemoWindow::hostKeyReleased(std::uint16_t keyCode, std::uint64_t hostMillis) {
  if (hostHeld.erase(keyCode) == 0) return;  // pressed before the window had focus
  mac.keyboard().release(keyCode, happenedAt(hostMillis));
  refreshKeyboard();
}

void DemoWindow::releaseHostKeys() {
  for (const auto keyCode : std::exchange(hostHeld, {})) mac.keyboard().release(keyCode);
  refreshKeyboard();
}

void DemoWindow::refreshKeyboard() {
  auto& keys = mac.keyboard();
  keyboard->showKeyState([&keys](std::uint16_t code) { return keys.isDown(code); },
                         keys.capsLockOn());
}

void DemoWindow::refreshInputSources() {
  const auto sources = mac.inputSources().sources();
  const auto current = mac.inputSources().currentSourceID();
  QString currentName = "—";
  std::vector<MenuBarStrip::Choice> choices;
  for (const auto& source : sources) {
    if (!source.identifier) continue;
    const QString id = QString::fromStdString(*source.identifier);
    const QString name = QString::fromStdString(source.localizedName.value_or(*source.identifier));
    if (source.identifier == current) currentName = name;
    if (source.enabled && source.selectCapable) choices.push_back({id, name});
  }
  menuBar->showInputSources(currentName, QString::fromStdString(current.value_or("")), choices);
  keyboard->showLayout(current ? keyboardLayoutFor(*current).value_or(KeyboardLayout::us)
                               : KeyboardLayout::us);
  controls->refreshInputSources();
}

void DemoWindow::refreshDock() {
  auto& application = mac.application();
  dock->showApplication(application.activationPolicy() == ActivationPolicy::regular,
                        application.isActive());
}

void DemoWindow::showNewLogMessages() {
  auto messages = mac.log().messagesSince(logCursor);
  for (auto& message : messages) message = host::HostLog::escape(message);  // one line each
  activity->appendLogMessages(messages);
}

void DemoWindow::refreshOpenedURLs() {
  std::vector<std::string> urls;
  for (const auto& url : mac.workspace().openedURLs()) urls.push_back(url.absoluteString);
  activity->showOpenedURLs(urls);
}

bool renderDemoWindow(DemoWindow& window, const QString& pngPath) {
  QCoreApplication::processEvents();  // what the observers handed over
  window.ensurePolished();
  if (window.layout()) window.layout()->activate();
  // At least its natural size, whatever the screen allowed when it was shown.
  window.resize(window.size().expandedTo(window.sizeHint()));
  QCoreApplication::processEvents();
  return window.grab().save(pngPath, "PNG");
}

QIcon drawnPlivexIcon() {
  QIcon icon;
  for (const int size : {16, 32, 64, 128}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 16.0;
    // A rounded square, like an application icon, holding a keycap and two arrows.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2F, 0x6F, 0xE4));
    painter.drawRoundedRect(QRectF(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit), 3.5 * unit,
                            3.5 * unit);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(3 * unit, 3 * unit, 10 * unit, 7 * unit), 1.5 * unit,
                            1.5 * unit);
    painter.setPen(QPen(Qt::white, 1.2 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    QPainterPath arrows;
    arrows.moveTo(4 * unit, 12 * unit);
    arrows.lineTo(12 * unit, 12 * unit);
    arrows.moveTo(10.5 * unit, 11 * unit);
    arrows.lineTo(12 * unit, 12 * unit);
    arrows.lineTo(10.5 * unit, 13 * unit);
    arrows.moveTo(5.5 * unit, 11 * unit);
    arrows.lineTo(4 * unit, 12 * unit);
    arrows.lineTo(5.5 * unit, 13 * unit);
    painter.drawPath(arrows);
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace kestravane::platform::vmac::demo
