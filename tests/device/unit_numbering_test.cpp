// Which unit Device N is: the identities the unit list is made from, the [Units] pins, and
// the opens that find the very unit the list holds (never the one that took its place).
#include <gtest/gtest.h>

#include "device/discovery.h"
#include "device/self_test.h"
#include "device/transfer.h"
#include "device_rig.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::DeviceRig;
using test::TempDir;

// Found units in bus and port order as (port path); returns "port,port,..." by Device
// number, "-" for an empty number, and the numbers spanned.
std::pair<std::string, int> Numbered(const std::vector<std::string>& ports, const UnitPins& pins) {
  std::array<uint8_t, 15> found{};
  std::array<UnitIdentity, 15> ids{};
  for (size_t k = 0; k < ports.size(); ++k) {
    found[k] = static_cast<uint8_t>(k + 1);
    ids[k] = {ports[k], static_cast<uint32_t>(k + 10)};
  }
  std::array<uint8_t, 15> list{};
  std::array<UnitIdentity, 15> listIds{};
  const int span = NumberUnits(found, ids, static_cast<int>(ports.size()), pins, list, listIds);
  std::string out;
  for (int p = 0; p < span; ++p) {
    const auto i = static_cast<size_t>(p);
    if (!out.empty()) out += ",";
    out += list[i] == 0 ? "-" : listIds[i].port;
    // The entry and the identity always travel together.
    if (list[i] != 0) {
      EXPECT_EQ(ids[list[i] - 1u], listIds[i]);
    }
  }
  return {out, span};
}

TEST(UnitNumbering, PinnedUnitsKeepTheirNumberAndTheOthersTakeTheLowestFree) {
  struct Case {
    std::vector<std::string> ports;
    std::vector<std::pair<int, std::string>> pins;  // Device number, port
    std::string expected;
  };
  const Case cases[] = {
      {{"1-2", "1-3"}, {}, "1-2,1-3"},                              // plain order
      {{}, {}, ""},                                                 // nothing attached
      {{"1-2", "1-3"}, {{1, "1-3"}}, "1-3,1-2"},                    // a pin moves a unit up
      {{"1-2", "1-3"}, {{2, "1-2"}}, "1-3,1-2"},                    // and the other fills the gap
      {{"1-2", "1-3"}, {{1, "1-9"}}, "-,1-2,1-3"},                  // pinned port without a unit
      {{"1-3"}, {{1, "1-2"}, {2, "1-3"}}, "-,1-3"},                 // Device 1's unit pulled
      {{"1-1", "1-3"}, {{1, "1-2"}, {2, "1-3"}}, "-,1-3,1-1"},      // a new unit takes no pinned number
      {{"1-1", "1-2", "2-1"}, {{3, "1-1"}}, "1-2,2-1,1-1"},
      {{"1-4.2"}, {{4, "1-4.2"}}, "-,-,-,1-4.2"},
      {{"1-2"}, {{1, "1-2"}, {2, "1-2"}}, "1-2"},                   // a port pinned twice: the lower number
  };
  for (const Case& c : cases) {
    UnitPins pins;
    for (const auto& [n, port] : c.pins) pins[static_cast<size_t>(n - 1)] = port;
    EXPECT_EQ(Numbered(c.ports, pins).first, c.expected) << c.expected;
  }
}

