#pragma once
// The pages of the main view as their tests meet them: the page behind the first of two
// tabs, as the view holds it, on a fresh image, shown in an active window. A test class
// derives from PageTest<its page> and calls Start from its init slot.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <initializer_list>
#include <memory>

#include "pages/page.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialog_template.h"
#include "ui/up_down.h"

namespace test {

// Keys as the user presses them: each goes to whichever widget has the focus then.
inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}
inline void Type(const QString& text) {
  for (const QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

template <class PageType, class Host>
class PageTest : public QObject {
 protected:
  struct Setup {
    ProgramDir dir;
    AppFiles files = dir.Files();
    ScriptedPrompter prompter;
    CTavroPgmDoc doc{files};
    Host host;
    PageType* page = nullptr;
  };
  std::unique_ptr<Setup> s_;

  // A new document, `prepare` applied to it before the page first loads, the page shown.
  void Start(const QString& tab, const std::function<void(CTavroPgmDoc&)>& prepare = {}) {
    s_ = std::make_unique<Setup>();
    test::NewDocument(s_->doc, s_->prompter);
    s_->page = new PageType(PageContext{s_->files, s_->doc, s_->prompter}, &s_->host);
    s_->host.addTab(s_->page, tab);
    s_->host.addTab(new QLineEdit, QStringLiteral("other"));
    if (prepare) prepare(s_->doc);
    Reload();
    s_->host.show();
    QApplication::setActiveWindow(&s_->host);
    QVERIFY(QTest::qWaitForWindowActive(&s_->host));
  }

  PageType& Page() { return *s_->page; }
  CTavroPgmDoc& Doc() { return s_->doc; }
  template <class T>
  T* Get(int controlId) {
    return Page().template ControlAs<T>(controlId);
  }
  QString Shown(int controlId) { return ControlText(Page().ControlById(controlId)); }
  QString Option(const char* section, int index) { return QString::fromStdString(s_->files.OptionText(section, index)); }
  QString Text(const char* key) { return QString::fromStdString(s_->files.GetText(key)); }
  // Used channels; a fresh record is a scan member.
  void Use(std::initializer_list<int> channels) {
    for (int channel : channels) {
      std::fill_n(Doc().ChannelRecord(channel).begin() + image::channel::kReceiveFrequency,
                  image::channel::kFrequencySize, 0x44);
    }
  }
  void Reload() {
    Page().LoadFromImage();
    Doc().SetModifiedFlag(false);
  }
  // A list entry chosen in the open list with Return.
  void ChooseInOpenList(int listId, int index) {
    QComboBox* list = Get<QComboBox>(listId);
    QVERIFY(list->isEnabled());
    list->showPopup();
    list->view()->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
  }
  void ClickArrow(int spinnerId, int direction) {
    for (QToolButton* arrow : Get<CUpDown>(spinnerId)->template findChildren<QToolButton*>()) {
      if (arrow->arrowType() == (direction > 0 ? Qt::UpArrow : Qt::DownArrow)) QTest::mouseClick(arrow, Qt::LeftButton);
    }
  }
  QList<int> DisabledOf(const QList<int>& ids) {
    QList<int> disabled;
    for (int controlId : ids) {
      if (!Page().ControlById(controlId)->isEnabled()) disabled.append(controlId);
    }
    return disabled;
  }
  QByteArray Bytes(std::size_t at, std::size_t count) {
    return QByteArray(reinterpret_cast<const char*>(&Doc().At(at)), static_cast<qsizetype>(count));
  }
};

}  // namespace test
