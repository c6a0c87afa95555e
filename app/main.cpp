// corvane: the desktop program.

#include <QApplication>
#include <cstring>

#include "app/tavro_pgm_app.h"

namespace {

bool AsksForPrintToPdf(int argc, char** argv) {
  return argc > 1 && std::strcmp(argv[1], CTavroPgmApp::kPrintToPdfOption) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool printToPdf = AsksForPrintToPdf(argc, argv);
  // A printout to a file needs no display: without one, and with no platform chosen,
  // the pages are drawn off screen.
  if (printToPdf && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  if (printToPdf) return CTavroPgmApp::PrintToPdf(QApplication::arguments());
  const std::unique_ptr<CTavroPgmApp> app = CTavroPgmApp::InitInstance(QApplication::arguments());
  if (!app) return CTavroPgmApp::kStartFailed;
  return QApplication::exec();
}
