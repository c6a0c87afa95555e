#include "ui/up_down.h"

#include <QKeyEvent>
#include <algorithm>
#include <QLineEdit>
#include <QToolButton>

namespace {

constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 80;

QToolButton* ArrowButton(Qt::ArrowType arrow, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setArrowType(arrow);
  button->setFocusPolicy(Qt::NoFocus);
  // A held press keeps stepping, as a spin box does.
  button->setAutoRepeat(true);
  button->setAutoRepeatDelay(kRepeatDelayMs);
  button->setAutoRepeatInterval(kRepeatIntervalMs);
  return button;
}

}  // namespace

CUpDown::CUpDown(QWidget* parent)
    : QWidget(parent), up_(ArrowButton(Qt::UpArrow, this)), down_(ArrowButton(Qt::DownArrow, this)) {
  setFocusPolicy(Qt::NoFocus);
  connect(up_, &QToolButton::clicked, this, [this] { emit stepped(+1); });
  connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
}

void CUpDown::SetBuddy(QLineEdit* buddy) {
  buddy_ = buddy;
  buddy_->installEventFilter(this);
  QRect field = buddy_->geometry();
  const int width = std::min(geometry().width(), field.width() / 2);
  setGeometry(field.right() + 1 - width, field.top(), width, field.height());
  field.setWidth(field.width() - width);
  buddy_->setGeometry(field);
  setEnabled(buddy_->isEnabled());
}

bool CUpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::KeyPress && isEnabled()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
      switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_PageUp: emit stepped(+1); return true;
        case Qt::Key_Down:
        case Qt::Key_PageDown: emit stepped(-1); return true;
        default: break;
      }
    }
  }
  if (watched == buddy_ && event->type() == QEvent::EnabledChange) setEnabled(buddy_->isEnabled());
  return QWidget::eventFilter(watched, event);
}

void CUpDown::resizeEvent(QResizeEvent* event) {
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
  QWidget::resizeEvent(event);
}
