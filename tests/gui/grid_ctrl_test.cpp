#include <QtTest>

class PendingTest : public QObject {
  Q_OBJECT
};

QTEST_MAIN(PendingTest)
#include "grid_ctrl_test.moc"
