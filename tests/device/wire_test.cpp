// The exact requests each operation puts on the wire, read back from the unit's log.
#include <gtest/gtest.h>

#include <cstdio>

#include "device/discovery.h"
#include "device/reset_line.h"
#include "device/self_test.h"
#include "device/transfer.h"
#include "device_rig.h"
#include "image/image_buffer.h"

namespace zarvo {
namespace {

using test::DeviceRig;

std::string Req(char c, unsigned value, unsigned index) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%c %04X %04X", c, value, index);
  return buf;
}

struct WireCase {
  const char* slots;
  const char* deviceSize;
  uint32_t icSize;
  uint32_t passes;          // R
  uint32_t downloadBlocks;  // max(N, 1)
  uint32_t verifyBlocks;    // max(N, 1) too: a small IC is read back
  uint32_t length;          // L
};

class WireTest : public ::testing::TestWithParam<WireCase> {};

TEST_P(WireTest, DownloadAndVerifySendBlocksInOrder) {
  const WireCase& c = GetParam();
  DeviceRig rig(c.slots);
  rig.configure(c.deviceSize, c.icSize);
  ImageBuffer image;
  auto g = GeometryFor(rig.rs);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->passes, c.passes);
  EXPECT_EQ(g->blockLength, c.length);

  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  ASSERT_TRUE(Download(ctx, image, *g));
  std::vector<std::string> want{Req('U', 1, 0)};
  const std::string bulkWrite = "W " + std::to_string(c.length);
  for (uint32_t k = 0; k < c.passes * c.downloadBlocks; ++k) {
    want.push_back(Req('C', 0, k));
    want.push_back(Req('L', 0x8000, c.length));
    want.push_back(bulkWrite);
  }
  want.push_back(Req('U', 0, 0));
  EXPECT_EQ(rig.unit().logLines(), want);

  rig.unit().log.clear();
  ASSERT_TRUE(ReadBackVerify(ctx, image, *g));
  want = {Req('U', 1, 0)};
  const std::string bulkRead = "R " + std::to_string(c.length);
  for (uint32_t k = 0; k < (c.passes + 1) * c.verifyBlocks; ++k) {
    want.push_back(Req('C', 0, k & 0xFFFF));
    want.push_back(Req('F', 0x8000, c.length));
    want.push_back(bulkRead);
  }
  want.push_back(Req('U', 0, 0));
  EXPECT_EQ(rig.unit().logLines(), want);
  EXPECT_FALSE(rig.rs.VerifyMismatch);
  EXPECT_EQ(rig.ui.pane, std::vector<std::string>{"Verify check OK ..."});
  EXPECT_TRUE(rig.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    AllConfigurations, WireTest,
    ::testing::Values(WireCase{"512Kx8", "512K * 8bit", 2048, 256, 1, 1, 8192},
                      WireCase{"512Kx8", "512K * 8bit", 65536, 8, 8, 8, 8192},
                      WireCase{"512Kx8", "512K * 8bit", 1048576, 0, 128, 128, 8192},
                      WireCase{"1024Kx8", "1024K * 8bit", 2048, 512, 1, 1, 8192},
                      WireCase{"1024Kx8", "1024K * 8bit", 65536, 16, 8, 8, 8192},
                      WireCase{"1024Kx8", "1024K * 8bit", 1048576, 1, 128, 128, 8192},
                      WireCase{"512Kx16", "512K * 16bit", 2048, 512, 1, 1, 16384},
                      WireCase{"512Kx16", "512K * 16bit", 65536, 16, 8, 8, 16384},
                      WireCase{"512Kx16", "512K * 16bit", 1048576, 1, 128, 128, 16384}));

TEST(WireTest, DownloadOf64KOn512KUnitStartsAsDocumented) {
  DeviceRig rig("512Kx8");
  rig.configure("512K * 8bit", 65536);
  ImageBuffer image;
  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  ASSERT_TRUE(Download(ctx, image, *GeometryFor(rig.rs)));
  auto lines = rig.unit().logLines();
  ASSERT_EQ(lines.size(), 2u + 64 * 3);
  EXPECT_EQ((std::vector<std::string>(lines.begin(), lines.begin() + 7)),
            (std::vector<std::string>{"U 0001 0000", "C 0000 0000", "L 8000 2000", "W 8192", "C 0000 0001",
                                      "L 8000 2000", "W 8192"}));
  EXPECT_EQ(lines[lines.size() - 2], "W 8192");
  EXPECT_EQ(lines[lines.size() - 4], "C 0000 003F");
}

TEST(WireTest, SelfTestAsksEachUnitForItsStatusOnly) {
  DeviceRig rig("512Kx8,-,1024Kx8");
  auto ctx = rig.ctx();
  ASSERT_TRUE(SelfTest(ctx, true));
  EXPECT_EQ(rig.unit(0).logLines(), std::vector<std::string>{"B 0000 0000"});
  EXPECT_EQ(rig.unit(2).logLines(), std::vector<std::string>{"B 0000 0000"});
}

TEST(WireTest, PulseSendsIdleActiveWaitIdleForBothPolarities) {
  for (int idle : {1, 0}) {
    DeviceRig rig("512Kx8");
    rig.rs.ResetDelayMs = 300;
    auto ctx = rig.ctx();
    ASSERT_TRUE(rig.link.open(0));
    ASSERT_TRUE(PulseReset(ctx, idle));
    const int active = 1 - idle;
    EXPECT_EQ(rig.unit().logLines(),
              (std::vector<std::string>{Req('U', 1, 0), Req('T', idle, 0), Req('T', active, 0), Req('T', idle, 0),
                                        Req('U', 0, 0)}));
    EXPECT_EQ(rig.unit().resetHistory, (std::vector<int>{idle, active, idle}));
    EXPECT_EQ(rig.clock.sleeps, std::vector<uint32_t>{300});
    EXPECT_EQ(rig.lamp(), kLampPass);
  }
}

}  // namespace
}  // namespace zarvo
