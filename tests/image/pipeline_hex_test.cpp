// HEX files through both roads, with srec_cat reference files made from seeded random
// binaries. These need the real readers; with the placeholder bodies they are skipped.
#include <gtest/gtest.h>

#include <cstdlib>

#include "image/readers.h"
#include "image/tables.h"
#include "pipeline_fixture.h"

namespace zarvo {
namespace {

using test::PipelineTest;
using test::RandomBytes;
using Bytes = std::vector<uint8_t>;

class PipelineHexTest : public PipelineTest {
 protected:
  void SetUp() override {
    const std::string probe = ":0100000055AA\n";
    test::RecordingUi quiet;
    if (!DetectIntel({reinterpret_cast<const uint8_t*>(probe.data()), probe.size()}, 0, quiet)) {
      GTEST_SKIP() << "HEX readers not built yet";
    }
  }

  // srec_cat: bin at offset to the given output format ("-intel", "-motorola -address-length=4", "-tektronix").
  std::string make(const Bytes& bin, uint32_t offset, const std::string& format, const std::string& name) {
    const std::string in = dir.write(name + ".bin", bin);
    const std::string out = dir.file(name);
    const std::string cmd = "srec_cat " + in + " -binary -offset " + std::to_string(offset) + " -o " + out + " " +
                            format + " -obs=16 >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return out;
  }
};

struct HexCase {
  const char* format;
  uint32_t code;
  uint32_t offset;
  bool summed;  // Intel and Motorola compute the sum in the dispatch
};

TEST_F(PipelineHexTest, EveryHexFormatOnTheWindowRoad) {
  const HexCase cases[] = {
      {"-intel", kFormatIntel, 0, true},
      {"-intel", kFormatIntel, 0x8000, true},
      {"-motorola -address-length=4", kFormatMotorola, 0x100, true},
      {"-motorola -address-length=2", kFormatMotorola, 0, true},
      {"-tektronix", kFormatTektronix, 0x40, false},
  };
  for (const HexCase& c : cases) {
    for (uint32_t chosen : {c.code, uint32_t{kFormatAuto}}) {
      ImageBuffer fresh;
      image = fresh;
      rs = RunState{};
      SetIcType(rs, "/512");
      ui.boxes.clear();
      const Bytes bin = RandomBytes(0x3000, c.offset + 1);
      const std::string f = make(bin, c.offset, c.format, "fw.hex");
      ASSERT_TRUE(windowLoad(f, chosen, true, 0xC3)) << c.format << " " << ui.boxTexts().size();
      const uint32_t last = c.offset + 0x3000 - 1;
      EXPECT_EQ(imageBytes(c.offset, 0x3000), bin) << c.format;
      if (c.offset) {
        EXPECT_EQ(imageBytes(0, c.offset), Bytes(c.offset, 0xC3)) << c.format;
      }
      EXPECT_EQ(image.data()[last + 1], 0xC3) << c.format;
      EXPECT_EQ(image.start(), 0u);
      EXPECT_EQ(image.end(), last + 1) << c.format;
      EXPECT_EQ(key(keys::kFormat), std::to_string(c.code)) << c.format;
      if (chosen == kFormatAuto) {
        ASSERT_FALSE(ui.boxes.empty());
        EXPECT_EQ(ui.boxes[0].title, "Auto detect") << c.format;
      } else {
        EXPECT_TRUE(ui.boxes.empty()) << c.format << ": " << ui.boxes[0].text;
      }
    }
  }
}

TEST_F(PipelineHexTest, IntelOutOfBufferAsksToResizeAndCancelKeepsTheImage) {
  const std::string f = make(RandomBytes(16, 3), 0x1FFF0, "-intel", "hi.hex");
  ui.answers = {Answer::Cancel};
  EXPECT_FALSE(windowLoad(f, kFormatIntel, true));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Resize to 001FFFFH");
  EXPECT_EQ(ui.boxes[0].title, "Out of buffer");
  EXPECT_EQ(ui.boxes[0].buttons, Buttons::OkCancel);
  EXPECT_EQ(imageBytes(0, 8192), Bytes(8192, 0xFF));

  ui.boxes.clear();
  ASSERT_TRUE(windowLoad(f, kFormatIntel, true));
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"Resize to 001FFFFH"});
  EXPECT_GE(image.size(), 0x203FFu);
  EXPECT_EQ(image.end(), 0x20000u);
}

TEST_F(PipelineHexTest, TektronixOutOfBufferAsksMotorolaGrowsSilently) {
  const std::string tek = make(RandomBytes(16, 4), 0xFFF0, "-tektronix", "hi.tek");
  ASSERT_TRUE(windowLoad(tek, kFormatTektronix, true));
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"Resize to 000FFFFH"});

  ImageBuffer fresh;
  image = fresh;
  ui.boxes.clear();
  const std::string mot = make(RandomBytes(16, 5), 0x1FFF0, "-motorola -address-length=4", "hi.s37");
  ASSERT_TRUE(windowLoad(mot, kFormatMotorola, true));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_GE(image.size(), 0x203FFu);
}

