// Every control of the function, scan/VOX/DTMF and signalling pages changed as a user
// changes it, the configuration saved and opened again: the pages show the same, and
// the image holds each change where the radio reads it.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "pages/tavro_pgm_view.h"
#include "radio/document.h"
#include "res/main_resources.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialog_template.h"
#include "ui/up_down.h"

namespace {

// What every control of the three pages shows, by "page.control".
std::map<QString, QString> ShownTexts(CTavroPgmView& view) {
  std::map<QString, QString> shown;
  for (int index = 1; index < CTavroPgmView::kPageCount; ++index) {
    CPage& page = *view.Page(index);
    for (QWidget* control : page.findChildren<QWidget*>()) {
      const int id = ControlId(control);
      if (id == 0) continue;
      QString text = ControlText(control);
      if (auto* lines = qobject_cast<QPlainTextEdit*>(control)) text = lines->toPlainText();
      if (auto* box = qobject_cast<QCheckBox*>(control)) text = box->isChecked() ? "1" : "0";
      shown[QStringLiteral("%1.%2").arg(page.TemplateId()).arg(id)] = text;
    }
  }
  return shown;
}

void Type(const QString& text) {
  for (const QChar c : text) {
    if (c == u'\n')
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    else
      QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
  }
}

// Changes each enabled control of a page once, in the order of its template: a list to its
// last entry, a check box clicked, an up-down stepped up, a field typed into and left.
void ChangeEveryControl(CPage& page) {
  const DialogTemplate* dialog = FindDialogTemplate(page.TemplateId());
  for (const ControlTemplate& entry : dialog->controls) {
    QWidget* control = page.ControlById(entry.id);
    if (control == nullptr || !control->isEnabled() || !control->isVisible()) continue;
    if (auto* list = qobject_cast<QComboBox*>(control)) {
      if (list->count() == 0) continue;
      list->setFocus();
      QTest::keyClick(list, Qt::Key_End);  // a list box picks as the user moves in it
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
      QTest::mouseClick(box, Qt::LeftButton);
    } else if (auto* upDown = qobject_cast<CUpDown*>(control)) {
      QTest::keyClick(upDown->Buddy(), Qt::Key_Up);
    } else if (auto* lines = qobject_cast<QPlainTextEdit*>(control)) {
      lines->setFocus();
      Type(QStringLiteral("Base 7\nover"));
      page.setFocus();
    } else if (auto* edit = qobject_cast<QLineEdit*>(control); edit != nullptr && !edit->isReadOnly()) {
      edit->setFocus();
      edit->selectAll();
      Type(entry.className == "CDTMFEdit" ? QStringLiteral("12a#") : QStringLiteral("1234.5"));
      page.setFocus();
    }
  }
}

}  // namespace

class PagesRoundTripTest : public QObject {
  Q_OBJECT

 private slots:
  void everyChangeSurvivesSavingAndOpening() {
    test::ProgramDir dir;
    QTemporaryDir settingsHome;
    test::UseProgramDirectory(dir.Path(), settingsHome.path());
    const std::filesystem::path file = dir / "radio.vxp";
    std::filesystem::copy_file(CORVANE_SOURCE_DIR "/sim/demo.vxp", file);

    test::ScriptedMessageBoxes boxes;  // a refused pick is acknowledged
    auto app = CTavroPgmApp::InitInstance({QStringLiteral("corvane"), QString::fromStdString(file.string())});
    QVERIFY(app);
    CMainFrame& frame = app->MainFrame();
    frame.show();
    QApplication::setActiveWindow(&frame);
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    CTavroPgmView& view = frame.View();
    const auto original = app->Document().Store();

    // The long key that sends the alarm first, so that the emergency controls take part.
    auto* longKey = view.Page(1)->ControlAs<QComboBox>(1254);
    view.Tabs().setCurrentIndex(1);
    longKey->setCurrentIndex(7);
    emit longKey->activated(7);
    for (int index = 1; index < CTavroPgmView::kPageCount; ++index) {
      view.Tabs().setCurrentIndex(index);
      ChangeEveryControl(*view.Page(index));
    }
    // The last edit still has the focus when the user saves with the keyboard.
    view.Tabs().setCurrentIndex(1);
    auto* message = view.Page(1)->ControlAs<QPlainTextEdit>(1104);
    message->setFocus();
    QTest::keyClick(message, Qt::Key_End, Qt::ControlModifier);
    Type(QStringLiteral("!"));
    QVERIFY(message->hasFocus());
    frame.OnCommand(command::kFileSave);
    QVERIFY(!app->Document().IsModified());

    const std::map<QString, QString> before = ShownTexts(view);
    const auto saved = app->Document().Store();
    QCOMPARE(std::distance(saved.begin(), saved.end()), std::ptrdiff_t{block::kSize});
    QVERIFY2(original != saved, "nothing was changed");

    frame.OnCommand(command::kFileNew);
    QVERIFY(app->OpenDocumentFile(file));
    QCOMPARE(ShownTexts(view), before);
    QCOMPARE(test::Differences(saved, app->Document().Store()), std::string());

    // A few fields at their places in the image.
    const CTavroPgmDoc& doc = app->Document();
    const auto messageRegion = doc.Image().subspan(image::kMessage, 14);
    const std::string messageBytes(messageRegion.begin(), messageRegion.end());
    QCOMPARE(messageBytes, std::string("Base 7\r\nover!\0", 14));
    QCOMPARE(test::HexText(doc.Image().subspan(image::kEmergencyId, 5)), std::string("01 02 0A 0F FF"));
    QCOMPARE(test::HexText(doc.Image().subspan(image::kPttIdBegin, 5)), std::string("01 02 0A 0F FF"));
    // The programmable key mode's last entry comes first and disables the long key list.
    QCOMPARE(doc.At(image::kKeyAndVox) & image::key_and_vox::kProgrammableKeyMode, 1);
    QCOMPARE(doc.At(image::kLongKeyFunction), std::uint8_t{7});
    QCOMPARE(doc.At(image::kSquelchLevel), std::uint8_t{9});
    app->Document().SetModifiedFlag(false);
  }
};

QTEST_MAIN(PagesRoundTripTest)
#include "pages_round_trip_test.moc"
