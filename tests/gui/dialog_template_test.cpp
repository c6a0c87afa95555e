#include <QtTest>

class PendingTest : public QObject {
  Q_OBJECT
};

QTEST_MAIN(PendingTest)
#include "dialog_template_test.moc"
