// LibusbBackend against devices emulated with umockdev: what reaches the wire, how slots
// follow the bus order, and how every kind of failure comes back (never as a hang).
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <vector>

#include <sys/wait.h>

#include "base/profile.h"
#include "base/run_state.h"
#include "child_process.h"
#include "counting_clock.h"
#include "device/libusb_backend.h"
#include "base/quiet_ui.h"
#include "device/discovery.h"
#include "device/self_test.h"
#include "device/usb_link.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "emulated_bus.h"

namespace zarvo {
namespace {

using test::ControlCall;
using test::BusDevice;
using test::EmulatedBus;
using test::FakeUnit;
using test::TempDir;

constexpr uint16_t kOtherProduct = 0x1234;
constexpr unsigned kTestTimeoutMs = 1000;

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + seed + (i >> 8));
  return v;
}

// One unit alone on bus 1: the ground for the transfer tests.
class LibusbOneUnit : public ::testing::Test {
 protected:
  void SetUp() override {
    bus_.addRootHub(1);
    unit_ = &bus_.addDevice({1, "1", 2, 0x1234, kProductId}, 0x11);
    backend_ = MakeLibusbBackend(kTestTimeoutMs);
  }
  void openUnit() { ASSERT_TRUE(backend_->open(0)) << backend_->lastErrorDetail(); }

  EmulatedBus bus_;
  FakeUnit* unit_ = nullptr;
  std::unique_ptr<UsbBackend> backend_;
};

TEST(LibusbSlots, FollowBusThenPortPathAndHoldOnlyUnits) {
  EmulatedBus bus;
  bus.addRootHub(1);
  bus.addRootHub(2);
  // Addresses run against the port order, and port 10 must sort after port 2 (not as text).
  bus.addDevice({2, "1", 4, 0x1111, kProductId}, 0xA);
  bus.addDevice({1, "10", 6, 0x1111, kProductId}, 0xD);
  bus.addDevice({1, "3", 2, 0x2222, kOtherProduct}, 0xE);
  bus.addDevice({1, "2", 3, 0x3333, 0x5411, 0x09}, 0xF);  // an external hub
  bus.addDevice({1, "2.4", 5, 0x1111, kProductId}, 0xC);
  bus.addDevice({1, "1", 7, 0x1111, kProductId}, 0xB);
  auto backend = MakeLibusbBackend(kTestTimeoutMs);

  std::vector<std::optional<uint16_t>> ids;
  for (int slot = 0; slot < kSlotCount; ++slot) ids.push_back(backend->productId(slot));
  std::vector<std::optional<uint16_t>> expected = {kProductId, kProductId, kProductId, kProductId};
  expected.resize(kSlotCount, std::nullopt);
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(backend->productId(-1), std::nullopt);
  EXPECT_EQ(backend->productId(kSlotCount), std::nullopt);

  // Which unit sits in which slot: each one's status block starts with its id.
  const std::vector<std::pair<int, uint8_t>> unitSlots = {{0, 0xB}, {1, 0xC}, {2, 0xD}, {3, 0xA}};
  for (const auto& [slot, id] : unitSlots) {
    ASSERT_TRUE(backend->open(slot)) << "slot " << slot << ": " << backend->lastErrorDetail();
    uint8_t status[16] = {};
    ASSERT_TRUE(backend->controlIn(0x42, 0, 0, status, sizeof status)) << backend->lastErrorDetail();
    EXPECT_EQ(status[0], id) << "slot " << slot;
    backend->close();
  }
}

