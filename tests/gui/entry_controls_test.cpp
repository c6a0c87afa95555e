// The entry controls as the user meets them: which typed characters get in, what
// Enter and Esc do to the text and the focus, how an editor opens over a grid cell,
// and the DTMF and code-list conversions as seen through the controls. The text
// conversions themselves are tested in tests/unit/entry_codecs_test.cpp.

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "radio/entry_codecs.h"
#include "tests/gui/gui_test_support.h"
#include "ui/entry_controls.h"
#include "ui/qt_text.h"

namespace {

enum class Editor { Frequency, TwoToneCell, TwoToneField, OptionList, CodeBox };

const QStringList kOptions = {"Off", "Monitor (Momentary)", "Monitor", "Scan"};
const QRect kCellRect(30, 40, 90, 22);

using DtmfCode = std::array<std::uint8_t, entry::kDtmfDigits>;

DtmfCode CodeFromHex(const std::string& hex) {
  DtmfCode code{};
  const std::vector<std::uint8_t> bytes = test::BytesFromHex(hex);
  std::copy(bytes.begin(), bytes.end(), code.begin());
  return code;
}

QString ShownText(QWidget* control) {
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  return qobject_cast<QComboBox*>(control)->currentText();
}

// The line edit that holds the text: the control itself or the code box's edit field.
QLineEdit* EditField(QWidget* control) {
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit;
  return qobject_cast<QComboBox*>(control)->lineEdit();
}

QString SavedTextOf(QWidget* control) {
  if (auto* edit = qobject_cast<CFreqEdit*>(control)) return edit->SavedText();
  if (auto* edit = qobject_cast<C2ToneEdit*>(control)) return edit->SavedText();
  if (auto* box = qobject_cast<CAddBox*>(control)) return box->SavedText();
  return qobject_cast<CCodeBox*>(control)->SavedText();
}

// A shown, active dialog with a page that holds the editors and a default button
// that Enter would press if an editor let the key through.
class EditorWindow {
 public:
  EditorWindow() {
    auto* layout = new QVBoxLayout(&dialog_);
    layout->addWidget(page_, 1);
    layout->addWidget(okButton_);
    okButton_->setDefault(true);
    page_->setFocusPolicy(Qt::StrongFocus);
    dialog_.resize(400, 300);
  }

  bool Activate() {
    dialog_.show();
    QApplication::setActiveWindow(&dialog_);
    return QTest::qWaitForWindowActive(&dialog_);
  }

  QDialog& Dialog() { return dialog_; }
  QWidget* Page() const { return page_; }
  QPushButton* OkButton() const { return okButton_; }

 private:
  QDialog dialog_;
  QWidget* page_ = new QWidget(&dialog_);
  QPushButton* okButton_ = new QPushButton("OK", &dialog_);
};

// Creates an editor on the page and opens it the way the pages do.
QWidget* OpenEditor(Editor kind, QWidget* page, const QString& text, const AppFiles& files) {
  switch (kind) {
    case Editor::Frequency: {
      auto* edit = new CFreqEdit(page);
      edit->OpenOverCell(kCellRect, text);
      return edit;
    }
    case Editor::TwoToneCell: {
      auto* edit = new C2ToneEdit(page);
      edit->hide();
      edit->setEnabled(false);
      edit->setText(text);  // the page has set the text before opening
      edit->OpenOverCell(kCellRect);
      return edit;
    }
    case Editor::TwoToneField: {
      auto* edit = new C2ToneEdit(page);
      edit->setGeometry(kCellRect);
      edit->SetToneValue(entry::TwoToneValue(ToStdString(text)).value_or(entry::kNoTwoTone));
      edit->show();
      edit->setFocus();
      return edit;
    }
    case Editor::OptionList: {
      auto* box = new CAddBox(page);
      box->addItems(kOptions);
      box->OpenOverCell(kCellRect, text);
      return box;
    }
    case Editor::CodeBox: {
      auto* box = new CCodeBox(page);
      box->FillCodes(files);
      box->OpenOverCell(kCellRect, text);
      return box;
    }
  }
  return nullptr;
}

}  // namespace

Q_DECLARE_METATYPE(Editor)

class EntryControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void numberEntriesFilterTypedCharacters_data();
  void numberEntriesFilterTypedCharacters();
  void secondPointIsDroppedWhileFirstIsSelected();
  void dtmfEntryFiltersTypedCharacters_data();
  void dtmfEntryFiltersTypedCharacters();
  void editingKeysAndPastePassTheFilters();
  void inputMethodAndPastedTextPassTheKeyFilter_data();
  void inputMethodAndPastedTextPassTheKeyFilter();
  void enterAndEscapeEndEditing_data();
  void enterAndEscapeEndEditing();
  void openOverCell_data();
  void openOverCell();
  void optionListPreselectsByCellText_data();
  void optionListPreselectsByCellText();
  void comboPopupDoesNotEndEditing_data();
  void comboPopupDoesNotEndEditing();
  void dtmfCodeThroughTheControl_data();
  void dtmfCodeThroughTheControl();
  void typedDtmfDigitsReadBack();
  void codeListFollowsSetting_data();
  void codeListFollowsSetting();

 private:
  test::ProgramDir programDir_;
};

void EntryControlsTest::numberEntriesFilterTypedCharacters_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("expected");
  QTest::newRow("digits") << "0123456789" << "0123456789";
  QTest::newRow("letters, signs and spaces are dropped") << "1a2B-3 +4,5e" << "12345";
  QTest::newRow("one decimal point") << "145.5" << "145.5";
  QTest::newRow("a second point is dropped") << "1.2.3." << "1.23";
  QTest::newRow("leading point") << ".5." << ".5";
  QTest::newRow("Backspace deletes, then a point may come again") << "12.5\b\b.7" << "12.7";
}

void EntryControlsTest::numberEntriesFilterTypedCharacters() {
  QFETCH(QString, typed);
  QFETCH(QString, expected);
  C2ToneEdit tone;
  CFreqEdit frequency;
  frequency.setEnabled(true);
  for (QLineEdit* edit : std::initializer_list<QLineEdit*>{&tone, &frequency}) {
    QTest::keyClicks(edit, typed);
    const QString name = edit->metaObject()->className();
    QCOMPARE(name + ": " + edit->text(), name + ": " + expected);
  }
}

void EntryControlsTest::secondPointIsDroppedWhileFirstIsSelected() {
  C2ToneEdit tone;
  CFreqEdit frequency;
  frequency.setEnabled(true);
  for (QLineEdit* edit : std::initializer_list<QLineEdit*>{&tone, &frequency}) {
    const QString name = edit->metaObject()->className();
    edit->setText("12.5");
    edit->setSelection(2, 1);
    QTest::keyClick(edit, '.');
    QCOMPARE(name + ": " + edit->text(), name + ": 12.5");
    QTest::keyClick(edit, '7');  // the selection was still there: a digit replaces it
    QCOMPARE(name + ": " + edit->text(), name + ": 1275");
  }
}

void EntryControlsTest::dtmfEntryFiltersTypedCharacters_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("expected");
  QTest::newRow("all DTMF characters") << "0123456789ABCD*#" << "0123456789ABCD*#";
  QTest::newRow("lower-case a-d appear upper case") << "a1b2c3d" << "A1B2C3D";
  QTest::newRow("other characters are dropped") << "1eE.x -+9" << "19";
  QTest::newRow("Backspace works") << "12\b3" << "13";
  QTest::newRow("sixteen digits at most") << "0123456789012345678" << "0123456789012345";
}

void EntryControlsTest::dtmfEntryFiltersTypedCharacters() {
  QFETCH(QString, typed);
  QFETCH(QString, expected);
  CDTMFEdit edit;
  QTest::keyClicks(&edit, typed);
  QCOMPARE(edit.text(), expected);
}

void EntryControlsTest::editingKeysAndPastePassTheFilters() {
  C2ToneEdit tone;
  CFreqEdit frequency;
  frequency.setEnabled(true);
  CDTMFEdit dtmf;
  for (QLineEdit* edit : std::initializer_list<QLineEdit*>{&tone, &frequency, &dtmf}) {
    const QString name = edit->metaObject()->className() + QString(": ");
    edit->setText("1234");
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, '9');
    QCOMPARE(name + edit->text(), name + "2394");
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(name + QApplication::clipboard()->text(), name + "2394");
    QTest::keyClick(edit, '5');
    QCOMPARE(name + edit->text(), name + "5");
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(name + edit->text(), name + "2394");
    // Pasted text passes the same filter: what the keys could not type is refused whole.
    QApplication::clipboard()->setText("x.y.1");
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(name + edit->text(), name + "2394");
  }
}

