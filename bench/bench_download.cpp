// Host CPU time per 8 KiB block of a 1 MiB download plus verify on a simulated unit that
// answers at once: what the device layer itself costs, with the wire taken away.
#include <benchmark/benchmark.h>

#include "base/clock.h"
#include "base/profile.h"
#include "base/run_state.h"
#include "device/simulated_backend.h"
#include "device/transfer.h"
#include "device/usb_link.h"
#include "image/image_buffer.h"
#include "quiet_ui.h"

namespace {

using zarvo::test::QuietUi;

class NoClock : public zarvo::Clock {
 public:
  void sleepMs(uint32_t) override {}
  uint64_t nowMs() override { return 0; }
};

void BM_DownloadAndVerify1MiB(benchmark::State& state) {
  zarvo::SimulatedBackend backend("1024Kx8");
  zarvo::UsbLink link(backend);
  zarvo::RunState rs;
  zarvo::Profile profile;
  QuietUi ui;
  NoClock clock;
  zarvo::DeviceContext ctx{link, rs, profile, ui, clock};
  rs.DeviceSize = "1024K * 8bit";
  rs.IcSize = rs.EmulationRange = 0x100000;
  zarvo::ImageBuffer image;
  image.resize(0x100000, rs, ui);
  for (uint32_t i = 0; i < image.size(); ++i) image.data()[i] = static_cast<uint8_t>(i * 7);
  const zarvo::Geometry g = *zarvo::GeometryFor(rs);
  link.open(0);
  // 128 blocks written, 256 read back (verify reads one pass more).
  const double blocks = g.passes * g.blocks + (g.passes + 1) * g.blocks;
  for (auto _ : state) {
    bool ok = zarvo::Download(ctx, image, g) && zarvo::ReadBackVerify(ctx, image, g);
    if (!ok || rs.VerifyMismatch) state.SkipWithError("transfer failed");
    backend.unit(0)->log.clear();
  }
  state.counters["blocks"] = blocks;
  state.counters["per_block"] =
      benchmark::Counter(blocks, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DownloadAndVerify1MiB)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
