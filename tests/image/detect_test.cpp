// Format detection: what each detector accepts and refuses, and what each reporting mode
// shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/image_buffer.h"
#include "image/readers.h"
#include "readers_records.h"
#include "recording_ui.h"

namespace zarvo {
namespace {

using test::Bytes;
using test::IntelEof;
using test::IntelRecord;
using test::RecordingUi;
using test::SRecord;
using test::TekRecord;

using Detector = bool (*)(std::span<const uint8_t>, int, Ui&);

struct DetectorCase {
  const char* name;
  Detector detect;
  std::string good;
  std::string bad;
  std::string yes;
  std::string no;
};

std::vector<DetectorCase> Detectors() {
  return {
      {"Intel", DetectIntel, IntelRecord(0, 0, {1, 2}) + IntelEof(), "plain text\r\n",
       "This is Intel Hex format !", "File is not Intel Hex format !"},
      {"Motorola", DetectMotorola, SRecord('1', 2, 0, {1, 2}) + SRecord('9', 2, 0, {}), "Some text\r\n",
       "This is Motorola Hex format !", "File is not Motorola Hex format !"},
      {"Tektronix", DetectTektronix, TekRecord(0, {1, 2}) + TekRecord(0, {}), "/usr/share\r\n",
       "This is Tektronix Hex format !", "File is not Tektronix Hex format !"},
  };
}

TEST(Detectors, EachReportingModeShowsOnlyItsOwnMessage) {
  for (const auto& d : Detectors()) {
    SCOPED_TRACE(d.name);
    for (int mode : {0, 1, 2}) {
      SCOPED_TRACE(mode);
      RecordingUi ui;
      EXPECT_TRUE(d.detect(Bytes(d.good), mode, ui));
      EXPECT_FALSE(d.detect(Bytes(d.bad), mode, ui));
      std::vector<std::string> expected;
      if (mode == 2) expected = {"Auto detect", d.yes};
      if (mode == 1) expected = {"ERROR !", d.no};
      std::vector<std::string> got;
      for (const auto& b : ui.boxes) {
        got.push_back(b.title);
        got.push_back(b.text);
        EXPECT_EQ(b.buttons, Buttons::Ok);
      }
      EXPECT_EQ(got, expected);
    }
  }
}

TEST(IntelDetector, CountsPassedOverCharactersButNotWrongRecords) {
  std::string tenLinear;
  for (int i = 0; i < 10; ++i) tenLinear += IntelRecord(4, 0, {0, 0});
  RecordingUi ui;
  EXPECT_FALSE(DetectIntel(Bytes(tenLinear + IntelRecord(0, 0, {1}) + IntelEof()), 0, ui));
  // Four long records with wrong checksums are stepped over without counting toward 128.
  std::string wrong;
  for (int i = 0; i < 4; ++i) wrong += IntelRecord(0, 0, std::vector<uint8_t>(32, 7), 1);
  EXPECT_TRUE(DetectIntel(Bytes(wrong + IntelRecord(0, 0, {1})), 0, ui));
  EXPECT_TRUE(DetectIntel(Bytes(std::string(120, ' ') + IntelRecord(0, 0, {1})), 0, ui));
  EXPECT_FALSE(DetectIntel(Bytes(std::string(128, ' ') + IntelRecord(0, 0, {1})), 0, ui));
  // A data record cut by the end of the text is no evidence.
  EXPECT_FALSE(DetectIntel(Bytes(":10000000ABCD"), 0, ui));
}

TEST(MotorolaDetector, RefusesStrayTextAndAcceptsCountRecords) {
  const std::string s1 = SRecord('1', 2, 0x10, {1, 2, 3});
  struct Case {
    const char* name;
    std::string text;
    bool motorola;
  };
  const Case cases[] = {
      {"plain", s1, true},
      {"percent prefix", "%" + s1, true},
      {"count records S5 and S6", "S00600004844521B\r\n" + s1 + "S5030001FB\r\nS604000001FA\r\n", true},
      {"S0 header with an S and a letter", "S0 Header STRING\r\n" + s1, false},
      {"free text with a capital S", "Made by Sam\r\n" + s1, false},
      {"S4", s1 + "S4030000FC\r\n", false},
      {"percent not before S", "%X" + s1, false},
      {"wrong checksum", SRecord('1', 2, 0x10, {1}, 1) + s1, false},
      {"only header and terminator", "S00600004844521B\r\nS9030000FC\r\n", false},
      {"record cut by the end", s1 + "S1FF00", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUi ui;
    EXPECT_EQ(DetectMotorola(Bytes(c.text), 0, ui), c.motorola);
  }
}

TEST(MotorolaDetector, RecordsWhoseChecksumByteIsZeroAreNotCounted) {
  // S1 count 4, address 00FB, data 00: sum 0xFF, checksum byte 00.
  RecordingUi ui;
  EXPECT_FALSE(DetectMotorola(Bytes("S10400FB0000\r\n"), 0, ui));
  EXPECT_TRUE(DetectMotorola(Bytes("S10400FB0000\r\n" + SRecord('1', 2, 0, {5})), 0, ui));
}

TEST(TektronixDetector, NeedsAGoodHeaderAndADataRecord) {
  RecordingUi ui;
  EXPECT_FALSE(DetectTektronix(Bytes(TekRecord(0, {}) + TekRecord(0x10, {1})), 0, ui));
  EXPECT_FALSE(DetectTektronix(Bytes(TekRecord(0x10, {1}, 1)), 1, ui));
  EXPECT_EQ(ui.boxes.back().text, "File is not Tektronix Hex format !");
  EXPECT_TRUE(DetectTektronix(Bytes(TekRecord(0x10, {1}, 0, 1) + TekRecord(0x20, {2})), 0, ui));
  EXPECT_TRUE(DetectTektronix(Bytes("path /x/y\r\n" + TekRecord(0x10, {1})), 0, ui));
  EXPECT_FALSE(DetectTektronix(Bytes("/001002"), 0, ui));
}

TEST(DetectFormatOf, PicksTheFirstPositiveInOrder) {
  RecordingUi ui;
  EXPECT_EQ(DetectFormatOf(std::vector<uint8_t>(4096, 0), ui), kFormatBinary);
  EXPECT_EQ(DetectFormatOf({}, ui), kFormatBinary);
  // Passes both the Intel and the Motorola rule: Intel comes first.
  std::string both = IntelRecord(0, 0, {1}) + SRecord('1', 2, 0, {1});
  RecordingUi check;
  ASSERT_TRUE(DetectMotorola(Bytes(both), 0, check));
  EXPECT_EQ(DetectFormatOf(Bytes(both), ui), kFormatIntel);
  EXPECT_EQ(DetectFormatOf(Bytes(SRecord('3', 4, 0, {1})), ui), kFormatMotorola);
  EXPECT_EQ(DetectFormatOf(Bytes(TekRecord(0, {1})), ui), kFormatTektronix);
  EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace zarvo
