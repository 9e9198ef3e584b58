// What a write of the user's files costs: one settings key (read, change, whole-file write
// with fsync and rename) in a folder alone and in a folder of 2000 other files (each write
// looks for temporary files that killed processes left), and a 500-line script saved.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/profile.h"
#include "batch/pane_files.h"
#include "quiet_ui.h"

namespace {

namespace fs = std::filesystem;

fs::path MakeDir(int otherFiles) {
  std::string pattern = (fs::temp_directory_path() / "zarvo-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) std::abort();
  for (int i = 0; i < otherFiles; ++i) std::ofstream(fs::path(pattern) / ("fw" + std::to_string(i) + ".hex")) << i;
  return pattern;
}

void BM_SettingsKeyWrite(benchmark::State& state) {
  const fs::path dir = MakeDir(static_cast<int>(state.range(0)));
  zarvo::Profile profile((dir / "TovanHistory_1.ini").string());
  for (int d = 1; d <= 4; ++d) profile.writeText("Device" + std::to_string(d), "Name", "/home/me/firmware/boot.hex");
  int64_t n = 0;
  for (auto _ : state) {
    if (!profile.writeInt("LoadDlg", "UserFill", ++n & 0xFF)) state.SkipWithError(profile.lastError().c_str());
  }
  fs::remove_all(dir);
}

void BM_ScriptSave500Lines(benchmark::State& state) {
  const fs::path dir = MakeDir(0);
  std::vector<std::string> lines;
  for (int i = 0; i < 500; ++i) lines.push_back("ZQ D:\\FIRMWARE\\PART" + std::to_string(i) + ".HEX /INTEL_HEX /27512 /#1 /V");
  zarvo::test::QuietUi ui;
  for (auto _ : state) {
    if (!zarvo::WritePaneToFile(lines, (dir / "boot.bat").string(), ".bat", ui)) state.SkipWithError("save failed");
  }
  fs::remove_all(dir);
}

BENCHMARK(BM_SettingsKeyWrite)->Arg(0)->Arg(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScriptSave500Lines)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
