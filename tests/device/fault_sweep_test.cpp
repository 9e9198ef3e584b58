// Every request of a reset + download + verify + release sequence fails in turn: the
// sequence stops cleanly with the right text in the right place, the lamp at fail, the LED
// switched off where a transfer broke, and the next run on the same unit works.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "device/commands.h"
#include "device/reset_line.h"
#include "device/transfer.h"
#include "device_rig.h"

namespace zarvo {
namespace {

using test::DeviceRig;

constexpr char kLed[] = "[ Reset Signal ] Error !! LED fail ";

bool RunSequence(DeviceContext& ctx, ImageBuffer& image, const Geometry& g) {
  return SetResetLine(ctx, ctx.rs.ResetActiveLevel()) && SetMode(ctx, kModeHost) && Download(ctx, image, g) &&
         ReadBackVerify(ctx, image, g) && SetResetLine(ctx, ctx.rs.ResetIdleLevel()) && SetMode(ctx, kModeTarget);
}

struct Expect {
  bool ok = false;
  std::string box;   // empty: no box
  std::string pane;  // first pane line written
  bool ledOffNext = false;
};

// What failing the nth request of a kind must do. Download blocks come before verify blocks.
Expect Expected(char kind, uint32_t n, uint32_t downloadBlocks) {
  switch (kind) {
    case 'C':
      return n <= downloadBlocks ? Expect{false, "Error 43! Command Fail !!", "", true}
                                 : Expect{false, "", "Error 43!! Verify Command Fail !!", true};
    case 'L':
      return {false, "Error 53! Command Fail !!", "", true};
    case 'W':
      return {false, " Read Data Fail", "", true};
    case 'F':
      return {false, "", "Error 46!! Verify Command Fail !!", true};
    case 'R':
      return {false, "", "Error !! Verify read Fail !!", true};
    case 'S':
      return {false, "Error 53! Command Fail !!", "", false};
    case 'T':  // polarity "Normal High": the hold drives low, the release high
      return n == 1 ? Expect{false, "Error !! Set low pulse fail ", "[ Reset Signal ] Error !! Set low signal fail ", true}
                    : Expect{false, "Error !! Set high pulse fail ", "[ Reset Signal ] Error !! Set high signal fail ", true};
    default:  // 'U': LED on/off of reset hold, download, verify, release; only download's and
              // verify's closing LED-off let the sequence go on
      return {n == 4 || n == 6, "", kLed, false};
  }
}

struct SweepCase {
  const char* slots;
  const char* deviceSize;
};

class FaultSweepTest : public ::testing::TestWithParam<SweepCase> {};

TEST_P(FaultSweepTest, EachRequestFailingInTurn) {
  const SweepCase& sc = GetParam();
  auto prepare = [&](DeviceRig& rig) {
    rig.rs.DeviceSize = sc.deviceSize;
    rig.rs.IcSize = 0x20000;
    rig.rs.EmulationRange = 0x80000;
  };
  std::map<char, uint32_t> counts;
  uint32_t downloadBlocks = 0;
  {
    DeviceRig clean(sc.slots);
    prepare(clean);
    ImageBuffer image;
    auto ctx = clean.ctx();
    ASSERT_TRUE(clean.link.open(0));
    ASSERT_TRUE(RunSequence(ctx, image, *GeometryFor(clean.rs)));
    for (const SimRequest& r : clean.unit().log) ++counts[r.kind];
    downloadBlocks = counts['W'];
    ASSERT_EQ(counts['U'], 8u);
  }
  int runs = 0;
  for (const auto& [kind, count] : counts) {
    for (uint32_t n = 1; n <= count; ++n, ++runs) {
      SCOPED_TRACE(std::string(1, kind) + " #" + std::to_string(n));
      DeviceRig rig(sc.slots);
      prepare(rig);
      ImageBuffer image;
      auto ctx = rig.ctx();
      ASSERT_TRUE(rig.link.open(0));
      rig.unit().failNext(kind, n);
      const Expect want = Expected(kind, n, downloadBlocks);
      const auto geometry = *GeometryFor(rig.rs);

      EXPECT_EQ(RunSequence(ctx, image, geometry), want.ok);
      const auto& log = rig.unit().log;
      size_t failedAt = log.size();
      for (size_t i = 0; i < log.size(); ++i)
        if (log[i].failed) failedAt = i;
      ASSERT_LT(failedAt, log.size());
      if (!want.ok) {
        EXPECT_EQ(rig.lamp(), kLampFail);
        // Nothing but the LED-off attempt follows the failed request.
        EXPECT_EQ(log.size() - failedAt - 1, want.ledOffNext ? 1u : 0u);
      }
      if (want.ledOffNext && failedAt + 1 < log.size()) {
        EXPECT_EQ(log[failedAt + 1].text(), "U 0000 0000");
      }
      EXPECT_EQ(rig.ui.boxTexts(), want.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{want.box});
      if (want.pane.empty()) {
        for (const std::string& line : rig.ui.pane) EXPECT_EQ(line, "Verify check OK ...");
      } else {
        // Lines of the steps that passed (such as "Verify check OK ...") may come first.
        EXPECT_NE(std::find(rig.ui.pane.begin(), rig.ui.pane.end(), want.pane), rig.ui.pane.end());
      }

      // The unit is still usable: the whole sequence runs clean and verifies.
      rig.rs.VerifyMismatch = false;
      rig.ui.pane.clear();
      EXPECT_TRUE(RunSequence(ctx, image, geometry));
      EXPECT_FALSE(rig.rs.VerifyMismatch);
      EXPECT_EQ(rig.lamp(), kLampPass);
    }
  }
  EXPECT_GT(runs, 100);
}

INSTANTIATE_TEST_SUITE_P(AllConfigurations, FaultSweepTest,
                         ::testing::Values(SweepCase{"512Kx8", "512K * 8bit"}, SweepCase{"1024Kx8", "1024K * 8bit"},
                                           SweepCase{"512Kx16", "512K * 16bit"}));

TEST(FaultSweepTest, FailedLedOffAfterABrokenTransferIsReportedToo) {
  DeviceRig rig("512Kx8");
  rig.configure("512K * 8bit", 65536);
  ImageBuffer image;
  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  rig.unit().failNext('W', 3);
  rig.unit().failNext('U', 2);
  EXPECT_FALSE(Download(ctx, image, *GeometryFor(rig.rs)));
  EXPECT_EQ(rig.ui.boxTexts(), std::vector<std::string>{" Read Data Fail"});
  EXPECT_EQ(rig.ui.pane, std::vector<std::string>{kLed});
  EXPECT_EQ(rig.lamp(), kLampFail);
  EXPECT_TRUE(rig.unit().led);  // the LED could not be switched off
}

}  // namespace
}  // namespace zarvo
