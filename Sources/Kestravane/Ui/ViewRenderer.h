// Draws a content description (ViewNode) with Qt widgets inside a host widget and wires each
// element's action to its widget. Redrawing a content of the same layout updates the widgets in
// place (texts, states, fonts, colours and actions), so an open pop-up, the keyboard focus and a
// pressed button survive the controller's frequent change notices; a content whose layout
// changed is built anew, with the focus put back on the element of the same id.
// Widgets are named after their element's id (QObject::objectName), so tests can find them.
// Threads: main thread only.
// Ownership: the widgets belong to the host; the renderer must outlive nothing but its host's
// children, which it deletes first when it is destroyed.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Kestravane/ViewNode.h"

class QButtonGroup;
class QBoxLayout;

namespace kestravane::ui {

class ViewRenderer {
 public:
  explicit ViewRenderer(QWidget& host);
  ~ViewRenderer();
  ViewRenderer(const ViewRenderer&) = delete;
  ViewRenderer& operator=(const ViewRenderer&) = delete;

  void render(ViewNode content);
  const ViewNode& content() const { return current; }
  // The widget drawing the element named `id`, or null (spacers have none).
  QWidget* widget(std::string_view id) const;
  // Runs the action of the enabled button with this keyboard shortcut; false when none has it.
  bool runShortcut(KeyboardShortcut key);
  // How many times the widgets were built anew (not updated in place).
  std::size_t buildCount() const { return builds; }

 private:
  struct Entry {
    const ViewNode* node = nullptr;
    QPointer<QWidget> widget;
    QButtonGroup* group = nullptr;  // radio groups only
  };

  QWidget* make(const ViewNode& node, Qt::Orientation parentAxis, bool focusRing);
  void addChildren(const ViewNode& stack, QBoxLayout& layout, bool focusRing);
  void update(const ViewNode& node, Entry& entry);
  void style(QWidget& widget, const ViewNode& node) const;
  void rebuild();
  void invoke(std::size_t index);
  void select(std::size_t index, int option);
  void toggle(std::size_t index, bool on);

  QWidget& host;
  ViewNode current;
  std::string layoutKey;
  std::vector<Entry> entries;  // every element of `current`, depth first
  QPointer<QWidget> root;
  std::size_t builds = 0;
};

}  // namespace kestravane::ui
