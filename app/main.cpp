// corvane: the desktop program.

#include <QApplication>
#include <cstring>
#include <iostream>
#include <optional>

#include "app/tavro_pgm_app.h"
#include "settings/version.h"

namespace {

constexpr const char* kUsage =
    "Usage: corvane [FILE.vxp]\n"
    "       corvane --print-to-pdf OUT.pdf FILE.vxp\n"
    "\n"
    "Corvane programs the 16-channel hand-held radios of the CV family over a USB\n"
    "serial programming cable. Without FILE it starts with a new configuration.\n"
    "\n"
    "  --print-to-pdf OUT.pdf FILE.vxp\n"
    "              Write the channel table of FILE.vxp to OUT.pdf, as File > Print\n"
    "              prints it, and exit (no display needed): 0 when the PDF was\n"
    "              written, 1 with the reason on standard error.\n"
    "  --help      Show this text.\n"
    "  --version   Show the version.\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are taken as well. The command line\n"
    "tool is corvane-cli; the user manual opens with Help > Help (Ctrl+H).\n";

// --help and --version are answered before Qt starts, so that they need no display.
std::optional<int> AnswerWithoutWindow(int argc, char** argv) {
  if (argc != 2) return std::nullopt;
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::cout << kUsage;
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::cout << "corvane " << kCorvaneVersion << "\n";
    return 0;
  }
  return std::nullopt;
}

bool AsksForPrintToPdf(int argc, char** argv) {
  return argc > 1 && std::strcmp(argv[1], CTavroPgmApp::kPrintToPdfOption) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = AnswerWithoutWindow(argc, argv)) return *status;
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
