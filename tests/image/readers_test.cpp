// Hand-written HEX texts for what a reference tool will not write: bad checksums, cut
// records, odd prefixes, free text, unusual record types and addresses no image can hold.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "image/hex_text.h"
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

const std::string kChecksumText = "File read in complete!\nData still load in buffer.";

HexOptions Store(uint32_t k, bool fillFlag = false, uint8_t fillByte = 0) {
  HexOptions o;
  o.capacity = k;
  o.pass = Pass::Store;
  o.fillFlag = fillFlag;
  o.fillByte = fillByte;
  return o;
}

HexOptions Measure(uint32_t k) {
  HexOptions o = Store(k);
  o.pass = Pass::Measure;
  return o;
}

// The text is copied into a block of exactly its length, so a read past it is caught by
// the address sanitizer.
std::vector<uint8_t> Exact(const std::string& s) { return Bytes(s); }

using Strings = std::vector<std::string>;

// ---- Intel ----

TEST(IntelReader, PlacesDataAtSegmentAndLinearAddresses) {
  std::string text = IntelRecord(0, 0xFFF0, std::vector<uint8_t>(16, 0x11)) +
                     IntelRecord(2, 0, {0x10, 0x00}) + IntelRecord(0, 0x0002, {0x22, 0x23}) +
                     IntelRecord(2, 0, {0x00, 0x00}) + IntelRecord(4, 0, {0x00, 0x02}) +
                     IntelRecord(0, 0x0004, {0x44}) + IntelEof();
  RecordingUi ui;
  HexResult m = ReadIntelHex(Exact(text), Measure(0x100), ui);
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(m.last, 0x20004u);
  EXPECT_TRUE(m.image.empty());
  HexResult r = ReadIntelHex(Exact(text), Store(0x20005), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.last, 0x20004u);
  EXPECT_EQ(r.image[0xFFFF], 0x11);
  EXPECT_EQ(r.image[0x10002], 0x22);
  EXPECT_EQ(r.image[0x10003], 0x23);
  EXPECT_EQ(r.image[0x20004], 0x44);
  EXPECT_EQ(r.image[0xFFEF], 0x00);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(IntelReader, FillsUnaddressedBytesByTheFillFlag) {
  std::string text = IntelRecord(0, 0x8000, {1, 2}) + IntelEof();
  RecordingUi ui;
  HexResult filled = ReadIntelHex(Exact(text), Store(0x9000, true, 0xA5), ui);
  HexResult plain = ReadIntelHex(Exact(text), Store(0x9000), ui);
  ASSERT_TRUE(filled.ok && plain.ok);
  EXPECT_EQ(filled.image.size(), 0x9000u + 1024);
  EXPECT_EQ(filled.image[0x7FFF], 0xA5);
  EXPECT_EQ(filled.image[0x8002], 0xA5);
  EXPECT_EQ(plain.image[0x7FFF], 0x00);
  EXPECT_EQ(plain.image[0x8001], 2);
}

TEST(IntelReader, IgnoresOtherTypesFreeTextAndRecordsAfterTheEnd) {
  std::string text = "; built by hand\r\n" + IntelRecord(3, 0, {0, 0, 0x12, 0x34}) +
                     IntelRecord(5, 0, {0, 0, 0x12, 0x34}) + "comment\n" + IntelRecord(0, 0x10, {0xAB}) +
                     IntelEof() + IntelRecord(0, 0x20, {0xCD});
  RecordingUi ui;
  HexResult r = ReadIntelHex(Exact(text), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.last, 0x10u);
  EXPECT_EQ(r.image[0x10], 0xAB);
  EXPECT_EQ(r.image[0x20], 0x00);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(IntelReader, WithoutEndRecordLoadsToTheEndAndOnlyEndRecordGivesLastZero) {
  RecordingUi ui;
  HexResult r = ReadIntelHex(Exact(IntelRecord(0, 0x10, {1, 2, 3})), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.last, 0x12u);
  HexResult e = ReadIntelHex(Exact(IntelEof()), Store(0x100), ui);
  ASSERT_TRUE(e.ok);
  EXPECT_EQ(e.last, 0u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(IntelReader, WrongChecksumsKeepDataAndWarnOnceInTheStorePassOnly) {
  std::string text = IntelRecord(0, 0, {1, 2}, 1) + IntelRecord(0, 2, {3}, 5) + IntelEof();
  RecordingUi ui;
  ASSERT_TRUE(ReadIntelHex(Exact(text), Measure(0x100), ui).ok);
  EXPECT_TRUE(ui.boxes.empty());
  HexResult r = ReadIntelHex(Exact(text), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image[1], 2);
  EXPECT_EQ(r.image[2], 3);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, kChecksumText);
  EXPECT_EQ(ui.boxes[0].title, "");
  EXPECT_EQ(ui.boxes[0].icon, Icon::Error);
}

TEST(IntelReader, FailuresAndTheirMessages) {
  struct Case {
    const char* name;
    std::string text;
    uint32_t k;
    Pass pass;
    std::string message;
  };
  const std::string data16 = IntelRecord(0, 0, std::vector<uint8_t>(16, 0x5A));
  const Case cases[] = {
      {"no record", "just text\r\n", 0x100, Pass::Store, "FORMAT ERROR !"},
      {"empty", "", 0x100, Pass::Measure, "FORMAT ERROR !"},
      {"colon in checksum", ":0100000011:\r\n" + IntelEof(), 0x100, Pass::Measure, "FORMAT ERROR !"},
      // A record cut short must not swallow the record after it.
      {"cut record", ":10000000AABB\r\n" + IntelEof(), 0x100, Pass::Store, "FORMAT ERROR !"},
      {"cut at end of text", data16.substr(0, 20), 0x100, Pass::Measure, "FORMAT ERROR !"},
      {"count runs past the text", ":FF00000000", 0x100, Pass::Store, "FORMAT ERROR !"},
      {"non-hex data", ":0200000012G4E8\r\n", 0x100, Pass::Store, "FORMAT ERROR !"},
      {"garbled address", ":02zz000012345\r\n", 0x100, Pass::Measure, "FORMAT ERROR !"},
      {"data above K", IntelRecord(0, 0x200, {1}), 0x100, Pass::Store, "Out of buffer !"},
      // A segment pushes the data past the image: refused, never written.
      {"segment past the image", IntelRecord(2, 0, {0xF0, 0x00}) + IntelRecord(0, 0, {1}), 0x100,
       Pass::Store, "Out of buffer !"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUi ui;
    HexOptions o = Store(c.k);
    o.pass = c.pass;
    HexResult r = ReadIntelHex(Exact(c.text), o, ui);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.image.empty());
    EXPECT_EQ(ui.boxTexts(), Strings{c.message});
    if (!ui.boxes.empty()) {
      EXPECT_EQ(ui.boxes[0].title, "");
    }
  }
}

TEST(IntelReader, LinearRecordGrowsTheImageButKeepsLaterDataInsideIt) {
  // A 04 record above K lets data land in its 64 KiB; a later segment that pushes data
  // beyond that window is refused.
  std::string grown = IntelRecord(4, 0, {0x00, 0x02}) + IntelRecord(0, 0xFFFF, {0x77});
  RecordingUi ui;
  HexResult r = ReadIntelHex(Exact(grown), Store(0x100, true, 0xEE), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_GE(r.image.size(), 0x30000u);
  EXPECT_EQ(r.image[0x2FFFF], 0x77);
  EXPECT_EQ(r.image[0x2FFFE], 0xEE);

  std::string pushed = grown + IntelRecord(2, 0, {0x20, 0x00}) + IntelRecord(0, 0, {1});
  HexResult p = ReadIntelHex(Exact(pushed), Store(0x100), ui);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(ui.boxTexts(), Strings{"Out of buffer !"});
}

TEST(IntelReader, HugeLinearBaseWithoutDataAllocatesNothingBig) {
  std::string text = IntelRecord(4, 0, {0xFF, 0xF0}) + IntelRecord(0, 0, {}) + IntelEof();
  RecordingUi ui;
  HexResult r = ReadIntelHex(Exact(text), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image.size(), 0x100u + 1024);
  EXPECT_EQ(r.last, 0u) << "an empty data record above any image carries nothing";
}

// An empty data record places nothing but raises the highest address to the byte before
// it, so the image reaches there with the gap value (and a later window's old bytes do
// not show through); the data runs name only the bytes the file gave.
TEST(HexReaders, AnEmptyDataRecordRaisesTheHighestAddress) {
  struct Case {
    const char* name;
    std::string text;
    HexResult (*read)(std::span<const uint8_t>, const HexOptions&, Ui&);
    uint8_t gap;
  } cases[] = {
      {"intel", ":0400000001020304F2\n:00100000F0\n:00000001FF\n", ReadIntelHex, 0x00},
      {"motorola", "S107000001020304EE\nS1031000EC\nS9030000FC\n", ReadMotorola, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUi ui;
    EXPECT_EQ(c.read(Exact(c.text), Measure(0x100), ui).last, 0xFFFu);
    HexResult r = c.read(Exact(c.text), Store(0x1000), ui);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.last, 0xFFFu);
    ASSERT_GE(r.image.size(), 0x1000u);
    using Block = std::vector<uint8_t>;
    EXPECT_EQ(Block(r.image.begin(), r.image.begin() + 4), (Block{1, 2, 3, 4}));
    EXPECT_EQ(Block(r.image.begin() + 4, r.image.begin() + 0x1000), Block(0xFFC, c.gap));
    ASSERT_EQ(r.data.size(), 1u);
    EXPECT_EQ(r.data[0].begin, 0u);
    EXPECT_EQ(r.data[0].end, 4u);
    EXPECT_TRUE(ui.boxTexts().empty());
  }
}

// Data far above anything a unit can hold (a stray record near 4 GiB beside data at 0) is
// left out: the data below the limit loads, the rest is reported with its range, and the
// image is never grown for the gap. Both passes agree on the highest address kept.
TEST(HexReaders, DataAboveTheAddressLimitIsLeftOutAndReported) {
  static_assert(kHexAddressLimit == 0x0FFFFFFF);
  const std::string low = IntelRecord(0, 0, {0xA1, 0xA2});
  struct Case {
    const char* name;
    HexResult (*read)(std::span<const uint8_t>, const HexOptions&, Ui&);
    std::string text;
    uint32_t last;       // highest address kept
    bool dropped;
    AddressRange range;  // what was left out
  };
  const Case cases[] = {
      {"Intel up to the limit", ReadIntelHex,
       IntelRecord(4, 0, {0x0F, 0xFF}) + IntelRecord(0, 0xFFF0, std::vector<uint8_t>(16, 1)), 0x0FFFFFFF, false, {}},
      {"Intel record at 0x12340000 beside data at 0", ReadIntelHex,
       low + IntelRecord(4, 0, {0x12, 0x34}) + IntelRecord(0, 0, std::vector<uint8_t>(16, 7)) + IntelEof(), 1, true,
       {0x12340000, 0x1234000F}},
      {"Intel record across the limit keeps its lower bytes", ReadIntelHex,
       IntelRecord(4, 0, {0x0F, 0xFF}) + IntelRecord(0, 0xFFFE, {1, 2, 3, 4}), 0x0FFFFFFF, true,
       {0x10000000, 0x10000001}},
      {"Intel past 4 GiB", ReadIntelHex,
       low + IntelRecord(4, 0, {0xFF, 0xFF}) + IntelRecord(0, 0xFFF8, std::vector<uint8_t>(16, 1)), 1, true,
       {0xFFFFFFF8, 0x100000007}},
      {"Intel linear base of gigabytes", ReadIntelHex,
       low + IntelRecord(4, 0, {0x97, 0x9E}) + IntelRecord(0, 0x10, {9}) + IntelEof(), 1, true,
       {0x979E0010, 0x979E0010}},
      {"S3 one byte at 0xFFFFFFFE", ReadMotorola, SRecord('1', 2, 0, {0xA1, 0xA2}) + SRecord('3', 4, 0xFFFFFFFE, {5}),
       1, true, {0xFFFFFFFE, 0xFFFFFFFE}},
      {"S3 above the limit", ReadMotorola, SRecord('1', 2, 0, {0xA1, 0xA2}) + SRecord('3', 4, 0x10000000, {1}), 1,
       true, {0x10000000, 0x10000000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUi ui;
    const HexResult m = c.read(Exact(c.text), Measure(0x100), ui);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.last, c.last);
    EXPECT_EQ(m.findings.dropped, c.dropped);
    EXPECT_EQ(m.findings.droppedRange.first, c.range.first);
    EXPECT_EQ(m.findings.droppedRange.last, c.range.last);
    EXPECT_TRUE(ui.boxes.empty());
    if (c.last > 0x100000) continue;  // the store of a 256 MiB image proves nothing more
    const HexResult r = c.read(Exact(c.text), Store(c.last + 1), ui);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.last, c.last);
    EXPECT_LT(r.image.size(), 0x10000u) << "no memory for the gap";
    EXPECT_EQ(r.image[0], 0xA1);
    EXPECT_EQ(r.image[1], 0xA2);
    EXPECT_EQ(r.findings.droppedRange.first, c.range.first);
  }
}

// Found by the fuzzer: an early 04 record with a high base and no data, then a low one
// with data, grew the image to the high base's size.
TEST(IntelReader, ImageGrowsOnlyToTheLinearBaseThatCarriesData) {
  std::string text = IntelRecord(4, 0, {0x0B, 0xE3}) + IntelRecord(4, 0, {0x00, 0x01}) +
                     IntelRecord(0, 0x0010, {0x5C}) + IntelEof();
  RecordingUi ui;
  HexResult r = ReadIntelHex(Exact(text), Store(0x1000), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image[0x10010], 0x5C);
  EXPECT_LT(r.image.size(), 0x30000u);
}

TEST(IntelReader, LetsTheWindowBreatheByTextNotByCharacter) {
  std::string text;
  for (uint32_t a = 0; a < 0x10000; a += 16) text += IntelRecord(0, a, std::vector<uint8_t>(16, 0x3C));
  RecordingUi ui;
  ASSERT_TRUE(ReadIntelHex(Exact(text), Store(0x10000), ui).ok);
  const int chunks = static_cast<int>(text.size() / 65536);
  EXPECT_GE(ui.eventsProcessed, chunks);
  EXPECT_LE(ui.eventsProcessed, chunks + 2);
}

// ---- Motorola ----

TEST(MotorolaReader, PlacesS1DataAndFillsGapsWithFFUnlessAFillIsAsked) {
  std::string text = SRecord('0', 2, 0, {'h', 'd', 'r'}) + SRecord('1', 2, 0x0100, {1, 2, 3, 4}) +
                     SRecord('9', 2, 0, {});
  RecordingUi ui;
  HexResult r = ReadMotorola(Exact(text), Store(0x200), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.lowest, 0x100u);
  EXPECT_EQ(r.last, 0x103u);
  for (uint32_t a = 0; a < 0x100; ++a) ASSERT_EQ(r.image[a], 0xFF) << a;
  EXPECT_EQ(r.image[0x103], 4);
  HexResult f = ReadMotorola(Exact(text), Store(0x200, true, 0x00), ui);
  EXPECT_EQ(f.image[0xFF], 0x00);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(MotorolaReader, PercentPrefixBlankLinesLowerCaseAndCountRecords) {
  std::string s1 = SRecord('1', 2, 0x10, {0xAB});
  std::string lower = SRecord('2', 3, 0x20, {0xCD});
  for (auto& c : lower) c = static_cast<char>(std::tolower(c));
  lower[0] = 'S';
  std::string text = "%" + s1 + "\n\n" + lower + "S5030002FA\r\nS604000002F9\r\n" +
                     SRecord('3', 4, 0x30, {0xEF}) + SRecord('7', 4, 0, {}) + SRecord('1', 2, 0x40, {0x99});
  RecordingUi ui;
  HexResult r = ReadMotorola(Exact(text), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image[0x10], 0xAB);
  EXPECT_EQ(r.image[0x20], 0xCD);
  EXPECT_EQ(r.image[0x30], 0xEF);
  EXPECT_EQ(r.image[0x40], 0xFF) << "records after the terminator are not read";
  EXPECT_EQ(r.last, 0x30u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(MotorolaReader, WrongChecksumKeepsDataAndWarnsOnce) {
  std::string text = SRecord('1', 2, 0, {7}, 1) + SRecord('1', 2, 1, {8}, 2) + SRecord('9', 2, 0, {}, 1);
  RecordingUi ui;
  HexResult r = ReadMotorola(Exact(text), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image[0], 7);
  EXPECT_EQ(r.image[1], 8);
  ASSERT_EQ(ui.boxTexts(), Strings{kChecksumText});
  EXPECT_EQ(ui.boxes[0].icon, Icon::Error);
}

TEST(MotorolaReader, FailuresAndTheirMessages) {
  struct Case {
    const char* name;
    std::string text;
    Pass pass;
    std::string message;
  };
  const Case cases[] = {
      {"header only", SRecord('0', 2, 0, {'x'}), Pass::Store, "FORMAT ERROR !"},
      {"count zero", "S100\r\n", Pass::Measure, "FORMAT ERROR !"},
      {"count too small for the address", "S1020000FD\r\n", Pass::Store, "FORMAT ERROR !"},
      {"cut record", "S1050000AB\r\nS9030000FC\r\n", Pass::Store, "FORMAT ERROR !"},
      {"count runs past the text", "S1FF0000", Pass::Measure, "FORMAT ERROR !"},
      // Every data record alike: S1, S2 and S3 addresses above K are refused.
      {"S1 above K", SRecord('1', 2, 0x1000, {1}), Pass::Store, "Out of buffer !"},
      {"S2 above K", SRecord('2', 3, 0x1000, {1}), Pass::Store, "Out of buffer !"},
      {"S3 above K", SRecord('3', 4, 0x1000, {1}), Pass::Store, "Out of buffer !"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUi ui;
    HexOptions o = Store(0x100);
    o.pass = c.pass;
    HexResult r = ReadMotorola(Exact(c.text), o, ui);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(ui.boxTexts(), Strings{c.message});
  }
}

TEST(MotorolaReader, DataAtKUsesTheSlackAndMeasureLearnsTheHighestAddress) {
  std::string text = SRecord('2', 3, 0x100, std::vector<uint8_t>(200, 0x42));
  RecordingUi ui;
  HexResult m = ReadMotorola(Exact(text), Measure(0x10), ui);
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(m.lowest, 0x100u);
  EXPECT_EQ(m.last, 0x1C7u);
  HexResult r = ReadMotorola(Exact(text), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image[0x1C7], 0x42);
}

// ---- Tektronix ----

TEST(TektronixReader, PlacesRecordsAndStopsAtTheTerminator) {
  std::string text = "see C:/temp/x.tek and /ab\r\n" + TekRecord(0x0100, {0xAB, 0xCD}) +
                     TekRecord(0x0200, {0x11}, 3) + TekRecord(0, {}) + TekRecord(0x0300, {0x22});
  RecordingUi ui;
  HexResult r = ReadTektronix(Exact(text), Store(0x400, true, 0x5A), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image[0x100], 0xAB);
  EXPECT_EQ(r.image[0x101], 0xCD);
  EXPECT_EQ(r.image[0x200], 0x11) << "a wrong header checksum does not stop the reader";
  EXPECT_EQ(r.image[0x300], 0x5A);
  EXPECT_EQ(r.image[0xFF], 0x5A);
  EXPECT_EQ(r.lowest, 0x100u);
  EXPECT_EQ(r.last, 0x200u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(TektronixReader, TerminatorAloneSucceedsWithLastZero) {
  RecordingUi ui;
  HexResult r = ReadTektronix(Exact(TekRecord(0, {})), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.last, 0u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(TektronixReader, WrongDataChecksumKeepsDataAndWarnsOnce) {
  std::string text = TekRecord(0x10, {1, 2}, 0, 1) + TekRecord(0x20, {3}, 0, 1);
  RecordingUi ui;
  ASSERT_TRUE(ReadTektronix(Exact(text), Measure(0x100), ui).ok);
  HexResult r = ReadTektronix(Exact(text), Store(0x100), ui);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image[0x20], 3);
  EXPECT_EQ(ui.boxTexts(), Strings{kChecksumText});
}

TEST(TektronixReader, FailuresAndTheirMessages) {
  struct Case {
    const char* name;
    std::string text;
    uint32_t k;
    std::string message;
  };
  const Case cases[] = {
      {"no record", "/usr/lib and /x", 0x100, "FORMAT ERROR !"},
      {"cut record", "/0010041A1234\r\n" + TekRecord(0, {}), 0x100, "FORMAT ERROR !"},
      {"count runs past the text", "/0000FF0F00", 0x100, "FORMAT ERROR !"},
      {"header cut by the end", "/0010", 0x100, "FORMAT ERROR !"},
      // The store pass never writes past its image, even when K was not raised.
      {"data past the image", TekRecord(0xFF00, {1, 2, 3}), 0x100, "Out of buffer !"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUi ui;
    HexResult r = ReadTektronix(Exact(c.text), Store(c.k), ui);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(ui.boxTexts(), Strings{c.message});
  }
}

// ---- review mends ----

TEST(ReaderMends, IndentedMotorolaRecordsLoadLikeUnindentedOnes) {
  const std::string plain = SRecord('1', 2, 0x0010, {1, 2, 3}) + SRecord('2', 3, 0x000100, {4, 5}) +
                            SRecord('3', 4, 0x00000200, {6}) + SRecord('9', 2, 0, {});
  RecordingUi ui;
  const HexResult want = ReadMotorola(Exact(plain), Store(0x400), ui);
  ASSERT_TRUE(want.ok);
  for (const std::string indent : {" ", "\t", "  \t"}) {
    std::string text;
    size_t from = 0;
    while (from < plain.size()) {
      size_t nl = plain.find('\n', from);
      text += indent + plain.substr(from, nl + 1 - from);
      from = nl + 1;
    }
    const HexResult got = ReadMotorola(Exact(text), Store(0x400), ui);
    ASSERT_TRUE(got.ok) << "indent '" << indent << "'";
    EXPECT_EQ(got.image, want.image);
    EXPECT_EQ(got.last, want.last);
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(ReaderMends, AnEndRecordCutAtTheEndOfTheFileKeepsTheDataBeforeIt) {
  struct Case {
    const char* name;
    std::string text;
    HexResult (*read)(std::span<const uint8_t>, const HexOptions&, Ui&);
  };
  const std::vector<Case> cases = {
      {"intel", IntelRecord(0, 0x10, {7, 8}) + ":00000001", ReadIntelHex},
      {"intel, line end", IntelRecord(0, 0x10, {7, 8}) + ":00000001\r\n", ReadIntelHex},
      {"motorola", SRecord('1', 2, 0x10, {7, 8}) + "S903", ReadMotorola},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUi ui;
    const HexResult r = c.read(Exact(c.text), Store(0x100), ui);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image[0x10], 7);
    EXPECT_EQ(r.image[0x11], 8);
    EXPECT_EQ(ui.boxTexts(), Strings{kChecksumText});  // the missing checksum, at most
  }
  // A cut end record with a record after it still swallows text: a format error.
  RecordingUi ui;
  EXPECT_FALSE(ReadIntelHex(Exact(":00000001\r\n" + IntelRecord(0, 0, {1})), Store(0x100), ui).ok);
}

TEST(ReaderMends, OnlyDigitsAndLettersAToFAreHexDigitsInEveryReader) {
  // One byte value at one field position: the first data digit of a record.
  for (int v = 0; v < 256; ++v) {
    const bool hexDigit = std::isxdigit(v) != 0;
    std::string intel = IntelRecord(0, 0, {0x55}) + IntelEof();
    intel[9] = static_cast<char>(v);
    std::string motorola = SRecord('1', 2, 0, {0x55}) + SRecord('9', 2, 0, {});
    motorola[8] = static_cast<char>(v);
    for (auto [text, read] : {std::pair{intel, &ReadIntelHex}, std::pair{motorola, &ReadMotorola}}) {
      RecordingUi ui;
      const HexResult r = read(Exact(text), Store(0x100), ui);
      if (hexDigit) {
        ASSERT_TRUE(r.ok) << v;
      } else {
        EXPECT_FALSE(r.ok) << "byte " << v << " taken as a digit";
        EXPECT_EQ(ui.boxTexts(), Strings{"FORMAT ERROR !"}) << v;
      }
    }
  }
}

TEST(ReaderMends, EveryByteValueAtEveryDigitPositionOfALongField) {
  // Twelve bytes decode as three words of eight digits; thirteen leave one pair after them.
  for (size_t count : {size_t{12}, size_t{13}}) {
    std::string digits;
    for (size_t i = 0; i < count; ++i) digits += "0123456789abcdefABCDEF"[i % 22], digits += "f0A9"[i % 4];
    for (size_t pos = 0; pos < digits.size(); ++pos) {
      for (int v = 0; v < 256; ++v) {
        std::string text = digits;
        text[pos] = static_cast<char>(v);
        uint8_t out[16] = {};
        unsigned sum = 0;
        const bool ok = hex::DecodeBytes(reinterpret_cast<const uint8_t*>(text.data()), count, out, sum);
        ASSERT_EQ(ok, std::isxdigit(v) != 0) << "byte " << v << " at " << pos << " of " << count;
        if (!ok) continue;
        unsigned expectedSum = 0;
        for (size_t i = 0; i < count; ++i) {
          const auto expected = static_cast<uint8_t>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
          ASSERT_EQ(out[i], expected) << "byte " << v << " at " << pos << ", pair " << i;
          expectedSum += expected;
        }
        ASSERT_EQ(sum, expectedSum);
      }
    }
  }
}

}  // namespace
}  // namespace zarvo
