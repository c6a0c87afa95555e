// The desktop program's own command line: --help and --version answer on a machine
// without a display, before any window system is asked for.

#include <QProcess>
#include <QtTest>

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void helpAndVersionNeedNoDisplay_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("whole");  // the answer is the whole output, not its beginning
    QTest::newRow("help") << QStringLiteral("--help") << QStringLiteral("Usage: corvane [FILE.vxp]\n") << false;
    QTest::newRow("short help") << QStringLiteral("-h") << QStringLiteral("Usage: corvane [FILE.vxp]\n") << false;
    QTest::newRow("version") << QStringLiteral("--version") << QStringLiteral("corvane " CORVANE_PROJECT_VERSION "\n")
                             << true;
  }
  void helpAndVersionNeedNoDisplay() {
    QFETCH(QString, option);
    QFETCH(QString, answer);
    QFETCH(bool, whole);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QLatin1String(name));
    // Not even a program directory is needed.
    environment.insert(QStringLiteral("CORVANE_HOME"), QStringLiteral("/nonexistent"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CORVANE_PATH), {option});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(process.exitCode() == 0, qPrintable(errors));
    QCOMPARE(errors, QString());
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    if (whole) QCOMPARE(output, answer);
    else QVERIFY2(output.startsWith(answer) && output.contains(QLatin1String("--version")), qPrintable(output));
  }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
