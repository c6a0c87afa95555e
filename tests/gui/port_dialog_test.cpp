#include <QtTest>

class PendingTest : public QObject {
  Q_OBJECT
};

QTEST_MAIN(PendingTest)
#include "port_dialog_test.moc"
