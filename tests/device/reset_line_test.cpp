#include "device/reset_line.h"

#include <gtest/gtest.h>

#include "device_rig.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::DeviceRig;

TEST(ResetLineTest, SetLineWritesTheLevelToTheSettingsAndPassesTheLamp) {
  test::TempDir dir;
  DeviceRig rig("512Kx8");
  rig.profile.setPath(dir.file("settings.ini"));
  auto ctx = rig.ctx();
  ASSERT_TRUE(rig.link.open(0));
  ASSERT_TRUE(SetResetLine(ctx, 0));
  EXPECT_EQ(rig.profile.readInt("machine", "signal", -1), 0);
  EXPECT_EQ(rig.unit().logLines(), (std::vector<std::string>{"U 0001 0000", "T 0000 0000", "U 0000 0000"}));
  EXPECT_EQ(rig.lamp(), kLampPass);
}

TEST(ResetLineTest, PulseFailureNamesTheLevelBeingSet) {
  // Normal High: the second T request drives low, the third drives high again.
  for (auto [nth, pane, box] : {std::tuple{2u, "[ Reset Signal ] Error !! Set low signal fail ", "Error !! Set low pulse fail "},
                                std::tuple{3u, "[ Reset Signal ] Error !! Set high signal fail ", "Error !! Set high pulse fail "}}) {
    DeviceRig rig("512Kx8", Page::Window);
    auto ctx = rig.ctx();
    ASSERT_TRUE(rig.link.open(0));
    rig.unit().failNext('T', nth);
    EXPECT_FALSE(PulseReset(ctx, 1));
    EXPECT_EQ(rig.ui.pane, std::vector<std::string>{pane});
    EXPECT_EQ(rig.ui.boxTexts(), std::vector<std::string>{box});
    EXPECT_EQ(rig.lamp(), kLampFail);
    EXPECT_FALSE(rig.unit().led);  // switched off after the failure
    EXPECT_EQ(rig.clock.sleeps.size(), nth == 3 ? 1u : 0u);
  }
}

TEST(ResetLineTest, DelayTimeRule) {
  struct Case {
    const char* text;
    const char* shown;
    uint32_t ms;
  };
  for (Case c : {Case{"5000", "0000", 0}, Case{"250", "250", 250}, Case{"0300", "0300", 300},
                 Case{"3000", "3000", 3000}, Case{"3001", "0000", 0}, Case{"0299", "0000", 0},
                 Case{"", "", 0}, Case{"12a", "12a", 0}, Case{"-1", "-1", 0}, Case{"-500", "0000", 0},
                 Case{"99999999999", "0000", 0}}) {
    RunState rs;
    EXPECT_EQ(DelayTimeChanged(rs, c.text), c.shown) << c.text;
    EXPECT_EQ(rs.ResetDelayMs, c.ms) << c.text;
  }
}

TEST(ResetControlsTest, ButtonPulsesTickedUnitsOnPathsZeroToThreeOnly) {
  // Device paths 0..4 are the units in slots 0, 1, 3, 4 and 5.
  DeviceRig rig("512Kx8,512Kx8,-,512Kx8,512Kx8,512Kx8");
  auto ctx = rig.ctx();
  ResetLoopResult r = ResetButtonClick(ctx, {true, false, false, true});
  EXPECT_EQ(r.units, 2);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(rig.unit(0).resetHistory, (std::vector<int>{1, 0, 1}));
  EXPECT_TRUE(rig.unit(1).resetHistory.empty());  // panel 2 not ticked
  EXPECT_TRUE(rig.unit(3).resetHistory.empty());  // path 2: panel 3 not ticked
  EXPECT_EQ(rig.unit(4).resetHistory, (std::vector<int>{1, 0, 1}));
  EXPECT_TRUE(rig.unit(5).resetHistory.empty());  // path 4 has no panel
  EXPECT_EQ(rig.clock.sleeps, (std::vector<uint32_t>{300, 300}));
}

TEST(ResetControlsTest, AFailingUnitDoesNotStopTheLoop) {
  DeviceRig rig("512Kx8,512Kx8");
  rig.unit(0).failNext('U');
  auto ctx = rig.ctx();
  ResetLoopResult r = ResetButtonClick(ctx, {true, true, true, true});
  EXPECT_EQ(r.units, 2);
  EXPECT_EQ(r.failures, 1);
  EXPECT_EQ(rig.unit(1).resetHistory, (std::vector<int>{1, 0, 1}));
}

TEST(ResetControlsTest, NoUnitSendsNothing) {
  DeviceRig rig("other");
  auto ctx = rig.ctx();
  EXPECT_EQ(ResetButtonClick(ctx, {true, true, true, true}).units, 0);
  EXPECT_TRUE(rig.ui.pane.empty());
}

TEST(ResetControlsTest, OptionSetsTheNewIdleLevel) {
  DeviceRig rig("512Kx8");
  auto ctx = rig.ctx();
  ResetLoopResult r = ResetOptionClick(ctx, 1, {true, false, false, false});
  EXPECT_EQ(r.units, 1);
  EXPECT_EQ(rig.rs.ResetPolarity, 1);
  EXPECT_EQ(rig.unit().resetHistory, std::vector<int>{0});
}

}  // namespace
}  // namespace zarvo
