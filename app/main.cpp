// corvane: the desktop program.

#include <QApplication>

#include "app/tavro_pgm_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  const std::unique_ptr<CTavroPgmApp> app = CTavroPgmApp::InitInstance(QApplication::arguments());
  if (!app) return CTavroPgmApp::kStartFailed;
  return QApplication::exec();
}
