// The scan, VOX and DTMF page as a user meets it: lists picked, boxes clicked, values
// stepped with the arrows or the keys, the PTT ID edits, and the scan controls that
// follow the channel table.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "pages/dlg_key_setting.h"
#include "pages/tavro_pgm_view.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "radio/scan_page.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/page_bench.h"
#include "ui/entry_controls.h"
#include "ui/up_down.h"

namespace {

namespace id = scan_page::id;
namespace rec = image::channel;

using test::Press;
using test::Type;

// The scan controls that need a scan type other than the first.
const QList<int> kScanSettings{id::kRevertChannelLabel, id::kRevertChannel,        id::kPriorityLabel,
                               id::kPriority,           id::kPriorityChannelLabel, id::kPriorityChannel,
                               id::kDropoutDelayLabel,  id::kDropoutDelay,         id::kTransmitDwellLabel,
                               id::kTransmitDwell};

}  // namespace

class ScanPageTest : public test::PageTest<CDlgKeySetting, CMyTab> {
  Q_OBJECT

 private:
  void Choose(int listId, int index) { ChooseInOpenList(listId, index); }

 private slots:
  void init() { Start(QStringLiteral("scan")); }
  void cleanup() { s_.reset(); }

  void showsStoredValuesWithTheirSubstitutes() {
    Doc().At(image::kScanAndPttId) = 0xFC;  // PTT ID mode 0: entry 5 of a 3-entry list
    Doc().At(image::kDtmfFirstDigitDelay) = 0;
    Doc().At(image::kDtmfDKeySetting) = 0;
    Doc().At(image::kVoxDelay) = 31;
    Reload();
    QCOMPARE(Get<QComboBox>(id::kPttIdMode)->currentIndex(), -1);
    QCOMPARE(Get<QComboBox>(id::kPttIdMode)->count(), 3);
    QCOMPARE(Shown(id::kFirstDigitDelay), QStringLiteral("100"));
    QCOMPARE(Shown(id::kDKey), Text("IDS_DKEY"));
    QCOMPARE(Shown(id::kVoxDelay), QStringLiteral("3.0"));
    QCOMPARE(Doc().At(image::kDtmfFirstDigitDelay), 0);
    QVERIFY(!Doc().IsModified());
  }