void EntryControlsTest::inputMethodAndPastedTextPassTheKeyFilter_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<QString>("given");
  QTest::addColumn<QString>("expected");  // after "12"
  for (const char* entry : {"frequency", "two-tone"}) {
    const QByteArray name(entry);
    QTest::newRow(name + ", digits and a point") << entry << "0.5" << "120.5";
    // Full-width digits and the ideographic full stop look like numbers but are no ASCII
    // digits: refused as the keys refuse them, not read as 1200 or as a point.
    QTest::newRow(name + ", full-width digits") << entry << QStringLiteral("\uFF11\uFF12\uFF10\uFF10") << "12";
    QTest::newRow(name + ", ideographic full stop") << entry << QStringLiteral("\u30025") << "12";
    QTest::newRow(name + ", Chinese text") << entry << QStringLiteral("\u4E00\u5343") << "12";
    QTest::newRow(name + ", a second point") << entry << "3.4.5" << "12";
  }
  QTest::newRow("DTMF, digits and letters, upper-cased") << "DTMF" << "ab*#9" << "12AB*#9";
  QTest::newRow("DTMF, full-width digits") << "DTMF" << QStringLiteral("\uFF13\uFF14") << "12";
  QTest::newRow("DTMF, other letters") << "DTMF" << "1e" << "12";
}

// Text from an input method (its commit string) and pasted text meet the same filter as
// typed keys; a text the filter refuses leaves the entry as it was.
void EntryControlsTest::inputMethodAndPastedTextPassTheKeyFilter() {
  QFETCH(QString, entry);
  QFETCH(QString, given);
  QFETCH(QString, expected);
  for (const bool pasted : {false, true}) {
    std::unique_ptr<QLineEdit> edit;
    if (entry == "frequency") {
      auto* frequency = new CFreqEdit;
      frequency->setEnabled(true);
      edit.reset(frequency);
    } else if (entry == "two-tone") {
      edit = std::make_unique<C2ToneEdit>();
    } else {
      edit = std::make_unique<CDTMFEdit>();
    }
    edit->setText("12");
    edit->setCursorPosition(2);
    if (pasted) {
      QApplication::clipboard()->setText(given);
      edit->paste();
    } else {
      QInputMethodEvent event;
      event.setCommitString(given);
      QApplication::sendEvent(edit.get(), &event);
    }
    QCOMPARE(QString(pasted ? "pasted: " : "input method: ") + edit->text(),
             QString(pasted ? "pasted: " : "input method: ") + expected);
  }
}

void EntryControlsTest::enterAndEscapeEndEditing_data() {
  QTest::addColumn<Editor>("editor");
  QTest::addColumn<QString>("openedText");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("expected");
  QTest::newRow("frequency, Esc restores the opened text")
      << Editor::Frequency << "145.500" << "146.1" << int(Qt::Key_Escape) << "145.500";
  QTest::newRow("frequency, Enter keeps the typed text")
      << Editor::Frequency << "145.500" << "146.1" << int(Qt::Key_Return) << "146.1";
  QTest::newRow("frequency, keypad Enter") << Editor::Frequency << "145.500" << "7" << int(Qt::Key_Enter) << "7";
  QTest::newRow("two-tone cell, Esc restores the opened value")
      << Editor::TwoToneCell << "1200.5" << "9" << int(Qt::Key_Escape) << "1200.5";
  QTest::newRow("two-tone cell, Enter keeps the typed text")
      << Editor::TwoToneCell << "1200.5" << "9" << int(Qt::Key_Return) << "9";
  QTest::newRow("two-tone field, Esc restores the value set")
      << Editor::TwoToneField << "1200.5" << "\b\b\b" << int(Qt::Key_Escape) << "1200.5";
  QTest::newRow("code box, Esc restores the opened code")
      << Editor::CodeBox << "D023N" << "D754I" << int(Qt::Key_Escape) << "D023N";
  QTest::newRow("code box, Enter keeps at most five typed characters")
      << Editor::CodeBox << "D023N" << "d754i12" << int(Qt::Key_Return) << "d754i";
  QTest::newRow("option list, Esc reselects the opened entry")
      << Editor::OptionList << "Monitor" << "O" << int(Qt::Key_Escape) << "Monitor";
  QTest::newRow("option list, Enter keeps the chosen entry")
      << Editor::OptionList << "Monitor" << "O" << int(Qt::Key_Return) << "Off";
}

