// One reload of the main view (all four pages from the image), on the offscreen
// platform with the shipped settings and a configuration with eight channels.
// Target: at most 2 ms for the whole view with every page showing all its controls.
// BM_PageLoadFromImage/<n> times page n (0 channels, 1 functions, 2 scan/VOX/DTMF,
// 3 signalling) alone.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "bench/program_home.h"
#include "pages/tavro_pgm_view.h"

namespace {

void BM_ViewOnUpdate(benchmark::State& state) {
  const ProgramHome home;
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

void BM_PageLoadFromImage(benchmark::State& state) {
  const ProgramHome home;
  const auto app = CTavroPgmApp::InitInstance({QStringLiteral("corvane"), QStringLiteral(CORVANE_SOURCE_DIR "/sim/demo.vxp")});
  if (!app) {
    state.SkipWithError("start-up failed");
    return;
  }
  CPage& page = *app->MainFrame().View().Page(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    page.LoadFromImage();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_PageLoadFromImage)->DenseRange(0, CTavroPgmView::kPageCount - 1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