TEST_F(PipelineHexTest, ChosenHexFormatOnAnotherFileIsRefused) {
  const std::string f = dir.write("a.bin", RandomBytes(256, 1));
  const std::pair<uint32_t, const char*> cases[] = {
      {kFormatIntel, "File is not Intel Hex format !"},
      {kFormatMotorola, "File is not Motorola Hex format !"},
      {kFormatTektronix, "File is not Tektronix Hex format !"}};
  for (const auto& [code, text] : cases) {
    ui.boxes.clear();
    EXPECT_FALSE(windowLoad(f, code, true));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, text);
    EXPECT_EQ(ui.boxes[0].title, "ERROR !");
    EXPECT_EQ(imageBytes(0, 8192), Bytes(8192, 0xFF));
  }
}

TEST_F(PipelineHexTest, BatchBinarySwitchOnAnIntelFileWarnsAndLoadsIntel) {
  const Bytes bin = RandomBytes(0x1000, 9);
  const std::string f = make(bin, 0, "-intel", "fw.hex");
  SetIcType(rs, "/512");
  ASSERT_TRUE(batchLoad(f, "/S0000100", "3"));  // the start selects decoded bytes, not text
  EXPECT_EQ(ui.boxes.at(0).title, "Warning");
  EXPECT_EQ(ui.pane, std::vector<std::string>{"File format is replaced : /INTEL_HEX ==> /BIN"});
  EXPECT_EQ(imageBytes(0, 0xF00), Bytes(bin.begin() + 0x100, bin.end()));
  EXPECT_EQ(key(keys::kSourceSAdd), "256");
}

TEST_F(PipelineHexTest, LanesAndMirroringApplyToHexImagesToo) {
  const Bytes bin = RandomBytes(0x800, 10);
  const std::string f = make(bin, 0, "-intel", "fw.hex");
  SetIcType(rs, "/16");
  rs.DeviceMemorySize = 0x8000;
  rs.SavedDataSetSwitch = "/16BIT_ODD";
  ASSERT_TRUE(windowLoad(f, kFormatIntel, true));
  Bytes block(0x800, 0xFF);
  for (size_t i = 0; i < 0x400; ++i) block[i] = bin[2 * i + 1];
  for (uint32_t copy = 0; copy < 16; ++copy) ASSERT_EQ(imageBytes(copy * 0x800, 0x800), block) << copy;
}

// Found by the dispatch fuzzer: an extended linear address of 0x8001 before the data made
// the "Resize to" answer grow the image to 2 GiB. Such data is out of any unit's reach: it
// is left out and reported, and the image is not grown for it.
TEST_F(PipelineHexTest, LinearAddressFarBeyondAnyUnitIsLeftOutAndReported) {
  const std::string f = dir.writeText("high.hex",
                                      std::string("\x04\x00\x00", 3) +
                                          ":020000048001FA\n:0400000001020304F2\nA00000001(F\n");
  EXPECT_TRUE(windowLoad(f, kFormatIntel, true));
  EXPECT_LT(image.size(), 0x10000u);  // only the raw read's growth to the file length
  const FirmwareReport& report = image.report();
  ASSERT_TRUE(report.read);
  EXPECT_TRUE(report.findings.dropped);
  EXPECT_EQ(report.findings.droppedRange.first, 0x80010000u);
  EXPECT_EQ(report.findings.droppedRange.last, 0x80010003u);
  EXPECT_TRUE(report.findings.data.empty());
}

// A start address shifts a binary, never the text of a HEX file: detection and the reader
// see the file from its first character on both roads.
TEST_F(PipelineHexTest, StartAddressNeverShiftsHexText) {
  const Bytes bin = RandomBytes(0x1000, 21);
  const std::string hex = make(bin, 0, "-intel", "fw.hex");
  SetIcType(rs, "/32");
  ASSERT_TRUE(windowLoad(hex, kFormatAuto, true, 0xFF, "30"));  // into the first data record
  EXPECT_EQ(image.request().format, uint32_t{kFormatIntel});
  EXPECT_EQ(imageBytes(0, 0x1000), bin);

  // The batch road: a binary line with a start switch leaves SourceSAdd behind; the next
  // line's Intel file is still detected and read as Intel.
  const std::string other = dir.write("other.bin", RandomBytes(0x8000, 22));
  ASSERT_TRUE(batchLoad(other, "4000", "3"));  // beyond the whole HEX text
  EXPECT_EQ(key(keys::kSourceSAdd), "16384");
  ui.boxes.clear();
  ASSERT_TRUE(batchLoad(hex, "0000000", "4"));
  EXPECT_TRUE(ui.boxes.empty());  // no "format is replaced" warning: detected as Intel
  EXPECT_EQ(key(keys::kFormat), "4");
  EXPECT_EQ(imageBytes(0, 0x1000), bin);
}

}  // namespace
}  // namespace zarvo
