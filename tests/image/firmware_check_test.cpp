// The firmware check: every warning about a file comes from the load's own report. Each file
// goes through the load (the window road) and through ExamineFirmware (what `check` uses);
// both must give the same notes, the expected ones, and a checksum note exactly when the
// load showed its checksum box.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image/firmware_check.h"
#include "image/tables.h"
#include "pipeline_fixture.h"
#include "readers_records.h"

namespace zarvo {
namespace {

using test::IntelEof;
using test::IntelRecord;
using test::SRecord;
using test::TekRecord;
using Bytes = std::vector<uint8_t>;
using Strings = std::vector<std::string>;

const std::string kChecksumBox = "File read in complete!\nData still load in buffer.";

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t i = s.find(from); i != std::string::npos; i = s.find(from, i + to.size())) s.replace(i, from.size(), to);
  return s;
}

class FirmwareCheckTest : public test::PipelineTest {
 protected:
  struct Outcome {
    bool loaded = false;
    Strings notes;
    bool checksumBox = false;
  };

  // Loads the file and examines it; both must agree, and the outcome is returned.
  Outcome both(const std::string& text, uint32_t format, const char* ic) {
    const std::string f = dir.writeText("fw.hex", text);
    SetIcType(rs, ic);
    rs.SavedIcSwitchText = ic;
    ui.boxes.clear();
    Outcome o;
    o.loaded = windowLoad(f, format, true);
    for (const auto& b : ui.boxes) o.checksumBox |= b.text == kChecksumBox;
    const FirmwareTarget target{SwitchToIcSize(ic), ic, 0, false};
    o.notes = CheckFirmware(image.report(), target).notes;
    EXPECT_EQ(image.report().read, o.loaded);

    const FirmwareReport examined = ExamineFirmware(test::Bytes(text), format);
    EXPECT_EQ(examined.read, o.loaded);
    EXPECT_EQ(CheckFirmware(examined, target).notes, o.notes) << "the check and the load disagree";
    bool checksumNote = false;
    for (const std::string& n : o.notes) checksumNote |= n.find("checksum error") != std::string::npos;
    EXPECT_EQ(checksumNote, o.checksumBox) << "a checksum note exactly when the load shows its box";
    return o;
  }
};

