#include <QtTest>

class PendingTest : public QObject {
  Q_OBJECT
};

QTEST_MAIN(PendingTest)
#include "transfer_dialog_test.moc"
