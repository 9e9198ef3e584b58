// zarvo-r5-cli check and --strict: each finding the linter knows, a clean script that finds
// nothing, the strict runs that start no unit, and the friendlier options and errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "cli_run.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::RunCli;
using test::TempDir;

class CliCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("ZARVO_R5_SIM", "512Kx8", 1);
    ::setenv("ZARVO_R5_SIM_DIR", dir.file("units").c_str(), 1);
    ::unsetenv("ZARVO_R5_SIM_FAIL");
    settings = dir.writeText("s.ini", "[Drives]\r\nD=" + dir.path().string() + "\r\n");
    dir.write("fw.bin", test::RandomBytes(0x2000, 3));
    dir.writeText("fw.elf", std::string("\x7f" "ELF\x02\x01\x01", 7) + std::string(100, '\0'));
    const std::string bin = dir.file("fw.bin");
    const std::string cmd = "srec_cat " + bin + " -binary -offset 0x8000 -o " + dir.file("hi.hex") +
                            " -intel >/dev/null 2>&1 && srec_cat " + bin + " -binary -o " + dir.file("ok.hex") +
                            " -intel >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string hex = test::ReadFileText(dir.file("ok.hex"));
    const size_t digit = hex.find('\n') + 1 + 9;  // the first data digit of line 2
    hex[digit] = hex[digit] == '0' ? '1' : '0';     // one data digit off: a checksum error on line 2
    hex.erase(hex.rfind(":00000001FF"));   // and no end record
    dir.writeText("bad.hex", hex);
  }
  test::CliResult check(const std::string& script) {
    return RunCli(dir, {"check", dir.writeText("t.bat", script + "\r\n"), "--settings", settings});
  }
  TempDir dir;
  std::string settings;
};

