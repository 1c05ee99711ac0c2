#include "Platform/Virtual/Demo/MenuBarStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace kestravane::platform::vmac::demo {

MenuBarStrip::MenuBarStrip(QWidget* parent)
    : QWidget(parent),
      inputMenuButton(new QToolButton(this)),
      inputMenu(new QMenu(this)),
      status(new QToolButton(this)) {
  setObjectName("menuBarStrip");
  setAccessibleName("Menu bar");
  setAutoFillBackground(true);
  QPalette strip = palette();
  strip.setColor(QPalette::Window, strip.color(QPalette::Window).darker(108));
  setPalette(strip);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(10, 2, 10, 2);
  auto* appName = new QLabel("<b>Virtual Mac</b>", this);
  appName->setToolTip("This strip stands for the macOS menu bar");
  row->addWidget(appName);
  row->addStretch();

  inputMenuButton->setObjectName("inputSourceMenu");
  inputMenuButton->setAccessibleName("Input menu");
  inputMenuButton->setToolTip("The current input source; choose another as in the Input menu");
  inputMenuButton->setPopupMode(QToolButton::InstantPopup);
  inputMenuButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  inputMenuButton->setAutoRaise(true);
  inputMenuButton->setMenu(inputMenu);
  inputMenuButton->setStyleSheet("QToolButton::menu-indicator { image: none; }");
  row->addWidget(inputMenuButton);

  status->setObjectName("statusItem");
  status->setAccessibleName("Plivex");
  status->setToolTip("Plivex");
  status->setPopupMode(QToolButton::InstantPopup);
  status->setAutoRaise(true);
  status->setIconSize({18, 18});
  status->setStyleSheet("QToolButton::menu-indicator { image: none; }");  // as in a menu bar
  status->setEnabled(false);  // until the application hands over its item
  row->addWidget(status);

  connect(inputMenu, &QMenu::triggered, this,
          [this](QAction* action) { emit inputSourceChosen(action->data().toString()); });
}

void MenuBarStrip::setStatusItem(const QIcon& icon, QMenu* menu) {
  status->setIcon(icon);
  status->setMenu(menu);
  status->setEnabled(menu != nullptr);
}

void MenuBarStrip::setStatusIcon(const QIcon& icon) {
  status->setIcon(icon);
}

void MenuBarStrip::showInputSources(const QString& currentName, const QString& currentIdentifier,
                                    const std::vector<Choice>& choices) {
  inputMenuButton->setText(currentName);
  inputMenu->clear();
  for (const auto& choice : choices) {
    QAction* action = inputMenu->addAction(choice.name);
    action->setData(choice.identifier);
    action->setCheckable(true);
    action->setChecked(choice.identifier == currentIdentifier);
  }
}

QString MenuBarStrip::inputSourceName() const {
  return inputMenuButton->text();
}

}  // namespace kestravane::platform::vmac::demo
