#include "Demo/StandInStatusItem.h"

#include "KestravaneCore/Presentation.h"
#include "KestravaneKit/TextsForLanguage.h"
#include "Platform/Virtual/Demo/DemoWindow.h"

namespace kestravane::demo {

StandInStatusItem::StandInStatusItem(AppController& controller, platform::Locale& locale,
                                     std::function<void()> quit)
    : controller(controller), locale(locale), drawnIcon(platform::vmac::demo::drawnPlivexIcon()) {
  statusMenu.setObjectName("standInStatusMenu");
  status = statusMenu.addAction(statusLine());
  status->setEnabled(false);
  statusMenu.addSeparator();
  QObject::connect(statusMenu.addAction("Quit"), &QAction::triggered, std::move(quit));
  QObject::connect(&statusMenu, &QMenu::aboutToShow, [this] { rebuild(); });
}

QString StandInStatusItem::statusLine() const {
  const Strings texts = textsFor(controller.config().language, locale);
  const std::string_view line = Presentation::statusLine(controller.health(), texts);
  return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

void StandInStatusItem::rebuild() {
  controller.reconcile();  // what opening the real menu does
  status->setText(statusLine());
}

}  // namespace kestravane::demo
