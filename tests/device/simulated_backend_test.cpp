#include "device/simulated_backend.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "temp_dir.h"

namespace zarvo {
namespace {

using test::ReadFileBytes;
using test::ReadFileText;
using test::TempDir;

TEST(SimConfigTest, SlotListNamesUnitsOthersAndGaps) {
  SimConfig c;
  std::string error;
  ASSERT_TRUE(ParseSimSlots("512Kx8, - ,other,1024kx8,512KX16,", c, error)) << error;
  EXPECT_EQ(c.slots[0].configCode, 0x0040);
  EXPECT_EQ(c.slots[1].kind, SimSlotKind::Empty);
  EXPECT_EQ(c.slots[2].kind, SimSlotKind::Other);
  EXPECT_EQ(c.slots[3].configCode, 0x0080);
  EXPECT_EQ(c.slots[4].configCode, 0x0041);
  EXPECT_EQ(c.slots[5].kind, SimSlotKind::Empty);
}

TEST(SimConfigTest, MalformedValuesAreRejectedWithAReason) {
  struct Case {
    const char* slots;
    const char* faults;
  };
  for (Case k : {Case{"512Kx9", ""}, Case{"-,-,-,-,-,-,-,-,-,-,-,-,-,-,-,512Kx8", ""}, Case{"512Kx8", "0:L"},
                 Case{"512Kx8", "0:Q:1"}, Case{"512Kx8", "15:L:1"}, Case{"512Kx8", "0:L:0"},
                 Case{"512Kx8", "a:L:1"}, Case{"512Kx8", "0:L:99999999999"}}) {
    SimConfig c;
    std::string error;
    bool ok = ParseSimSlots(k.slots, c, error) && ParseSimFaults(k.faults, c, error);
    EXPECT_FALSE(ok) << k.slots << " " << k.faults;
    EXPECT_FALSE(error.empty());
  }
}

TEST(SimConfigTest, EnvironmentChoosesTheSimulatorAndItsFaults) {
  setenv("ZARVO_R5_SIM", "other,512Kx16", 1);
  setenv("ZARVO_R5_SIM_FAIL", "1:U:2", 1);
  unsetenv("ZARVO_R5_SIM_DIR");
  auto backend = MakeBackendFromEnvironment();
  auto* sim = dynamic_cast<SimulatedBackend*>(backend.get());
  ASSERT_NE(sim, nullptr);
  ASSERT_NE(sim->unit(1), nullptr);
  EXPECT_EQ(sim->unit(1)->configCode, 0x0041);
  ASSERT_TRUE(sim->open(1));
  EXPECT_TRUE(sim->controlOut('U', 1, 0));
  EXPECT_FALSE(sim->controlOut('U', 0, 0));
  EXPECT_TRUE(sim->controlOut('U', 0, 0));

  setenv("ZARVO_R5_SIM", "bogus", 1);
  backend = MakeBackendFromEnvironment();
  sim = dynamic_cast<SimulatedBackend*>(backend.get());
  ASSERT_NE(sim, nullptr);
  EXPECT_NE(sim->error().find("bogus"), std::string::npos);
  EXPECT_FALSE(sim->productId(0).has_value());
  unsetenv("ZARVO_R5_SIM");
  unsetenv("ZARVO_R5_SIM_FAIL");
}

// Writes one block through the unit as a download does.
bool WriteBlock(SimulatedBackend& b, uint16_t k, const std::vector<uint8_t>& data) {
  return b.controlOut('C', 0, k) && b.controlOut('L', 0x8000, static_cast<uint16_t>(data.size())) &&
         b.bulkWrite(data.data(), static_cast<uint32_t>(data.size()));
}

TEST(SimUnitTest, BlocksMapModuloTheMemorySize) {
  SimulatedBackend b("512Kx8");
  ASSERT_TRUE(b.open(0));
  std::vector<uint8_t> block(8192, 0xA5);
  ASSERT_TRUE(WriteBlock(b, 64 + 3, block));  // 64 blocks fill 512 KiB: block 67 is block 3
  EXPECT_EQ(b.unit(0)->memory[3 * 8192], 0xA5);
  EXPECT_EQ(b.unit(0)->memory[3 * 8192 - 1], 0xFF);
  EXPECT_EQ(b.unit(0)->memory[4 * 8192], 0xFF);
}

TEST(SimUnitTest, BulkTransferWithoutAMatchingAnnounceIsRefused) {
  SimulatedBackend b("512Kx8");
  ASSERT_TRUE(b.open(0));
  std::vector<uint8_t> block(8192, 0);
  EXPECT_FALSE(b.bulkWrite(block.data(), 8192));
  ASSERT_TRUE(b.controlOut('L', 0x8000, 4096));
  EXPECT_FALSE(b.bulkWrite(block.data(), 8192));
  ASSERT_TRUE(b.controlOut('L', 0x8000, 8192));
  EXPECT_FALSE(b.bulkRead(block.data(), 8192));  // a load was announced, not a read
  EXPECT_EQ(b.lastError(), UsbError::Refused);
}

TEST(SimUnitTest, StatusBlockCarriesStateConfigAndResetLevel) {
  SimulatedBackend b("1024Kx8");
  SimUnit& u = *b.unit(0);
  u.state = 1;
  u.failAddress = 0x1234;
  ASSERT_TRUE(b.open(0));
  ASSERT_TRUE(b.controlOut('T', 0, 0));
  uint8_t s[16];
  ASSERT_TRUE(b.controlIn('B', 0, 0, s, 16));
  EXPECT_EQ(s[0], 1);
  EXPECT_EQ(s[2], 0x34);
  EXPECT_EQ(s[3], 0x12);
  EXPECT_EQ(s[4], 0xFF);
  EXPECT_EQ(s[8], 0);
  EXPECT_EQ(s[10], 0x80);
  EXPECT_EQ(s[11], 0x00);
  EXPECT_EQ(u.resetHistory, std::vector<int>{0});
}

TEST(SimUnitTest, DirectoryKeepsMemoryBetweenRunsAndLogsEveryRequest) {
  TempDir dir;
  SimConfig config;
  std::string error;
  ASSERT_TRUE(ParseSimSlots("-,512Kx8", config, error));
  config.dir = dir.path().string();
  {
    SimulatedBackend b(config);
    ASSERT_TRUE(b.error().empty()) << b.error();
    EXPECT_EQ(ReadFileBytes(dir.file("unit2.bin")), std::vector<uint8_t>(0x80000, 0xFF));
    ASSERT_TRUE(b.open(1));
    ASSERT_TRUE(WriteBlock(b, 1, std::vector<uint8_t>(8192, 0x11)));
    EXPECT_FALSE(b.controlOut('Z', 1, 2));
    EXPECT_EQ(ReadFileBytes(dir.file("unit2.bin"))[8192], 0x11);
  }
  EXPECT_EQ(ReadFileText(dir.file("unit2.log")), "C 0000 0001\nL 8000 2000\nW 8192\nZ 0001 0002 FAIL\n");
  SimulatedBackend again(config);
  EXPECT_EQ(again.unit(1)->memory[8192], 0x11);
  EXPECT_EQ(again.unit(1)->memory[8191], 0xFF);
}

TEST(SimUnitTest, OddSizedMemoryFileIsMadeWhole) {
  TempDir dir;
  dir.write("unit1.bin", std::vector<uint8_t>(10, 0x00));
  SimConfig config;
  std::string error;
  ASSERT_TRUE(ParseSimSlots("512Kx8", config, error));
  config.dir = dir.path().string();
  SimulatedBackend b(config);
  EXPECT_EQ(b.unit(0)->memory[9], 0x00);
  EXPECT_EQ(b.unit(0)->memory[10], 0xFF);
  EXPECT_EQ(ReadFileBytes(dir.file("unit1.bin")).size(), 0x80000u);
}

TEST(SimUnitTest, UnwritableDirectoryIsReportedNotFatal) {
  SimConfig config;
  std::string error;
  ASSERT_TRUE(ParseSimSlots("512Kx8", config, error));
  config.dir = "/dev/null/zarvo/dir";  // cannot be made, even by root
  SimulatedBackend b(config);
  EXPECT_FALSE(b.error().empty());
  ASSERT_TRUE(b.open(0));
  EXPECT_TRUE(WriteBlock(b, 0, std::vector<uint8_t>(8192, 1)));
}

}  // namespace
}  // namespace zarvo
