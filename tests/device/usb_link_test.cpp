#include "device/usb_link.h"

#include <gtest/gtest.h>

#include "device/simulated_backend.h"

namespace zarvo {
namespace {

// As on libusb, the device paths are the units attached now, in slot order: other products
// and empty slots take none.
TEST(UsbLinkTest, EnumerationCountsTheUnitsAttachedNowInSlotOrder) {
  SimulatedBackend backend("512Kx8,1024Kx8,other,-,512Kx16");
  UsbLink link(backend);
  std::array<uint8_t, 15> list{};
  std::array<UnitIdentity, 15> ids{};
  EXPECT_EQ(link.enumerate(list, &ids), 3);
  EXPECT_EQ((std::vector<int>(list.begin(), list.begin() + 4)), (std::vector<int>{1, 2, 3, 0}));
  EXPECT_EQ(ids[0].port, "1-1");
  EXPECT_EQ(ids[1].port, "1-2");
  EXPECT_EQ(ids[2].port, "1-5");
  EXPECT_FALSE(ids[3].known());
  EXPECT_FALSE(link.isOpen());
  ASSERT_TRUE(link.open(2));
  EXPECT_EQ(backend.openSlot(), 4);
}

TEST(UsbLinkTest, UnitInTheLastSlotIsFound) {
  SimulatedBackend backend("-,-,-,-,-,-,-,-,-,-,-,-,-,-,512Kx8");
  UsbLink link(backend);
  std::array<uint8_t, 15> list{};
  EXPECT_EQ(link.enumerate(list), 1);
  EXPECT_EQ(list[0], 1);
  EXPECT_EQ(backend.slotAt(0), 14);
}

TEST(UsbLinkTest, EnumerationWhileOpenReturnsZeroAndLeavesTheListAlone) {
  SimulatedBackend backend("512Kx8,512Kx8");
  UsbLink link(backend);
  ASSERT_TRUE(link.open(1));
  std::array<uint8_t, 15> list{};
  list[0] = 9;
  EXPECT_EQ(link.enumerate(list), 0);
  EXPECT_EQ(list[0], 9);
  EXPECT_EQ(link.openSlot(), 1);
}

TEST(UsbLinkTest, OpenWhileOpenKeepsTheFirstUnit) {
  SimulatedBackend backend("512Kx8,1024Kx8");
  UsbLink link(backend);
  ASSERT_TRUE(link.open(0));
  EXPECT_TRUE(link.open(1));
  EXPECT_EQ(link.openSlot(), 0);
  EXPECT_EQ(backend.openSlot(), 0);
}

TEST(UsbLinkTest, OpenFailsForEmptyListEntryOtherProductsAndOutOfRange) {
  SimulatedBackend backend("512Kx8,other");
  UsbLink link(backend);
  for (int slot : {-1, 1, 2, 15, 200}) {
    EXPECT_FALSE(link.open(slot)) << slot;
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(backend.openSlot(), -1);
  }
}

TEST(UsbLinkTest, CloseReportsWhetherAUnitWasOpen) {
  SimulatedBackend backend("512Kx8");
  UsbLink link(backend);
  EXPECT_FALSE(link.close());
  ASSERT_TRUE(link.open(0));
  EXPECT_TRUE(link.close());
  EXPECT_FALSE(link.isOpen());
}

TEST(UsbLinkTest, RequestsFailWithNoUnitOpenAndReachNoUnit) {
  SimulatedBackend backend("512Kx8");
  UsbLink link(backend);
  uint8_t buf[16];
  EXPECT_FALSE(link.vendorOut(0x55, 1, 0));
  EXPECT_FALSE(link.vendorIn(0x42, 0, 0, buf, 16));
  EXPECT_FALSE(link.bulkWrite(buf, 16));
  EXPECT_FALSE(link.bulkRead(buf, 16));
  EXPECT_EQ(link.lastError(), UsbError::NoDevice);
  EXPECT_TRUE(backend.unit(0)->log.empty());
}

TEST(UsbLinkTest, ShortBulkTransfersAreFailures) {
  SimulatedBackend backend("512Kx8");
  UsbLink link(backend);
  ASSERT_TRUE(link.open(0));
  backend.unit(0)->failNext('R');
  std::vector<uint8_t> buf(8192);
  ASSERT_TRUE(link.vendorOut(0x43, 0, 0));
  ASSERT_TRUE(link.vendorOut(0x46, 0x8000, 8192));
  EXPECT_FALSE(link.bulkRead(buf.data(), 8192));
  EXPECT_EQ(link.lastError(), UsbError::Short);
  // The refusal of a request is told apart from a short transfer.
  EXPECT_FALSE(link.vendorOut(0x99, 0, 0));
  EXPECT_EQ(link.lastError(), UsbError::Refused);
}

}  // namespace
}  // namespace zarvo