TEST(LibusbSlots, AnotherProductIsNeverOpenedOrClaimed) {
  EmulatedBus bus;
  bus.addRootHub(1);
  FakeUnit& other = bus.addDevice({1, "1", 2, 0x2222, kOtherProduct}, 0xE);
  auto backend = MakeLibusbBackend(kTestTimeoutMs);
  EXPECT_EQ(backend->productId(0), std::nullopt);  // it takes no slot
  EXPECT_FALSE(backend->open(0));
  EXPECT_EQ(backend->lastError(), UsbError::NoDevice);
  EXPECT_TRUE(other.claimed().empty());
  EXPECT_FALSE(backend->open(1));  // empty slot
  EXPECT_FALSE(backend->open(-1));
  EXPECT_EQ(backend->lastError(), UsbError::NoDevice);
}

TEST(LibusbSlots, UnitsBehindTwentyOtherDevicesAreStillDevice1And2) {
  EmulatedBus bus;
  bus.addRootHub(1);
  for (int i = 1; i <= 20; ++i)
    bus.addDevice({1, std::to_string(i), 10 + i, 0x2222, static_cast<uint16_t>(kOtherProduct + i)}, 0xE);
  bus.addDevice({1, "21", 40, 0x1111, kProductId}, 0xA);
  bus.addDevice({1, "22", 41, 0x1111, kProductId}, 0xB);
  auto backend = MakeLibusbBackend(kTestTimeoutMs);
  EXPECT_EQ(backend->productId(0), kProductId);
  EXPECT_EQ(backend->productId(1), kProductId);
  EXPECT_EQ(backend->productId(2), std::nullopt);
  for (const auto& [slot, id] : std::vector<std::pair<int, uint8_t>>{{0, 0xA}, {1, 0xB}}) {
    ASSERT_TRUE(backend->open(slot)) << backend->lastErrorDetail();
    uint8_t status[16] = {};
    ASSERT_TRUE(backend->controlIn(0x42, 0, 0, status, sizeof status));
    EXPECT_EQ(status[0], id);
    backend->close();
  }
}

// A unit's identity is its port path as the kernel names it and its address on the bus.
TEST(LibusbSlots, UnitsAreKnownByPortPathAndAddress) {
  EmulatedBus bus;
  bus.addRootHub(1);
  bus.addDevice({1, "4", 3, 0x3333, 0x5411, 0x09}, 0xF);  // a hub
  bus.addDevice({1, "2", 5, 0x1111, kProductId}, 0xA);
  bus.addDevice({1, "4.3", 6, 0x1111, kProductId}, 0xB);
  auto backend = MakeLibusbBackend(kTestTimeoutMs);
  EXPECT_EQ(backend->identities(), (std::vector<UnitIdentity>{{"1-2", 5}, {"1-4.3", 6}}));
  ASSERT_TRUE(backend->open(1)) << backend->lastErrorDetail();
  EXPECT_EQ(backend->openIdentity(), (UnitIdentity{"1-4.3", 6}));
  backend->close();
  EXPECT_FALSE(backend->openIdentity().known());
}

