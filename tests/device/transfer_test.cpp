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

// What a unit can take: a known configuration of the unit being written (its own from the
// self test, by its list position; none when the self test did not read it), at least one
// pass, and one pass within its memory (a 16-bit unit sends two bytes per IC byte).
TEST(GeometryTest, RefusalsAndTheUnitsOwnConfiguration) {
  struct Case {
    const char* own;  // UnitDeviceSize[1]
    uint32_t ic;
    const char* refusal;  // nullptr: the download goes ahead
    uint32_t memory;      // UnitMemoryFor position 1
  } cases[] = {
      {"512K * 8bit", 0x80000, nullptr, 0x80000},
      {"512K * 8bit", 0x100000, kNothingDownloadedIcTooLarge, 0x80000},
      {"1024K * 8bit", 0x100000, nullptr, 0x100000},
      {"512K * 16bit", 0x80000, nullptr, 0x100000},
      {"512K * 16bit", 0x100000, kNothingDownloadedIcTooLarge, 0x100000},
      {"512K * 16bit", 0x800, nullptr, 0x100000},
      {"", 0x800, kNothingDownloadedUnknownSize, 0x80000},  // not read by the self test
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.own) + " " + std::to_string(c.ic));
    RunState rs;
    rs.DeviceSize = "512K * 8bit";  // the last unit tested, another one
    rs.DeviceMemorySize = 0x80000;
    rs.UnitDeviceSize[1] = c.own;
    rs.IcSize = rs.EmulationRange = c.ic;
    const auto g = GeometryFor(rs, 1);
    const char* refusal = DownloadRefusal(g);
    if (c.refusal == nullptr) EXPECT_EQ(refusal, nullptr);
    else EXPECT_STREQ(refusal, c.refusal);
    EXPECT_EQ(UnitMemoryFor(rs, 1), c.memory);
  }
}

// A verify reads at least one block per pass, as the download writes: an IC under 8 KiB is
// read back too, and a difference in it is found.
TEST(TransferTest, SmallIcsAreReadBackAndTheirDifferencesFound) {
  for (const char* slots : {"512Kx8", "1024Kx8", "512Kx16"}) {
    for (uint32_t ic : {0x800u, 0x1000u}) {
      SCOPED_TRACE(std::string(slots) + " " + std::to_string(ic));
      DeviceRig rig(slots);
      rig.configure(rig.unit().configCode == 0x0040   ? "512K * 8bit"
                    : rig.unit().configCode == 0x0080 ? "1024K * 8bit"
                                                      : "512K * 16bit",
                    ic);
      ImageBuffer image;
      auto ctx = rig.ctx();
      ASSERT_TRUE(rig.link.open(0));
      const auto g = GeometryFor(rig.rs);
      ASSERT_TRUE(Download(ctx, image, *g));
      VerifyResult clean = ReadBackVerify(ctx, image, *g);
      ASSERT_TRUE(clean);
      EXPECT_FALSE(clean.differs());
      EXPECT_EQ(rig.ui.pane.back(), "Verify check OK ...");
      rig.unit().memory[0x123] ^= 0x0F;
      const VerifyResult v = ReadBackVerify(ctx, image, *g);
      ASSERT_TRUE(v);
      EXPECT_TRUE(rig.rs.VerifyMismatch);
      EXPECT_EQ(v.difference.count, 1u);
      EXPECT_EQ(v.difference.firstAddress, 0x123u);
      EXPECT_EQ(v.difference.written, 0xFF);
      EXPECT_EQ(v.difference.read, 0xF0);
      EXPECT_EQ(rig.ui.pane.back(), "Error !! Verify check error ...");
    }
  }
}

// Where a verify differs: each differing address of the unit counted once though the
// passes read it again, the first one read, and what was sent and what came back. A byte
// that reached the memory wrong and one that only came back wrong are both found.
TEST(TransferTest, VerifyDifferenceNamesTheFirstAddressAndCountsEachByteOnce) {
  struct Case {
    char kind;
    uint32_t nth;
    uint32_t address;  // of the middle byte of the flipped block
  } cases[] = {{'W', 3, 2 * 8192 + 4096}, {'R', 10, 9 * 8192 + 4096}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    DeviceRig rig("512Kx8");
    rig.configure("512K * 8bit", 0x10000);
    ImageBuffer image;
    for (uint32_t i = 0; i < image.size(); ++i) image.data()[i] = static_cast<uint8_t>(i * 7);
    auto ctx = rig.ctx();
    ASSERT_TRUE(rig.link.open(0));
    rig.unit().failNext(c.kind, c.nth, SimFaultAction::Flip);
    const auto g = GeometryFor(rig.rs);
    ASSERT_TRUE(Download(ctx, image, *g));
    const VerifyResult v = ReadBackVerify(ctx, image, *g);
    ASSERT_TRUE(v);
    EXPECT_EQ(v.difference.count, 1u);
    EXPECT_EQ(v.difference.firstAddress, c.address);
    const uint8_t sent = image.data()[c.address % 0x10000];  // each pass sends the first 64 KiB
    EXPECT_EQ(v.difference.written, sent);
    EXPECT_EQ(v.difference.read, static_cast<uint8_t>(~sent));
  }
  // Many bytes: every differing address once, over the verify's extra pass too.
  DeviceRig rig("512Kx8");
  rig.configure("512K * 8bit", 0x10000);
  ImageBuffer image;
  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  const auto g = GeometryFor(rig.rs);
  ASSERT_TRUE(Download(ctx, image, *g));
  for (uint32_t a : {0x10u, 0x11u, 0x4000u, 0x7FFFFu}) rig.unit().memory[a] = 0;
  const VerifyResult v = ReadBackVerify(ctx, image, *g);
  EXPECT_EQ(v.difference.count, 4u);
  EXPECT_EQ(v.difference.firstAddress, 0x10u);
}

}  // namespace
}  // namespace zarvo
