#include "device/simulated_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

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
                 Case{"512Kx8", "a:L:1"}, Case{"512Kx8", "0:L:99999999999"}, Case{"512Kx8", "0:FLIPB:1"},
                 Case{"512Kx8", "0:HANG:1"}, Case{"512Kx8", "0:HANGQ:1"}, Case{"512Kx8", "0:FLIPWR:1"}}) {
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
  ASSERT_TRUE(sim->open(0));  // the only unit attached: device path 0
  EXPECT_TRUE(sim->controlOut('U', 1, 0));
  EXPECT_FALSE(sim->controlOut('U', 0, 0));
  EXPECT_TRUE(sim->controlOut('U', 0, 0));

  std::string configError = "stale";
  backend = MakeBackendFromEnvironment(&configError);
  EXPECT_EQ(configError, "");  // a sound setting empties it

  setenv("ZARVO_R5_SIM", "bogus", 1);
  backend = MakeBackendFromEnvironment(&configError);
  EXPECT_NE(configError.find("bogus"), std::string::npos);  // the factory says why, no cast needed
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
    ASSERT_TRUE(b.open(0));
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

// Faults beyond a refusal: a bulk transfer that succeeds with its middle byte inverted (in
// the memory for a write, in the host's copy for a read), and a request that does not
// answer until the link's timeout and then fails as libusb's timeout does.
TEST(SimUnitTest, FlippedAndHungRequests) {
  SimConfig config;
  std::string error;
  ASSERT_TRUE(ParseSimSlots("512Kx8", config, error));
  ASSERT_TRUE(ParseSimFaults("0:flipw:2,0:FLIPR:1,0:HangB:2,0:hangR:2", config, error)) << error;
  EXPECT_EQ(config.faults[0].action, SimFaultAction::Flip);
  EXPECT_EQ(config.faults[2].action, SimFaultAction::Hang);
  EXPECT_EQ(config.faults[2].kind, 'B');
  config.timeoutMs = 0;
  SimulatedBackend b(config);
  ASSERT_TRUE(b.open(0));
  const std::vector<uint8_t> block(8192, 0x5A);
  ASSERT_TRUE(WriteBlock(b, 0, block));
  ASSERT_TRUE(WriteBlock(b, 1, block));  // the second write lands with one byte inverted
  const auto& memory = b.unit(0)->memory;
  EXPECT_EQ(std::count(memory.begin(), memory.begin() + 2 * 8192, uint8_t{0x5A}), 2 * 8192 - 1);
  EXPECT_EQ(memory[8192 + 4096], 0xA5);

  std::vector<uint8_t> got(8192);
  ASSERT_TRUE(b.controlOut('C', 0, 0) && b.controlOut('F', 0x8000, 8192));
  ASSERT_TRUE(b.bulkRead(got.data(), 8192));  // the memory is right, the copy is not
  EXPECT_EQ(got[4096], 0xA5);
  EXPECT_EQ(memory[4096], 0x5A);
  ASSERT_TRUE(b.controlOut('F', 0x8000, 8192));
  EXPECT_FALSE(b.bulkRead(got.data(), 8192));
  EXPECT_EQ(b.lastError(), UsbError::Timeout);

  uint8_t status[16];
  EXPECT_TRUE(b.controlIn('B', 0, 0, status, 16));
  EXPECT_FALSE(b.controlIn('B', 0, 0, status, 16));
  EXPECT_EQ(b.lastError(), UsbError::Timeout);
  EXPECT_TRUE(b.controlIn('B', 0, 0, status, 16));  // only that one request hangs
  const std::vector<std::string> log = b.unit(0)->logLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "W 8192 FLIP"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "R 8192 FLIP"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "R 8192 FAIL"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "B 0000 0000 FAIL"), 1);
}

TEST(SimConfigTest, TimeoutComesFromTheEnvironment) {
  setenv("ZARVO_R5_SIM", "512Kx8", 1);
  setenv("ZARVO_R5_SIM_TIMEOUT_MS", "25", 1);
  SimConfig config;
  std::string error;
  ASSERT_TRUE(SimConfigFromEnvironment(config, error)) << error;
  EXPECT_EQ(config.timeoutMs, 25u);
  setenv("ZARVO_R5_SIM_TIMEOUT_MS", "soon", 1);
  EXPECT_FALSE(SimConfigFromEnvironment(config, error));
  EXPECT_NE(error.find("ZARVO_R5_SIM_TIMEOUT_MS"), std::string::npos);
  unsetenv("ZARVO_R5_SIM_TIMEOUT_MS");
  unsetenv("ZARVO_R5_SIM");
}

// Another process pulls and plugs units by writing DIR/slots; the units follow it at the
// next request. A unit pulled while open leaves a broken link; a half-written or wrong
// file changes nothing; without the file the configured slots come back.
TEST(SimUnitTest, SlotsFileInTheDirectoryPullsAndPlugsUnits) {
  TempDir dir;
  SimConfig config;
  std::string error;
  ASSERT_TRUE(ParseSimSlots("512Kx8,512Kx8", config, error));
  config.dir = dir.path().string();
  SimulatedBackend b(config);
  ASSERT_TRUE(b.open(1));
  ASSERT_TRUE(WriteBlock(b, 0, std::vector<uint8_t>(8192, 0x22)));

  dir.writeText("slots", "512Kx8,-,512Kx16\n");
  EXPECT_FALSE(b.controlOut('U', 1, 0));
  EXPECT_EQ(b.lastError(), UsbError::LinkBroken);
  EXPECT_EQ(b.unit(1), nullptr);
  ASSERT_NE(b.unit(2), nullptr);
  EXPECT_EQ(b.unit(2)->configCode, 0x0041);
  // Two units attached: device paths 0 and 1, the second the unit in slot 2.
  EXPECT_TRUE(b.productId(1).has_value());
  EXPECT_FALSE(b.productId(2).has_value());
  EXPECT_EQ(b.slotAt(1), 2);
  b.close();

  dir.writeText("slots", "512Kx8,bogus");
  EXPECT_EQ(b.slotAt(1), 2);
  EXPECT_FALSE(b.productId(2).has_value());

  std::filesystem::remove(dir.file("slots"));
  ASSERT_TRUE(b.productId(1).has_value());
  EXPECT_EQ(b.slotAt(1), 1);
  EXPECT_FALSE(b.productId(2).has_value());
  EXPECT_EQ(b.unit(1)->memory[0], 0x22);  // plugged back with what it held, like a powered unit
  dir.writeText("slots", "");
  EXPECT_FALSE(b.productId(0).has_value());
}

}  // namespace
}  // namespace zarvo
