// zarvo-r5-cli units / blink / reset on simulated units, end to end through the built program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "cli_run.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::RunCli;
using test::TempDir;

class CliUnitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ZARVO_R5_SIM_DIR", dir.path().c_str(), 1);
    unsetenv("ZARVO_R5_SIM_FAIL");
  }
  void TearDown() override {
    unsetenv("ZARVO_R5_SIM");
    unsetenv("ZARVO_R5_SIM_DIR");
    unsetenv("ZARVO_R5_SIM_FAIL");
  }
  test::CliResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> all = args;
    all.push_back("--settings");
    all.push_back(dir.file("settings.ini"));
    return RunCli(dir, all);
  }
  TempDir dir;
};

TEST_F(CliUnitsTest, UnitsRunsTheSelfTestAndListsDevices) {
  setenv("ZARVO_R5_SIM", "-,512Kx16,other,1024Kx8", 1);
  auto r = Run({"units"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Device Self Test ....\n"), std::string::npos);
  EXPECT_NE(r.out.find("Device 1: 512K * 16bit (port 1-2, device path 0)\n"
                       "Device 2: 1024K * 8bit (port 1-4, device path 1)\n"),
            std::string::npos)
      << r.out;
}

// Five units: each Device shows its own configuration (the fifth reports in panel 1's
// driver field, which must not make it Device 1's).
TEST_F(CliUnitsTest, EachDeviceShowsItsOwnConfiguration) {
  setenv("ZARVO_R5_SIM", "512Kx8,512Kx8,1024Kx8,512Kx8,512Kx16", 1);
  auto r = Run({"units"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Device 1: 512K * 8bit (port 1-1, device path 0)\n"
                       "Device 2: 512K * 8bit (port 1-2, device path 1)\n"
                       "Device 3: 1024K * 8bit (port 1-3, device path 2)\n"
                       "Device 4: 512K * 8bit (port 1-4, device path 3)\n"
                       "Unit on device path 4: 512K * 16bit (port 1-5), not used (only Device 1 to Device 4 are)\n"),
            std::string::npos)
      << r.out;
}

// units --pin writes the order seen now into [Units]; from then on a unit plugged before
// the pinned ones takes the next free number instead of pushing them up, and a pinned unit
// that is gone leaves its Device absent.
TEST_F(CliUnitsTest, PinWritesTheOrderAndPinnedUnitsKeepTheirNumbers) {
  setenv("ZARVO_R5_SIM", "-,512Kx8,1024Kx8", 1);
  auto r = Run({"units", "--pin"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Pinned Device 1 to port 1-2 in [Units] of "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Pinned Device 2 to port 1-3 in [Units] of "), std::string::npos) << r.out;
  const std::string ini = test::ReadFileText(dir.file("settings.ini"));
  EXPECT_NE(ini.find("[Units]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Device1=1-2"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Device2=1-3"), std::string::npos) << ini;

  dir.writeText("slots", "512Kx16,512Kx8,1024Kx8");  // another unit plugged at port 1-1
  r = Run({"units"});
  EXPECT_NE(r.out.find("Device 1: 512K * 8bit (port 1-2, device path 1)\n"
                       "Device 2: 1024K * 8bit (port 1-3, device path 2)\n"
                       "Device 3: 512K * 16bit (port 1-1, device path 0)\n"),
            std::string::npos)
      << r.out;
  dir.writeText("slots", "512Kx16,-,1024Kx8");  // Device 1's unit pulled
  r = Run({"units"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Device 1: absent (pinned to port 1-2, no unit there)\n"
                       "Device 2: 1024K * 8bit (port 1-3, device path 1)\n"
                       "Device 3: 512K * 16bit (port 1-1, device path 0)\n"),
            std::string::npos)
      << r.out;
}

TEST_F(CliUnitsTest, UnitsFailsWithoutUnitsOrOnAFailingUnit) {
  setenv("ZARVO_R5_SIM", "other", 1);
  auto r = Run({"units"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Self Test Fail !!"), std::string::npos);
  setenv("ZARVO_R5_SIM", "512Kx8", 1);
  setenv("ZARVO_R5_SIM_FAIL", "0:B:1", 1);
  r = Run({"units"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("      Error 42! Command Fail\nSelf Test Fail !!"), std::string::npos) << r.out;
}

TEST_F(CliUnitsTest, ResetPulsesEveryUnitAndLogsTheRequests) {
  setenv("ZARVO_R5_SIM", "512Kx8,-,-,-,-,512Kx8", 1);
  auto r = Run({"reset", "--pulse", "--polarity", "low", "--delay", "0300"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadFileText(dir.file("unit1.log")), "U 0001 0000\nT 0000 0000\nT 0001 0000\nT 0000 0000\nU 0000 0000\n");
  EXPECT_EQ(test::ReadFileText(dir.file("unit6.log")), "U 0001 0000\nT 0000 0000\nT 0001 0000\nT 0000 0000\nU 0000 0000\n");
}

TEST_F(CliUnitsTest, ResetReportsAFailingUnit) {
  setenv("ZARVO_R5_SIM", "512Kx8", 1);
  setenv("ZARVO_R5_SIM_FAIL", "0:T:1", 1);
  auto r = Run({"reset"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("[ Reset Signal ] Error !! Set high signal fail "), std::string::npos);
  EXPECT_NE(r.out.find("Device 1: reset line idle FAILED"), std::string::npos);
}

TEST_F(CliUnitsTest, UsageErrorsExitTwo) {
  setenv("ZARVO_R5_SIM", "512Kx8", 1);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"blink"}, {"blink", "5"}, {"blink", "1", "2"}, {"reset", "--polarity", "mid"}, {"reset", "--delay"},
           {"units", "extra"}}) {
    EXPECT_EQ(Run(args).status, 2) << args.back();
  }
  setenv("ZARVO_R5_SIM", "512Kx7", 1);
  auto r = Run({"units"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("512Kx7"), std::string::npos);
}

TEST_F(CliUnitsTest, BlinkOfAnAbsentDeviceFails) {
  setenv("ZARVO_R5_SIM", "512Kx8", 1);
  EXPECT_EQ(Run({"blink", "2"}).status, 1);
}

// Another program holds simulated unit 1 (the lock on its file, as a real unit is claimed):
// every command says so on stderr and ends with 1, and the unit's memory stays as it was.
TEST_F(CliUnitsTest, AUnitHeldByAnotherProgramIsBusy) {
  setenv("ZARVO_R5_SIM", "512Kx8", 1);
  ASSERT_EQ(Run({"units"}).status, 0);  // makes unit1.bin
  const std::string settings = dir.writeText("settings.ini", "[Drives]\nD=" + dir.path().string() + "\n");
  const std::vector<uint8_t> firmware = test::RandomBytes(4096, 11);
  dir.write("a.bin", firmware);
  const std::string script = dir.writeText("a.bat", "ZQ D:\\A.BIN /BIN\r\n");
  const std::string busy = "zarvo-r5-cli: unit busy: used by another program\n";

  const int held = ::open(dir.file("unit1.bin").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
  auto r = Run({"units"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("      USB Device is not connect...\nSelf Test Fail !!\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(busy), std::string::npos) << r.err;
  r = Run({"run", script});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(busy), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("Success!!"), std::string::npos) << r.out;
  r = Run({"blink", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(busy), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadFileBytes(dir.file("unit1.bin")), std::vector<uint8_t>(0x80000, 0xFF));

  ::close(held);  // the other program has ended
  r = Run({"run", script});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.err.find("unit busy"), std::string::npos) << r.err;
  const std::vector<uint8_t> unit = test::ReadFileBytes(dir.file("unit1.bin"));
  EXPECT_TRUE(std::equal(firmware.begin(), firmware.end(), unit.begin()));
}

}  // namespace
}  // namespace zarvo
