// The two-tone signalling page as a user meets it: what it shows of the image, the
// tone entries and the code grid, the set tabs, the lists and spinners.

#include <QCheckBox>
#include <QComboBox>
#include <QTabWidget>
#include <QtTest>
#include <memory>

#include "pages/dlg_tone.h"
#include "radio/config_dump.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "radio/signalling_page.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/page_bench.h"
#include "ui/entry_controls.h"
#include "ui/grid_ctrl.h"

namespace {

namespace id = signalling_page::id;
namespace ss = image::signal_set;

using test::Press;
using test::Type;

}  // namespace

class SignallingPageTest : public test::PageTest<CDlgTone, QTabWidget> {
  Q_OBJECT

 private:
  std::uint16_t Word(std::size_t at) { return static_cast<std::uint16_t>(Doc().At(at) | (Doc().At(at + 1) << 8)); }
  void PutWord(std::size_t at, std::uint16_t value) {
    Doc().At(at) = static_cast<std::uint8_t>(value & 0xFF);
    Doc().At(at + 1) = static_cast<std::uint8_t>(value >> 8);
  }
  std::size_t SetField(int set, std::size_t field) { return image::SignalSetOffset(set) + field; }
  void ClickTab(int index) {
    QTabBar& bar = Page().SetTabs();
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.tabRect(index).center());
  }
  // A list entry chosen as the user chooses it.
  void Choose(int listId, int index) {
    QComboBox* list = Get<QComboBox>(listId);
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void FocusEntry(int controlId) {
    auto* entry = Get<C2ToneEdit>(controlId);
    entry->setFocus();
    entry->selectAll();
    QVERIFY(entry->hasFocus());
  }

 private slots:
  void init() { Start(QStringLiteral("tone")); }
  void cleanup() { s_.reset(); }

  void showsAFreshImageAndARegionOfFF() {
    QCOMPARE(Shown(id::kFirstToneDuration), QStringLiteral("0.5"));
    QCOMPARE(Shown(id::kCallFormat1), Option("CALLFORMAT", 0));
    QCOMPARE(Shown(id::kCallResponse2), Option("CALLRESPONSE", 1));
    QCOMPARE(Page().SetTabs().count(), 4);
    QCOMPARE(Page().SetTabs().tabText(3), QStringLiteral("Set 4"));
    CGridCtrl& grid = Page().Grid();
    QCOMPARE(grid.GetRowCount(), 17);
    QCOMPARE(grid.GetColumnCount(), 3);
    QCOMPARE(grid.GetItemText(0, 2), QStringLiteral("2nd Tone [Hz]"));
    QCOMPARE(grid.GetItemText(16, 0), QStringLiteral("16"));

    std::fill(&Doc().At(image::kSignalCodeTable), &Doc().At(image::kMessage), 0xFF);
    for (std::size_t at = image::kFirstToneDuration; at <= image::kToneGap; ++at) Doc().At(at) = 0xFF;
    Doc().At(image::kAlarm) = 0xFF;
    Doc().At(image::kScanAndPttId) = 0xFF;
    PutWord(image::SignalCodeOffset(7), 0);  // a stored 0 shows "0.0"
    Reload();
    QCOMPARE(Shown(id::kLongToneDuration), QStringLiteral("0.5"));
    QCOMPARE(Shown(id::kToneGap), QStringLiteral("1.0"));
    QVERIFY(Get<QCheckBox>(id::kSideTone)->isChecked());
    QCOMPARE(Shown(id::kSignalRelation), Option("SIGNALRELATION", 1));
    QCOMPARE(Shown(id::kAlarmTone2), QStringLiteral("8"));
    QCOMPARE(Shown(id::kCallFormat2), Option("CALLFORMAT", 0));
    QCOMPARE(Shown(id::kCallResponse1), Option("CALLRESPONSE", 3));
    QCOMPARE(Shown(id::kAutoResetTime), QStringLiteral("100"));
    QCOMPARE(Shown(id::kToneC), QString());
    QCOMPARE(grid.GetItemText(16, 2), QString());
    QCOMPARE(grid.GetItemText(7, 1), QStringLiteral("0.0"));
    QVERIFY(!Doc().IsModified());
  }

  void toneEntryStoresWhatIsTypedWhenLeft_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("typed");  // "-" leaves without typing
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("refused");
    QTest::newRow("whole hertz") << 12000 << "400" << 4000 << "400.0" << false;
    QTest::newRow("one decimal") << 12000 << "3106.8" << 31068 << "3106.8" << false;
    QTest::newRow("cleared") << 12000 << "" << 0xFFFF << "" << false;
    // Outside what the field holds: refused with a message, never stored as the limit.
    QTest::newRow("below the range") << 12000 << "5" << 12000 << "1200.0" << true;
    QTest::newRow("above the range") << 12000 << "3200" << 12000 << "1200.0" << true;
    QTest::newRow("a second decimal") << 12000 << "1000.25" << 12000 << "1200.0" << true;
    // A value another tool stored is kept when the user only passes through the field.
    QTest::newRow("stored 0, left untouched") << 0 << "-" << 0 << "0.0" << false;
  }
  void toneEntryStoresWhatIsTypedWhenLeft() {
    QFETCH(int, stored);
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    PutWord(SetField(1, ss::kToneB), static_cast<std::uint16_t>(stored));
    Reload();
    FocusEntry(id::kToneB);
    if (typed.isEmpty()) Press(Qt::Key_Backspace);
    if (typed != QStringLiteral("-")) Type(typed);
    test::ScriptedMessageBoxes boxes;
    Press(Qt::Key_Tab);
    QTEST(int(Word(SetField(1, ss::kToneB))), "value");
    QTEST(Shown(id::kToneB), "shown");
    QCOMPARE(Doc().IsModified(), !refused);
    QCOMPARE(Word(SetField(2, ss::kToneB)), std::uint16_t{0xFFFF});
    if (!refused) {
      QVERIFY(boxes.Shown().empty());
      return;
    }
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_TWOTONE_REFUSED"});
    const std::string named = config_dump::Name({"153.1.1118", {}, false}, Doc().Files().Texts()) + ": " + typed.toStdString();
    QVERIFY2(boxes.Shown()[0].text.find(named) != std::string::npos, boxes.Shown()[0].text.c_str());
  }

  void gridCellIsEditedInItsEntry() {
    CGridCtrl& grid = Page().Grid();
    C2ToneEdit& entry = Page().CodeEntry();
    PutWord(image::SignalCodeOffset(4), 5000);
    Reload();
    grid.setFocus();
    grid.SetFocusCell(3, 2);
    Type(QStringLiteral("1234"));  // typing into the cell opens the entry over it
    QVERIFY(entry.isVisible() && entry.hasFocus());
    QCOMPARE(entry.geometry().center(), Page().mapFromGlobal(grid.viewport()->mapToGlobal(grid.CellRect(3, 2).center())));
    Press(Qt::Key_Tab);  // leaving the cell commits
    QCOMPARE(Word(image::SignalCodeOffset(3) + 2), std::uint16_t{12340});
    QCOMPARE(grid.GetItemText(3, 2), QStringLiteral("1234.0"));
    QVERIFY(entry.isHidden() && !grid.HasExternalEditor());
    QVERIFY(Doc().IsModified());

    // Esc puts the stored value back; Enter commits; both leave the focus on the grid.
    grid.setFocus();
    grid.SetFocusCell(4, 1);
    Press(Qt::Key_Return);
    QCOMPARE(entry.text(), QStringLiteral("500.0"));
    Type(QStringLiteral("7"));
    Press(Qt::Key_Escape);
    QCOMPARE(Word(image::SignalCodeOffset(4)), std::uint16_t{5000});
    QVERIFY(entry.isHidden() && grid.hasFocus());
    Press(Qt::Key_Return);
    Type(QStringLiteral("600"));
    Press(Qt::Key_Return);
    QCOMPARE(Word(image::SignalCodeOffset(4)), std::uint16_t{6000});
    QCOMPARE(grid.GetItemText(4, 1), QStringLiteral("600.0"));
    QVERIFY(entry.isHidden() && grid.hasFocus());
    // A value the field cannot hold: one message, the cell keeps its value, and the entry
    // stays open with the text until it is corrected or Esc puts the value back.
    test::ScriptedMessageBoxes boxes;
    Press(Qt::Key_Return);
    Type(QStringLiteral("99999"));
    Press(Qt::Key_Return);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_TWOTONE_REFUSED"});
    QCOMPARE(Word(image::SignalCodeOffset(4)), std::uint16_t{6000});
    QCOMPARE(grid.GetItemText(4, 1), QStringLiteral("600.0"));
    QVERIFY(entry.isVisible() && entry.hasFocus());
    QCOMPARE(entry.text(), QStringLiteral("99999"));
    Press(Qt::Key_Escape);
    QCOMPARE(boxes.Shown().size(), std::size_t{1});
    QVERIFY(entry.isHidden() && grid.hasFocus());
    QCOMPARE(Word(image::SignalCodeOffset(4)), std::uint16_t{6000});
  }

  void beginEditOnTheRowNumbersOpensNothing() {
    GridBeginEdit request;
    request.row = 3;
    request.column = 0;
    request.screenRect = QRect(Page().Grid().mapToGlobal(QPoint(2, 40)), QSize(30, 16));
    emit Page().Grid().beginEdit(request);
    QVERIFY(Page().CodeEntry().isHidden());
    QVERIFY(!Page().Grid().HasExternalEditor());
    QVERIFY(!Doc().IsModified());
  }

  void setChangeShowsAndWritesTheShownSet() {
    PutWord(SetField(1, ss::kToneA), 10000);
    PutWord(SetField(3, ss::kToneA), 20000);
    Doc().At(SetField(3, ss::kDecodeAlarmTone[0])) = 5;
    Reload();
    ClickTab(2);
    QCOMPARE(Page().CurrentSet(), 2);
    QCOMPARE(Shown(id::kToneA), QStringLiteral("2000.0"));
    QCOMPARE(Shown(id::kAlarmTone1), QStringLiteral("6"));
    Choose(id::kAlarmTone1, 1);
    QCOMPARE(Doc().At(SetField(3, ss::kDecodeAlarmTone[0])), std::uint8_t{1});

    // The arrow keys on the tabs change the set as a click does.
    Page().SetTabs().setFocus();
    Press(Qt::Key_Left);
    QCOMPARE(Page().CurrentSet(), 1);
    QCOMPARE(Shown(id::kToneA), QString());
    QCOMPARE(Shown(id::kAlarmTone1), QStringLiteral("8"));
    Choose(id::kAutoResetTime, 0);
    QCOMPARE(Doc().At(SetField(2, ss::kAutoResetTime)), std::uint8_t{0});
    QCOMPARE(Doc().At(SetField(3, ss::kAutoResetTime)), std::uint8_t{0xFF});

    // Typed, then another tab clicked: the tone goes to the set it was typed for.
    FocusEntry(id::kToneA);
    Type(QStringLiteral("700"));
    Choose(id::kAlarmTone2, 2);  // as the mouse wheel chooses, the focus staying in the entry
    QCOMPARE(Shown(id::kToneA), QStringLiteral("700"));
    ClickTab(0);
    QCOMPARE(Word(SetField(2, ss::kToneA)), std::uint16_t{7000});
    QCOMPARE(Word(SetField(1, ss::kToneA)), std::uint16_t{10000});
    QCOMPARE(Shown(id::kToneA), QStringLiteral("1000.0"));
    // The mouse wheel over the tabs leaves the focus in the entry; the typed text still
    // goes to the set it was typed for.
    FocusEntry(id::kToneA);
    Type(QStringLiteral("800"));
    Page().SetTabs().setCurrentIndex(3);
    QCOMPARE(Word(SetField(1, ss::kToneA)), std::uint16_t{8000});
    QCOMPARE(Word(SetField(4, ss::kToneA)), std::uint16_t{0xFFFF});
    QCOMPARE(Shown(id::kToneA), QString());
  }

  void setIsKeptAcrossLoadFromImage() {
    ClickTab(3);
    PutWord(SetField(4, ss::kToneC), 15555);
    Reload();
    QCOMPARE(Page().CurrentSet(), 3);
    QCOMPARE(Page().SetTabs().currentIndex(), 3);
    QCOMPARE(Shown(id::kToneC), QStringLiteral("1555.5"));
  }

  void listChoicesWriteTheirField_data() {
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("offset");  // in set 2 when below 0x100, else in the image
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("shownBefore");  // "SECTION:index" for an option text
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("after");
    QTest::newRow("alarm tone, the whole byte")
        << id::kAlarmTone2 << int(ss::kDecodeAlarmTone[1]) << 0xFB << "4" << 3 << 0x03;
    QTest::newRow("call format 0 is code 15, response kept")
        << id::kCallFormat1 << int(ss::kDecodeFormat[0]) << 0x85 << "" << 0 << 0x8F;
    QTest::newRow("call response, bits 6-7")
        << id::kCallResponse2 << int(ss::kDecodeFormat[1]) << 0x3B << "CALLRESPONSE:0" << 2 << 0xBB;
    QTest::newRow("auto reset time") << id::kAutoResetTime << int(ss::kAutoResetTime) << 200 << "100" << 42 << 42;
    QTest::newRow("signal relation, bit 6") << id::kSignalRelation << int(image::kAlarm) << 0x0F
                                            << "SIGNALRELATION:0" << 1 << 0x4F;
  }
  void listChoicesWriteTheirField() {
    QFETCH(int, list);
    QFETCH(int, offset);
    QFETCH(int, before);
    QFETCH(int, index);
    QFETCH(QString, shownBefore);
    const std::size_t at = offset < 0x100 ? SetField(2, static_cast<std::size_t>(offset)) : std::size_t(offset);
    Doc().At(at) = static_cast<std::uint8_t>(before);
    ClickTab(1);
    Reload();
    const QStringList option = shownBefore.split(u':');
    QCOMPARE(Shown(list), option.size() == 2 ? Option(qPrintable(option[0]), option[1].toInt()) : shownBefore);
    Choose(list, index);
    QTEST(int(Doc().At(at)), "after");
    QVERIFY(Doc().IsModified());
  }

  void spinnersStepWithinTheirLimits_data() {
    QTest::addColumn<int>("edit");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("shown");
    QTest::newRow("first tone at 10.0") << id::kFirstToneDuration << int(image::kFirstToneDuration) << 100
                                        << int(Qt::Key_Up) << 100 << "10.0";
    QTest::newRow("long tone at 0.5") << id::kLongToneDuration << int(image::kLongToneDuration) << 5
                                      << int(Qt::Key_Down) << 5 << "0.5";
    QTest::newRow("second tone from the shown 0.5") << id::kSecondToneDuration << int(image::kSecondToneDuration)
                                                    << 0xFF << int(Qt::Key_Up) << 6 << "0.6";
    QTest::newRow("gap at 0.0") << id::kToneGap << int(image::kToneGap) << 0 << int(Qt::Key_Down) << 0 << "0.0";
    QTest::newRow("gap at 2.0") << id::kToneGap << int(image::kToneGap) << 20 << int(Qt::Key_Up) << 20 << "2.0";
  }
  void spinnersStepWithinTheirLimits() {
    QFETCH(int, edit);
    QFETCH(int, offset);
    QFETCH(int, before);
    QFETCH(int, key);
    Doc().At(static_cast<std::size_t>(offset)) = static_cast<std::uint8_t>(before);
    Reload();
    Page().ControlById(edit)->setFocus();
    Press(static_cast<Qt::Key>(key));
    QTEST(int(Doc().At(static_cast<std::size_t>(offset))), "after");
    QTEST(Shown(edit), "shown");
    QVERIFY(Doc().IsModified());
  }

  void sideToneClickSetsBitSeven() {
    Doc().At(image::kScanAndPttId) = 0x21;
    Reload();
    QTest::mouseClick(Get<QCheckBox>(id::kSideTone), Qt::LeftButton);
    QCOMPARE(Doc().At(image::kScanAndPttId), std::uint8_t{0xA1});
    QVERIFY(Doc().IsModified());
  }

  void leavingThePageCommitsTheEntryInUse() {
    FocusEntry(id::kToneA);
    Type(QStringLiteral("450"));
    s_->host.setCurrentIndex(1);
    QCOMPARE(Word(SetField(1, ss::kToneA)), std::uint16_t{4500});

    s_->host.setCurrentIndex(0);
    Page().Grid().setFocus();
    Page().Grid().SetFocusCell(2, 1);
    Type(QStringLiteral("800"));
    s_->host.setCurrentIndex(1);
    QCOMPARE(Word(image::SignalCodeOffset(2)), std::uint16_t{8000});
    QVERIFY(Page().CodeEntry().isHidden());
  }

  void tabOrderFollowsTheLayout() {
    QList<int> order;
    QWidget* widget = &Page();
    while ((widget = widget->nextInFocusChain()) != &Page()) {
      if (!Page().isAncestorOf(widget) || !widget->isVisible() || !(widget->focusPolicy() & Qt::TabFocus)) continue;
      order.append(widget == &Page().SetTabs() ? id::kSetTabs : ControlId(widget));
    }
    const QList<int> expected{id::kFirstToneDuration, id::kSecondToneDuration, id::kLongToneDuration, id::kToneGap,
                              id::kSideTone,          id::kCodeGrid,           id::kSetTabs,          id::kCallFormat1,
                              id::kCallResponse1,     id::kAlarmTone1,         id::kCallFormat2,      id::kCallResponse2,
                              id::kAlarmTone2,        id::kAutoResetTime,      id::kToneA,            id::kToneB,
                              id::kToneC,             id::kSignalRelation};
    QCOMPARE(order, expected);
  }
};

QTEST_MAIN(SignallingPageTest)
#include "signalling_page_test.moc"