  void userChangesStoreTheirValues_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<QString>("how");  // pick (index), click, arrow (+1/-1), key (buddy key)
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("shown");  // by the control, or the buddy of an up-down
    // Data rows come before init(): the shipped language file gives the texts.
    const AppFiles shipped(test::SourceDataDir(), "lang_en");
    auto option = [&](const char* section, int index) {
      return QString::fromStdString(shipped.OptionText(section, index));
    };
    const QString second = QString::fromStdString(shipped.GetText("IDS_SECOND"));
    const QString dTone = QString::fromStdString(shipped.GetText("IDS_DKEY"));
    auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
    row("scan type 2") << id::kScanType << "pick" << 1 << int(image::kScanAndPttId) << 0xF3 << 0xF7
                       << option("SCANTYPE", 1);
    row("PTT ID 1") << id::kPttIdMode << "pick" << 0 << int(image::kScanAndPttId) << 0xF3 << 0xF2 << option("PTTID", 0);
    row("PTT ID 2") << id::kPttIdMode << "pick" << 1 << int(image::kScanAndPttId) << 0xF3 << 0xF1 << option("PTTID", 1);
    row("PTT ID 3") << id::kPttIdMode << "pick" << 2 << int(image::kScanAndPttId) << 0xF0 << 0xF3 << option("PTTID", 2);
    row("dropout 1.0") << id::kDropoutDelay << "pick" << 0 << int(image::kDropoutDelay) << 50 << 10 << "1.0";
    row("dwell 10.0") << id::kTransmitDwell << "pick" << 9 << int(image::kTransmitDwell) << 50 << 100 << "10.0";
    row("VOX gain 5") << id::kVoxGain << "pick" << 4 << int(image::kVoxGain) << 2 << 5 << "5";
    row("VOX delay 0.3") << id::kVoxDelay << "pick" << 0 << int(image::kVoxDelay) << 30 << 3 << "0.3";
    row("revert mode 4") << id::kRevertChannel << "pick" << 3 << int(image::kRevertChannelMode) << 1 << 3
                         << option("REVERTCH", 3);
    row("priority channel 3") << id::kPriorityChannel << "pick" << 2 << int(image::kPriorityChannel) << 1 << 3 << "3";
    row("priority off") << id::kPriority << "pick" << 0 << int(image::kPriorityChannel) << 1 << 0
                        << option("PRIORITY", 0);
    row("VOX tone") << id::kVoxTone << "click" << 0 << int(image::kKeyAndVox) << 0x00 << 0x40 << "1";
    row("VOX check earphone") << id::kVoxCheckEarphone << "click" << 0 << int(image::kKeyAndVox) << 0xFF << 0xFD << "0";
    row("side tone") << id::kSideTone << "click" << 0 << int(image::kOptions) << 0xFF << 0xBF << "0";
    row("speed up") << id::kDtmfSpeedSpinner << "arrow" << +1 << int(image::kDtmfSpeed) << 5 << 6 << "6";
    row("speed stops at 15") << id::kDtmfSpeedSpinner << "arrow" << +1 << int(image::kDtmfSpeed) << 15 << 15 << "15";
    row("first digit delay stops at 100 ms")
        << id::kFirstDigitDelaySpinner << "arrow" << -1 << int(image::kDtmfFirstDigitDelay) << 2 << 2 << "100";
    row("first digit delay down") << id::kFirstDigitDelaySpinner << "key" << int(Qt::Key_Down)
                                  << int(image::kDtmfFirstDigitDelay) << 4 << 3 << "150";
    row("first digit time to 0") << id::kFirstDigitTimeSpinner << "key" << int(Qt::Key_PageDown)
                                 << int(image::kDtmfFirstDigitTime) << 1 << 0 << "0";
    row("* and # up") << id::kStarHashTimeSpinner << "key" << int(Qt::Key_Up) << int(image::kDtmfStarHashTime) << 0 << 1
                      << "50";
    row("D key down from 0") << id::kDKeySpinner << "arrow" << -1 << int(image::kDtmfDKeySetting) << 0 << 160
                             << "16" + second;
    row("D key up from 16") << id::kDKeySpinner << "key" << int(Qt::Key_Up) << int(image::kDtmfDKeySetting) << 160 << 0
                            << dTone;
  }
  void userChangesStoreTheirValues() {
    QFETCH(int, control);
    QFETCH(QString, how);
    QFETCH(int, value);
    QFETCH(int, offset);
    QFETCH(int, before);
    // Scanning possible with a scan type that enables every scan control; priority channel 1.
    Use({1, 3});
    Doc().At(image::kScanAndPttId) = 0xF3;
    Doc().At(image::kPriorityChannel) = 1;
    Doc().At(static_cast<std::size_t>(offset)) = static_cast<std::uint8_t>(before);
    Reload();

    QWidget* shownBy = Page().ControlById(control);
    if (how == QStringLiteral("pick")) {
      Choose(control, value);
    } else if (how == QStringLiteral("click")) {
      QTest::mouseClick(Get<QCheckBox>(control), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    } else {
      shownBy = Get<CUpDown>(control)->Buddy();
      if (how == QStringLiteral("arrow")) {
        ClickArrow(control, value);
      } else {
        shownBy->setFocus();
        Press(Qt::Key(value));
      }
    }
    QTEST(int(Doc().At(static_cast<std::size_t>(offset))), "after");
    const auto* box = qobject_cast<QCheckBox*>(shownBy);
    QTEST(box != nullptr ? QString::number(int(box->isChecked())) : ControlText(shownBy), "shown");
    QVERIFY(Doc().IsModified());
  }

  void scanControlsFollowTheScanMembers() {
    // One scan member: the first scan type, forced into the image, and nothing to change.
    Use({2});
    Doc().At(image::kScanAndPttId) = 0xF3;
    Reload();
    QCOMPARE(Shown(id::kScanType), Option("SCANTYPE", 0));
    QCOMPARE(Doc().At(image::kScanAndPttId), 0xFF);
    QCOMPARE(DisabledOf(kScanSettings), kScanSettings);
    const QList<int> scanType{id::kScanGroup, id::kScanTypeLabel, id::kScanType};
    QCOMPARE(DisabledOf(scanType), scanType);
    QVERIFY(Get<QComboBox>(id::kVoxGain)->isEnabled() && Get<QComboBox>(id::kPttIdMode)->isEnabled());

    // A second member: the scan type can be chosen, and the third one enables the rest.
    Use({5});
    Reload();
    QCOMPARE(DisabledOf(scanType), QList<int>{});
    QCOMPARE(DisabledOf(kScanSettings), kScanSettings);
    Choose(id::kScanType, 2);
    QCOMPARE(Doc().At(image::kScanAndPttId), 0xF3);
    QCOMPARE(DisabledOf(kScanSettings), QList<int>{id::kPriorityChannel});  // no priority channel

    // Channel 5 leaves the scan list on the channel page; this page shows it when shown.
    s_->host.setCurrentIndex(1);
    Doc().ChannelRecord(5)[rec::kSwitches] &= static_cast<std::uint8_t>(~rec::kScanMember);
    Doc().SetModifiedFlag(false);
    s_->host.setCurrentIndex(0);
    QCOMPARE(Shown(id::kScanType), Option("SCANTYPE", 0));
    QCOMPARE(Doc().At(image::kScanAndPttId), 0xFF);
    QVERIFY(Doc().IsModified());
    QCOMPARE(DisabledOf(kScanSettings), kScanSettings);
    QCOMPARE(DisabledOf(scanType), scanType);
  }

  void priorityOnTakesTheLowestUsedChannel() {
    // Nothing used: no priority channel to show, nor to choose.
    Reload();
    QCOMPARE(Get<QComboBox>(id::kPriorityChannel)->currentIndex(), -1);
    QVERIFY(!Get<QComboBox>(id::kPriorityChannel)->isEnabled());

    Use({9, 4});
    Doc().At(image::kScanAndPttId) = 0xF3;
    Doc().At(image::kPriorityChannel) = 0;
    Reload();
    QCOMPARE(Get<QComboBox>(id::kRevertChannel)->count(), 4);
    Choose(id::kPriority, 1);
    QCOMPARE(Doc().At(image::kPriorityChannel), 4);
    QCOMPARE(Shown(id::kPriorityChannel), QStringLiteral("4"));
    QVERIFY(Get<QComboBox>(id::kPriorityChannel)->isEnabled());
    QCOMPARE(Get<QComboBox>(id::kRevertChannel)->count(), 6);
    QVERIFY(Doc().IsModified());
  }

  void revertModesThreeAndFourNeedAPriorityChannel() {
    Use({1, 2});
    Doc().At(image::kScanAndPttId) = 0xF3;
    Doc().At(image::kPriorityChannel) = 0;
    Doc().At(image::kRevertChannelMode) = 2;
    Reload();
    QComboBox* list = Get<QComboBox>(id::kRevertChannel);
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(list->itemText(2), Option("REVERTCH", 4));
    Choose(id::kRevertChannel, 2);
    QCOMPARE(Doc().At(image::kRevertChannelMode), 4);
    QCOMPARE(Shown(id::kRevertChannel), Option("REVERTCH", 4));
  }

  void freeChannelIsRefusedAsPriorityChannel() {
    Use({1, 2});
    Doc().At(image::kScanAndPttId) = 0xF3;
    Doc().At(image::kPriorityChannel) = 2;
    Reload();
    test::ScriptedMessageBoxes boxes;
    Choose(id::kPriorityChannel, 6);
    QCOMPARE(boxes.Shown().size(), std::size_t{1});
    const MessageBoxCall& call = boxes.Shown().front();
    QCOMPARE(call.textKey, std::string("IDS_ERROR_CH"));
    QCOMPARE(QString::fromStdString(call.caption), Text("IDS_ERROR"));
    QVERIFY(call.icon == PromptIcon::Error && call.buttons == PromptButtons::Ok);
    QCOMPARE(Get<QComboBox>(id::kPriorityChannel)->currentIndex(), -1);
    QCOMPARE(Doc().At(image::kPriorityChannel), 2);
    QVERIFY(Doc().IsModified());

    Choose(id::kPriorityChannel, 0);
    QCOMPARE(boxes.Shown().size(), std::size_t{1});
    QCOMPARE(Doc().At(image::kPriorityChannel), 1);
  }

  void pttIdEditsCommitWhatIsTyped() {
    auto* bot = Get<CDTMFEdit>(id::kBotPttId);
    auto* eot = Get<CDTMFEdit>(id::kEotPttId);
    bot->setFocus();
    Type(QStringLiteral("12ab"));
    QCOMPARE(bot->text(), QStringLiteral("12AB"));
    Press(Qt::Key_Tab);
    QVERIFY(eot->hasFocus());
    QCOMPARE(Bytes(image::kPttIdBegin, 16), QByteArray::fromHex("01020A0BFFFFFFFFFFFFFFFFFFFFFFFF"));
    QVERIFY(Doc().IsModified());

    // An arrow clicked while typing (the arrows take no focus) keeps the typed text; a tab
    // switch commits it.
    Doc().SetModifiedFlag(false);
    Type(QStringLiteral("9#"));
    ClickArrow(id::kDtmfSpeedSpinner, +1);
    QCOMPARE(eot->text(), QStringLiteral("9#"));
    QCOMPARE(Doc().At(image::kDtmfSpeed), 6);
    s_->host.setCurrentIndex(1);
    QCOMPARE(Bytes(image::kPttIdEnd, 3), QByteArray::fromHex("090FFF"));
    s_->host.setCurrentIndex(0);
    QCOMPARE(eot->text(), QStringLiteral("9#"));

    // Leaving an unchanged edit changes nothing.
    Doc().SetModifiedFlag(false);
    bot->setFocus();
    Press(Qt::Key_Tab);
    Press(Qt::Key_Return);
    QVERIFY(!Doc().IsModified());
  }

  // The PTT IDs follow the emergency ID's rule: passing through stores nothing, even a
  // stored code whose text cannot show it exactly; a typed change is stored on leaving.
  void passingThroughAPttIdKeepsACodeItsTextCannotShow() {
    const QByteArray gapped = QByteArray::fromHex("01FF03") + QByteArray(13, '\xFF');
    const QByteArray junk = QByteArray::fromHex("0210FE") + QByteArray(13, '\x00');
    std::copy(gapped.begin(), gapped.end(), &Doc().At(image::kPttIdBegin));
    std::copy(junk.begin(), junk.end(), &Doc().At(image::kPttIdEnd));
    Doc().SetModifiedFlag(false);
    Reload();
    auto* bot = Get<CDTMFEdit>(id::kBotPttId);
    QCOMPARE(bot->text(), QStringLiteral("1"));
    bot->setFocus();
    Press(Qt::Key_Return);
    Press(Qt::Key_Tab);
    QVERIFY(Get<CDTMFEdit>(id::kEotPttId)->hasFocus());
    s_->host.setCurrentIndex(1);
    s_->host.setCurrentIndex(0);
    Get<QComboBox>(id::kPttIdMode)->setFocus();
    QCOMPARE(Bytes(image::kPttIdBegin, 16), gapped);
    QCOMPARE(Bytes(image::kPttIdEnd, 16), junk);
    QVERIFY(!Doc().IsModified());

    // Typed and typed back to what was shown is still a typed change: the text is stored.
    bot->setFocus();
    Press(Qt::Key_End);
    Type(QStringLiteral("5"));
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Tab);
    QCOMPARE(Bytes(image::kPttIdBegin, 16), QByteArray::fromHex("01") + QByteArray(15, '\xFF'));
    QVERIFY(Doc().IsModified());
  }

  void ctrlPageDownOnAListSwitchesThePage() {
    QComboBox* list = Get<QComboBox>(id::kVoxGain);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(s_->host.currentIndex(), 1);
    QCOMPARE(list->currentIndex(), 1);
    QCOMPARE(Doc().At(image::kVoxGain), 2);
    QVERIFY(!Doc().IsModified());
  }

  void tabVisitsTheControlsInLayoutOrder() {
    Use({1, 2});
    Doc().At(image::kScanAndPttId) = 0xF3;
    Doc().At(image::kPriorityChannel) = 1;
    Reload();
    Get<QComboBox>(id::kScanType)->setFocus();
    QList<int> visited{ControlId(QApplication::focusWidget())};
    for (int step = 0; step < 19; ++step) {
      Press(Qt::Key_Tab);
      visited.append(ControlId(QApplication::focusWidget()));
    }
    const QList<int> expected{id::kScanType,         id::kRevertChannel,   id::kPriority,     id::kPriorityChannel,
                              id::kDropoutDelay,     id::kTransmitDwell,   id::kVoxTone,      id::kVoxCancel,
                              id::kVoxCheckEarphone, id::kVoxGain,         id::kVoxDelay,     id::kDtmfSpeed,
                              id::kFirstDigitTime,   id::kFirstDigitDelay, id::kStarHashTime, id::kDKey,
                              id::kSideTone,         id::kPttIdMode,       id::kBotPttId,     id::kEotPttId};
    QCOMPARE(visited, expected);
    QVERIFY(!Doc().IsModified());
  }
};

QTEST_MAIN(ScanPageTest)
#include "scan_page_test.moc"
