#pragma once
// CUpDown: the pair of arrows beside a read-only number field. It keeps no value of
// its own: each click, held press or arrow key is one step that the page applies to
// the image and shows in the buddy field. The arrows take no focus; the buddy field
// does, and its Up and Down keys (Page Up and Page Down too) step as the arrows do.

#include <QWidget>

class QLineEdit;
class QToolButton;

class CUpDown : public QWidget {
  Q_OBJECT

 public:
  explicit CUpDown(QWidget* parent = nullptr);
  // Sits at the right edge of `buddy`, which gives up that room, and takes its keys.
  void SetBuddy(QLineEdit* buddy);
  QLineEdit* Buddy() const { return buddy_; }

 signals:
  // +1 for up, -1 for down.
  void stepped(int direction);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* up_;
  QToolButton* down_;
  QLineEdit* buddy_ = nullptr;
};
