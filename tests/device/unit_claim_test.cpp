// A unit is driven by one opener at a time: a simulated unit with a file is locked while
// open, as a real unit is claimed, and a unit that cannot be opened because another program
// holds it or this user may not says so after the road's own failure text.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/discovery.h"
#include "device/open_refusal.h"
#include "device/reset_line.h"
#include "device/self_test.h"
#include "device_rig.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::DeviceRig;
using test::TempDir;

SimConfig UnitsIn(const TempDir& dir, const std::string& slots) {
  SimConfig config;
  std::string error;
  EXPECT_TRUE(ParseSimSlots(slots, config, error)) << error;
  config.dir = dir.path().string();
  return config;
}

bool WriteBlock(UsbBackend& b, uint16_t k, const std::vector<uint8_t>& data) {
  return b.controlOut('C', 0, k) && b.controlOut('L', 0x8000, static_cast<uint16_t>(data.size())) &&
         b.bulkWrite(data.data(), static_cast<uint32_t>(data.size()));
}

std::vector<uint8_t> ReadBlock(UsbBackend& b, uint16_t k, size_t n) {
  std::vector<uint8_t> out(n, 0);
  if (!(b.controlOut('C', 0, k) && b.controlOut('F', 0x8000, static_cast<uint16_t>(n)) &&
        b.bulkRead(out.data(), static_cast<uint32_t>(n))))
    out.clear();
  return out;
}

TEST(UnitClaim, ASimulatedUnitWithAFileHasOneOpenerAndOneMemory) {
  TempDir dir;
  // Two programs on the same unit files, both started before either wrote.
  SimulatedBackend first(UnitsIn(dir, "512Kx8,512Kx8")), second(UnitsIn(dir, "512Kx8,512Kx8"));
  ASSERT_TRUE(first.open(0));
  EXPECT_FALSE(second.open(0));
  EXPECT_EQ(second.lastError(), UsbError::Busy);
  ASSERT_TRUE(second.open(1));  // another unit is free
  second.close();
  ASSERT_TRUE(WriteBlock(first, 2, std::vector<uint8_t>(8192, 0x5A)));
  first.close();

  // The unit is free again and holds what the first wrote, not the second's old copy.
  ASSERT_TRUE(second.open(0));
  EXPECT_EQ(ReadBlock(second, 2, 8192), std::vector<uint8_t>(8192, 0x5A));
  ASSERT_TRUE(WriteBlock(second, 3, std::vector<uint8_t>(8192, 0x77)));
  EXPECT_FALSE(first.open(0));
  EXPECT_EQ(first.lastError(), UsbError::Busy);
  second.close();
  ASSERT_TRUE(first.open(0));
  EXPECT_EQ(first.unit(0)->memory[3 * 8192], 0x77);
  EXPECT_EQ(first.unit(0)->memory[2 * 8192], 0x5A);

  // A unit pulled while open lets go of it; opening another slot lets go of the first.
  ASSERT_TRUE(first.open(1));
  EXPECT_TRUE(second.open(0));
  second.close();
  first.detach(1);
  EXPECT_TRUE(second.open(1));
}

TEST(UnitClaim, AnotherProcessHoldingTheUnitMakesItBusyUntilItEnds) {
  TempDir dir;
  int up[2], down[2];
  ASSERT_EQ(::pipe(up), 0);
  ASSERT_EQ(::pipe(down), 0);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SimulatedBackend other(UnitsIn(dir, "512Kx8"));
    char c = other.open(0) && WriteBlock(other, 0, std::vector<uint8_t>(8192, 0x31)) ? 1 : 0;
    if (::write(up[1], &c, 1) != 1 || ::read(down[0], &c, 1) != 1) std::_Exit(2);
    std::_Exit(0);  // ends with the unit open: the lock goes with the process
  }
  char held = 0;
  ASSERT_EQ(::read(up[0], &held, 1), 1);
  ASSERT_EQ(held, 1);
  SimulatedBackend mine(UnitsIn(dir, "512Kx8"));
  UsbLink link(mine);
  EXPECT_FALSE(link.open(0));
  EXPECT_EQ(link.lastError(), UsbError::Busy);
  EXPECT_EQ(link.openRefusal(), UsbError::Busy);

  const char c = 1;
  ASSERT_EQ(::write(down[1], &c, 1), 1);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  ASSERT_TRUE(link.open(0));
  EXPECT_EQ(link.openRefusal(), UsbError::None);
  EXPECT_EQ(mine.unit(0)->memory[0], 0x31);
  for (int fd : {up[0], up[1], down[0], down[1]}) ::close(fd);
}

// What each road says when its unit is busy or may not be opened: its own failure text
// first, then the cause, once.
TEST(UnitClaim, EachRoadSaysTheCauseAfterItsFailureText) {
  const std::string permission = OpenRefusalText(UsbError::AccessDenied);
  EXPECT_EQ(permission.rfind("unit found but could not be opened (permission denied): install the udev rule", 0), 0u);
  EXPECT_NE(permission.find("/etc/udev/rules.d/"), std::string::npos);
  EXPECT_EQ(OpenRefusalText(UsbError::Busy), "unit busy: used by another program");
  EXPECT_EQ(OpenRefusalText(UsbError::LinkBroken), "");

  for (const UsbError cause : {UsbError::Busy, UsbError::AccessDenied}) {
    SCOPED_TRACE(OpenRefusalText(cause));
    const std::string note = OpenRefusalText(cause);
    {  // the self test with messages (start-up, 'units')
      DeviceRig rig("512Kx8,512Kx8");
      rig.unit(1).openError = cause;
      auto ctx = rig.ctx();
      EXPECT_FALSE(SelfTest(ctx, true));
      const std::vector<std::string> tail(rig.ui.pane.end() - 3, rig.ui.pane.end());
      EXPECT_EQ(tail, (std::vector<std::string>{"      USB Device is not connect...", "Self Test Fail !!", note}));
      EXPECT_EQ(rig.link.openRefusal(), UsbError::None);  // said once
    }
    {  // quiet, the self test leaves the cause to its caller: the device button
      DeviceRig rig("512Kx8");
      rig.unit(0).openError = cause;
      auto ctx = rig.ctx();
      EXPECT_FALSE(DeviceButtonClick(ctx, 1));
      EXPECT_EQ(rig.ui.pane, std::vector<std::string>{note});
      EXPECT_TRUE(rig.unit(0).ledHistory.empty());
    }
    {  // the reset controls: the reset step's text, then the cause
      DeviceRig rig("512Kx8,512Kx8");
      rig.unit(0).openError = cause;
      auto ctx = rig.ctx();
      const ResetLoopResult r = ResetButtonClick(ctx, {true, true, false, false});
      EXPECT_EQ(r.failures, 1);
      ASSERT_GE(rig.ui.pane.size(), 2u);
      EXPECT_EQ(rig.ui.pane[0], "[ Reset Signal ] Error !! LED fail ");
      EXPECT_EQ(rig.ui.pane[1], note);
      EXPECT_EQ(std::count(rig.ui.pane.begin(), rig.ui.pane.end(), note), 1);
      EXPECT_EQ(rig.unit(1).resetHistory, (std::vector<int>{1, 0, 1}));  // the other unit was pulsed
    }
  }
  {  // another failure says nothing more
    DeviceRig rig("512Kx8");
    rig.unit(0).failNext('U');
    auto ctx = rig.ctx();
    EXPECT_FALSE(DeviceButtonClick(ctx, 1));
    EXPECT_TRUE(rig.ui.pane.empty());
  }
}

}  // namespace
}  // namespace zarvo
