// Files written by srec_cat from seeded random binaries: each reader must place every byte
// of the binary at its address and fill the gaps by its own rule.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/image_buffer.h"
#include "image/readers.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::RandomBytes;
using test::RecordingUi;
using test::TempDir;

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string all = path ? path : "";
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::filesystem::path candidate = std::filesystem::path(all.substr(start, end - start)) / name;
    std::error_code ec;
    if (!candidate.empty() && std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    start = end + 1;
  }
  return {};
}

struct Piece {
  uint32_t address;
  std::vector<uint8_t> bytes;
};

using Reader = HexResult (*)(std::span<const uint8_t>, const HexOptions&, Ui&);

class ReferenceFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    srecCat_ = FindOnPath("srec_cat");
    ASSERT_FALSE(srecCat_.empty())
        << "srec_cat was not found on PATH; install the srecord package (scripts/setup.sh does)";
  }

  // Writes each piece as a binary, has srec_cat turn them into one file with `outputArgs`,
  // and returns the text it wrote.
  std::vector<uint8_t> Convert(const std::vector<Piece>& pieces, const std::string& outputArgs) {
    std::string cmd = "'" + srecCat_ + "'";
    for (size_t i = 0; i < pieces.size(); ++i) {
      std::string bin = dir_.write("piece" + std::to_string(i) + ".bin", pieces[i].bytes);
      cmd += " '" + bin + "' -binary -offset " + std::to_string(pieces[i].address);
    }
    std::string out = dir_.file("out.hex");
    cmd += " -o '" + out + "' " + outputArgs;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return test::ReadFileBytes(out);
  }

  // Runs both passes as the load pipeline does (the store pass with room for the highest
  // address) and checks every byte of the image against the pieces and the gap value.
  HexResult ReadAndCompare(Reader reader, const std::vector<uint8_t>& text, const std::vector<Piece>& pieces,
                           const HexOptions& base, uint8_t gap) {
    HexOptions opt = base;
    opt.pass = Pass::Measure;
    opt.capacity = 8192;
    HexResult measured = reader(text, opt, ui_);
    EXPECT_TRUE(measured.ok);
    uint32_t expectedLast = 0;
    for (const auto& p : pieces) expectedLast = std::max<uint32_t>(expectedLast, p.address + static_cast<uint32_t>(p.bytes.size()) - 1);
    EXPECT_EQ(measured.last, expectedLast);

    opt.pass = Pass::Store;
    opt.capacity = std::max<uint32_t>(8192, measured.last + 1);
    HexResult r = reader(text, opt, ui_);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.last, expectedLast);
    EXPECT_GE(r.image.size(), uint64_t{opt.capacity} + 1024);
    LargeBytes expected(r.image.size(), gap);
    for (const auto& p : pieces) std::copy(p.bytes.begin(), p.bytes.end(), expected.begin() + p.address);
    if (r.image != expected) {
      size_t i = 0;
      while (i < expected.size() && r.image[i] == expected[i]) ++i;
      ADD_FAILURE() << "first difference at 0x" << std::hex << i;
    }
    EXPECT_TRUE(ui_.boxes.empty()) << ui_.boxes.front().text;
    return r;
  }

  std::string srecCat_;
  TempDir dir_;
  RecordingUi ui_;
};

TEST_F(ReferenceFiles, IntelWith16And32ByteRecordsAboveSixtyFourKiB) {
  for (int block : {16, 32}) {
    SCOPED_TRACE(block);
    std::vector<Piece> pieces{{0x100, RandomBytes(0x18000, 1)}};
    auto text = Convert(pieces, "-intel -Output_Block_Size=" + std::to_string(block));
    ASSERT_NE(std::string(text.begin(), text.end()).find(":02000004"), std::string::npos);
    EXPECT_EQ(DetectFormatOf(text, ui_), kFormatIntel);
    ReadAndCompare(ReadIntelHex, text, pieces, {}, 0x00);
  }
}

TEST_F(ReferenceFiles, IntelSegmentedAddressesWithGapsAndFill) {
  std::vector<Piece> pieces{{0x8000, RandomBytes(0x1000, 2)}, {0x23456, RandomBytes(0x12345, 3)}};
  auto text = Convert(pieces, "-intel -address-length=3 -Output_Block_Size=32");
  ASSERT_NE(std::string(text.begin(), text.end()).find(":02000002"), std::string::npos);
  HexOptions fill;
  fill.fillFlag = true;
  fill.fillByte = 0xA5;
  ReadAndCompare(ReadIntelHex, text, pieces, fill, 0xA5);
}

