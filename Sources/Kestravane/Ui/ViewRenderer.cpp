#include "Kestravane/Ui/ViewRenderer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>
#include <utility>

#include "Kestravane/Ui/ViewStyle.h"

namespace kestravane::ui {

namespace {

// A text that asks for the width of its words on one line, as a text does on a Mac, and wraps
// only where its row is narrower than that (QLabel's own guess wraps much earlier).
class TextLabel final : public QLabel {
 public:
  QSize sizeHint() const override {
    if (!wordWrap()) return QLabel::sizeHint();
    const QMargins margins = contentsMargins();
    const int width = fontMetrics().horizontalAdvance(text()) + margins.left() + margins.right() +
                      2 * margin() + 1;
    return {width, heightForWidth(width)};
  }
};

QString qs(const std::string& text) {
  return toQString(text);
}

// Whether the element takes the whole width a vertical stack offers (as a divider, or a row
// with a flexible spacer, does), rather than its own width.
bool fillsAcross(const ViewNode& node) {
  if (node.kind == ViewNode::Kind::divider || node.fillsWidth) return true;
  return std::any_of(node.children.begin(), node.children.end(), [&node](const ViewNode& child) {
    return (node.kind == ViewNode::Kind::horizontalStack && child.kind == ViewNode::Kind::spacer) ||
           fillsAcross(child);
  });
}

Qt::Alignment alignmentIn(const ViewNode& stack, const ViewNode& child) {
  if (stack.kind == ViewNode::Kind::verticalStack) {
    // Texts and inner columns take the row's width, so that a text can wrap when it must; what
    // they hold still starts at the leading edge.
    if (fillsAcross(child) || child.kind == ViewNode::Kind::text ||
        child.kind == ViewNode::Kind::verticalStack) {
      return {};
    }
    return stack.alignment == StackAlignment::center ? Qt::AlignHCenter : Qt::AlignLeft;
  }
  switch (stack.alignment) {
    case StackAlignment::top:
      return Qt::AlignTop;
    case StackAlignment::firstTextBaseline:
      // Box layouts know no baselines; single-line texts meet closely enough at the bottom.
      return Qt::AlignBottom;
    case StackAlignment::leading:
    case StackAlignment::center:
      return Qt::AlignVCenter;
  }
  return {};
}

// Everything about an element that decides which widgets draw it and how they are laid out;
// two contents with the same key differ only in what update() changes in place.
void appendLayoutKey(const ViewNode& node, std::string& key) {
  const auto number = [&key](long value) {
    key += std::to_string(value);
    key += ',';
  };
  number(static_cast<int>(node.kind));
  key += node.id;
  key += ',';
  number(static_cast<long>(node.options.size()));
  number(static_cast<int>(node.alignment));
  number(node.spacing);
  number(node.padding.top);
  number(node.padding.leading);
  number(node.padding.bottom);
  number(node.padding.trailing);
  number(node.fixedWidth.value_or(-1));
  number(node.fillsWidth);
  number(node.idealHeight);
  number(node.focusRing);
  number(node.bordered);
  number(static_cast<int>(node.controlSize));
  number(static_cast<int>(node.shortcut));
  number(node.extraSpaceAbove);
  key += '(';
  for (const auto& child : node.children) appendLayoutKey(child, key);
  key += ')';
}

void collect(const ViewNode& node, std::vector<const ViewNode*>& nodes) {
  node.forEach([&nodes](const ViewNode& element) { nodes.push_back(&element); });
}

}  // namespace

ViewRenderer::ViewRenderer(QWidget& host) : host(host) {}

ViewRenderer::~ViewRenderer() {
  delete root.data();
}

void ViewRenderer::render(ViewNode content) {
  std::string key;
  appendLayoutKey(content, key);
  current = std::move(content);
  if (root && key == layoutKey) {
    std::vector<const ViewNode*> nodes;
    collect(current, nodes);
    for (std::size_t i = 0; i < entries.size() && i < nodes.size(); ++i) {
      entries[i].node = nodes[i];
      update(*nodes[i], entries[i]);
    }
    return;
  }
  layoutKey = std::move(key);
  rebuild();
}

void ViewRenderer::rebuild() {
  QString focusName;
  if (auto* focused = QApplication::focusWidget(); focused && root && root->isAncestorOf(focused)) {
    focusName = focused->objectName();
  }
  entries.clear();
  ++builds;
  QWidget* const old = root;
  root = make(current, Qt::Vertical, true);
  if (!host.layout()) {
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
  }
  if (old) {
    // Its widgets may be the sender of the signal being handled now: deleted later.
    delete host.layout()->replaceWidget(old, root);
    old->hide();
    old->deleteLater();
  } else {
    host.layout()->addWidget(root);
  }
  if (!focusName.isEmpty()) {
    if (auto* widget = root->findChild<QWidget*>(focusName)) widget->setFocus();
  }
}

QWidget* ViewRenderer::make(const ViewNode& node, Qt::Orientation parentAxis, bool focusRing) {
  using Kind = ViewNode::Kind;
  focusRing = focusRing && node.focusRing;
  const std::size_t index = entries.size();
  const std::size_t generation = builds;
  entries.push_back({&node, nullptr, nullptr});
  // Signals of widgets from an earlier build are ignored: their indexes mean other elements now.
  const auto live = [this, generation] { return generation == builds; };

  QWidget* widget = nullptr;
  switch (node.kind) {
    case Kind::verticalStack:
    case Kind::horizontalStack: {
      widget = new QWidget;
      auto* layout = new QBoxLayout(
          node.kind == Kind::verticalStack ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight,
          widget);
      layout->setContentsMargins(node.padding.leading, node.padding.top, node.padding.trailing,
                                 node.padding.bottom);
      layout->setSpacing(node.spacing);
      addChildren(node, *layout, focusRing);
      break;
    }
    case Kind::text: {
      auto* label = new TextLabel;
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(parentAxis == Qt::Vertical);
      widget = label;
      break;
    }
    case Kind::button: {
      // A push button: the platform's default button style is bordered, so the bordered style
      // and the default one look alike.
      auto* button = new QPushButton;
      button->setAutoDefault(false);
      button->setDefault(node.shortcut == KeyboardShortcut::defaultAction);
      if (node.controlSize == ControlSize::small) button->setAttribute(Qt::WA_MacSmallSize);
      QObject::connect(button, &QPushButton::clicked, button, [this, live, index] {
        if (live()) invoke(index);
      });
      widget = button;
      break;
    }
    case Kind::divider: {
      auto* line = new QFrame;
      line->setFrameShape(parentAxis == Qt::Vertical ? QFrame::HLine : QFrame::VLine);
      line->setFrameShadow(QFrame::Sunken);
      widget = line;
      break;
    }
    case Kind::spacer: {
      widget = new QWidget;
      widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
      break;
    }
    case Kind::radioGroup: {
      widget = new QWidget;
      auto* layout = new QVBoxLayout(widget);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->setSpacing(4);
      auto* group = new QButtonGroup(widget);
      for (std::size_t i = 0; i < node.options.size(); ++i) {
        auto* option = new QRadioButton;
        option->setObjectName(qs(node.id + "/" + std::to_string(i)));
        if (!focusRing) option->setAttribute(Qt::WA_MacShowFocusRect, false);
        group->addButton(option, static_cast<int>(i));
        layout->addWidget(option, 0, Qt::AlignLeft);
      }
      QObject::connect(group, &QButtonGroup::idClicked, group, [this, live, index](int option) {
        if (live()) select(index, option);
      });
      entries[index].group = group;
      break;
    }
    case Kind::popUp: {
      auto* box = new QComboBox;
      for (std::size_t i = 0; i < node.options.size(); ++i) box->addItem(QString());
      QObject::connect(box, &QComboBox::activated, box, [this, live, index](int option) {
        if (live()) select(index, option);
      });
      widget = box;
      break;
    }
    case Kind::toggle: {
      auto* check = new QCheckBox;
      QObject::connect(check, &QCheckBox::clicked, check, [this, live, index](bool on) {
        if (live()) toggle(index, on);
      });
      widget = check;
      break;
    }
  }
  widget->setObjectName(qs(node.id));
  if (node.fixedWidth) widget->setFixedWidth(*node.fixedWidth);
  // An ideal height is what the window gives its content (ContentWindow takes the content's
  // size); a fixed vertical policy here would cut wrapped texts to their one-line height.
  if (!focusRing) widget->setAttribute(Qt::WA_MacShowFocusRect, false);
  entries[index].widget = widget;
  update(node, entries[index]);
  return widget;
}

void ViewRenderer::addChildren(const ViewNode& stack, QBoxLayout& layout, bool focusRing) {
  const Qt::Orientation axis =
      stack.kind == ViewNode::Kind::verticalStack ? Qt::Vertical : Qt::Horizontal;
  for (const auto& child : stack.children) {
    if (child.kind == ViewNode::Kind::spacer) {
      entries.push_back({&child, nullptr, nullptr});
      layout.addStretch(1);
      continue;
    }
    if (axis == Qt::Vertical && child.extraSpaceAbove > 0) {
      layout.addSpacing(child.extraSpaceAbove);
    }
    layout.addWidget(make(child, axis, focusRing), 0, alignmentIn(stack, child));
  }
}

void ViewRenderer::update(const ViewNode& node, Entry& entry) {
  using Kind = ViewNode::Kind;
  QWidget* const widget = entry.widget;
  if (!widget) return;
  switch (node.kind) {
    case Kind::text: {
      auto* label = static_cast<QLabel*>(widget);
      label->setText(qs(node.text));
      style(*widget, node);
      // A one-character mark in a monospaced style gets a square cell: the fonts that supply
      // marks such as ✓ and ○ differ in width, and the texts beside them should line up.
      const bool mark =
          (node.font == FontRole::title3Monospaced || node.font == FontRole::captionMonospaced) &&
          label->text().toUcs4().size() == 1;
      if (mark) {
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setFixedWidth(label->fontMetrics().height());
      }
      break;
    }
    case Kind::button: {
      auto* button = static_cast<QPushButton*>(widget);
      button->setText(qs(node.text));
      button->setEnabled(node.enabled);
      button->setFont(node.controlSize == ControlSize::small ? smallControlFont(host.font())
                                                             : host.font());
      break;
    }
    case Kind::radioGroup: {
      QButtonGroup* group = entry.group;
      // An exclusive group cannot show no choice at all.
      group->setExclusive(false);
      for (std::size_t i = 0; i < node.options.size(); ++i) {
        QAbstractButton* option = group->button(static_cast<int>(i));
        if (!option) continue;
        const QSignalBlocker blocker(option);
        option->setText(qs(node.options[i]));
        option->setChecked(node.selected == i);
      }
      group->setExclusive(true);
      break;
    }
    case Kind::popUp: {
      auto* box = static_cast<QComboBox*>(widget);
      const QSignalBlocker blocker(box);
      for (std::size_t i = 0; i < node.options.size(); ++i) {
        box->setItemText(static_cast<int>(i), qs(node.options[i]));
      }
      box->setCurrentIndex(node.selected ? static_cast<int>(*node.selected) : -1);
      break;
    }
    case Kind::toggle: {
      auto* check = static_cast<QCheckBox*>(widget);
      const QSignalBlocker blocker(check);
      check->setText(qs(node.text));
      check->setChecked(node.isOn);
      break;
    }
    case Kind::verticalStack:
    case Kind::horizontalStack:
    case Kind::divider:
    case Kind::spacer:
      break;
  }
}

void ViewRenderer::style(QWidget& widget, const ViewNode& node) const {
  widget.setFont(fontFor(node.font, host.font()));
  QPalette palette = widget.palette();
  palette.setColor(QPalette::WindowText, colourFor(node.colour, host.palette()));
  widget.setPalette(palette);
}

QWidget* ViewRenderer::widget(std::string_view id) const {
  for (const auto& entry : entries) {
    if (entry.node && entry.node->id == id) return entry.widget;
  }
  return nullptr;
}

bool ViewRenderer::runShortcut(KeyboardShortcut key) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ViewNode& node = *entries[i].node;
    if (node.kind == ViewNode::Kind::button && node.enabled && node.shortcut == key) {
      invoke(i);
      return true;
    }
  }
  return false;
}

void ViewRenderer::invoke(std::size_t index) {
  if (index >= entries.size() || !entries[index].node->enabled) return;
  // A copy: the action may lead to a new content, which replaces the element it came from.
  const auto action = entries[index].node->action;
  if (action) action();
}

void ViewRenderer::select(std::size_t index, int option) {
  if (index >= entries.size() || option < 0) return;
  const auto onSelect = entries[index].node->onSelect;
  if (onSelect) onSelect(static_cast<std::size_t>(option));
}

void ViewRenderer::toggle(std::size_t index, bool on) {
  if (index >= entries.size()) return;
  const auto onToggle = entries[index].node->onToggle;
  if (onToggle) onToggle(on);
}

}  // namespace kestravane::ui
