#include "image/tables.h"

#include <gtest/gtest.h>

#include <numeric>

#include "recording_ui.h"

namespace zarvo {
namespace {

using test::RecordingUi;

TEST(IcTable, Switches) {
  EXPECT_EQ(SwitchToIcSize("/27512"), 65536u);
  EXPECT_EQ(SwitchToIcSize("/512"), 65536u);
  EXPECT_EQ(SwitchToIcSize("/080"), 0x100000u);
  EXPECT_EQ(SwitchToIcSize("/27160"), 0u);
  EXPECT_EQ(SwitchToIcSize("/2716X"), 0u);
  EXPECT_EQ(SwitchToIcSize("   Auto Detect"), 0u);
}

TEST(IcTable, SetIcTypeWithUnknownTextKeepsIcSize) {
  RunState rs;
  SetIcType(rs, "/27256");
  EXPECT_EQ(rs.IcSize, 0x8000u);
  EXPECT_EQ(rs.EmulationRange, 0x8000u);
  EXPECT_EQ(rs.SizeHighWater, 0x8000u);
  rs.EmulationRange = 5;
  SetIcType(rs, "   Auto Detect");
  EXPECT_EQ(rs.IcSize, 0x8000u);
  EXPECT_EQ(rs.EmulationRange, 0x8000u);
}

TEST(IcTable, SizesToSwitches) {
  RunState rs;
  rs.IcSwitchText = "/080";
  IcSizeToSwitch(rs, 12345);
  EXPECT_EQ(rs.IcSwitchText, "/080");
  IcSizeToSwitch(rs, 0x800);
  EXPECT_EQ(rs.IcSwitchText, "/16");
}

TEST(IcTable, SmallestIcFor) {
  struct Case {
    uint32_t n, range;
  } cases[] = {{0, 2048}, {1, 2048}, {2048, 2048}, {2049, 4096}, {5000, 8192},
               {40000, 65536}, {0x100000, 0x100000}, {0x100001, 777}};
  for (const Case& c : cases) {
    RunState rs;
    rs.EmulationRange = 777;
    SmallestIcFor(rs, c.n);
    EXPECT_EQ(rs.EmulationRange, c.range) << c.n;
  }
  EXPECT_EQ(IcItemForSize(2048), 0);
  EXPECT_EQ(IcItemForSize(65536), 5);
  EXPECT_EQ(IcItemForSize(0x100000), 9);
  EXPECT_FALSE(IcItemForSize(3000).has_value());
}

TEST(DataSet, LanesAndUnknownSwitchLogsOnce) {
  RecordingUi ui;
  struct Case {
    const char* sw;
    uint32_t lane, stride;
  } cases[] = {{"/8BIT_Every", 0, 1}, {"/16BIT_EVEN", 0, 2}, {"/16BIT_ODD", 1, 2}, {"/32BIT_1ST", 0, 4},
               {"/32BIT_2ND", 1, 4},  {"/32BIT_3RD", 2, 4},  {"/32BIT_4TH", 3, 4}};
  for (const Case& c : cases) {
    Lane l = LaneOf(c.sw, ui);
    EXPECT_EQ(l.lane, c.lane) << c.sw;
    EXPECT_EQ(l.stride, c.stride) << c.sw;
  }
  EXPECT_TRUE(ui.pane.empty());
  Lane l = LaneOf("/16bit_even", ui);
  EXPECT_EQ(l.stride, 1u);
  EXPECT_EQ(ui.pane, std::vector<std::string>{"Error !! Even/Odd command illegal ... [ Using Default ]"});
}

TEST(ByteSelection, EveryLane) {
  std::vector<uint8_t> src(8 + 1024, 0);
  std::iota(src.begin(), src.begin() + 8, 0);
  struct Case {
    Lane lane;
    uint32_t count;
    std::vector<uint8_t> out;
  } cases[] = {
      {{0, 1}, 8, {0, 1, 2, 3, 4, 5, 6, 7}},
      {{0, 2}, 8, {0, 2, 4, 6}},
      {{1, 2}, 6, {1, 3, 5}},
      {{2, 4}, 8, {2, 6}},
      {{3, 4}, 8, {3, 7}},
      {{3, 4}, 5, {3, 7}},  // ceil(5 / 4): the count is the source's
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> dst(16, 0xEE);
    uint32_t n = SelectBytes(src, c.count, c.lane, 0, dst, 4);
    EXPECT_EQ(n, c.out.size());
    EXPECT_EQ(std::vector<uint8_t>(dst.begin() + 4, dst.begin() + 4 + static_cast<long>(n)), c.out);
    EXPECT_EQ(dst[3], 0xEE);
    EXPECT_EQ(dst[4 + n], 0xEE);
  }
}

TEST(ByteSelection, NeverReadsOrWritesOutside) {
  std::vector<uint8_t> src{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
  std::vector<uint8_t> dst(4, 0);
  // Source offset and lane beyond the source, destination near the end.
  EXPECT_EQ(SelectBytes(src, 6, {1, 2}, 0, dst, 2), 2u);
  EXPECT_EQ(dst, (std::vector<uint8_t>{0, 0, 0x22, 0x44}));
  EXPECT_EQ(SelectBytes(src, 100, {3, 4}, 4, dst, 0), 0u);
  EXPECT_EQ(SelectBytes(src, 6, {0, 1}, 0, dst, 0xFFFFFFF0u), 0u);
}

TEST(Mirroring, CopiesAndBounds) {
  std::vector<uint8_t> img(0x80000, 0);
  for (size_t i = 0; i < 0x800; ++i) img[i] = static_cast<uint8_t>(i * 7);
  Mirror(img, 0x800, 0x80000);
  for (size_t c = 0; c < 256; ++c) {
    ASSERT_TRUE(std::equal(img.begin(), img.begin() + 0x800, img.begin() + static_cast<long>(c * 0x800))) << c;
  }
  // A range that does not divide the memory, and memory larger than the image: only whole
  // copies inside the image.
  std::vector<uint8_t> small(1000, 0);
  small[0] = 1;
  small[299] = 2;
  Mirror(small, 300, 0x100000);
  EXPECT_EQ(small[900], 0);
  EXPECT_EQ(small[600], 1);
  EXPECT_EQ(small[899], 2);
  Mirror(small, 0, 0x1000);     // no copies
  Mirror(small, 5000, 0x10000);  // range beyond the image
}

}  // namespace
}  // namespace zarvo
