// The whole load of one file as a window-mode run does it (HandOff: raw read, detection,
// both reader passes, store with fill and lanes, sum), for a 1 MiB image as Intel HEX and as
// S37 and a 64 KiB image as Tektronix hex. The files are made once with srec_cat from seeded
// random bytes; the settings file lives on tmpfs when there is one, as every key write syncs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"
#include "image/image_buffer.h"
#include "image/load_keys.h"
#include "image/load_pipeline.h"
#include "image/tables.h"
#include "quiet_ui.h"

namespace {

namespace fs = std::filesystem;

using zarvo::test::QuietUi;

const fs::path& WorkDir() {
  static const fs::path dir = [] {
    std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path().string();
    std::string pattern = base + "/zarvo-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    return fs::path(pattern);
  }();
  return dir;
}

// srec_cat from a seeded random binary; empty when srec_cat fails.
std::string MakeFile(size_t bytes, const std::string& name, const std::string& format) {
  const fs::path bin = WorkDir() / (name + ".bin"), out = WorkDir() / name;
  if (fs::exists(out)) return out.string();
  std::mt19937 gen(static_cast<uint32_t>(bytes));
  std::string data(bytes, '\0');
  for (char& c : data) c = static_cast<char>(gen() & 0xFF);
  std::ofstream(bin, std::ios::binary) << data;
  const std::string cmd = "srec_cat " + bin.string() + " -binary -o " + out.string() + " " + format +
                          " -obs=16 >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0 ? out.string() : std::string();
}

void LoadWhole(benchmark::State& state, const std::string& file, uint32_t format, const char* ic) {
  if (file.empty()) {
    state.SkipWithError("srec_cat could not make the input file");
    return;
  }
  zarvo::Profile profile((WorkDir() / "settings.ini").string());
  profile.writeText(zarvo::keys::kLoadDlg, zarvo::keys::kOk, "1");
  QuietUi ui;
  zarvo::RunState rs;
  zarvo::ImageBuffer image;
  zarvo::SetIcType(rs, ic);
  rs.DeviceMemorySize = 0x100000;
  zarvo::LoadContext ctx{image, rs, profile, ui};
  for (auto _ : state) {
    zarvo::LoadRequest& req = image.request();
    req.fileName = file;
    req.format = format;
    req.fillFlag = 1;
    req.fillByte = 0xFF;
    req.destination = "0";
    rs.StartText = "0x0";
    if (!zarvo::HandOff(ctx)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image.sum());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(file)));
}

void BM_LoadIntel1MiB(benchmark::State& state) {
  LoadWhole(state, MakeFile(1 << 20, "image.hex", "-intel"), zarvo::kFormatAuto, "/080");
}
void BM_LoadS37_1MiB(benchmark::State& state) {
  LoadWhole(state, MakeFile(1 << 20, "image.s37", "-motorola -address-length=4"), zarvo::kFormatAuto, "/080");
}
void BM_LoadTektronix64KiB(benchmark::State& state) {
  LoadWhole(state, MakeFile(1 << 16, "image.tek", "-tektronix"), zarvo::kFormatAuto, "/512");
}
void BM_LoadBinary1MiB(benchmark::State& state) {
  LoadWhole(state, MakeFile(1 << 20, "image.img", "-binary"), zarvo::kFormatBinary, "/080");
}

BENCHMARK(BM_LoadIntel1MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadS37_1MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTektronix64KiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBinary1MiB)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(WorkDir(), ec);
  return 0;
}