void EntryControlsTest::enterAndEscapeEndEditing() {
  QFETCH(Editor, editor);
  QFETCH(QString, openedText);
  QFETCH(QString, typed);
  QFETCH(int, key);
  QFETCH(QString, expected);
  EditorWindow window;
  QVERIFY(window.Activate());
  QSignalSpy dialogFinished(&window.Dialog(), &QDialog::finished);
  QSignalSpy okClicked(window.OkButton(), &QPushButton::clicked);

  QWidget* control = OpenEditor(editor, window.Page(), openedText, programDir_.Files());
  QSignalSpy focusLost(control, SIGNAL(focusLost()));
  QVERIFY(control->hasFocus());
  QCOMPARE(ShownText(control), openedText);
  QTest::keyClicks(control, typed);
  QVERIFY(ShownText(control) != openedText);
  QTest::keyClick(control, Qt::Key(key));

  QCOMPARE(ShownText(control), expected);
  QCOMPARE(QApplication::focusWidget(), window.Page());
  QCOMPARE(focusLost.count(), 1);
  // The key ended the editing only; the dialog around the page stays open.
  QVERIFY(window.Dialog().isVisible());
  QCOMPARE(dialogFinished.count(), 0);
  QCOMPARE(okClicked.count(), 0);
}

void EntryControlsTest::openOverCell_data() {
  QTest::addColumn<Editor>("editor");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("maxLength");
  QTest::newRow("frequency") << Editor::Frequency << "145.500" << 10;
  QTest::newRow("two-tone") << Editor::TwoToneCell << "1200.5" << 6;
  QTest::newRow("code box") << Editor::CodeBox << "D023N" << 5;
  QTest::newRow("option list") << Editor::OptionList << "Monitor" << -1;
}

void EntryControlsTest::openOverCell() {
  QFETCH(Editor, editor);
  QFETCH(QString, text);
  QFETCH(int, maxLength);
  EditorWindow window;
  QVERIFY(window.Activate());
  window.OkButton()->setFocus();

  QWidget* control = OpenEditor(editor, window.Page(), text, programDir_.Files());
  QCOMPARE(control->geometry(), kCellRect);
  QVERIFY(control->isVisible());
  QVERIFY(control->isEnabled());
  QVERIFY(control->hasFocus());
  QCOMPARE(ShownText(control), text);
  QCOMPARE(SavedTextOf(control), text);
  if (QLineEdit* field = EditField(control)) {
    QCOMPARE(field->selectedText(), text);
    QCOMPARE(field->maxLength(), maxLength);
  }
}

void EntryControlsTest::optionListPreselectsByCellText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("index");
  QTest::newRow("an equal entry wins over an earlier longer one") << "Monitor" << 2;
  QTest::newRow("equality ignores case") << "MONITOR" << 2;
  QTest::newRow("else the first entry beginning with the text") << "mon" << 1;
  QTest::newRow("a prefix further down") << "Sc" << 3;
  QTest::newRow("no entry matches") << "Carrier" << -1;
}

void EntryControlsTest::optionListPreselectsByCellText() {
  QFETCH(QString, text);
  QFETCH(int, index);
  QWidget page;
  CAddBox box(&page);
  box.addItems(kOptions);
  box.OpenOverCell(kCellRect, "Scan");  // an earlier cell leaves its entry chosen
  box.OpenOverCell(kCellRect, text);
  QCOMPARE(box.currentIndex(), index);
  QCOMPARE(box.SavedText(), text);
}

