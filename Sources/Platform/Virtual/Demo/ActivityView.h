// What the program did that a Mac user would see elsewhere: the URLs it asked the system to open
// (System Settings panes) and the messages it logged.
// Threads: GUI thread only (the demo window hands it the changes).
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QListWidget;
class QPlainTextEdit;

namespace kestravane::platform::vmac::demo {

class ActivityView final : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kLogLineLimit = 1000;

  explicit ActivityView(QWidget* parent = nullptr);

  void showOpenedURLs(const std::vector<std::string>& urls);
  void appendLogMessages(const std::vector<std::string>& messages);

  QStringList openedURLs() const;
  QString logText() const;

 private:
  QListWidget* urls;
  QPlainTextEdit* log;
};

}  // namespace kestravane::platform::vmac::demo
