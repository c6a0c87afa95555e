// Dialogs built from the templates in res/: controls by id, placed from dialog
// units, captions from the language file's "Resource" section.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

#include "settings/profile.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialog_template.h"

class DialogTemplateTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsArePlacedFromDialogUnitsOfTheFont() {
    QWidget dialog;
    const DialogTemplate* form = BuildFromTemplate(&dialog, dialog_id::kPort);
    QVERIFY(form != nullptr);
    const DialogUnits units(dialog.font());
    for (const ControlTemplate& entry : form->controls) {
      QWidget* control = FindControl(&dialog, entry.id);
      QVERIFY2(control != nullptr, qPrintable(QString::number(entry.id)));
      QRect expected = units.ToPixels(entry.rect);
      // A combo box's template height is that of its open list; closed it is one line.
      if (auto* combo = qobject_cast<QComboBox*>(control)) expected.setHeight(combo->sizeHint().height());
      QCOMPARE(control->geometry(), expected);
      QCOMPARE(ControlId(control), entry.id);
    }
    QCOMPARE(dialog.size(), units.ToPixels(form->width, form->height));
    // Dialog units follow the font: a larger font gives a larger dialog.
    QFont large = dialog.font();
    large.setPointSizeF(large.pointSizeF() * 2);
    QVERIFY(DialogUnits(large).ToPixels(100, 100).width() > units.ToPixels(100, 100).width());
    QCOMPARE(DialogUnits(dialog.font()).ToPixels(DialogRect{4, 8, 4, 8}).topLeft(),
             QPoint(units.ToPixels(4, 8).width(), units.ToPixels(4, 8).height()));
    QVERIFY(FindControl(&dialog, 4242) == nullptr);
  }

  void templateStylesAndKindsAreKept() {
    QWidget dialog;
    BuildFromTemplate(&dialog, dialog_id::kTransfer);
    dialog.show();
    QVERIFY(!Control<QCheckBox>(&dialog, 1217)->isVisible());  // hidden in the template
    QVERIFY(Control<QPushButton>(&dialog, kIdOk)->isDefault());
    QVERIFY(Control<QLabel>(&dialog, 1302) != nullptr);

    QWidget port;
    BuildFromTemplate(&port, dialog_id::kPort);
    auto* com1 = Control<QRadioButton>(&port, 1014);
    auto* com2 = Control<QRadioButton>(&port, 1015);
    com1->setChecked(true);
    com2->setChecked(true);
    QVERIFY(!com1->isChecked());  // one group: choosing one clears the other
    // A list view shows whole rows, one selected; a read-only text of several lines
    // leaves Tab to move on.
    auto* list = Control<QTreeWidget>(&port, 1394);
    QVERIFY(list != nullptr);
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    auto* state = Control<QPlainTextEdit>(&port, 1392);
    QVERIFY(state != nullptr && state->isReadOnly() && state->tabChangesFocus());
  }

  void customControlsComeFromTheFactory() {
    QWidget page;
    int asked = 0;
    BuildFromTemplate(&page, dialog_id::kChannelPage, [&](const ControlTemplate& entry, QWidget* parent) -> QWidget* {
      if (entry.kind != ControlKind::Custom) return nullptr;
      ++asked;
      return new QLabel(QString::fromLatin1(entry.className.data(), static_cast<qsizetype>(entry.className.size())),
                        parent);
    });
    QCOMPARE(asked, 4);
    QCOMPARE(Control<QLabel>(&page, 1030)->text(), QStringLiteral("MFCGridCtrl"));
    QVERIFY(Control<QComboBox>(&page, 1237) != nullptr);
    QVERIFY(!FindControl(&page, 1105)->isVisible() && !FindControl(&page, 1105)->isEnabled());
  }

  void resourceTextsReplaceTemplateTextsByIdUnlessEmptyOrMissing() {
    test::ProgramDir dir;
    const AppFiles files = dir.Files();
    QVERIFY(profile::WriteString(files.LanguagePath(), "Resource", "^152", "Serial Port"));
    QVERIFY(profile::WriteString(files.LanguagePath(), "Resource", "^1218", "Search"));
    QVERIFY(profile::WriteString(files.LanguagePath(), "Resource", "^1014", ""));
    QVERIFY(profile::WriteString(files.LanguagePath(), "Resource", "^1", "Go"));
    QWidget dialog;
    BuildFromTemplate(&dialog, dialog_id::kPort);
    ApplyDialogTexts(&dialog, dialog_id::kPort, files);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial Port"));
    QCOMPARE(ControlText(FindControl(&dialog, 1218)), QStringLiteral("Search"));
    QCOMPARE(ControlText(FindControl(&dialog, 1014)), QStringLiteral("COM1"));  // empty entry
    QCOMPARE(ControlText(FindControl(&dialog, 1)), QStringLiteral("Go"));
    QCOMPARE(ControlText(FindControl(&dialog, 2)), QStringLiteral("Cancel"));  // shipped "Cancel"
    QVERIFY(!dialog.windowIcon().isNull());

    // Without a language file every template text stays.
    QWidget bare;
    BuildFromTemplate(&bare, dialog_id::kPort);
    ApplyDialogTexts(&bare, dialog_id::kPort, AppFiles(dir.Path(), "lang_missing"));
    QCOMPARE(bare.windowTitle(), QStringLiteral("Communication Port"));
    QCOMPARE(ControlText(FindControl(&bare, 1218)), QStringLiteral("Auto search COM port"));
  }
};

QTEST_MAIN(DialogTemplateTest)
#include "dialog_template_test.moc"
