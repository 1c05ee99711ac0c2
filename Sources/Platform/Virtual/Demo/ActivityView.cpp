#include "Platform/Virtual/Demo/ActivityView.h"

#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kestravane::platform::vmac::demo {

ActivityView::ActivityView(QWidget* parent)
    : QWidget(parent), urls(new QListWidget(this)), log(new QPlainTextEdit(this)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(new QLabel("<b>URLs the program asked to open</b>", this));
  urls->setObjectName("openedURLs");
  urls->setAccessibleName("URLs the program asked to open");
  urls->setMaximumHeight(urls->fontMetrics().height() * 4);
  urls->setTextElideMode(Qt::ElideMiddle);  // the scheme and the pane, whatever the width
  urls->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  column->addWidget(urls);

  column->addWidget(new QLabel("<b>Log</b>", this));
  log->setObjectName("programLog");
  log->setAccessibleName("The program's log");
  log->setReadOnly(true);
  log->setMaximumBlockCount(kLogLineLimit);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(fixed.pointSizeF() * 0.85);
  log->setFont(fixed);
  log->setMinimumHeight(log->fontMetrics().lineSpacing() * 6 + 8);
  column->addWidget(log, 1);
}

void ActivityView::showOpenedURLs(const std::vector<std::string>& list) {
  urls->clear();
  for (const auto& url : list) {
    auto* item = new QListWidgetItem(QString::fromStdString(url), urls);
    item->setToolTip(item->text());
  }
  urls->scrollToBottom();
}

void ActivityView::appendLogMessages(const std::vector<std::string>& messages) {
  for (const auto& message : messages) log->appendPlainText(QString::fromStdString(message));
}

QStringList ActivityView::openedURLs() const {
  QStringList list;
  for (int row = 0; row < urls->count(); ++row) list << urls->item(row)->text();
  return list;
}

QString ActivityView::logText() const {
  return log->toPlainText();
}

}  // namespace kestravane::platform::vmac::demo
