// The channel table on paper: the layout arithmetic, the printout as a PDF file read
// back with pdftotext, the preview, the messages when nothing can be printed, and the
// window-less printout of the command line.

#include <QDateTime>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPainter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "pages/print_layout.h"
#include "pages/tavro_pgm_view.h"
#include "res/main_resources.h"
#include "tests/gui/gui_test_support.h"
#include "ui/file_dialog.h"

namespace {

// A configuration with used channels and free ones between them.
const std::vector<std::pair<int, std::string>> kUsedChannels = {
    {2, "440.125000"}, {3, "446.006250"}, {7, "462.562500"}, {12, "410.000000"}};

// The caption of the model selector and the model of a new configuration.
const QString kModelLine = QStringLiteral("Model Information : CV-407 UHF 400-470 MHz");

struct Printout {
  int pages = 0;
  QString pageSize;      // as pdfinfo names it: "A4", "letter"
  QStringList lines;     // pdftotext -layout, empty lines left out
};

QString Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

Printout ReadPdf(const QString& file) {
  Printout printout;
  const QString info = Run(QStringLiteral("pdfinfo"), {file});
  printout.pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
  printout.pageSize = QRegularExpression(QStringLiteral("Page size:.*\\((\\w+)\\)")).match(info).captured(1);
  const QString text = Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (!line.trimmed().isEmpty()) printout.lines.append(line.trimmed());
  }
  return printout;
}

// The channel rows of a printout: number and receive frequency, in the order printed.
std::vector<std::pair<int, std::string>> ChannelRows(const QStringList& lines) {
  static const QRegularExpression row(QStringLiteral("^(\\d+)\\s+(\\d{3}\\.\\d{6})\\b"));
  std::vector<std::pair<int, std::string>> rows;
  for (const QString& line : lines) {
    const QRegularExpressionMatch match = row.match(line);
    if (match.hasMatch()) rows.emplace_back(match.captured(1).toInt(), match.captured(2).toStdString());
  }
  return rows;
}

// A channel number on a line of its own: the row of a free channel.
bool HasBareChannelNumber(const QStringList& lines) {
  static const QRegularExpression bare(QStringLiteral("^\\d+$"));
  return std::any_of(lines.begin(), lines.end(), [](const QString& line) { return bare.match(line).hasMatch(); });
}

// "%Y-%m-%d %A %H:%M" of each minute from `from` to now, as the user's locale writes it.
QStringList TimeStampsSince(const QDateTime& from) {
  QStringList stamps;
  const QLocale locale = QLocale::system();
  for (QDateTime time = from; time <= QDateTime::currentDateTime().addSecs(60); time = time.addSecs(60)) {
    stamps.append(time.toString(QStringLiteral("yyyy-MM-dd ")) + locale.dayName(time.date().dayOfWeek()) +
                  time.toString(QStringLiteral(" HH:mm")));
  }
  return stamps;
}

}  // namespace

class PrintTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::ProgramDir> dir_;
  std::unique_ptr<QTemporaryDir> settingsHome_;
  std::unique_ptr<CTavroPgmApp> app_;

  CMainFrame& Frame() { return app_->MainFrame(); }
  QString Text(const char* key) { return QString::fromStdString(app_->Files().GetText(key)); }

  // A data file whose used channels are `used`; every other channel is free.
  std::filesystem::path DataFile(const std::string& name, const std::vector<std::pair<int, std::string>>& used) {
    test::ScriptedPrompter prompter;
    CTavroPgmDoc doc(app_->Files());
    test::NewDocument(doc, prompter);
    for (int channel = 1; channel <= 16; ++channel) doc.SetChannelFrequency(channel, true, "", prompter);
    for (const auto& [channel, frequency] : used) doc.SetChannelFrequency(channel, true, frequency, prompter);
    FileError error;
    const std::filesystem::path path = dir_->Path() / name;
    if (!doc.OnSaveDocument(path, error)) qFatal("cannot save a fixture file");
    return path;
  }

  // Exports the open configuration through the Export PDF command; the file dialog's call.
  std::optional<FileDialogCall> ExportThroughCommand(const std::filesystem::path& target) {
    std::optional<FileDialogCall> asked;
    SetFileDialogAnswerer([&](const FileDialogCall& call) -> std::optional<std::filesystem::path> {
      asked = call;
      return target;
    });
    Frame().OnCommand(command::kFileExportPdf);
    SetFileDialogAnswerer({});
    return asked;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::ProgramDir>();
    settingsHome_ = std::make_unique<QTemporaryDir>();
    test::UseProgramDirectory(dir_->Path(), settingsHome_->path());
    test::ScriptedMessageBoxes boxes;
    app_ = CTavroPgmApp::InitInstance({QStringLiteral("corvane")});
    QVERIFY(app_);
  }

  void cleanup() {
    if (app_) app_->Document().SetModifiedFlag(false);
    app_.reset();
    dir_.reset();
  }

  void mulDivRoundsToTheNearestInteger_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<int>("result");
    QTest::newRow("exact") << 730 << 6 << 3 << 1460;
    QTest::newRow("below a half rounds down") << 4 << 1 << 3 << 1;
    QTest::newRow("above a half rounds up") << 5 << 1 << 3 << 2;
    QTest::newRow("a half rounds away from zero") << 10 << 1 << 4 << 3;
    QTest::newRow("negative half") << -10 << 1 << 4 << -3;
    QTest::newRow("negative denominator") << 10 << 1 << -4 << -3;
    QTest::newRow("product beyond 32 bits") << 100000 << 90000 << 100000 << 90000;
    QTest::newRow("a page of 1200 dpi") << 728 << 8917 << 13052 << 497;
    QTest::newRow("zero denominator") << 5 << 1 << 0 << -1;
    QTest::newRow("result beyond an int") << 2147483647 << 2 << 1 << -1;
  }
  void mulDivRoundsToTheNearestInteger() {
    QFETCH(int, number);
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QFETCH(int, result);
    QCOMPARE(print_layout::MulDiv(number, numerator, denominator), result);
  }

  void usedRowsFillOneOrTwoPages_data() {
    QTest::addColumn<int>("used");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("onPage2");
    QTest::newRow("none") << 0 << 1 << 0;
    QTest::newRow("the radio's 16") << 16 << 1 << 0;
    QTest::newRow("30") << 30 << 1 << 0;
    QTest::newRow("31") << 31 << 2 << 1;
    QTest::newRow("50") << 50 << 2 << 20;
  }
  void usedRowsFillOneOrTwoPages() {
    QFETCH(int, used);
    QFETCH(int, pages);
    QFETCH(int, onPage2);
    std::vector<int> rows;
    for (int row = 1; row <= used; ++row) rows.push_back(row);
    QCOMPARE(print_layout::PageCount(rows.size()), pages);
    const std::vector<int> first = print_layout::RowsOnPage(rows, 1);
    const std::vector<int> second = print_layout::RowsOnPage(rows, 2);
    QCOMPARE(static_cast<int>(second.size()), onPage2);
    // Together the pages list every used row once, in order.
    std::vector<int> both = first;
    both.insert(both.end(), second.begin(), second.end());
    QCOMPARE(both, rows);
  }

  // The printout on paper of either size lists the used channels in order, without the
  // free ones between them, under the time stamp, the model line and the headings.
  void printoutListsTheUsedChannelsInOrder_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("pageSize");
    QTest::newRow("A4, across") << int(QPageSize::A4) << int(QPageLayout::Landscape) << "A4";
    QTest::newRow("Letter, across") << int(QPageSize::Letter) << int(QPageLayout::Landscape) << "letter";
    QTest::newRow("A4, upright") << int(QPageSize::A4) << int(QPageLayout::Portrait) << "A4";
  }
  void printoutListsTheUsedChannelsInOrder() {
    QFETCH(int, paper);
    QFETCH(int, orientation);
    QFETCH(QString, pageSize);
    QVERIFY(app_->OpenDocumentFile(DataFile("gaps.vxp", kUsedChannels)));
    QPrinter& printer = Frame().Printer();
    printer.setPageSize(QPageSize(QPageSize::PageSizeId(paper)));
    printer.setPageOrientation(QPageLayout::Orientation(orientation));

    const QDateTime started = QDateTime::currentDateTime();
    const std::filesystem::path target = dir_->Path() / "gaps.pdf";
    test::ScriptedMessageBoxes boxes;
    const std::optional<FileDialogCall> asked = ExportThroughCommand(target);
    QVERIFY(boxes.Shown().empty());
    QVERIFY(asked && asked->save && asked->filter == kPdfFileFilter && asked->defaultSuffix == "pdf");
    QCOMPARE(asked->proposed.filename().string(), std::string("gaps.pdf"));

    const Printout printout = ReadPdf(QString::fromStdString(target.string()));
    QCOMPARE(printout.pages, 1);
    QCOMPARE(printout.pageSize, pageSize);
    QVERIFY2(printout.lines.size() > 3, qPrintable(printout.lines.join('\n')));
    QVERIFY2(TimeStampsSince(started).contains(printout.lines[0]), qPrintable(printout.lines[0]));
    QCOMPARE(printout.lines[1], kModelLine);
    QVERIFY2(printout.lines[2].startsWith(QStringLiteral("CH")), qPrintable(printout.lines[2]));
    QCOMPARE(ChannelRows(printout.lines), kUsedChannels);
    QVERIFY(!HasBareChannelNumber(printout.lines));
  }

  // Without used channels the printout is one page with the time stamp, the model line
  // and the headings.
  void emptyConfigurationPrintsOnePageOfHeadings() {
    QVERIFY(app_->OpenDocumentFile(DataFile("empty.vxp", {})));
    const std::filesystem::path target = dir_->Path() / "empty.pdf";
    test::ScriptedMessageBoxes boxes;
    QVERIFY(Frame().ExportPdf(target));
    QVERIFY(boxes.Shown().empty());
    const Printout printout = ReadPdf(QString::fromStdString(target.string()));
    QCOMPARE(printout.pages, 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\S+ \\d{2}:\\d{2}$")).match(printout.lines.value(0)).hasMatch(),
             qPrintable(printout.lines.value(0)));
    QCOMPARE(printout.lines.value(1), kModelLine);
    for (const char* heading : {"CH", "RX Freq", "TX Freq", "Power"}) {
      QVERIFY2(printout.lines.value(2).contains(QLatin1String(heading)), heading);
    }
    QVERIFY(ChannelRows(printout.lines).empty());
    QVERIFY(!HasBareChannelNumber(printout.lines));
  }

  // Page 2 holds the headings and the used rows after the 30th, under the time stamp but
  // without the model line: none with the radio's 16 channels.
  void pageTwoHoldsOnlyTheRowsAfterTheThirtieth() {
    QVERIFY(app_->OpenDocumentFile(DataFile("gaps.vxp", kUsedChannels)));
    CTavroPgmView& view = Frame().View();
    QCOMPARE(view.OnPreparePrinting(), 1);
    const QString file = QString::fromStdString((dir_->Path() / "page2.pdf").string());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    QPainter painter;
    QVERIFY(painter.begin(&printer));
    view.OnBeginPrinting(painter);
    view.OnPrint(painter, 2);
    view.OnEndPrinting();
    QVERIFY(painter.end());
    const Printout printout = ReadPdf(file);
    QCOMPARE(printout.pages, 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} ")).match(printout.lines.value(0)).hasMatch(),
             qPrintable(printout.lines.join('\n')));
    QVERIFY2(printout.lines.value(1).startsWith(QStringLiteral("CH")), qPrintable(printout.lines.join('\n')));
    QVERIFY(!printout.lines.contains(kModelLine));
    QVERIFY(ChannelRows(printout.lines).empty());
    QVERIFY(!HasBareChannelNumber(printout.lines));
  }

  // A PDF file that cannot be written ends in a message naming it; an older file there
  // stays as it was.
  void anUnwritablePdfEndsInAMessage_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "no such folder/table.pdf";
    QTest::newRow("a folder in the way") << "folder.pdf";
  }
  void anUnwritablePdfEndsInAMessage() {
    QFETCH(QString, name);
    std::filesystem::create_directory(dir_->Path() / "folder.pdf");
    const std::filesystem::path target = dir_->Path() / name.toStdString();
    test::ScriptedMessageBoxes boxes;
    ExportThroughCommand(target);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_ERROR_PDF"});
    QVERIFY(QString::fromStdString(boxes.Shown()[0].text).startsWith(Text("IDS_ERROR_PDF")));
    QVERIFY(QString::fromStdString(boxes.Shown()[0].text).contains(name));
    QVERIFY(!std::filesystem::is_regular_file(target));
  }

  // Print and direct print without any printer say so and point to the PDF export.
  void printingWithoutAPrinterSaysSo_data() {
    QTest::addColumn<int>("commandId");
    QTest::newRow("print") << command::kFilePrint;
    QTest::newRow("direct print") << command::kFilePrintDirect;
  }
  void printingWithoutAPrinterSaysSo() {
    QFETCH(int, commandId);
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) QSKIP("a printer is installed here");
    test::ScriptedMessageBoxes boxes;
    Frame().OnCommand(commandId);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_NO_PRINTER"});
  }

  // The preview shows the printout one page at a time.
  void previewShowsTheOnePageOfTheTable() {
    QVERIFY(app_->OpenDocumentFile(DataFile("gaps.vxp", kUsedChannels)));
    QVERIFY(Frame().Action(command::kFilePrintPreview)->isEnabled());
    int pages = -1;
    QPrintPreviewWidget::ViewMode mode = QPrintPreviewWidget::AllPagesView;
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      auto* preview = dialog->findChild<QPrintPreviewWidget*>();
      if (preview != nullptr) {
        if (!QTest::qWaitFor([&] { return preview->pageCount() > 0; })) qWarning("the preview drew no page");
        pages = preview->pageCount();
        mode = preview->viewMode();
      }
      dialog->reject();
    });
    Frame().OnCommand(command::kFilePrintPreview);
    QCOMPARE(pages, 1);
    QCOMPARE(mode, QPrintPreviewWidget::SinglePageView);
  }

  // corvane --print-to-pdf writes the printout without a display and without a platform
  // chosen, and ends with 1 and the reason on standard error when it cannot. A new PDF
  // honours the umask; a write-protected one is left as it is.
  void commandLineWritesThePdf_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("messageKey");
    QTest::newRow("a data file") << "gaps.vxp" << "out.pdf" << 022 << 0 << "";
    QTest::newRow("a data file, umask 077") << "gaps.vxp" << "out.pdf" << 077 << 0 << "";
    QTest::newRow("missing file") << "missing.vxp" << "out.pdf" << 022 << 1 << "IDS_ERROR_OPENFILE";
    QTest::newRow("not a data file") << "notes.txt" << "out.pdf" << 022 << 1 << "IDS_WARN_LOAD";
    QTest::newRow("PDF not writable") << "gaps.vxp" << "no such folder/out.pdf" << 022 << 1 << "IDS_ERROR_PDF";
    QTest::newRow("PDF write-protected") << "gaps.vxp" << "protected.pdf" << 022 << 1 << "IDS_ERROR_READONLY";
  }
  void commandLineWritesThePdf() {
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(int, umask);
    QFETCH(int, exitCode);
    QFETCH(QString, messageKey);
    DataFile("gaps.vxp", kUsedChannels);
    dir_->Write("notes.txt", "not a radio's data\n");
    const std::filesystem::path protectedPdf = dir_->Write("protected.pdf", "an older printout");
    QCOMPARE(::chmod(protectedPdf.c_str(), 0444), 0);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QLatin1String(name));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(dir_->Path().string()));
    {
      const test::ScopedUmask mask(static_cast<mode_t>(umask));  // the program inherits it
      process.start(QStringLiteral(CORVANE_PATH), {QStringLiteral("--print-to-pdf"), output, input});
      QVERIFY(process.waitForStarted());
    }
    QVERIFY(process.waitForFinished(60000));
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, qPrintable(errors));

    const std::filesystem::path written = dir_->Path() / output.toStdString();
    const QString pdf = QString::fromStdString(written.string());
    if (exitCode == 0) {
      const Printout printout = ReadPdf(pdf);
      QCOMPARE(printout.pages, 1);
      QCOMPARE(ChannelRows(printout.lines), kUsedChannels);
      QCOMPARE(test::FileMode(written), 0666 & ~umask);
    } else {
      if (written == protectedPdf) {
        QCOMPARE(test::ReadAll(protectedPdf), std::string("an older printout"));
      } else {
        QVERIFY(!QFile::exists(pdf));
      }
      QVERIFY2(errors.contains(Text(messageKey.toLatin1().constData())), qPrintable(errors));
    }
  }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
