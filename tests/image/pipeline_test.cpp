#include <gtest/gtest.h>

#include <numeric>

#include "image/byte_formats.h"
#include "image/raw_read.h"
#include "image/tables.h"
#include "pipeline_fixture.h"
#include "readers_records.h"

namespace zarvo {
namespace {

using test::PipelineTest;
using test::RandomBytes;
using Bytes = std::vector<uint8_t>;

TEST_F(PipelineTest, SourceStartMovesTheFileDownAndLeavesUserFillAtTheEnd) {
  const std::string f = dir.write("a.bin", {1, 2, 3, 4});
  ASSERT_TRUE(windowLoad(f, kFormatBinary, /*fill*/ false, 0x5A, "1", "16"));
  EXPECT_EQ(imageBytes(0x10, 4), (Bytes{2, 3, 4, 0x5A}));
  EXPECT_EQ(image.start(), 0x10u);
  EXPECT_EQ(image.end(), 0x14u);
  EXPECT_EQ(image.data()[0x0F], 0xFF);  // the start-up image around it is untouched
  EXPECT_EQ(image.data()[0x14], 0xFF);
}

TEST_F(PipelineTest, MissingUserFillKeyMakesTheSkippedTailOne) {
  const std::string f = dir.write("a.bin", {1, 2, 3, 4});
  profile.writeText(keys::kLoadDlg, keys::kName, f);
  profile.writeText(keys::kLoadDlg, keys::kSourceSAdd, "2");
  RawImage raw;
  LoadContext c = ctx();
  ASSERT_TRUE(ReadRawFile(c, raw));
  EXPECT_EQ(raw.length, 4u);
  EXPECT_EQ(raw.bytes.size(), 4u + 1024);
  EXPECT_EQ(Bytes(raw.bytes.begin(), raw.bytes.begin() + 5), (Bytes{1, 2, 3, 4, 0}));
  ApplySourceStart(raw);
  EXPECT_EQ(Bytes(raw.bytes.begin(), raw.bytes.begin() + 5), (Bytes{3, 4, 1, 1, 0}));
  EXPECT_GE(image.size(), 4u + 1024);
}

TEST_F(PipelineTest, RawReadOfEmptyNameOrEmptyFileFailsSilently) {
  LoadContext c = ctx();
  RawImage raw;
  profile.writeText(keys::kLoadDlg, keys::kName, "");
  EXPECT_FALSE(ReadRawFile(c, raw));
  profile.writeText(keys::kLoadDlg, keys::kName, dir.write("empty.bin", {}));
  EXPECT_FALSE(ReadRawFile(c, raw));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PipelineTest, SourceStartAtOrPastTheEndReadsNothing) {
  const std::string f = dir.write("a.bin", {1, 2, 3, 4});
  for (const char* start : {"4", "FFFFFFF"}) {
    ASSERT_TRUE(windowLoad(f, kFormatBinary, false, 0x77, start)) << start;
    EXPECT_EQ(imageBytes(0, 4), (Bytes{0x77, 0x77, 0x77, 0x77})) << start;
  }
}

struct ExeCase {
  size_t length;
  bool loads;
  uint32_t end;
};

TEST_F(PipelineTest, ExeDropsItsHeaderAndRefusesShortFiles) {
  const ExeCase cases[] = {{511, false, 0}, {512, true, 0x40}, {513, true, 0x41}};
  for (const ExeCase& c : cases) {
    ImageBuffer fresh;
    image = fresh;
    ui.boxes.clear();
    Bytes file = RandomBytes(c.length, 7);
    const std::string f = dir.write("a.exe", file);
    EXPECT_EQ(windowLoad(f, kFormatExe, false, 0xFF, "0", "64"), c.loads) << c.length;
    if (!c.loads) {
      ASSERT_EQ(ui.boxes.size(), 1u);
      EXPECT_EQ(ui.boxes[0].text, "Format Error !");
      EXPECT_EQ(ui.boxes[0].title, "Load");
      EXPECT_EQ(imageBytes(0, 0x100), Bytes(0x100, 0xFF));  // nothing stored
      continue;
    }
    EXPECT_EQ(image.start(), 0x40u);
    EXPECT_EQ(image.end(), c.end);
    EXPECT_EQ(image.data()[0x3F], 0xFF);
    if (c.length == 513) EXPECT_EQ(image.data()[0x40], file[512]);
    else EXPECT_EQ(image.data()[0x40], 0xFF);
  }
}

TEST_F(PipelineTest, ComAndPofLoadLikeBinary) {
  const Bytes file = RandomBytes(3000, 11);
  const std::string f = dir.write("a.x", file);
  SetIcType(rs, "/32");
  std::vector<Bytes> images;
  for (uint32_t format : {kFormatBinary, kFormatCom, kFormatPof}) {
    ASSERT_TRUE(windowLoad(f, format, true, 0xA5, "10", "32")) << format;
    images.push_back(imageBytes(0, 0x1000));
  }
  EXPECT_EQ(images[0], images[1]);
  EXPECT_EQ(images[0], images[2]);
  EXPECT_EQ(images[0][32], file[0x10]);
}

// A 2K part in a 512K unit: the file and 255 copies of it.
TEST_F(PipelineTest, EveryByteIsMirroredAcrossTheUnitMemory) {
  const Bytes file = RandomBytes(0x800, 3);
  const std::string f = dir.write("a.bin", file);
  SetIcType(rs, "/16");
  rs.DeviceMemorySize = 0x80000;
  ASSERT_TRUE(windowLoad(f, kFormatBinary, true));
  ASSERT_GE(image.size(), 0x80000u);
  for (uint32_t copy = 0; copy < 256; ++copy) ASSERT_EQ(imageBytes(copy * 0x800, 0x800), file) << copy;
  EXPECT_EQ(image.range(), 0x800u);
}

TEST_F(PipelineTest, EvenLaneHalvesTheFileAndFillsTheRestOfTheBlock) {
  const Bytes file = RandomBytes(0x800, 4);
  const std::string f = dir.write("a.bin", file);
  SetIcType(rs, "/16");
  rs.DeviceMemorySize = 0x80000;
  rs.SavedDataSetSwitch = "/16BIT_EVEN";
  ASSERT_TRUE(windowLoad(f, kFormatBinary, true));
  Bytes block(0x800, 0xFF);
  for (size_t i = 0; i < 0x400; ++i) block[i] = file[2 * i];
  for (uint32_t copy = 0; copy < 256; ++copy) ASSERT_EQ(imageBytes(copy * 0x800, 0x800), block) << copy;
}

// Without fill the data set still chooses the bytes: a 16-bit lane is half the file. Nothing
// is filled or repeated, the rest of the image keeps what it held.
TEST_F(PipelineTest, NoFillTakesTheLaneWithoutFillOrMirroring) {
  const Bytes file = RandomBytes(0x800, 5);
  const std::string f = dir.write("a.bin", file);
  SetIcType(rs, "/64");  // 8K: the IC window holds the data placed at 0x1000
  rs.DeviceMemorySize = 0x80000;
  for (const char* dataSet : {"/8BIT_Every", "/16BIT_EVEN", "/32BIT_2ND"}) {
    SCOPED_TRACE(dataSet);
    rs.SavedDataSetSwitch = dataSet;
    ASSERT_TRUE(image.resize(0x80000, rs, ui));
    std::fill_n(image.data(), 0x80000, 0x3C);
    ASSERT_TRUE(windowLoad(f, kFormatBinary, false, 0xFF, "0", "4096"));
    const Lane lane = LaneOf(dataSet, ui);
    Bytes want;
    for (size_t p = lane.lane; p < file.size(); p += lane.stride) want.push_back(file[p]);
    const auto n = static_cast<uint32_t>(want.size());
    EXPECT_EQ(imageBytes(0x1000, n), want);
    EXPECT_EQ(imageBytes(0, 0x1000), Bytes(0x1000, 0x3C));
    EXPECT_EQ(imageBytes(0x1000 + n, 0x80000 - 0x1000 - n), Bytes(0x80000 - 0x1000 - n, 0x3C));
  }
}

TEST_F(PipelineTest, StoreNeverWritesOrReadsOutsideTheImage) {
  // Run under the address sanitizer these catch any stray access.
  struct Case {
    const char* dataSet;
    uint32_t range, memory, dest;
    size_t length;
  } cases[] = {
      {"/32BIT_4TH", 0x800, 0x1900, 0, 5},           // range that does not divide the memory
      {"/16BIT_ODD", 0x100000, 0x800, 0, 3},         // range larger than the memory
      {"/8BIT_Every", 0x800, 0x80000, 0xF00000, 0x801},  // destination at the top, past the image
      {"/32BIT_1ST", 0x8000, 0x80000, 0xEFFFFF, 9},
  };
  for (const Case& k : cases) {
    ImageBuffer fresh;
    image = fresh;
    rs = RunState{};
    // A destination the IC window misses is refused before the store; without an IC the
    // store itself meets the top of the image.
    rs.IcSize = k.dest < k.range ? k.range : 0;
    rs.DeviceMemorySize = k.memory;
    rs.SavedDataSetSwitch = k.dataSet;
    const Bytes file = RandomBytes(k.length, 9);
    const std::string f = dir.write("a.bin", file);
    ASSERT_TRUE(windowLoad(f, kFormatBinary, true, 0xEE, "0", std::to_string(k.dest))) << k.dataSet;
    const Lane lane = LaneOf(k.dataSet, ui);
    EXPECT_GE(image.size(), std::max<uint64_t>(k.memory, uint64_t{k.dest} + k.length)) << k.dataSet;
    EXPECT_EQ(image.data()[k.dest], file.size() > lane.lane ? file[lane.lane] : 0) << k.dataSet;
  }
}

TEST_F(PipelineTest, DestinationAboveTheLimitIsRefusedBeforeAnyByteChanges) {
  const std::string f = dir.write("a.bin", {1, 2, 3});
  EXPECT_FALSE(windowLoad(f, kFormatBinary, true, 0xFF, "0", "15728641"));  // 0xF00001
  EXPECT_EQ(ui.boxes.back().text, "Input Value Error !");
  EXPECT_EQ(ui.boxes.back().title, "ERROR");
  EXPECT_EQ(key(keys::kOk), "1");  // the dialog's confirmation stands
  EXPECT_EQ(imageBytes(0, 8192), Bytes(8192, 0xFF));

  // A hand-edited DistSAdd reaching the dispatch is refused too.
  ui.page = Page::Window;
  profile.writeText(keys::kLoadDlg, keys::kOk, "1");
  profile.writeText(keys::kLoadDlg, keys::kName, f);
  profile.writeText(keys::kLoadDlg, keys::kDistSAdd, "4294967295");
  LoadContext c = ctx();
  EXPECT_FALSE(StoreImage(c, Bytes{1}, 0xFFFFFFFF, 0xFFFFFFFF, 0, Lane{}));
  EXPECT_EQ(imageBytes(0, 8192), Bytes(8192, 0xFF));
}

TEST_F(PipelineTest, WindowRoadUsesTheDevicesOwnParametersNotTheLastDialogs) {
  const Bytes file = RandomBytes(0x100, 12);
  const std::string f = dir.write("a.bin", file);
  // What a dialog confirmed for another device left behind.
  profile.writeText(keys::kLoadDlg, keys::kFormat, "1");
  profile.writeText(keys::kLoadDlg, keys::kSourceSAdd, "128");
  profile.writeText(keys::kLoadDlg, keys::kDistSAdd, "4096");
  ASSERT_TRUE(windowLoad(f, kFormatBinary, false, 0x11, "20", "256"));
  EXPECT_EQ(key(keys::kFormat), "3");
  EXPECT_EQ(key(keys::kSourceSAdd), "32");
  EXPECT_EQ(key(keys::kDistSAdd), "256");
  EXPECT_EQ(key(keys::kUserFill), "17");
  EXPECT_EQ(key(keys::kUnuserFillCheck), "0");
  EXPECT_EQ(key(keys::kName), f);
  EXPECT_EQ(key(keys::kCommonDataSelect, keys::kCommon), "0");
  EXPECT_EQ(image.data()[0x100], file[0x20]);
  EXPECT_EQ(image.data()[0x1000], 0xFF);
}

// A missing file fails its own load only: [LoadDlg] OK keeps the dialog's confirmation, so
// the next load of a file that is there goes ahead.
TEST_F(PipelineTest, WindowRoadStopsAtAMissingNameOrFileAndTheNextLoadRuns) {
  EXPECT_FALSE(windowLoad("", kFormatBinary, true));
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"Please select your File..."});
  EXPECT_EQ(key(keys::kOk), "1");
  ui.boxes.clear();
  EXPECT_FALSE(windowLoad(dir.file("nope.bin"), kFormatBinary, true));
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"File not found..."});
  EXPECT_EQ(key(keys::kOk), "1");
  const std::string f = dir.write("a.bin", {1, 2, 3});
  ui.boxes.clear();
  ui.page = Page::Window;
  image.request().fileName = f;
  LoadContext c = ctx();
  EXPECT_TRUE(HandOff(c));
  EXPECT_EQ(imageBytes(0, 3), (Bytes{1, 2, 3}));
}

