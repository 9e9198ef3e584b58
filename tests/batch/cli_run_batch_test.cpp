// zarvo-r5-cli run on simulated units: the pane on stdout, boxes on stderr, exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

#include "../cli/cli_run.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::RunCli;
using test::TempDir;

class CliRunBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("ZARVO_R5_SIM", "512Kx8", 1);
    ::setenv("ZARVO_R5_SIM_DIR", dir.path().c_str(), 1);
    ::unsetenv("ZARVO_R5_SIM_FAIL");
    settings = dir.writeText("s.ini", "[Drives]\r\nD=" + dir.path().string() + "\r\n");
    dir.write("a.bin", test::RandomBytes(4000, 7));
  }
  TempDir dir;
  std::string settings;
};

TEST_F(CliRunBatch, PaneOnStdoutAndExitStatusByLines) {
  const std::string ok = dir.writeText("ok.bat", "ZQ D:\\A.BIN /BIN /V\r\n");
  test::CliResult r = RunCli(dir, {"run", ok, "--settings", settings});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Device Self Test ....\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" \nLine[1] : \nZQ D:\\A.BIN /BIN /V\n[Range: 0x00001000] => SUM :0x"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Verify check OK ...\nSuccess!!\n"), std::string::npos) << r.out;

  const std::string bad = dir.writeText("bad.bat", "ZQ D:\\A.BIN /BIN /#2\r\nZQ %1 /BIN\r\n");
  r = RunCli(dir, {"run", bad, "--work", dir.file("a.bin"), "--settings", settings});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("\nError!! USB Device-2 is not connect...\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Line[2] : \nZQ %1 /BIN\n"), std::string::npos) << r.out;

  const std::string empty = dir.writeText("empty.bat", "");
  r = RunCli(dir, {"run", empty, "--settings", settings});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No bat code...."), std::string::npos) << r.err;
}

TEST_F(CliRunBatch, WithoutWorkTheSettingsFilesBatWorkIsTheWorkFile) {
  const std::string with = dir.writeText("w.ini", "[Option]\r\nBatWork=" + dir.file("a.bin") + "\r\n");
  const std::string script = dir.writeText("w.bat", "ZQ %1 /BIN\r\n");
  test::CliResult r = RunCli(dir, {"run", script, "--settings", with});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Success!!"), std::string::npos) << r.out;
  EXPECT_EQ(test::ReadFileText(with).find("[Drives]"), std::string::npos);  // nothing written back
}