// The pull/plug scenario on one bus seen by one process: A (port 1-2) and B (port 1-3) are
// tested as Device 1 and 2. A is pulled: Device 1 opens nothing, Device 2 is still B though
// it moved up a slot. C is plugged into port 1-1: Device 1 still opens nothing (C was never
// tested) and C sees no request. The next self test counts C as Device 1; with Device1
// pinned to 1-3 in [Units], B is Device 1 whatever else is plugged.
TEST(LibusbUnits, APulledUnitIsNotConnectAndAPluggedOneCountsFromTheNextSelfTest) {
  EmulatedBus bus;
  bus.addRootHub(1);
  const BusDevice a{1, "2", 5, 0x1111, kProductId};
  bus.addDevice(a, 0xA).reportPassing(0x0040);
  FakeUnit& b = bus.addDevice({1, "3", 6, 0x1111, kProductId}, 0xB);
  b.reportPassing(0x0041);
  auto backend = MakeLibusbBackend(kTestTimeoutMs);
  UsbLink link(*backend);
  RunState rs;
  Profile profile;
  QuietUi ui;
  test::CountingClock clock;
  DeviceContext ctx{link, rs, profile, ui, clock};
  auto idAtOpen = [&link] {
    uint8_t status[16] = {};
    return link.vendorIn(0x42, 0, 0, status, sizeof status) ? status[12] : 0;
  };

  ASSERT_TRUE(SelfTest(ctx, false));
  ASSERT_EQ(rs.UnitCount, 2);
  EXPECT_EQ(rs.UnitIds[0].port, "1-2");
  EXPECT_EQ(rs.UnitDeviceSize[1], "512K * 16bit");

  bus.removeDevice(a);
  EXPECT_FALSE(OpenListPosition(ctx, 0));
  ASSERT_TRUE(OpenListPosition(ctx, 1)) << backend->lastErrorDetail();
  EXPECT_EQ(idAtOpen(), 0xB);

  FakeUnit& c = bus.addDevice({1, "1", 7, 0x1111, kProductId}, 0xC);
  c.reportPassing(0x0080);
  EXPECT_FALSE(BlinkLed(ctx, 0, 10));
  EXPECT_TRUE(c.controls().empty());
  EXPECT_TRUE(c.claimed().empty());

  ASSERT_TRUE(SelfTest(ctx, false));
  EXPECT_EQ(rs.UnitIds[0].port, "1-1");
  EXPECT_EQ(rs.UnitDeviceSize[0], "1024K * 8bit");
  ASSERT_TRUE(OpenListPosition(ctx, 0));
  EXPECT_EQ(idAtOpen(), 0xC);

  TempDir dir;
  profile.setPath(dir.file("settings.ini"));
  ASSERT_TRUE(profile.writeText("Units", "Device1", "1-3"));
  ASSERT_TRUE(SelfTest(ctx, false));
  EXPECT_EQ(rs.UnitIds[0].port, "1-3");
  EXPECT_EQ(rs.UnitIds[1].port, "1-1");
  ASSERT_TRUE(OpenListPosition(ctx, 0));
  EXPECT_EQ(idAtOpen(), 0xB);
}