const Bytes kData16 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// Files each read correctly by the load, which the old line-by-line check got wrong, and
// the other way round.
TEST_F(FirmwareCheckTest, EveryFileWarnsExactlyWhenTheLoadHasSomethingToReport) {
  const std::string intel = IntelRecord(0, 0, kData16) + IntelRecord(0, 0x10, kData16) + IntelEof();
  const std::string srec = SRecord('1', 2, 0, kData16) + SRecord('9', 2, 0, {});
  const Bytes binary = test::RandomBytes(0x800, 5);
  struct Case {
    const char* name;
    std::string text;
    uint32_t format;
    bool loads;
    Strings notes;
  };
  const Case cases[] = {
      {"Intel records with CR-only line ends", Replace(intel, "\r\n", "\r"), kFormatAuto, true, {}},
      {"a DOS end-of-file byte after the end record", intel + "\x1A", kFormatAuto, true, {}},
      {"two Intel records on one line", Replace(intel, "\r\n:1000100", ":1000100"), kFormatAuto, true, {}},
      {"%S1 and %S9 records", "%" + SRecord('1', 2, 0, kData16) + "%" + SRecord('9', 2, 0, {}), kFormatAuto, true,
       {}},
      {"an S0 header with a wrong checksum", SRecord('0', 2, 0, {'h', 'd', 'r'}, 1) + srec, kFormatAuto, true, {}},
      {"Tektronix with a wrong data checksum",
       TekRecord(0, kData16) + TekRecord(0x100, {0xAB, 0xCD}, 0, 1) + TekRecord(0, {}),
       kFormatTektronix, true, {"1 record(s) with a checksum error, the first on line 2"}},
      {"a binary checked as Intel HEX", std::string(binary.begin(), binary.end()), kFormatIntel, false, {}},
      {"a wrong Intel checksum on line 2", IntelRecord(0, 0, kData16) + IntelRecord(0, 0x10, kData16, 1) + IntelEof(),
       kFormatAuto, true, {"1 record(s) with a checksum error, the first on line 2"}},
      {"no end record", IntelRecord(0, 0, kData16), kFormatAuto, true, {"no end record: the file may be cut short"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = both(c.text, c.format, "/16");
    EXPECT_EQ(o.loaded, c.loads);
    EXPECT_EQ(o.notes, c.notes);
    if (c.loads) {
      EXPECT_EQ(imageBytes(0, 16), kData16);
    }
  }
}

TEST_F(FirmwareCheckTest, NewWarningsNameWhatTheUserMustKnow) {
  const std::string header = "# " + std::string(200, 'x') + "\r\n# Built by Some tool\r\n";
  struct Case {
    const char* name;
    std::string text;
    uint32_t format;
    const char* ic;
    Strings notes;
  };
  const Case cases[] = {
      {"a later record changes bytes", IntelRecord(0, 0x7FF0, kData16) + IntelRecord(0, 0x7FFE, {0xEE, 0x0F}) +
                                           IntelEof(),
       kFormatAuto, "/256",
       {"1 record(s) overwrite different bytes an earlier record placed, the first at 0x7FFE: the later record's "
        "bytes are kept"}},
      {"a later record repeats the same bytes", IntelRecord(0, 0x7FF0, kData16) + IntelRecord(0, 0x7FFE, {14, 15}) +
                                                    IntelEof(),
       kFormatAuto, "/256", {}},
      {"records going back down without overlap", IntelRecord(0, 0x100, kData16) + IntelRecord(0, 0, kData16) +
                                                      IntelEof(),
       kFormatAuto, "/16", {}},
      {"Intel records after a long comment", header + IntelRecord(0, 0, kData16) + IntelEof(), kFormatAuto, "/16",
       {"the file looks like Intel HEX but loads as raw bytes (the text around its records keeps it from being "
        "detected): use --format intel"}},
      {"the same file read as Intel HEX", header + IntelRecord(0, 0, kData16) + IntelEof(), kFormatIntel, "/16", {}},
      {"S-records after a comment", header + SRecord('1', 2, 0, kData16) + SRecord('9', 2, 0, {}), kFormatAuto,
       "/16",
       {"the file looks like S-records but loads as raw bytes (the text around its records keeps it from being "
        "detected): use --format motorola"}},
      {"the same file read as S-records", header + SRecord('1', 2, 0, kData16) + SRecord('9', 2, 0, {}),
       kFormatMotorola, "/16", {}},
      {"data beyond the IC names the data actually there",
       IntelRecord(0, 0, kData16) + IntelRecord(4, 0, {0x01, 0x23}) + IntelRecord(0, 0x4000, kData16) + IntelEof(),
       kFormatAuto, "/512", {"data at 0x1234000-0x123400F lies beyond the 64K IC /512 and is not downloaded"}},
      {"data far above any unit", IntelRecord(0, 0, kData16) + IntelRecord(4, 0, {0x12, 0x34}) +
                                      IntelRecord(0, 0, kData16) + IntelEof(),
       kFormatAuto, "/512",
       {"data at 0x12340000-0x1234000F lies above 0xFFFFFFF, out of any unit's reach, and is not loaded"}},
      {"one byte at 0xFFFFFFFE", SRecord('1', 2, 0, kData16) + SRecord('3', 4, 0xFFFFFFFE, {1}) +
                                     SRecord('9', 2, 0, {}),
       kFormatAuto, "/512",
       {"data at 0xFFFFFFFE-0xFFFFFFFE lies above 0xFFFFFFF, out of any unit's reach, and is not loaded"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = both(c.text, c.format, c.ic);
    EXPECT_TRUE(o.loaded);
    EXPECT_EQ(o.notes, c.notes);
  }
  // The later record wins.
  both(cases[0].text, kFormatAuto, "/256");
  EXPECT_EQ(imageBytes(0x7FFE, 2), (Bytes{0xEE, 0x0F}));
}

// Far-away data costs no memory, and the "Resize to" question asks for what is kept.
TEST_F(FirmwareCheckTest, FarAwayDataIsNotAllocatedAndTheResizeQuestionAsksForWhatIsKept) {
  const std::string text = IntelRecord(0, 0, kData16) + IntelRecord(4, 0, {0x00, 0x02}) + IntelRecord(0, 0xFFF0, kData16) +
                           IntelRecord(4, 0, {0xFF, 0xFF}) + IntelRecord(0, 0xFFF0, {1, 2}) + IntelEof();
  const std::string f = dir.writeText("hi.hex", text);
  SetIcType(rs, "/512");
  ASSERT_TRUE(windowLoad(f, kFormatIntel, true));
  EXPECT_EQ(ui.boxTexts(), Strings{"Resize to 002FFFFH"});
  EXPECT_LT(image.size(), 0x40000u);
  EXPECT_EQ(imageBytes(0x2FFF0, 16), kData16);
}

// Seeded random files of every HEX format, spoilt in the ways real files are: the check
// and the load agree on every one.
TEST_F(FirmwareCheckTest, DifferentialOverSpoiltRandomFiles) {
  std::mt19937 rng(18);
  auto pick = [&rng](unsigned n) { return static_cast<unsigned>(rng() % n); };
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const unsigned kind = pick(3);
    std::string text;
    const unsigned records = 1 + pick(6);
    for (unsigned r = 0; r < records; ++r) {
      Bytes data(1 + pick(20));
      for (auto& b : data) b = static_cast<uint8_t>(pick(256));
      const unsigned address = pick(4) == 0 ? pick(0x40) : 0x10 * r;
      const int delta = pick(8) == 0 ? 1 : 0;
      if (kind == 0) text += IntelRecord(0, address, data, delta);
      else if (kind == 1) text += SRecord('1', 2, address, data, delta);
      else text += TekRecord(address, data, 0, delta);
    }
    if (pick(3) != 0) text += kind == 0 ? IntelEof() : kind == 1 ? SRecord('9', 2, 0, {}) : TekRecord(0, {});
    switch (pick(6)) {
      case 0: text = Replace(text, "\r\n", "\r"); break;
      case 1: text += "\x1A"; break;
      case 2: text = "# a comment line\r\n" + text; break;
      case 3:
        if (!text.empty()) text[pick(static_cast<unsigned>(text.size()))] = "0F:S/\r"[pick(6)];
        break;
      default: break;
    }
    const uint32_t format = pick(2) == 0 ? kFormatAuto : kFormatIntel + kind;
    both(text, format, "/16");
  }
}

}  // namespace
}  // namespace zarvo