TEST_F(CliRunBatch, JUnitReportParsesAndNamesEachLine) {
  const std::string script =
      dir.writeText("j.bat", "ZQ D:\\A.BIN /BIN /V\r\nZQ D:\\A.BIN /BIN /#2 <&\x01>\r\nREM caf\xE9\r\n");
  const std::string report = dir.file("report.xml");
  const test::CliResult r = RunCli(dir, {"run", script, "--settings", settings, "--junit", report});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  ASSERT_EQ(std::system(("xmllint --noout " + report).c_str()), 0) << test::ReadFileText(report);
  const std::string xml = test::ReadFileText(report);
  EXPECT_NE(xml.find("tests=\"4\" failures=\"2\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("name=\"Line[3] REM caf\xC3\xA9\""), std::string::npos) << xml;  // 8-bit text as Latin-1
  EXPECT_NE(xml.find("name=\"Self test\""), std::string::npos);
  EXPECT_NE(xml.find("name=\"Line[1] ZQ D:\\A.BIN /BIN /V\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("Verify check OK ...\nSuccess!!\n</system-out>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("name=\"Line[2] ZQ D:\\A.BIN /BIN /#2 &lt;&amp;?&gt;\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("<failure message=\"Error!! USB Device-2 is not connect...\"/>"), std::string::npos) << xml;
  EXPECT_FALSE(std::filesystem::exists(report + ".tmp"));
}

TEST_F(CliRunBatch, AnOlderReportNeverOutlivesARunThatDidNotFinish) {
  const std::string report = dir.writeText("report.xml", "<testsuite tests=\"1\" failures=\"0\"/>");
  // The script cannot be read: the run stops before it starts, and says so in the report.
  test::CliResult r = RunCli(dir, {"run", dir.file("none.bat"), "--settings", settings, "--junit", report});
  EXPECT_EQ(r.status, 2);
  const std::string xml = test::ReadFileText(report);
  EXPECT_NE(xml.find("errors=\"1\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("<error message=\"the run did not finish\"/>"), std::string::npos) << xml;
  ASSERT_EQ(std::system(("xmllint --noout " + report).c_str()), 0);

  // A report folder that cannot be written is found before any unit is touched.
  const std::string ok = dir.writeText("ok.bat", "ZQ D:\\A.BIN /BIN\r\n");
  r = RunCli(dir, {"run", ok, "--settings", settings, "--junit", dir.file("no/such/dir/rep.xml")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot write the JUnit report"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(std::filesystem::exists(dir.file("unit1.log")));
}

TEST_F(CliRunBatch, TheSettingsFileKeepsItsModeAndGetsTheRunsSections) {
  ::chmod(settings.c_str(), 0640);
  const std::string ok = dir.writeText("ok.bat", "ZQ D:\\A.BIN /BIN\r\n");
  const test::CliResult r = RunCli(dir, {"run", ok, "--settings", settings});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  struct stat st {};
  ::stat(settings.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  const std::string text = test::ReadFileText(settings);
  for (const char* section : {"[LoadDlg]", "[CommonParameterSet]", "[Drives]"})
    EXPECT_NE(text.find(section), std::string::npos) << section << "\n" << text;
}

TEST_F(CliRunBatch, MixedUnitsEachGetTheirOwnBlockLength) {
  ::setenv("ZARVO_R5_SIM", "1024Kx8,512Kx16", 1);
  const std::string script = dir.writeText("m.bat", "ZQ D:\\A.BIN /BIN /27512 /#1\r\nZQ D:\\A.BIN /BIN /27512 /#2\r\n");
  const test::CliResult r = RunCli(dir, {"run", script, "--settings", settings});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  const std::string one = test::ReadFileText(dir.file("unit1.log")), two = test::ReadFileText(dir.file("unit2.log"));
  EXPECT_EQ(one.find("W 16384"), std::string::npos);
  EXPECT_NE(one.find("L 8000 2000"), std::string::npos);
  EXPECT_NE(two.find("L 8000 4000"), std::string::npos);
  EXPECT_EQ(two.find("W 8192"), std::string::npos);
}

// A verify that finds a difference fails the line and says where: the first differing
// address of the unit, what was written and what was read, and how many bytes differ, on
// stderr and in the JUnit report's failure. Each loaded line carries its image's CRC-32.
TEST_F(CliRunBatch, VerifyDifferenceIsNamedAndTheImagesCrcIsShown) {
  ::setenv("ZARVO_R5_SIM_FAIL", "0:FLIPR:2", 1);  // the second block read back
  const std::string script = dir.writeText("v.bat", "ZQ D:\\A.BIN /BIN /V\r\n");
  const std::string report = dir.file("report.xml");
  const test::CliResult r = RunCli(dir, {"run", script, "--settings", settings, "--junit", report});
  ::unsetenv("ZARVO_R5_SIM_FAIL");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(r.out.find("Success!!"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Error !! Verify check error ...\n"), std::string::npos) << r.out;
  // A 4K IC is sent in 8 KiB blocks holding it twice: the second block read is block 1, its
  // middle byte at 0x2000 + 0x1000 holds the IC's byte 0, the file's first.
  const uint8_t first = test::RandomBytes(4000, 7)[0];
  char text[160];
  std::snprintf(text, sizeof text,
                "Verify: 1 byte of the unit differs from the image; the first at 0x0003000: written 0x%02X, read 0x%02X",
                first, static_cast<uint8_t>(~first));
  EXPECT_NE(r.err.find("zarvo-r5-cli run: Line[1]: " + std::string(text) + "\n"), std::string::npos) << r.err;
  const std::string xml = test::ReadFileText(report);
  EXPECT_NE(xml.find("<failure message=\"" + std::string(text) + "\"/>"), std::string::npos) << xml;
  EXPECT_NE(r.out.find("] => SUM :0x"), std::string::npos);
  const size_t crc = r.out.find("\nCRC32: ");
  ASSERT_NE(crc, std::string::npos) << r.out;
  EXPECT_NE(xml.find(r.out.substr(crc + 1, 15) + "\n"), std::string::npos) << xml;
  // The image command names the same CRC for the same file and IC.
  const test::CliResult image = RunCli(dir, {"image", dir.file("a.bin"), "-o", dir.file("a.img")});
  ASSERT_EQ(image.status, 0) << image.err;
  EXPECT_NE(image.out.find(r.out.substr(crc + 1, 15) + "\n"), std::string::npos) << image.out << r.out;
}

// A reset switch whose line cannot be set fails the line and the run.
TEST_F(CliRunBatch, AFailedResetSwitchExitsOne) {
  ::setenv("ZARVO_R5_SIM_FAIL", "0:T:1", 1);
  const std::string script = dir.writeText("r.bat", "ZQ D:\\A.BIN /BIN /RESET1\r\n");
  const test::CliResult r = RunCli(dir, {"run", script, "--settings", settings});
  ::unsetenv("ZARVO_R5_SIM_FAIL");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(r.out.find("Success!!"), std::string::npos) << r.out;
}

TEST_F(CliRunBatch, UsageErrorsAndUnreadableScripts) {
  EXPECT_EQ(RunCli(dir, {"run"}).status, 2);
  EXPECT_EQ(RunCli(dir, {"run", dir.file("none.bat"), "--settings", settings}).status, 2);
  EXPECT_EQ(RunCli(dir, {"run", "a.bat", "--bogus"}).status, 2);
  EXPECT_EQ(RunCli(dir, {"run", "a.bat", "--work"}).status, 2);
  // A script that cannot be read is no empty script: the reason, and status 2.
  test::CliResult r = RunCli(dir, {"run", dir.path().string(), "--settings", settings});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(": Is a directory"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");  // no unit was touched
  r = RunCli(dir, {"run", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: zarvo-r5-cli run SCRIPT", 0), 0u) << r.out;
}

}  // namespace
}  // namespace zarvo
