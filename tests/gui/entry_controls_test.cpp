#include <QtTest>

class PendingTest : public QObject {
  Q_OBJECT
};

QTEST_MAIN(PendingTest)
#include "entry_controls_test.moc"