TEST_F(CliCheck, EachFindingAndACleanScript) {
  struct Case {
    std::string line;
    std::string finding;  // empty: nothing to find
  };
  const std::vector<Case> cases = {
      {"ZQ D:\\FW.BIN /BIN /27512 /V /#1", ""},
      {"ZQ D:\\OK.HEX /INTEL_HEX /512 /16BIT_EVEN", ""},
      {"echo hello", "no \"ZQ\" keyword"},
      {"REM ZQ D:\\FW.BIN /BIN", "\"ZQ\" follows other text (\"REM \")"},
      {"ZQ D:\\FW.BIN /BIN /VERIFY", "switch /VERIFY is not in the switch table and is ignored (switches the line does use: /BIN)"},
      {"ZQ D:\\FW.BIN /BIN /16BIT_EVN", "switch /16BIT_EVN is not"},
      {"ZQ D:\\FW.BIN /BIN /#5", "switch /#5 is not"},
      {"ZQ %1 /BIN", "no drive-letter path: the line uses the work file (\"%1\"), and none is set"},
      {"ZQ /tmp/fw.bin /BIN", "a Linux path is read as switches: write it as Z:\\tmp\\fw.bin"},
      {"ZQ /srv/fw/app.bin /BIN", "a Linux path is read as switches: write it as Z:\\srv\\fw\\app.bin"},
      {"ZQ /srv/fw/app.bin /BIN", "\"/SRV\" in the path is a switch: start /SRV"},
      {"ZQ /v/fw.bin /BIN", "\"/V\" in the path is a switch: verify after the download"},
      // Blanks inside a switch are dropped by the run, so these are not what they seem.
      {"ZQ D:\\FW.BIN /V (readback) /BIN",
       "switch /V(READBACK) is not in the switch table and is ignored (written \"/V (readback)\"; switches the line "
       "does use: /BIN)"},
      {"ZQ D:\\FW.BIN /# 2 /BIN", "\"/# 2\" is read as /#2: Device 2"},
      {"ZQ D:\\FW.BIN /BIN /V (readback)", "the text after the last switch (\"(readback)\") is ignored"},
      {"/ ZQ D:\\FW.BIN /BIN", "switch /BIN never ends (a \"/\" before it in the line counts) and is not applied"},
      {"ZQ Q:\\FW.BIN /BIN", "drive Q: is not mapped"},
      {"ZQ D:\\NONE.BIN /BIN", "file D:\\NONE.BIN ("},
      {"ZQ D:\\BAD.HEX /INTEL_HEX /512", "1 record(s) with a checksum error, the first on line 2"},
      {"ZQ D:\\BAD.HEX /INTEL_HEX /512", "no end record"},
      {"ZQ D:\\HI.HEX /INTEL_HEX /27256", "data at 0x8000-0x9FFF lies beyond the 32K IC /27256 and is not downloaded"},
      {"ZQ D:\\FW.ELF /BIN /512", "the file would load as binary, but it is an ELF object file"},
      {"ZQ D:\\FW.BIN /INTEL_HEX /512", "the file is detected as /BIN: run loads it as /BIN, not as /INTEL_HEX"},
      {"ZQ D:\\FW.BIN /BIN /2716", "the binary holds 8192 bytes, more than the 2K IC /2716: the rest is cut"},
      {"ZQ D:\\FW.BIN /BIN /2764 /N3", "chunk /N3 starts past the end of the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const test::CliResult r = check(c.line);
    if (c.finding.empty()) {
      EXPECT_EQ(r.status, 0) << r.out << r.err;
      EXPECT_EQ(r.out, "1 line(s) checked, 0 finding(s) on 0 line(s)\n");
    } else {
      EXPECT_EQ(r.status, 1) << r.out << r.err;
      EXPECT_NE(r.out.find("LINE 1: " + c.line + "\n"), std::string::npos) << r.out;
      EXPECT_NE(r.out.find("LINE 1: " + c.finding), std::string::npos) << "[" << r.out << "]";
    }
  }
  // "%1" names the work file on purpose: no finding once there is one.
  const test::CliResult r =
      RunCli(dir, {"check", dir.writeText("w.bat", "ZQ %1 /BIN /27512\r\n"), "--settings", settings, "--work",
                   dir.file("fw.bin")});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(RunCli(dir, {"check", dir.writeText("n.bat", "ZQ /BIN /27512\r\n"), "--settings", settings, "--work",
                         dir.file("fw.bin")})
                .status,
            1);
  EXPECT_EQ(RunCli(dir, {"check", dir.path().string()}).status, 2);  // unreadable
  EXPECT_FALSE(std::filesystem::exists(dir.file("units")));         // no unit was touched
}

TEST_F(CliCheck, StrictRunsStartNoUnitAndCountLoadWarnings) {
  const std::string bad = dir.writeText("bad.bat", "ZQ D:\\FW.BIN /BIN /VERIFY\r\n");
  test::CliResult r = RunCli(dir, {"run", bad, "--settings", settings, "--strict"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("switch /VERIFY"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");  // no self test, no line run
  r = RunCli(dir, {"run", bad, "--settings", settings});
  EXPECT_EQ(r.status, 0) << r.out << r.err;  // without --strict the line runs
  EXPECT_NE(r.err.find("LINE 1: switch /VERIFY"), std::string::npos) << r.err;  // but the finding is said first
  EXPECT_NE(r.out.find("Success!!"), std::string::npos) << r.out;  // the pane lines are as they were
  r = RunCli(dir, {"run", dir.writeText("good.bat", "ZQ D:\\FW.BIN /BIN /27512\r\n"), "--settings", settings});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.err.find("LINE "), std::string::npos) << r.err;  // a clean script says nothing
  ::setenv("ZARVO_R5_SIM", "512Kx7", 1);  // a malformed setting is said, not run as "no unit"
  r = RunCli(dir, {"run", dir.file("good.bat"), "--settings", settings});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("512Kx7"), std::string::npos) << r.err;
  ::setenv("ZARVO_R5_SIM", "512Kx8", 1);

  r = RunCli(dir, {"image", dir.file("bad.hex"), "-o", dir.file("x.img"), "--ic", "27c512"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("zarvo-r5-cli image: warning: no end record"), std::string::npos) << r.err;
  r = RunCli(dir, {"image", dir.file("bad.hex"), "-o", dir.file("y.img"), "--ic=512K", "--strict"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("zarvo-r5-cli image: warning: no end record"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("y.img")));  // refused before anything is written
}

// The "beyond the IC" finding uses the IC actually used, given or chosen by the file's
// length, in image, check and run alike; --strict turns it into exit 1.
TEST_F(CliCheck, DataBeyondTheIcUsedIsFoundWhetherTheIcIsGivenOrChosen) {
  const std::string bin = dir.file("fw.bin");
  const std::string cmd = "srec_cat " + bin + " -binary -crop 0 0x214 -offset 0x7E00 -o " + dir.file("boot.hex") +
                          " -intel >/dev/null 2>&1 && srec_cat " + bin + " -binary " + bin +
                          " -binary -offset 0x10000 -o " + dir.file("part.hex") + " -intel >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string beyond = "data at 0x7E00-0x8013 lies beyond the 2K IC /2716 (chosen by the file's length)";
  // All of it beyond: the load refuses, and the warning says where the data lies.
  test::CliResult r = RunCli(dir, {"image", dir.file("boot.hex"), "-o", dir.file("b.img")});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("No file data within the IC range"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("zarvo-r5-cli image: warning: " + beyond + " and is not downloaded"), std::string::npos)
      << r.err;
  r = RunCli(dir, {"image", dir.file("boot.hex"), "-o", dir.file("s.img"), "--strict"});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("s.img")));
  r = RunCli(dir, {"image", dir.file("boot.hex"), "-o", dir.file("g.img"), "--ic", "/27256", "--strict"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("data at 0x8000-0x8013 lies beyond the 32K IC /27256"), std::string::npos) << r.err;
  r = RunCli(dir, {"image", dir.file("boot.hex"), "-o", dir.file("g.img"), "--ic", "/512", "--strict"});
  EXPECT_EQ(r.status, 0) << r.err;

  r = check("ZQ D:\\BOOT.HEX /INTEL_HEX");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("LINE 1: " + beyond), std::string::npos) << r.out;

  // The run says it for every line, and its --strict fails the run.
  const std::string part = dir.writeText("part.bat", "ZQ D:\\PART.HEX /#1\r\n");
  r = RunCli(dir, {"run", part, "--settings", settings});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.err.find("zarvo-r5-cli run: Line[1]: warning: data at 0x10000-0x11FFF lies beyond the 64K IC /512"),
            std::string::npos)
      << r.err;
  r = RunCli(dir, {"run", part, "--settings", settings, "--strict"});
  EXPECT_EQ(r.status, 1);
}

// Files the load reads correctly give no warning and pass --strict; a Tektronix checksum
// error warns and fails it; a file given the wrong --format is refused by the load alone.
TEST_F(CliCheck, ImageStrictFollowsTheLoadsOwnReport) {
  const std::string r1 = ":10000000000102030405060708090A0B0C0D0E0F78", r2 = ":10001000000102030405060708090A0B0C0D0E0F68";
  const std::string eof = ":00000001FF", s1 = "S1130000000102030405060708090A0B0C0D0E0F74", s9 = "S9030000FC";
  struct Case {
    const char* name;
    std::string text;
    const char* format;
    int status;
    std::string warning;  // empty: none
  };
  const Case cases[] = {
      {"CR-only line ends", r1 + "\r" + r2 + "\r" + eof + "\r", "auto", 0, ""},
      {"a DOS end-of-file byte", r1 + "\r\n" + r2 + "\r\n" + eof + "\r\n\x1A", "auto", 0, ""},
      {"two records on one line", r1 + r2 + "\r\n" + eof + "\r\n", "auto", 0, ""},
      {"% before S1 and S9", "%" + s1 + "\r\n%" + s9 + "\r\n", "auto", 0, ""},
      {"an S0 header with a wrong checksum", "S0060000686472BC\r\n" + s1 + "\r\n" + s9 + "\r\n", "auto", 0, ""},
      {"Tektronix with a wrong data checksum",
       "/00001001000102030405060708090A0B0C0D0E0F78\r\n/01000203ABCD2F\r\n/00000000\r\n", "tektronix", 1,
       "warning: 1 record(s) with a checksum error, the first on line 2"},
      {"a binary read as Intel HEX", std::string(3000, '\x55'), "intel", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string f = dir.writeText("row.hex", c.text);
    const test::CliResult r = RunCli(dir, {"image", f, "-o", dir.file("row.img"), "--format", c.format, "--strict"});
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.warning.empty()) EXPECT_EQ(r.err.find("warning:"), std::string::npos) << r.err;
    else EXPECT_NE(r.err.find(c.warning), std::string::npos) << r.err;
  }
}

TEST_F(CliCheck, OptionAliasesAndClearErrors) {
  const std::string in = dir.file("fw.bin"), out = dir.file("x.img");
  for (const char* ic : {"27512", "27C512", "/27512", "512k", "/512", "27c512"})
    EXPECT_EQ(RunCli(dir, {"image", in, "-o", out, "--ic", ic}).status, 0) << ic;
  for (const char* lane : {"EVEN", "odd", "8", "1st", "4TH", "/16bit_even"})
    EXPECT_EQ(RunCli(dir, {"image", in, "-o", out, "--dataset", lane, "--ic=512"}).status, 0) << lane;
  test::CliResult r = RunCli(dir, {"image", in, "-o", out, "--ic", "27999"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("/27256 (/256)"), std::string::npos) << r.err;
  r = RunCli(dir, {"image", dir.file("none.hex"), "-o", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot open '" + dir.file("none.hex") + "' (" + dir.file("none.hex") +
                       "): No such file or directory"),
            std::string::npos)
      << r.err;
  r = RunCli(dir, {"image", "D:\\X.HEX", "-o", out});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("drive letters apply inside batch scripts"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace zarvo