TEST_F(ReferenceFiles, IntelLinearAddressesWithStartRecord) {
  std::vector<Piece> pieces{{0x3FFF0, RandomBytes(0x40, 4)}, {0x50000, RandomBytes(0x10, 5)}};
  auto text = Convert(pieces, "-intel -address-length=4 -execution-start-address=0x1234");
  ReadAndCompare(ReadIntelHex, text, pieces, {}, 0x00);
}

TEST_F(ReferenceFiles, MotorolaS19S28S37) {
  struct Case {
    const char* args;
    const char* recordType;
    std::vector<Piece> pieces;
  };
  const Case cases[] = {
      {"-motorola -address-length=2 -execution-start-address=0x10", "S1",
       {{0x0200, RandomBytes(0xE000, 6)}}},
      {"-motorola -address-length=3 -execution-start-address=0x10", "S2",
       {{0x1000, RandomBytes(0x100, 7)}, {0x20000, RandomBytes(0x20000, 8)}}},
      {"-motorola -address-length=4 -Output_Block_Size=32", "S3",
       {{0x10000, RandomBytes(0x30001, 9)}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    auto text = Convert(c.pieces, c.args);
    ASSERT_NE(std::string(text.begin(), text.end()).find(std::string("\n") + c.recordType), std::string::npos);
    EXPECT_EQ(DetectFormatOf(text, ui_), kFormatMotorola);
    HexResult r = ReadAndCompare(ReadMotorola, text, c.pieces, {}, 0xFF);
    EXPECT_EQ(r.lowest, c.pieces.front().address);
  }
}

TEST_F(ReferenceFiles, MotorolaWithMoreThan65535RecordsCarriesS6AndIsStillMotorola) {
  std::vector<Piece> pieces{{0, RandomBytes(70000 * 16, 10)}};
  auto text = Convert(pieces, "-motorola -Output_Block_Size=16");
  std::string s(text.begin(), text.end());
  ASSERT_NE(s.find("\nS6"), std::string::npos) << "srec_cat wrote no S6 count record";
  EXPECT_EQ(DetectFormatOf(text, ui_), kFormatMotorola);
  HexOptions fill;
  fill.fillFlag = true;
  fill.fillByte = 0x00;
  ReadAndCompare(ReadMotorola, text, pieces, fill, 0x00);
}

TEST_F(ReferenceFiles, TektronixUpToSixtyFourKiB) {
  std::vector<Piece> pieces{{0x0010, RandomBytes(0x3000, 11)}, {0x8000, RandomBytes(0x8000, 12)}};
  for (const char* args : {"-tektronix", "-tektronix -execution-start-address=0"}) {
    SCOPED_TRACE(args);
    auto text = Convert(pieces, args);
    EXPECT_EQ(DetectFormatOf(text, ui_), kFormatTektronix);
    HexResult r = ReadAndCompare(ReadTektronix, text, pieces, {}, 0x00);
    EXPECT_EQ(r.lowest, 0x10u);
  }
}

TEST_F(ReferenceFiles, EachFormatIsRefusedByTheOtherDetectors) {
  std::vector<Piece> pieces{{0x400, RandomBytes(0x800, 13)}};
  auto intel = Convert(pieces, "-intel");
  EXPECT_FALSE(DetectMotorola(intel, 0, ui_));
  EXPECT_FALSE(DetectTektronix(intel, 0, ui_));
  auto motorola = Convert(pieces, "-motorola");
  EXPECT_FALSE(DetectIntel(motorola, 0, ui_));
  EXPECT_FALSE(DetectTektronix(motorola, 0, ui_));
  auto tek = Convert(pieces, "-tektronix");
  EXPECT_FALSE(DetectIntel(tek, 0, ui_));
  EXPECT_FALSE(DetectMotorola(tek, 0, ui_));
  auto binary = pieces.front().bytes;
  EXPECT_EQ(DetectFormatOf(binary, ui_), kFormatBinary);
  EXPECT_TRUE(ui_.boxes.empty());
}

}  // namespace
}  // namespace zarvo