TEST_F(LibusbOneUnit, OpenClaimsAndCloseReleasesTheInterface) {
  EXPECT_FALSE(backend_->controlOut(0x55, 1, 0));  // nothing open yet
  EXPECT_EQ(backend_->lastError(), UsbError::NoDevice);
  openUnit();
  EXPECT_EQ(unit_->claimed(), std::vector<int>{0});
  EXPECT_TRUE(unit_->released().empty());
  backend_->close();
  EXPECT_EQ(unit_->released(), std::vector<int>{0});
  EXPECT_FALSE(backend_->controlOut(0x55, 1, 0));
  EXPECT_EQ(backend_->lastError(), UsbError::NoDevice);
  uint8_t block[4] = {};
  EXPECT_FALSE(backend_->bulkRead(block, sizeof block));
  backend_->close();  // closing twice is harmless
  EXPECT_EQ(unit_->released(), std::vector<int>{0});

  // Opening again (also over an open unit) starts from a clean claim.
  openUnit();
  openUnit();
  EXPECT_EQ(unit_->claimed(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(unit_->released(), (std::vector<int>{0, 0}));
}

struct WireCase {
  const char* name;
  uint8_t request;
  uint16_t value;
  uint16_t index;
};

TEST_F(LibusbOneUnit, EveryOutCommandHasItsExactWireForm) {
  const WireCase cases[] = {
      {"CMD_BLOCK 5", 0x43, 0, 5},          {"CMD_READ 16K", 0x46, 0x8000, 16384},
      {"CMD_LOAD 8K", 0x4C, 0x8000, 8192},  {"CMD_MODE 0", 0x53, 0, 0},
      {"CMD_MODE 1000", 0x53, 0x1000, 0},   {"CMD_RESET_LINE 1", 0x54, 1, 0},
      {"CMD_RESET_LINE 0", 0x54, 0, 0},     {"CMD_LED 1", 0x55, 1, 0},
      {"CMD_LED 0", 0x55, 0, 0},
  };
  openUnit();
  for (const WireCase& c : cases) {
    ASSERT_TRUE(backend_->controlOut(c.request, c.value, c.index)) << c.name << ": " << backend_->lastErrorDetail();
    EXPECT_EQ(backend_->lastError(), UsbError::None);
    ASSERT_FALSE(unit_->controls().empty());
    EXPECT_EQ(unit_->controls().back(), (ControlCall{0x40, c.request, c.value, c.index, 0})) << c.name;
  }
  EXPECT_EQ(unit_->controls().size(), std::size(cases));
}

TEST_F(LibusbOneUnit, StatusRequestIsAVendorInOfSixteenBytes) {
  openUnit();
  std::vector<uint8_t> status(16, 0);
  ASSERT_TRUE(backend_->controlIn(0x42, 0, 0, status.data(), 16)) << backend_->lastErrorDetail();
  EXPECT_EQ(unit_->controls(), std::vector<ControlCall>{(ControlCall{0xC0, 0x42, 0, 0, 16})});
  EXPECT_EQ(status, unit_->statusBlock());
}

class LibusbBulk : public LibusbOneUnit, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(LibusbBulk, WholeBlockGoesOutAndComesBack) {
  const uint32_t n = GetParam();
  openUnit();
  const std::vector<uint8_t> out = Pattern(n, 3);
  ASSERT_TRUE(backend_->bulkWrite(out.data(), n)) << backend_->lastErrorDetail();
  EXPECT_EQ(unit_->bulkOut(), out);

  const std::vector<uint8_t> served = Pattern(n, 91);
  unit_->setBulkInData(served);
  std::vector<uint8_t> in(n, 0);
  ASSERT_TRUE(backend_->bulkRead(in.data(), n)) << backend_->lastErrorDetail();
  EXPECT_EQ(in, served);
}

INSTANTIATE_TEST_SUITE_P(BlockLengths, LibusbBulk, ::testing::Values(8192u, 16384u));

TEST_F(LibusbOneUnit, ShortTransfersFail) {
  openUnit();
  unit_->setBulkInData(Pattern(8192, 1));
  unit_->shortenNext(8191);
  std::vector<uint8_t> in(8192, 0);
  EXPECT_FALSE(backend_->bulkRead(in.data(), 8192));
  EXPECT_EQ(backend_->lastError(), UsbError::Short);

  unit_->shortenNext(10);
  uint8_t status[16] = {};
  EXPECT_FALSE(backend_->controlIn(0x42, 0, 0, status, sizeof status));
  EXPECT_EQ(backend_->lastError(), UsbError::Short);

  // A unit with nothing to send gives nothing: still a failure, not a success with stale data.
  unit_->setBulkInData({});
  EXPECT_FALSE(backend_->bulkRead(in.data(), 8192));
  EXPECT_EQ(backend_->lastError(), UsbError::Short);
}

TEST_F(LibusbOneUnit, StallIsRefusedAndTheNextRequestWorks) {
  openUnit();
  unit_->stallNext();
  EXPECT_FALSE(backend_->controlOut(0x53, 0, 0));
  EXPECT_EQ(backend_->lastError(), UsbError::Refused);
  unit_->stallNext();
  const std::vector<uint8_t> out = Pattern(8192, 5);
  EXPECT_FALSE(backend_->bulkWrite(out.data(), 8192));
  EXPECT_EQ(backend_->lastError(), UsbError::Refused);
  EXPECT_TRUE(backend_->controlOut(0x53, 0, 0));
  EXPECT_EQ(backend_->lastError(), UsbError::None);
}

TEST_F(LibusbOneUnit, VanishedUnitIsABrokenLink) {
  openUnit();
  unit_->unplug();
  EXPECT_FALSE(backend_->controlOut(0x55, 1, 0));
  EXPECT_EQ(backend_->lastError(), UsbError::LinkBroken);
  const std::vector<uint8_t> out = Pattern(16384, 2);
  EXPECT_FALSE(backend_->bulkWrite(out.data(), 16384));
  EXPECT_EQ(backend_->lastError(), UsbError::LinkBroken);
  backend_->close();
}

// A unit that never answers: the transfer is given up after the configured time and the
// link still works afterwards. The bound is loose; the point is "no hang".
class LibusbHungUnit : public ::testing::TestWithParam<unsigned> {};

TEST_P(LibusbHungUnit, TransfersTimeOutInsteadOfHanging) {
  EmulatedBus bus;
  bus.addRootHub(1);
  FakeUnit& unit = bus.addDevice({1, "1", 2, 0x1234, kProductId}, 0x11);
  auto backend = MakeLibusbBackend(GetParam());
  ASSERT_TRUE(backend->open(0)) << backend->lastErrorDetail();

  const auto start = std::chrono::steady_clock::now();
  unit.holdNext();
  EXPECT_FALSE(backend->controlOut(0x4C, 0x8000, 8192));
  EXPECT_EQ(backend->lastError(), UsbError::Timeout);
  unit.holdNext();
  std::vector<uint8_t> in(8192, 0);
  EXPECT_FALSE(backend->bulkRead(in.data(), 8192));
  EXPECT_EQ(backend->lastError(), UsbError::Timeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(unit.discards(), 2u);

  EXPECT_TRUE(backend->controlOut(0x55, 0, 0)) << backend->lastErrorDetail();
}

// 0 would mean "wait for ever" to libusb; it is taken as the shortest timeout instead.
INSTANTIATE_TEST_SUITE_P(Timeouts, LibusbHungUnit, ::testing::Values(150u, 0u));

// Another program has claimed the unit: the open fails as busy, and the self test says so
// after its not-connect text.
TEST_F(LibusbOneUnit, AUnitClaimedByAnotherProgramIsBusy) {
  unit_->claimedElsewhere();
  EXPECT_FALSE(backend_->open(0));
  EXPECT_EQ(backend_->lastError(), UsbError::Busy) << backend_->lastErrorDetail();
  EXPECT_NE(backend_->lastErrorDetail().find("LIBUSB_ERROR_BUSY"), std::string::npos) << backend_->lastErrorDetail();

  UsbLink link(*backend_);
  RunState rs;
  Profile profile;
  test::RecordingUi ui;
  test::CountingClock clock;
  DeviceContext ctx{link, rs, profile, ui, clock};
  EXPECT_FALSE(SelfTest(ctx, true));
  const std::vector<std::string> tail(ui.pane.end() - 3, ui.pane.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"      USB Device is not connect...", "Self Test Fail !!",
                                            "unit busy: used by another program"}));
  EXPECT_TRUE(unit_->controls().empty());  // nothing was sent to the other program's unit
}

// Without the udev rule the unit is listed but cannot be opened: permission denied, a cause
// of its own, not "no unit".
TEST_F(LibusbOneUnit, AUnitThisUserMayNotOpenIsAccessDenied) {
  bus_.nodesForRootOnly();
  test::TempDir home;
  const int status = test::RunInChild([&] {
    CHILD_CHECK(test::DropRoot(home.path().string()));
    auto backend = MakeLibusbBackend(kTestTimeoutMs);
    CHILD_CHECK(backend->productId(0) == kProductId);
    UsbLink link(*backend);
    CHILD_CHECK(!link.open(0));
    CHILD_CHECK(link.lastError() == UsbError::AccessDenied);
    CHILD_CHECK(link.openRefusal() == UsbError::AccessDenied);
    CHILD_CHECK(backend->lastErrorDetail() == "libusb_open: LIBUSB_ERROR_ACCESS");
    return 0;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(unit_->claimed().empty());
}

}  // namespace
}  // namespace zarvo
