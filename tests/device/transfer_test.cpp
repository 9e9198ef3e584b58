#include "device/transfer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device_rig.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::DeviceRig;

TEST(GeometryTest, UnknownDeviceSizeTransfersNothingAndZeroRangeCountsOnePass) {
  RunState rs;
  rs.IcSize = 65536;
  rs.EmulationRange = 65536;
  rs.DeviceSize = "512K * 8 bit";
  EXPECT_FALSE(GeometryFor(rs));
  rs.DeviceSize = "512K * 8bit";
  rs.EmulationRange = 0;
  auto g = GeometryFor(rs);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->passes, 1u);
  EXPECT_EQ(g->blocks, 8u);
  EXPECT_STREQ(g->config->downloadFailText, "Error !! DownLoad 512K * 8bit Fail...");
  EXPECT_STREQ(g->config->verifyFailText, "Error !! Read 512K * 8bit Fail...");
}

// A 16-bit unit sends N blocks of 16 KiB for an IC of N x 8 KiB: twice the image. The image
// grows with its fill byte first instead of sending whatever lies past its end.
TEST(TransferTest, SixteenBitUnitGrowsTheImageWithTheFillByteBeforeSending) {
  DeviceRig rig("512Kx16");
  rig.configure("512K * 16bit", 0x100000);
  ImageBuffer image;
  ASSERT_TRUE(image.resize(0x100000, rig.rs, rig.ui));
  const uint32_t oldSize = image.size();
  std::fill(image.data(), image.data() + oldSize, uint8_t{0x11});
  image.request().fillByte = 0x15A;  // only the low 8 bits count
  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  auto g = GeometryFor(rig.rs);
  ASSERT_TRUE(Download(ctx, image, *g));
  ASSERT_GE(image.size(), 0x200000u);
  EXPECT_TRUE(std::all_of(image.data() + oldSize, image.data() + 0x200000, [](uint8_t b) { return b == 0x5A; }));
  EXPECT_EQ(image.data()[oldSize - 1], 0x11);
  // Blocks 64..127 wrap over the unit's 1 MiB and carry the grown part: the fill byte only.
  const auto& memory = rig.unit().memory;
  const uint32_t held = oldSize - 0x100000;  // the image bytes past 1 MiB it already had
  EXPECT_TRUE(std::all_of(memory.begin(), memory.begin() + held, [](uint8_t b) { return b == 0x11; }));
  EXPECT_TRUE(std::all_of(memory.begin() + held, memory.end(), [](uint8_t b) { return b == 0x5A; }));
}

TEST(TransferTest, SmallIcOnSixteenBitUnitNeverReadsPastTheStartUpImage) {
  DeviceRig rig("512Kx16");
  rig.configure("512K * 16bit", 2048);
  ImageBuffer image;  // 8192 bytes; one 16 KiB block is sent
  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  ASSERT_TRUE(Download(ctx, image, *GeometryFor(rig.rs)));
  EXPECT_GE(image.size(), 16384u);
  EXPECT_EQ(rig.unit().memory[16383], 0xFF);
}

TEST(TransferTest, RangeAboveTheMemoryWritesNothingButVerifyReadsOnePass) {
  DeviceRig rig("512Kx8");
  rig.configure("512K * 8bit", 1048576);
  ImageBuffer image;
  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  auto g = GeometryFor(rig.rs);
  ASSERT_TRUE(Download(ctx, image, *g));
  EXPECT_EQ(rig.unit().log.size(), 2u);
  EXPECT_EQ(image.size(), 8192u);
}

struct PageCase {
  Page page;
  bool mismatch;
  std::vector<std::string> pane;
  int lamp;
};

TEST(TransferTest, VerifyReportsByThePageShowingAndSucceedsOnAMismatch) {
  for (const PageCase& c : {PageCase{Page::Batch, false, {"Verify check OK ..."}, kLampPass},
                            PageCase{Page::Batch, true, {"Error !! Verify check error ..."}, kLampFail},
                            PageCase{Page::Window, true, {}, kLampFail},
                            PageCase{Page::Window, false, {}, kLampPass},
                            PageCase{Page::Setup1, true, {}, kLampPass}}) {
    DeviceRig rig("512Kx8", c.page);
    rig.configure("512K * 8bit", 65536);
    ImageBuffer image;
    auto ctx = rig.ctx();
    ASSERT_TRUE(rig.link.open(0));
    auto g = GeometryFor(rig.rs);
    ASSERT_TRUE(Download(ctx, image, *g));
    if (c.mismatch) rig.unit().memory[0x70000 + 5] ^= 1;  // only the last pass differs
    ASSERT_TRUE(ReadBackVerify(ctx, image, *g));
    EXPECT_EQ(rig.rs.VerifyMismatch, c.mismatch);
    EXPECT_EQ(rig.ui.pane, c.pane);
    EXPECT_EQ(rig.ui.status().lamp(Page::Window).seen(), c.page == Page::Window ? c.lamp : kLampPass);
    EXPECT_EQ(rig.ui.status().lamp(Page::Batch).seen(), c.page == Page::Batch ? c.lamp : kLampPass);
  }
}

TEST(TransferTest, VerifyNeverClearsAnEarlierMismatch) {
  DeviceRig rig("512Kx8");
  rig.configure("512K * 8bit", 65536);
  rig.rs.VerifyMismatch = true;
  ImageBuffer image;
  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  ASSERT_TRUE(ReadBackVerify(ctx, image, *GeometryFor(rig.rs)));
  EXPECT_TRUE(rig.rs.VerifyMismatch);
}

TEST(TransferTest, DownloadWithNoUnitOpenFailsAtTheLed) {
  DeviceRig rig("512Kx8");
  rig.configure("512K * 8bit", 65536);
  ImageBuffer image;
  auto ctx = rig.ctx();
  EXPECT_FALSE(Download(ctx, image, *GeometryFor(rig.rs)));
  EXPECT_EQ(rig.ui.pane, std::vector<std::string>{"[ Reset Signal ] Error !! LED fail "});
  EXPECT_EQ(rig.lamp(), kLampFail);
}

TEST(TransferEndToEnd, UnitFileHoldsTheImageRepeatedAcrossItsMemory) {
  test::TempDir dir;
  SimConfig config;
  std::string error;
  ASSERT_TRUE(ParseSimSlots("512Kx8", config, error));
  config.dir = dir.path().string();
  const std::vector<uint8_t> bytes = test::RandomBytes(65536, 7);
  {
    DeviceRig rig(config);
    rig.configure("512K * 8bit", 65536);
    ImageBuffer image;
    ASSERT_TRUE(image.resize(65536, rig.rs, rig.ui));
    std::copy(bytes.begin(), bytes.end(), image.data());
    auto ctx = rig.ctx();
    ASSERT_TRUE(rig.link.open(0));
    ASSERT_TRUE(Download(ctx, image, *GeometryFor(rig.rs)));
  }
  const std::vector<uint8_t> unit = test::ReadFileBytes(dir.file("unit1.bin"));
  ASSERT_EQ(unit.size(), 0x80000u);
  for (size_t copy = 0; copy < 8; ++copy)
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), unit.begin() + static_cast<std::ptrdiff_t>(copy * 65536)))
        << copy;
  EXPECT_EQ(test::ReadFileText(dir.file("unit1.log")).substr(0, 36), "U 0001 0000\nC 0000 0000\nL 8000 2000\n");
}

}  // namespace
}  // namespace zarvo
