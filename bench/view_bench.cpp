// One reload of the main view (all four pages from the image), on the offscreen
// platform with the shipped settings and a configuration with eight channels.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <filesystem>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "pages/tavro_pgm_view.h"

namespace {

void BM_ViewOnUpdate(benchmark::State& state) {
  QTemporaryDir home;
  for (const char* name : {"setting.ini", "lang_en.lng", "lang_cn.lng"}) {
    std::filesystem::copy_file(std::filesystem::path(CORVANE_BIN_DIR) / name,
                               std::filesystem::path(home.path().toStdString()) / name);
  }
  qputenv("CORVANE_HOME", home.path().toUtf8());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
  const auto app = CTavroPgmApp::InitInstance({QStringLiteral("corvane"), QStringLiteral(CORVANE_SOURCE_DIR "/sim/demo.vxp")});
  if (!app) {
    state.SkipWithError("start-up failed");
    return;
  }
  CTavroPgmView& view = app->MainFrame().View();
  for (auto _ : state) {
    view.OnUpdate();
    QApplication::processEvents();  // the repaint the reload asked for
  }
}
BENCHMARK(BM_ViewOnUpdate)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