TEST(UnitNumbering, PinsComeFromTheUnitsSectionAndUnitsPinWritesTheOrder) {
  TempDir dir;
  DeviceRig rig("512Kx8,512Kx16,1024Kx8");
  rig.profile.setPath(dir.file("settings.ini"));
  dir.writeText("settings.ini", "[Units]\r\nDevice1= 1-3 \r\ndevice3=1-9\r\n");
  auto ctx = rig.ctx();
  ASSERT_TRUE(CheckUnits(ctx));
  EXPECT_EQ(rig.rs.UnitCount, 4);
  EXPECT_EQ(rig.rs.UnitIds[0].port, "1-3");
  EXPECT_EQ(rig.rs.UnitIds[1].port, "1-1");
  EXPECT_EQ(rig.rs.UnitList[2], 0);  // pinned to a port without a unit: absent
  EXPECT_EQ(rig.rs.UnitIds[3].port, "1-2");
  EXPECT_EQ(rig.rs.PanelPresent, (std::array<bool, 4>{true, true, false, true}));
  EXPECT_EQ(rig.ui.driverPort[1], "1-3");
  EXPECT_EQ(rig.ui.driverPort[3], "");
  EXPECT_EQ(FindDevice(ctx, 3), -1);

  // Each Device's own configuration, the absent one skipped.
  ASSERT_TRUE(SelfTest(ctx, false));
  EXPECT_EQ(rig.rs.UnitDeviceSize[0], "1024K * 8bit");
  EXPECT_EQ(rig.rs.UnitDeviceSize[1], "512K * 8bit");
  EXPECT_EQ(rig.rs.UnitDeviceSize[2], "");
  EXPECT_EQ(rig.rs.UnitDeviceSize[3], "512K * 16bit");

  ASSERT_TRUE(WriteUnitPins(rig.profile, rig.rs));
  EXPECT_EQ(rig.profile.readText("Units", "Device1", ""), "1-3");
  EXPECT_EQ(rig.profile.readText("Units", "Device2", ""), "1-1");
  EXPECT_EQ(rig.profile.readText("Units", "Device3", ""), "1-9");  // the absent pin stays
  EXPECT_EQ(rig.profile.readText("Units", "Device4", ""), "1-2");
}

// A, B tested as Device 1 and 2. Pulling A must not make B "Device 1" for a run that has not
// tested again, and a unit plugged in its place is none of the tested ones.
TEST(UnitNumbering, OpensFindTheTestedUnitAndNeverTheOneInItsPlace) {
  DeviceRig rig("512Kx8,512Kx16,-");
  auto ctx = rig.ctx();
  ASSERT_TRUE(SelfTest(ctx, false));
  rig.backend.detach(0);
  EXPECT_FALSE(OpenListPosition(ctx, 0));
  ASSERT_TRUE(OpenListPosition(ctx, 1));
  EXPECT_EQ(rig.backend.openSlot(), 1);

  rig.backend.attach(0, 0x0040);  // C, where A was: device path 0 again
  EXPECT_FALSE(OpenListPosition(ctx, 0));
  EXPECT_FALSE(BlinkLed(ctx, 0, 10));
  EXPECT_TRUE(rig.unit(0).ledHistory.empty());
  EXPECT_EQ(rig.lamp(), kLampFail);

  // The next self test counts C: Device 1 is C, with its own configuration; B keeps its.
  rig.rs.IcSize = rig.rs.EmulationRange = 0x10000;
  ASSERT_TRUE(SelfTest(ctx, false));
  ASSERT_TRUE(OpenListPosition(ctx, 0));
  EXPECT_EQ(rig.backend.openSlot(), 0);
  ASSERT_TRUE(GeometryFor(rig.rs, 1).has_value());
  EXPECT_EQ(GeometryFor(rig.rs, 1)->blockLength, 0x4000u);

  // Renumbered by a device check alone (no self test), a tested unit keeps its own geometry;
  // a unit no self test read has none.
  rig.backend.detach(0);
  rig.backend.attach(2, 0x0080);
  CheckUnits(ctx);
  EXPECT_EQ(rig.rs.UnitIds[0].port, "1-2");
  ASSERT_TRUE(GeometryFor(rig.rs, 0).has_value());
  EXPECT_EQ(GeometryFor(rig.rs, 0)->blockLength, 0x4000u);
  EXPECT_FALSE(GeometryFor(rig.rs, 1).has_value());
}

TEST(UnitNumbering, AFailedToggleLeavesTheLedOffAndTheNextBlinkInPhase) {
  DeviceRig rig("512Kx8");
  auto ctx = rig.ctx();
  ASSERT_TRUE(CheckUnits(ctx));
  rig.unit().failNext('U', 2);
  EXPECT_FALSE(BlinkLed(ctx, 0, 10));
  EXPECT_FALSE(rig.unit().led);
  EXPECT_EQ(rig.rs.BlinkState, 0);
  EXPECT_TRUE(BlinkLed(ctx, 0, 10));
  EXPECT_FALSE(rig.unit().led);
  EXPECT_EQ(rig.unit().ledHistory.back(), 0);
}

}  // namespace
}  // namespace zarvo
