#include "batch/batch_line.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

// What a parsed line leaves; a field left at nullptr is expected at its default.
struct Expect {
  const char* line;
  bool keyword;
  const char* file;
  const char* format = "0";
  const char* ic = "";
  const char* unit = "1";
  const char* lane = "/8BIT_Every";
  const char* reset = "0";
  const char* chunk = "0";
  const char* start = "/S0000000";
  const char* verify = "";
};

TEST(BatchLine, ExampleLines) {
  const Expect cases[] = {
      {"zq d:\\a.hex /intel_hex", true, "D:\\A.HEX", "4"},
      {"WORK D:\\Z.HEX /BIN ZQ", false, ""},
      {"ZQ D:\\A.HEX /BIN", true, "D:\\A.HEX", "3"},
      {"ZQ D:\\A.HEX/BIN", true, "D:\\A.HE", "3"},
      {"ZQ %1 /INTEL_HEX /#3", true, "", "4", "", "3"},
      {"ZQ D:\\A.BIN /BIN /#2 more words", true, "D:\\A.BIN", "3", "", "2"},
      {"/ ZQ D:\\A.BIN /BIN", true, "D:\\A.BIN", "0"},
      {"ZQ D:\\A.BIN /27080", true, "D:\\A.BIN", "0", "/080"},
      {"ZQ D:\\A.BIN /27512", true, "D:\\A.BIN", "0", "/512"},
      {"ZQ D:\\A.BIN /512", true, "D:\\A.BIN", "0", "/512"},
      {"ZQ D:\\A.BIN /#4", true, "D:\\A.BIN", "0", "", "4"},
      {"ZQ D:\\A.BIN /S12345 /N3", true, "D:\\A.BIN", "0", "", "1", "/8BIT_Every", "0", "3", "/S12345"},
      {"ZQ D:\\A.BIN /SAFE", true, "D:\\A.BIN", "0", "", "1", "/8BIT_Every", "0", "0", "/SAFE"},
      {"ZQ D:\\A.BIN /Q /8BIT_EVERY", true, "D:\\A.BIN"},
      // The full example line, and the rest of the vocabulary.
      {"ZQ D:\\FIRMWARE\\BOOT.HEX /INTEL_HEX /27512 /#2 /V /RESET1", true, "D:\\FIRMWARE\\BOOT.HEX", "4", "/512",
       "2", "/8BIT_Every", "/RESET1", "0", "/S0000000", "/V"},
      {"ZQ D:\\A /MS_DOS_FN.COM /16BIT_ODD /RESET0", true, "D:\\A", "3", "", "1", "/16BIT_ODD", "/RESET0"},
      {"ZQ D:\\A /MS_DOS_FN.EXE /32BIT_4TH /RESET", true, "D:\\A", "3", "", "1", "/32BIT_4TH", "/RESET"},
      {"ZQ D:\\A /MOTOROLA_HEX /2716", true, "D:\\A", "5", "/16"},
      {"ZQ D:\\A /TEKTLONIX_HEX /#5", true, "D:\\A", "6"},
      // A later switch of the same kind replaces the earlier one.
      {"ZQ D:\\A /BIN /INTEL_HEX /#2 /#1", true, "D:\\A", "4"},
      // Blanks inside a switch that another switch follows are dropped.
      {"ZQ D:\\A /INTEL _HEX /#2", true, "D:\\A", "4", "", "2"},
      // The last switch ends at its blank: "_HEX" is ignored text.
      {"ZQ D:\\A /#2 /INTEL _HEX", true, "D:\\A", "0", "", "2"},
      // The first Z decides, wherever it stands.
      {"XYZ ZQ D:\\A /BIN", false, ""},
      {"  zQ E:\\b.bin /bin", true, "E:\\B.BIN", "3"},
      {"ZQ", true, ""},
      {"NOTHING HERE", false, "0"},
      // A ":" that no "/" follows takes the rest of the line, trailing blanks dropped.
      {"ZQ D:\\DIR\\FILE.BIN   ", true, "D:\\DIR\\FILE.BIN"},
      // A second ":" appends a second name; the switch before it swallowed the text up to
      // the next "/" ("/BINC:\\B", unknown), so no format is set.
      {"ZQ D:\\A /BIN C:\\B /#2", true, "D:\\AC:\\B", "0", "", "2"},
      // Tabs are ordinary characters, not separators.
      {"ZQ D:\\A\t/BIN", true, "D:\\A", "3"},
  };
  for (const Expect& e : cases) {
    SCOPED_TRACE(e.line);
    RunState rs;
    ResetBatchLine(rs, "0000000");
    std::string error;
    ASSERT_TRUE(ParseBatchLine(rs, e.line, error)) << error;
    EXPECT_EQ(rs.KeywordFound, e.keyword);
    EXPECT_EQ(rs.SourceFileName, e.file);
    EXPECT_EQ(rs.BatchFormatText, e.format);
    EXPECT_EQ(rs.IcSwitchText, e.ic);
    EXPECT_EQ(rs.UnitText, e.unit);
    EXPECT_EQ(rs.DataSetSwitch, e.lane);
    EXPECT_EQ(rs.ResetSwitch, e.reset);
    EXPECT_EQ(rs.ChunkText, e.chunk);
    EXPECT_EQ(rs.StartText, e.start);
    EXPECT_EQ(rs.VerifySwitch, e.verify);
  }
}

