#include "window_mode/panel.h"

#include <gtest/gtest.h>

#include "image/tables.h"

namespace zarvo {
namespace {

TEST(PanelSwitches, EveryTypeItemBecomesItsSwitchAndSize) {
  const char* switches[] = {"/16", "/32", "/64", "/128", "/256", "/512", "/010", "/020", "/040"};
  for (int item = 0; item < 9; ++item) {
    RunState rs;
    ApplyPanelSwitches(rs, TypeItemText(item), "  8 Bit Every");
    EXPECT_EQ(rs.IcSwitchText, switches[item]) << item;
    EXPECT_EQ(rs.IcSize, 2048u << item) << item;
    EXPECT_EQ(rs.EmulationRange, rs.IcSize) << item;
  }
  // No item carries 1024K, but its text still maps.
  RunState rs;
  ApplyPanelSwitches(rs, "1024K * 8 Bits", "  8 Bit Every");
  EXPECT_EQ(rs.IcSwitchText, "/080");
  EXPECT_EQ(rs.IcSize, 0x100000u);
}

TEST(PanelSwitches, AutoDetectAndUnknownTypeTextsKeepTheSizeChosenBefore) {
  RunState rs;
  rs.IcSize = 0x8000;
  rs.EmulationRange = 0x800;
  for (const char* text : {"   Auto Detect", "64K * 8 Bits", "    64K * 8 bits", ""}) {
    ApplyPanelSwitches(rs, text, "  8 Bit Every");
    EXPECT_EQ(rs.IcSwitchText, text);
    EXPECT_EQ(rs.IcSize, 0x8000u);
    EXPECT_EQ(rs.EmulationRange, 0x8000u);
  }
  EXPECT_EQ(TypeItemText(9), "   Auto Detect");
  EXPECT_EQ(TypeItemText(10), "");
  EXPECT_EQ(TypeItemText(-1), "");
}

TEST(PanelSwitches, DataSetTextsAndUnknownDataSet) {
  const char* texts[] = {"  8 Bit Every", "16 Bit_Even", "16 Bit_Odd", "32 Bit_1st",
                         "32 Bit_2nd",    "32 Bit_3rd",  "32 Bit_4th"};
  const char* switches[] = {"/8BIT_Every", "/16BIT_EVEN", "/16BIT_ODD", "/32BIT_1ST",
                            "/32BIT_2ND",  "/32BIT_3RD",  "/32BIT_4TH"};
  for (int i = 0; i < 7; ++i) {
    RunState rs;
    ApplyPanelSwitches(rs, "    64K * 8 Bits", texts[i]);
    EXPECT_EQ(rs.DataSetSwitch, switches[i]);
    EXPECT_EQ(rs.SavedDataSetSwitch, switches[i]);
  }
  RunState rs;
  rs.DataSetSwitch = rs.SavedDataSetSwitch = "/16BIT_ODD";
  ApplyPanelSwitches(rs, "    64K * 8 Bits", "16 bit_odd");  // case matters
  EXPECT_EQ(rs.DataSetSwitch, "/16BIT_ODD");
  EXPECT_EQ(rs.SavedDataSetSwitch, "/16BIT_ODD");
}

TEST(AutoDetect, SmallestTypeThatHoldsTheFile) {
  struct Case {
    uint64_t size;
    uint32_t range;
    int item;
    const char* text;
  } cases[] = {
      {0, 0x800, 0, "      2K * 8 Bits"},
      {2048, 0x800, 0, "      2K * 8 Bits"},
      {2049, 0x1000, 1, "      4K * 8 Bits"},
      {40000, 0x10000, 5, "    64K * 8 Bits"},
      {65536, 0x10000, 5, "    64K * 8 Bits"},
      {0x80000, 0x80000, 8, "  512K * 8 Bits"},
      // 1 MiB shows as item 9, but the run needs the 1024K row, not "   Auto Detect".
      {0x80001, 0x100000, 9, "1024K * 8 Bits"},
      {0x100000, 0x100000, 9, "1024K * 8 Bits"},
      {0x100001, 0x100000, 9, "1024K * 8 Bits"},
      {uint64_t{1} << 33, 0x100000, 9, "1024K * 8 Bits"},
  };
  for (const Case& c : cases) {
    AutoDetectChoice a = ChooseAutoDetect(c.size);
    EXPECT_EQ(a.range, c.range) << c.size;
    EXPECT_EQ(a.item, c.item) << c.size;
    EXPECT_EQ(a.typeText, c.text) << c.size;
    RunState rs;
    ApplyPanelSwitches(rs, a.typeText, "  8 Bit Every");
    EXPECT_EQ(rs.EmulationRange, c.range) << c.size;
  }
}

TEST(StartAddress, HexDigitsOnly) {
  EXPECT_EQ(ParseStartAddress("0000000"), 0u);
  EXPECT_EQ(ParseStartAddress(""), 0u);
  EXPECT_EQ(ParseStartAddress("1000"), 0x1000u);
  EXPECT_EQ(ParseStartAddress("1f"), 0x1Fu);
  EXPECT_EQ(ParseStartAddress("FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseStartAddress("100000000"), std::nullopt);  // would wrap
  EXPECT_EQ(ParseStartAddress("1G"), std::nullopt);
  EXPECT_EQ(ParseStartAddress("0x10"), std::nullopt);
  EXPECT_EQ(ParseStartAddress(" 10"), std::nullopt);
  EXPECT_EQ(ParseStartAddress("-1"), std::nullopt);
}

}  // namespace
}  // namespace zarvo
