#include "device/self_test.h"

#include <gtest/gtest.h>

#include "device/discovery.h"
#include "device_rig.h"

namespace zarvo {
namespace {

using test::DeviceRig;

const std::string kIndent = "      ";

TEST(SelfTestTest, PassingUnitsReportTheirConfigurationAndTheLastOneSetsDeviceSize) {
  DeviceRig rig("512Kx8,other,512Kx16");
  auto ctx = rig.ctx();
  ASSERT_TRUE(SelfTest(ctx, true));
  EXPECT_EQ(rig.ui.pane,
            (std::vector<std::string>{"Device Self Test ....", kIndent + "USB Device is open !",
                                      kIndent + "Buffer Page   : 0x0000", kIndent + "Reset Status : High",
                                      kIndent + "Device Size    : 512K * 8bit", "Self Test OK !!",
                                      kIndent + "USB Device is open !", kIndent + "Buffer Page   : 0x0000",
                                      kIndent + "Reset Status : High", kIndent + "Device Size    : 512K * 16bit",
                                      "Self Test OK !!"}));
  EXPECT_EQ(rig.rs.DeviceSize, "512K * 16bit");
  EXPECT_EQ(rig.ui.driverText[1], "512K * 8bit");
  EXPECT_EQ(rig.ui.driverText[2], "512K * 16bit");
  EXPECT_EQ(rig.rs.UnitCount, 2);
  EXPECT_EQ(rig.lamp(), kLampPass);
  EXPECT_EQ(rig.ui.messagePageShown, 1);
}

TEST(SelfTestTest, MemorySizeIsSetOnceAndOnlyRaised) {
  DeviceRig rig("512Kx8,1024Kx8");
  auto ctx = rig.ctx();
  ASSERT_TRUE(SelfTest(ctx, false));
  // The first unit sets it; the second finds it already above its threshold.
  EXPECT_EQ(rig.rs.DeviceMemorySize, 0x80000u);
  rig.rs.DeviceMemorySize = 0x200000;
  ASSERT_TRUE(SelfTest(ctx, false));
  EXPECT_EQ(rig.rs.DeviceMemorySize, 0x200000u);
  EXPECT_TRUE(rig.ui.pane.empty());
}

TEST(SelfTestTest, FailedCheckPrintsAddressButNotAbsentData) {
  DeviceRig rig("512Kx8");
  rig.unit().state = 1;
  rig.unit().failAddress = 0x1234;
  rig.unit().failData = 0x00FF;
  auto ctx = rig.ctx();
  EXPECT_FALSE(SelfTest(ctx, true));
  EXPECT_EQ(rig.ui.pane, (std::vector<std::string>{"Device Self Test ....", kIndent + "USB Device is open !",
                                                   kIndent + "Error !! Check State Fail",
                                                   kIndent + "Error !! Address : 0x1234", "Self Test Fail !!"}));
  EXPECT_EQ(rig.lamp(), kLampFail);
}

TEST(SelfTestTest, FailedCheckPrintsDataHighByteFirst) {
  DeviceRig rig("512Kx8");
  rig.unit().state = 0x0100;
  rig.unit().failData = 0xAB0C;
  auto ctx = rig.ctx();
  EXPECT_FALSE(SelfTest(ctx, true));
  EXPECT_EQ(rig.ui.pane[3], kIndent + "Error !! Data      : 0xAB0C");
}

TEST(SelfTestTest, UnknownConfigurationMarksPanelOneWhateverTheDevice) {
  DeviceRig rig("512Kx8,512Kx8");
  rig.unit(1).configCode = 0x0042;
  auto ctx = rig.ctx();
  EXPECT_FALSE(SelfTest(ctx, true));
  EXPECT_EQ(rig.ui.pane[rig.ui.pane.size() - 2], kIndent + "Error !! This is not ZarvoR5 series ...!!");
  EXPECT_EQ(rig.ui.pane.back(), "Self Test Fail !!");
  EXPECT_EQ(rig.ui.driverText[1], "Not connect");
  EXPECT_EQ(rig.ui.driverText[2], "");
  EXPECT_EQ(rig.rs.DeviceSize, "512K * 8bit");  // from Device 1, which passed
  EXPECT_EQ(rig.lamp(), kLampFail);
}

TEST(SelfTestTest, RefusedStatusIsQuietWithoutMessagesButLightsFail) {
  for (bool messages : {true, false}) {
    DeviceRig rig("1024Kx8");
    rig.unit().failNext('B');
    auto ctx = rig.ctx();
    EXPECT_FALSE(SelfTest(ctx, messages));
    EXPECT_EQ(rig.lamp(), kLampFail);
    const std::vector<std::string> loud{"Device Self Test ....", kIndent + "USB Device is open !",
                                        kIndent + "Error 42! Command Fail", "Self Test Fail !!"};
    EXPECT_EQ(rig.ui.pane, messages ? loud : std::vector<std::string>{});
  }
}

TEST(SelfTestTest, NoUnitHidesControlsAndSaysFailEvenQuietly) {
  DeviceRig rig("other,-");
  auto ctx = rig.ctx();
  EXPECT_TRUE(SelfTest(ctx, false));
  EXPECT_EQ(rig.ui.pane, std::vector<std::string>{"Self Test Fail !!"});
  EXPECT_EQ(rig.lamp(), kLampFail);
  EXPECT_FALSE(rig.ui.unitControls.runPanel);
  EXPECT_FALSE(rig.ui.unitControls.resetControls);
  EXPECT_EQ(rig.ui.unitControls.panels, (std::array<bool, 4>{}));
}

TEST(CheckUnitsTest, PresenceFollowsTheListAndResetControlsThePage) {
  for (Page page : {Page::Window, Page::Batch, Page::Setup1}) {
    DeviceRig rig("-,512Kx8,-,512Kx8", page);
    auto ctx = rig.ctx();
    EXPECT_TRUE(CheckUnits(ctx));
    EXPECT_EQ(rig.rs.UnitCount, 2);
    EXPECT_EQ(rig.ui.unitControls.panels, (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(rig.ui.unitControls.resetControls, page != Page::Setup1);
    EXPECT_TRUE(rig.ui.unitControls.runPanel);
  }
}

TEST(DiscoveryTest, FindPositionTakesTheLastMatchWithinTheCount) {
  DeviceRig rig("512Kx8,512Kx8");
  auto ctx = rig.ctx();
  ASSERT_TRUE(CheckUnits(ctx));
  ASSERT_TRUE(rig.link.open(0));
  EXPECT_EQ(FindPosition(ctx, 2), 1);
  EXPECT_FALSE(rig.link.isOpen());
  EXPECT_EQ(FindPosition(ctx, 0), -1);  // empty entries beyond the count never match
  EXPECT_EQ(FindPosition(ctx, 3), -1);
}

TEST(DiscoveryTest, BlinkTogglesFromTheKeptStateAndSleepsBetween) {
  DeviceRig rig("-,512Kx8");
  auto ctx = rig.ctx();
  ASSERT_TRUE(CheckUnits(ctx));
  ASSERT_TRUE(BlinkLed(ctx, 0, 3));
  EXPECT_EQ(rig.unit(1).ledHistory, (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(rig.rs.BlinkState, 1);
  EXPECT_EQ(rig.clock.sleeps, (std::vector<uint32_t>{100, 100, 100}));
  ASSERT_TRUE(BlinkLed(ctx, 0, 1));
  EXPECT_EQ(rig.unit(1).ledHistory.back(), 0);
}

TEST(DiscoveryTest, BlinkOfAMissingPositionFailsWithTheLamp) {
  DeviceRig rig("512Kx8");
  auto ctx = rig.ctx();
  ASSERT_TRUE(CheckUnits(ctx));
  for (int p : {1, -1, 99}) {
    EXPECT_FALSE(BlinkLed(ctx, p, 10));
    EXPECT_EQ(rig.lamp(), kLampFail);
  }
  EXPECT_TRUE(rig.clock.sleeps.empty());
}

TEST(DiscoveryTest, DeviceButtonBlinksDeviceNByListPosition) {
  DeviceRig rig("-,-,512Kx8,-,-,-,-,512Kx8");
  auto ctx = rig.ctx();
  ASSERT_TRUE(DeviceButtonClick(ctx, 2));  // Device 2 sits on device path 7
  EXPECT_EQ(rig.unit(7).ledHistory.size(), 10u);
  EXPECT_TRUE(rig.unit(2).ledHistory.empty());
  EXPECT_FALSE(DeviceButtonClick(ctx, 3));
  EXPECT_EQ(rig.lamp(), kLampFail);
}

}  // namespace
}  // namespace zarvo
