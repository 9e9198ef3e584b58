// Constructing and showing the main window with a full settings file on two simulated units,
// offscreen: start-up as a user waits for it (settings, reactions, self test, first paint).
#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "device/simulated_backend.h"
#include "gui/app_setup.h"
#include "gui/main_window.h"
#include "gui/widget_ui.h"

namespace {

class NoClock : public zarvo::Clock {
 public:
  void sleepMs(uint32_t) override {}
  uint64_t nowMs() override { return 0; }
};

void BM_ConstructAndShowMainWindow(benchmark::State& state) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zarvo-bench-gui";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "TovanHistory_1.ini")
      << "[Option]\r\nLang=English\r\nBatWork=\r\nBatFile=\r\nRunMode=1\r\nSendPath=0\r\nWatchMode=1\r\n"
         "SourceMode=0\r\nSourceIndex=1\r\nSignalOption=0\r\nPulseDealyTime=300\r\nMessageCheck=1\r\n"
         "ConfirmCheck=1\r\nResetCheck=1\r\n[Device1]\r\nCheck=1\r\nICType=5\r\nDataSet=0\r\nName=a.hex\r\n"
         "Sum=\r\nStartAddr=0\r\n[Device2]\r\nCheck=1\r\nICType=5\r\nDataSet=0\r\nName=b.hex\r\nSum=\r\n"
         "StartAddr=0\r\n";
  zarvo::FileRegistry registry((dir / "registry.ini").string());
  NoClock clock;
  for (auto _ : state) {
    zarvo::gui::MainWindowOptions o;
    o.backend = std::make_unique<zarvo::SimulatedBackend>("512Kx8,512Kx8");
    o.clock = &clock;
    o.startDir = dir.string();
    o.registry = &registry;
    o.messageBox = [](const zarvo::gui::BoxRequest&) { return zarvo::Answer::Ok; };
    zarvo::gui::MainWindow w(std::move(o));
    w.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(&w);
    state.PauseTiming();
    w.close();
    state.ResumeTiming();
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ConstructAndShowMainWindow)->Unit(benchmark::kMillisecond);

// Appending to the message pane stays cheap when it already holds 100,000 lines.
void BM_AppendToAPaneOf100kLines(benchmark::State& state) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zarvo-bench-pane";
  std::filesystem::create_directories(dir);
  zarvo::FileRegistry registry((dir / "registry.ini").string());
  NoClock clock;
  zarvo::gui::MainWindowOptions o;
  o.backend = std::make_unique<zarvo::SimulatedBackend>("512Kx8");
  o.clock = &clock;
  o.startDir = dir.string();
  o.registry = &registry;
  o.messageBox = [](const zarvo::gui::BoxRequest&) { return zarvo::Answer::Ok; };
  zarvo::gui::MainWindow w(std::move(o));
  for (int i = 0; i < 100000; ++i) w.ui().appendMessage("Verify check OK ...");
  for (auto _ : state) w.ui().appendMessage("Line[1] : \nZQ D:\\FW.HEX /INTEL_HEX /27512 /#1");
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_AppendToAPaneOf100kLines)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  zarvo::gui::SetUpApplication(app);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