void EntryControlsTest::comboPopupDoesNotEndEditing_data() {
  QTest::addColumn<Editor>("editor");
  QTest::addColumn<QString>("text");
  QTest::newRow("code box") << Editor::CodeBox << "D023N";
  QTest::newRow("option list") << Editor::OptionList << "Monitor";
}

void EntryControlsTest::comboPopupDoesNotEndEditing() {
  QFETCH(Editor, editor);
  QFETCH(QString, text);
  EditorWindow window;
  QVERIFY(window.Activate());
  auto* box = qobject_cast<QComboBox*>(OpenEditor(editor, window.Page(), text, programDir_.Files()));
  QSignalSpy focusLost(box, SIGNAL(focusLost()));

  box->showPopup();
  QTRY_VERIFY(box->view()->isVisible());
  QVERIFY(!box->hasFocus());  // the list has taken the focus
  box->hidePopup();
  QTRY_VERIFY(box->hasFocus());
  QCOMPARE(focusLost.count(), 0);
  QCOMPARE(ShownText(box), text);

  window.OkButton()->setFocus();  // clicking elsewhere ends the editing
  QCOMPARE(focusLost.count(), 1);
}

void EntryControlsTest::dtmfCodeThroughTheControl_data() {
  QTest::addColumn<QString>("code");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("codeReadBack");
  const QString empty = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
  QTest::newRow("digits, star and hash") << "01020E0FFFFFFFFFFFFFFFFFFFFFFFFF" << "12*#"
                                         << "01020E0FFFFFFFFFFFFFFFFFFFFFFFFF";
  QTest::newRow("first byte ends the string") << empty << "" << empty;
  QTest::newRow("all sixteen digits") << "000102030405060708090A0B0C0D0E0F" << "0123456789ABCD*#"
                                      << "000102030405060708090A0B0C0D0E0F";
  QTest::newRow("a byte above 15 ends the string") << "05100300000000000000000000000000" << "5"
                                                   << "05FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
}

void EntryControlsTest::dtmfCodeThroughTheControl() {
  QFETCH(QString, code);
  QFETCH(QString, text);
  QFETCH(QString, codeReadBack);
  CDTMFEdit edit;
  edit.setMaxLength(100);
  edit.setText("a text the code replaces");
  edit.SetCode(CodeFromHex(code.toStdString()));
  QCOMPARE(edit.text(), text);
  QCOMPARE(edit.maxLength(), 16);

  DtmfCode readBack;
  readBack.fill(0x55);
  edit.GetCode(readBack);
  QCOMPARE(QString::fromStdString(test::HexText(readBack)),
           QString::fromStdString(test::HexText(CodeFromHex(codeReadBack.toStdString()))));
}

void EntryControlsTest::typedDtmfDigitsReadBack() {
  CDTMFEdit edit;
  QTest::keyClicks(&edit, "1d#");
  DtmfCode code{};
  edit.GetCode(code);
  QCOMPARE(QString::fromStdString(test::HexText(code)),
           QString::fromStdString(test::HexText(CodeFromHex("010D0FFFFFFFFFFFFFFFFFFFFFFFFFFF"))));
}

void EntryControlsTest::codeListFollowsSetting_data() {
  QTest::addColumn<QString>("ctcdcs");
  QTest::addColumn<int>("entries");
  QTest::newRow("no tables") << "0" << 1;
  QTest::newRow("38 tones, both 83-code lists") << "13" << 205;
  QTest::newRow("all six tables") << "63" << 463;
}

void EntryControlsTest::codeListFollowsSetting() {
  QFETCH(QString, ctcdcs);
  QFETCH(int, entries);
  const test::ProgramDir directory;
  const AppFiles files = directory.Files();
  CCodeBox box;
  QVERIFY(files.WriteSetting("setup", "ctcdcs", "2"));
  box.FillCodes(files);
  QCOMPARE(box.count(), 1 + 50);

  // A changed setting takes effect at the next fill, which replaces the list.
  QVERIFY(files.WriteSetting("setup", "ctcdcs", ctcdcs.toStdString()));
  box.FillCodes(files);
  QCOMPARE(box.count(), entries);
  QCOMPARE(box.itemText(0), ToQString(files.GetText("IDS_NONE")));
}

QTEST_MAIN(EntryControlsTest)
#include "entry_controls_test.moc"