// A settings file that has never seen the dialog has no OK key: nobody cancelled, so a
// first start handed a file loads it. Only Cancel's 0 stops the load.
TEST_F(PipelineTest, MissingOkKeyLoadsAndCancelsZeroDoesNot) {
  const std::string f = dir.write("a.bin", {7, 8, 9});
  ui.page = Page::Window;
  image.request().fileName = f;
  image.request().format = kFormatBinary;
  rs.StartText = "0x0";
  LoadContext c = ctx();
  ASSERT_EQ(key(keys::kOk), "<missing>");
  EXPECT_TRUE(HandOff(c));
  EXPECT_EQ(imageBytes(0, 3), (Bytes{7, 8, 9}));
  EXPECT_TRUE(ui.boxes.empty()) << ui.boxTexts().front();
  profile.writeText(keys::kLoadDlg, keys::kOk, "0");
  EXPECT_FALSE(HandOff(c));
}

TEST_F(PipelineTest, OkZeroLoadsNothing) {
  const std::string f = dir.write("a.bin", {1, 2, 3});
  ui.page = Page::Window;
  profile.writeText(keys::kLoadDlg, keys::kOk, "0");
  image.request().fileName = f;
  image.request().format = kFormatBinary;
  rs.StartText = "0x0";
  LoadContext c = ctx();
  EXPECT_FALSE(LoadImage(c));
  EXPECT_EQ(imageBytes(0, 3), (Bytes{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(key(keys::kCommonDataSelect, keys::kCommon), "<missing>");
}

TEST_F(PipelineTest, AutoDetectOfABinaryFileSaysSoAndStoresFormatThree) {
  const std::string f = dir.write("a.bin", Bytes(16, 0));
  ASSERT_TRUE(windowLoad(f, kFormatAuto, true));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Binary Code File");
  EXPECT_EQ(ui.boxes[0].title, "Detect");
  EXPECT_EQ(key(keys::kFormat), "3");
}

TEST_F(PipelineTest, AutoDetectAnnouncesTheFirstFormatThatAcceptsTheFileOnce) {
  struct Case {
    std::string text, box, title;
    uint32_t code;
  };
  const Case cases[] = {
      {test::IntelRecord(0, 0, {1, 2}) + test::IntelEof(), "This is Intel Hex format !", "Auto detect", kFormatIntel},
      {test::SRecord('1', 2, 0, {1, 2}) + test::SRecord('9', 2, 0, {}), "This is Motorola Hex format !",
       "Auto detect", kFormatMotorola},
      {test::TekRecord(0, {1, 2}) + "/00000000\r\n", "This is Tektronix Hex format !", "Auto detect",
       kFormatTektronix},
      {std::string(16, '\x01'), "Binary Code File", "Detect", kFormatBinary},
  };
  for (const Case& c : cases) {
    const std::string f = dir.write("f" + std::to_string(c.code), test::Bytes(c.text));
    ui.boxes.clear();
    ASSERT_TRUE(windowLoad(f, kFormatAuto, true)) << c.box;
    ASSERT_EQ(ui.boxes.size(), 1u) << c.box;
    EXPECT_EQ(ui.boxes[0].text, c.box);
    EXPECT_EQ(ui.boxes[0].title, c.title);
    EXPECT_EQ(key(keys::kFormat), std::to_string(c.code));
    EXPECT_EQ(image.request().format, c.code);
  }
}

TEST_F(PipelineTest, HandOffSetsSumAndRangeUnlessCancelled) {
  const std::string f = dir.write("a.bin", {0xFF, 0xFF, 0xFF});
  SetIcType(rs, "/512");
  ASSERT_TRUE(windowLoad(f, kFormatBinary, false));
  EXPECT_EQ(image.sumText(), "000002FD");
  EXPECT_EQ(image.range(), 0x10000u);

  rs.LoadCancelled = true;
  image.setRange(0);
  const std::string g = dir.write("b.bin", {1});
  ASSERT_TRUE(windowLoad(g, kFormatBinary, false));
  EXPECT_EQ(image.sumText(), "000002FD");
  EXPECT_EQ(image.range(), 0u);
}

// The batch road.

TEST_F(PipelineTest, BatchStartSwitchIsAppliedOnceAsHexadecimal) {
  const Bytes file = RandomBytes(0x400, 21);
  const std::string f = dir.write("a.bin", file);
  SetIcType(rs, "/16");
  ASSERT_TRUE(batchLoad(f, "/S105"));  // 0x105, rounded down to 0x100
  EXPECT_EQ(imageBytes(0, 0x300), Bytes(file.begin() + 0x100, file.end()));
  EXPECT_EQ(imageBytes(0x300, 0x100), Bytes(0x100, 0xFF));  // the skipped tail takes UserFill FF
  EXPECT_EQ(key(keys::kSourceSAdd), "256");
  EXPECT_EQ(rs.StartText, "105");
}

TEST_F(PipelineTest, BatchChunkOffsetIsAppliedOnce) {
  const Bytes file = RandomBytes(0x20000, 22);
  const std::string f = dir.write("a.bin", file);
  SetIcType(rs, "/512");
  rs.ChunkText = "2";
  ASSERT_TRUE(batchLoad(f, "10000"));  // the runner's hexadecimal form of 65536
  EXPECT_EQ(imageBytes(0, 0x10000), Bytes(file.begin() + 0x10000, file.end()));
}

TEST_F(PipelineTest, BatchStartSwitchBeyondTheFileStopsTheLoad) {
  const std::string f = dir.write("a.bin", Bytes(0x100, 1));
  EXPECT_FALSE(batchLoad(f, "/S110"));
  EXPECT_EQ(ui.pane, std::vector<std::string>{"Error !! File Shift Addr > File Size "});
  EXPECT_EQ(imageBytes(0, 0x100), Bytes(0x100, 0xFF));
  // A start equal to the file length passes this check; the validation then finds the
  // start not below the end.
  ui.pane.clear();
  EXPECT_FALSE(batchLoad(f, "/S100"));
  EXPECT_TRUE(ui.pane.empty());
  EXPECT_EQ(ui.boxes.back().title, "Error");
}

TEST_F(PipelineTest, BatchStartSwitchThatIsNotHexadecimalIsRefused) {
  const std::string f = dir.write("a.bin", Bytes(0x100, 1));
  EXPECT_FALSE(batchLoad(f, "/SXYZ"));
  EXPECT_EQ(ui.boxes.back().text, "Input Value Error !");
}

TEST_F(PipelineTest, BatchMissingFileIsLoggedAndOkLeftAsItWas) {
  EXPECT_FALSE(batchLoad(dir.file("gone.bin")));
  EXPECT_EQ(ui.pane, std::vector<std::string>{"Error !! " + dir.file("gone.bin") + " not found !"});
  EXPECT_EQ(key(keys::kOk), "<missing>");
}

TEST_F(PipelineTest, BatchFormatSwitchThatDisagreesWarnsAndUsesTheDetectedFormat) {
  const std::string f = dir.write("a.bin", Bytes(64, 0));
  ASSERT_TRUE(batchLoad(f, "0000000", "4"));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].title, "Warning");
  EXPECT_EQ(ui.boxes[0].icon, Icon::Warning);
  EXPECT_EQ(ui.boxes[0].text,
            "File AutoDetected Format is .. /BIN\n\nFile format is replaced : /BIN ==> /INTEL_HEX\n");
  EXPECT_EQ(ui.pane, std::vector<std::string>{"File format is replaced : /BIN ==> /INTEL_HEX"});
  EXPECT_EQ(key(keys::kFormat), "3");
}

TEST_F(PipelineTest, BatchValidationWritesTheKeysAndSizesTheImage) {
  const std::string f = dir.write("a.bin", RandomBytes(5000, 1));
  SetIcType(rs, "/512");
  ASSERT_TRUE(batchLoad(f, "/S0123"));
  EXPECT_EQ(key(keys::kSourceSAdd), "288");  // 0x123 rounded down to 0x120
  EXPECT_EQ(key(keys::kSourceEAdd), "4999");
  EXPECT_EQ(key(keys::kDistSAdd), "0");
  EXPECT_EQ(key(keys::kUserFill), "255");
  EXPECT_EQ(key(keys::kFormat), "3");
  EXPECT_EQ(key(keys::kUnuserFillCheck), "1");
  EXPECT_EQ(key(keys::kName), f);
  EXPECT_EQ(key(keys::kOk), "1");
  EXPECT_FALSE(rs.LoadCancelled);
  EXPECT_GE(image.size(), 0x10000u);
}

TEST_F(PipelineTest, BatchStartAtTheLastByteIsAnInputValueError) {
  // Source end L - 1 = 0x1F is not above source start 0x1F.
  const std::string f = dir.write("a.bin", Bytes(0x20, 7));
  EXPECT_FALSE(batchLoad(f, "1F"));
  EXPECT_EQ(ui.boxes.back().text, "Input Value Error !");
  EXPECT_EQ(ui.boxes.back().title, "Error");
}

TEST_F(PipelineTest, SettingsFileThatCannotBeWrittenStopsTheLoad) {
  const std::string f = dir.write("a.bin", {1, 2, 3});
  profile.setPath(dir.file("no/such/folder/settings.ini"));
  EXPECT_FALSE(windowLoad(f, kFormatBinary, true));
  EXPECT_FALSE(ui.boxes.empty());
  EXPECT_EQ(imageBytes(0, 3), (Bytes{0xFF, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace zarvo