TEST(BatchLine, RefusedLinesNameTheirFault) {
  const struct {
    std::string line;
    const char* error;
  } cases[] = {
      {"ZQ D:\\A.BIN " + std::string(116, 'X'), "Error!! Line is longer than 127 characters !!"},
      {"ZQ D:\\A.BIN /S0123456789ABCDEF /BIN", "Error!! Switch /S0123456789ABCDEF is longer than 15 characters !!"},
      {"ZQ D:\\A.BIN /NX /BIN", "Error!! /NX Paramater is not a decimal chunk number !!"},
      {"ZQ D:\\A.BIN /N", "Error!! /N Paramater is not a decimal chunk number !!"},
      {"ZQ D:\\A.BIN /N-1", "Error!! /N-1 Paramater is not a decimal chunk number !!"},
      {"ZQ D:\\A.BIN /N99999999999", "Error!! /N99999999999 Paramater is not a decimal chunk number !!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    RunState rs;
    ResetBatchLine(rs, "");
    std::string error;
    EXPECT_FALSE(ParseBatchLine(rs, c.line, error));
    EXPECT_EQ(error, c.error);
  }
  // Exactly 127 characters and a 15-character switch still fit.
  RunState rs;
  std::string error;
  std::string line = "ZQ D:\\" + std::string(114, 'A') + " /N1234";
  ASSERT_EQ(line.size(), 127u);
  EXPECT_TRUE(ParseBatchLine(rs, line, error)) << error;
  EXPECT_EQ(rs.ChunkText, "1234");
  // An editor's padding and the line end do not count.
  EXPECT_TRUE(ParseBatchLine(rs, line + "   \t \r\n", error)) << error;
  EXPECT_FALSE(ParseBatchLine(rs, line + "X", error));
  EXPECT_TRUE(ParseBatchLine(rs, "ZQ /S0123456789ABC", error)) << error;
  EXPECT_EQ(rs.StartText, "/S0123456789ABC");
}

TEST(BatchLine, ScanTellsEachSwitchAsTheParserReadsIt) {
  struct Sw {
    std::string text;
    std::size_t begin, end;
    bool applied;
  };
  const struct {
    std::string line;
    std::vector<Sw> switches;
    std::size_t ignoredFrom;
  } cases[] = {
      // Blanks inside a switch that another follows are dropped.
      {"ZQ D:\\A /# 2 /BIN", {{"/#2", 8, 13, true}, {"/BIN", 13, 17, true}}, std::string::npos},
      {"ZQ D:\\A /V (readback) /BIN", {{"/V(READBACK)", 8, 22, true}, {"/BIN", 22, 26, true}}, std::string::npos},
      // The last switch ends at its blank; the rest of the line is ignored.
      {"ZQ D:\\A /V (readback)", {{"/V", 8, 10, true}}, 11},
      // A "/" before the keyword leaves the last switch never ended.
      {"/ ZQ D:\\A /BIN", {{"/BIN", 10, 14, false}}, std::string::npos},
      // A Linux path is a row of switches.
      {"ZQ /srv/fw /BIN", {{"/SRV", 3, 7, true}, {"/FW", 7, 11, true}, {"/BIN", 11, 15, true}}, std::string::npos},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    RunState rs;
    ResetBatchLine(rs, "");
    std::string error;
    LineScan scan;
    ASSERT_TRUE(ParseBatchLine(rs, c.line, error, &scan)) << error;
    ASSERT_EQ(scan.switches.size(), c.switches.size());
    for (std::size_t i = 0; i < c.switches.size(); ++i) {
      EXPECT_EQ(scan.switches[i].text, c.switches[i].text);
      EXPECT_EQ(scan.switches[i].begin, c.switches[i].begin);
      EXPECT_EQ(scan.switches[i].end, c.switches[i].end);
      EXPECT_EQ(scan.switches[i].applied, c.switches[i].applied);
    }
    EXPECT_EQ(scan.ignoredFrom, c.ignoredFrom);
  }
}

TEST(BatchLine, ResetRestoresDefaultsAndSavedCopies) {
  RunState rs;
  std::string error;
  ASSERT_TRUE(ParseBatchLine(rs, "ZQ D:\\A /BIN /27512 /#2 /16BIT_ODD /RESET /N2 /S10 /V", error));
  rs.SavedFormatText = "4";
  rs.SavedIcSwitchText = "/512";
  rs.SavedDataSetSwitch = "/16BIT_ODD";
  ResetBatchLine(rs, "0001000");
  RunState fresh;
  EXPECT_EQ(rs.KeywordFound, fresh.KeywordFound);
  EXPECT_EQ(rs.SourceFileName, "0");
  EXPECT_EQ(rs.BatchFormatText, "0");
  EXPECT_EQ(rs.IcSwitchText, "");
  EXPECT_EQ(rs.UnitText, "1");
  EXPECT_EQ(rs.DataSetSwitch, "/8BIT_Every");
  EXPECT_EQ(rs.ResetSwitch, "0");
  EXPECT_EQ(rs.ChunkText, "0");
  EXPECT_EQ(rs.StartText, "/S0000000");
  EXPECT_EQ(rs.VerifySwitch, "");
  EXPECT_EQ(rs.SavedFormatText, "0");
  EXPECT_EQ(rs.SavedIcSwitchText, "");
  EXPECT_EQ(rs.SavedDataSetSwitch, "/8BIT_Every");
  EXPECT_EQ(rs.SavedStartText, "0001000");
}

}  // namespace
}  // namespace zarvo
