// End to end on simulated units: scripts through the parser, the resolver, the load
// pipeline and the device layer, checked by the message pane, the units' memory and
// reset lines, and the batch lamp.
#include "batch/batch_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "app/session.h"
#include "counting_clock.h"
#include "device/open_refusal.h"
#include "device/self_test.h"
#include "device/simulated_backend.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::CountingClock;
using test::RandomBytes;
using test::RecordingUi;
using test::TempDir;

constexpr uint32_t kUnitMemory = 0x80000;

class BatchRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.page = Page::Batch;
    // Two 512K x 8 units: Device 1 on slot 0, Device 2 on slot 1.
    SimConfig config;
    config.slots[0] = {SimSlotKind::Unit, 0x0040};
    config.slots[1] = {SimSlotKind::Unit, 0x0040};
    auto backend = std::make_unique<SimulatedBackend>(config);
    sim = backend.get();
    session = std::make_unique<Session>(ui, clock, std::move(backend), dir.file("TovanHistory_1.ini"));
    ASSERT_TRUE(session->profile().writeText("Drives", "D", dir.path().string()));
    resolver = std::make_unique<PathResolver>(session->profile());
    dev = std::make_unique<DeviceContext>(session->deviceContext());
    ASSERT_TRUE(SelfTest(*dev, false));
    ASSERT_EQ(session->state().DeviceSize, "512K * 8bit");
    ASSERT_EQ(session->state().DeviceMemorySize, kUnitMemory);
  }

  BatchSummary run(const std::vector<std::string>& script) {
    BatchContext ctx{*dev, session->image(), *resolver, "0000000"};
    ui.setLamp(kLampPass);
    return RunBatch(ctx, script);
  }

  std::string sumOf(const std::vector<uint8_t>& memory, size_t fileLength) {
    uint32_t sum = 0;
    for (size_t i = 0; i < fileLength && i < memory.size(); ++i) sum += memory[i];
    return Hex8(sum);
  }

  static std::vector<uint8_t> Mirrored(const std::vector<uint8_t>& block) {
    std::vector<uint8_t> out;
    while (out.size() < kUnitMemory) out.insert(out.end(), block.begin(), block.end());
    return out;
  }

  TempDir dir;
  RecordingUi ui;
  CountingClock clock;
  SimulatedBackend* sim = nullptr;
  std::unique_ptr<Session> session;
  std::unique_ptr<DeviceContext> dev;
  std::unique_ptr<PathResolver> resolver;
};

TEST_F(BatchRun, ScriptOfTwoUnitsAndEveryLineFault) {
  // A 64K Intel HEX file made by srec_cat from seeded random bytes.
  const std::vector<uint8_t> hexSource = RandomBytes(0x10000, 1);
  const std::string bin = dir.write("src.bin", hexSource);
  const std::string hex = dir.file("fw/Boot.Hex");
  std::filesystem::create_directories(dir.file("fw"));
  const std::string cmd = "srec_cat " + bin + " -binary -o " + hex + " -intel -obs=16 >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::vector<uint8_t> data = RandomBytes(150000, 2);
  dir.write("fw/data.bin", data);

  const std::vector<std::string> script = {
      "ZQ d:\\fw\\boot.hex /INTEL_HEX /27512 /16BIT_EVEN /V /RESET1",
      "ZQ D:\\FW\\DATA.BIN /BIN /#3",
      "WORK D:\\FW\\DATA.BIN /BIN",
      "",
      "ZQ D:\\FW\\NONE.BIN /BIN",
      "zq D:\\FW\\DATA.BIN /BIN /N2 /512 /#2 /V",
  };
  const BatchSummary summary = run(script);

  // Unit 1: the even bytes in the first half of each 64K, fill above, mirrored.
  std::vector<uint8_t> even(0x10000, 0xFF);
  for (size_t i = 0; i < 0x8000; ++i) even[i] = hexSource[2 * i];
  const std::vector<uint8_t> unit1 = Mirrored(even);
  // Unit 2: the file's second 64K chunk, mirrored.
  const std::vector<uint8_t> unit2 =
      Mirrored(std::vector<uint8_t>(data.begin() + 0x10000, data.begin() + 0x20000));
  EXPECT_TRUE(sim->unit(0)->memory == unit1);
  EXPECT_TRUE(sim->unit(1)->memory == unit2);

  const std::vector<std::string> expected = {
      " ",
      "Line[1] : ",
      script[0],
      "[Range: 0x00010000] => SUM :0x" + sumOf(unit1, std::filesystem::file_size(hex)),
      "Verify check OK ...",
      "Success!!",
      "",
      "Error!! USB Device-3 is not connect...",
      " ",
      "Line[3] : ",
      script[2],
      "Error!! Not ZarvoQX format!!",
      " ",
      "Line[5] : ",
      script[4],
      "Error!! [ D:\\FW\\NONE.BIN ] is not exists.....",
      " ",
      "Line[6] : ",
      script[5],
      "[Range: 0x00010000] => SUM :0x" + sumOf(unit2, data.size()),
      "Verify check OK ...",
      "Success!!",
  };
  EXPECT_EQ(ui.pane, expected);
  EXPECT_EQ(sim->unit(0)->resetHistory, std::vector<int>{1});
  EXPECT_TRUE(sim->unit(1)->resetHistory.empty());
  EXPECT_EQ(sim->unit(0)->mode, 0x1000);
  EXPECT_EQ(sim->unit(1)->mode, 0x1000);
  EXPECT_EQ(ui.status().lamp(Page::Batch).seen(), kLampPass);
  EXPECT_EQ(ui.status().progress(ProgressBar::Batch), 100);
  EXPECT_EQ(summary.commandLines, 5);
  EXPECT_EQ(summary.failedLines, 3);
  // The line's file, in its DOS form, is the work file now.
  EXPECT_EQ(session->state().WorkFile, "D:\\FW\\DATA.BIN");
  // Two ten-step blinks per line that ran, one for each line that failed after finding its unit.
  EXPECT_EQ(clock.sleeps.size(), 6u * 10);
}

TEST_F(BatchRun, WorkFileStandsInForLinesWithoutAFile) {
  dir.write("a.bin", RandomBytes(5000, 3));
  session->state().WorkFile = dir.file("a.bin");  // a native path, as --work gives it
  run({"ZQ %1 /BIN"});
  ASSERT_EQ(ui.pane.size(), 5u) << ::testing::PrintToString(ui.pane);
  EXPECT_EQ(session->state().IcSwitchText, "/64");  // the smallest IC that holds 5000 bytes
  EXPECT_EQ(ui.pane[3].substr(0, 22), "[Range: 0x00002000] =>");
  EXPECT_EQ(ui.pane.back(), "Success!!");

  // An empty work file: nothing between the brackets.
  ui.pane.clear();
  session->state().WorkFile.clear();
  run({"ZQ /BIN"});
  EXPECT_EQ(ui.pane.back(), "Error!! [  ] is not exists.....");
  EXPECT_EQ(ui.status().lamp(Page::Batch).seen(), kLampFail);
}

TEST_F(BatchRun, EmptyScripts) {
  run({""});
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"No bat code...."});
  EXPECT_EQ(ui.status().lamp(Page::Batch).seen(), kLampFail);
  run({"", "   "});
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_TRUE(ui.pane.empty());
  EXPECT_EQ(ui.status().lamp(Page::Batch).seen(), kLampWait);
}

TEST_F(BatchRun, ChunkAndStartRules) {
  const std::vector<uint8_t> data = RandomBytes(131070, 4);
  dir.write("c.bin", data);
  // One byte short of chunk 2 of a 64K IC.
  BatchSummary s = run({"ZQ D:\\C.BIN /BIN /512 /N2"});
  EXPECT_EQ(s.failedLines, 1);
  EXPECT_EQ(ui.pane.back(), "Error!! /Nn Paramater Over FileSize !!");
  // A given start switch is kept: the load starts at 0x100, not at the chunk.
  s = run({"ZQ D:\\C.BIN /BIN /512 /N1 /S100"});
  EXPECT_EQ(s.failedLines, 0) << ::testing::PrintToString(ui.pane);
  EXPECT_EQ(session->state().StartText, "100");
  EXPECT_TRUE(std::equal(data.begin() + 0x100, data.begin() + 0x200, sim->unit(0)->memory.begin()));
  // Refusals of the parser are reported under the line's header.
  s = run({"ZQ D:\\C.BIN /BIN /NX /#2"});
  EXPECT_EQ(ui.pane.back(), "Error!! /NX Paramater is not a decimal chunk number !!");
  s = run({"ZQ D:\\C.BIN /S12345678 /#2"});
  EXPECT_EQ(ui.pane.back(), "Error!! /S12345678 Paramater is longer than 7 digits !!");
}

TEST_F(BatchRun, FailedTransfersNameTheRowAndTheNextLineRuns) {
  dir.write("b.bin", RandomBytes(0x10000, 5));
  const std::vector<std::string> script = {"ZQ D:\\B.BIN /BIN /V", "ZQ D:\\B.BIN /BIN /V", "ZQ D:\\B.BIN /BIN /V"};
  sim->unit(0)->failNext('W', 3);       // mid-download on line 1
  sim->unit(0)->failNext('R', 8 + 5);   // mid-verify on line 2 (line 1 read nothing)
  const BatchSummary s = run(script);
  EXPECT_EQ(s.failedLines, 2);
  const auto& pane = ui.pane;
  auto count = [&pane](const std::string& t) { return std::count(pane.begin(), pane.end(), t); };
  EXPECT_EQ(count("Error !! DownLoad 512K * 8bit Fail..."), 1);
  EXPECT_EQ(count("Error !! Verify read Fail !!"), 1);
  EXPECT_EQ(count("Error !! Read 512K * 8bit Fail..."), 1);
  EXPECT_EQ(count("Success!!"), 1);
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{" Read Data Fail"});
  EXPECT_EQ(pane.back(), "Success!!");
  EXPECT_EQ(ui.status().lamp(Page::Batch).seen(), kLampPass);
}

// Lines that would send nothing fail instead of ending "Success!!": no known unit
// configuration (a failed self test), an IC larger than the unit's memory, an image that
// holds no byte of the file, a chunk or start at the end of a decoded image.
TEST_F(BatchRun, NothingDownloadedIsAFailedLine) {
  const std::string bin = dir.write("fw.bin", RandomBytes(0x800, 31));
  // A 2K image as Intel HEX, and a boot loader linked at 0x7E00 .. 0x8013.
  dir.write("boot.bin", RandomBytes(0x214, 32));
  const std::string cmd = "srec_cat " + bin + " -binary -o " + dir.file("k2.hex") + " -intel >/dev/null 2>&1 && srec_cat " +
                          dir.file("boot.bin") + " -binary -offset 0x7E00 -o " + dir.file("boot.hex") +
                          " -intel >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string noData = "Error !! No file data within the IC range, nothing downloaded...";
  struct Case {
    const char* name;
    std::string line;
    std::string deviceSize;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"unknown size", "ZQ D:\\FW.BIN /BIN /27512 /#1", "", "Error !! Unknown device size, nothing downloaded..."},
      {"IC too large", "ZQ D:\\FW.BIN /BIN /080 /V /#1", "512K * 8bit",
       "Error !! IC size is larger than the unit memory, nothing downloaded..."},
      {"data above the IC", "ZQ D:\\BOOT.HEX /#1", "512K * 8bit", noData},
      {"data above a given IC", "ZQ D:\\BOOT.HEX /INTEL_HEX /64 /16BIT_EVEN /#1", "512K * 8bit", noData},
      {"chunk at the image's end", "ZQ D:\\K2.HEX /INTEL_HEX /16 /N2 /#1", "512K * 8bit",
       "Error!! /Nn Paramater Over FileSize !!"},
      {"start at the image's end", "ZQ D:\\K2.HEX /INTEL_HEX /16 /S800 /#1", "512K * 8bit",
       "Error !! File Shift Addr > File Size "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    session->state().DeviceSize = c.deviceSize;
    session->state().UnitDeviceSize.fill(c.deviceSize);
    sim->unit(0)->log.clear();
    ui.pane.clear();
    const BatchSummary s = run({c.line});
    EXPECT_EQ(s.failedLines, 1);
    EXPECT_NE(std::find(ui.pane.begin(), ui.pane.end(), c.text), ui.pane.end()) << ::testing::PrintToString(ui.pane);
    EXPECT_EQ(std::find(ui.pane.begin(), ui.pane.end(), "Success!!"), ui.pane.end());
    EXPECT_EQ(ui.status().lamp(Page::Batch).seen(), kLampFail);
    for (const std::string& l : sim->unit(0)->logLines()) EXPECT_NE(l.substr(0, 1), "W") << l;
  }
}

// A chunk or a start switch selects the same firmware bytes whatever the file's format: the
// HEX formats take them from the decoded image, the binary from the file.
TEST_F(BatchRun, ChunksAndStartsLoadTheSameBytesInEveryFormat) {
  const std::vector<uint8_t> firmware = RandomBytes(0x10000, 41);
  const std::string bin = dir.write("fw.bin", firmware);
  const std::vector<std::pair<std::string, std::string>> formats = {
      {"fw.hex", "-intel"}, {"fw.s37", "-motorola -address-length=4"}, {"fw.tek", "-tektronix"}};
  for (const auto& [name, args] : formats) {
    const std::string cmd = "srec_cat " + bin + " -binary -o " + dir.file(name) + " " + args + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  const std::vector<std::pair<std::string, std::string>> files = {{"FW.BIN", "/BIN"},
                                                                   {"FW.HEX", "/INTEL_HEX"},
                                                                   {"FW.S37", "/MOTOROLA_HEX"},
                                                                   {"FW.TEK", "/TEKTLONIX_HEX"}};
  for (const std::string sw : {"/N1", "/N2", "/N3", "/N4", "/S2000"}) {
    std::vector<uint8_t> want;
    for (const auto& [file, format] : files) {
      SCOPED_TRACE(file + " " + sw);
      std::fill(sim->unit(0)->memory.begin(), sim->unit(0)->memory.end(), 0);
      ui.pane.clear();
      const BatchSummary s = run({"ZQ D:\\" + file + " " + format + " /128 " + sw + " /#1"});
      ASSERT_EQ(s.failedLines, 0) << ui.pane.back();
      if (want.empty()) {
        want = sim->unit(0)->memory;
        const size_t from = sw == "/S2000" ? 0x2000 : 0x4000 * (sw[2] - '1');
        ASSERT_TRUE(std::equal(firmware.begin() + static_cast<long>(from),
                               firmware.begin() + static_cast<long>(std::min<size_t>(from + 0x4000, firmware.size())),
                               want.begin()));
      } else {
        const auto& got = sim->unit(0)->memory;
        const auto diff = std::mismatch(got.begin(), got.end(), want.begin());
        EXPECT_TRUE(diff.first == got.end()) << "differs from the binary's at 0x" << std::hex
                                             << (diff.first - got.begin()) << ": " << int(*diff.first) << " vs "
                                             << int(*diff.second);
      }
    }
  }
  // Past the decoded image: the chunk's text, nothing read outside.
  ui.pane.clear();
  EXPECT_EQ(run({"ZQ D:\\FW.HEX /INTEL_HEX /512 /N3 /#1"}).failedLines, 1);
  EXPECT_NE(std::find(ui.pane.begin(), ui.pane.end(), "Error!! /Nn Paramater Over FileSize !!"), ui.pane.end());
}

// Units of different configurations side by side: each is written with its own block length
// and pass count, not with the configuration of the last unit the self test read.
TEST(BatchMixedUnits, EachUnitIsWrittenWithItsOwnGeometry) {
  TempDir dir;
  RecordingUi ui;
  ui.page = Page::Batch;
  CountingClock clock;
  auto backend = std::make_unique<SimulatedBackend>("1024Kx8,512Kx16,512Kx8");
  SimulatedBackend* sim = backend.get();
  Session session(ui, clock, std::move(backend), dir.file("TovanHistory_1.ini"));
  ASSERT_TRUE(session.profile().writeText("Drives", "D", dir.path().string()));
  const std::vector<uint8_t> file = RandomBytes(0x10000, 51);
  dir.write("fw.bin", file);
  PathResolver resolver(session.profile());
  DeviceContext dev = session.deviceContext();
  ASSERT_TRUE(SelfTest(dev, false));
  ASSERT_EQ(session.state().DeviceSize, "512K * 8bit");  // the last unit tested
  BatchContext ctx{dev, session.image(), resolver, "0000000"};
  ui.setLamp(kLampPass);
  const BatchSummary s = RunBatch(ctx, {"ZQ D:\\FW.BIN /BIN /27512 /#1 /V", "ZQ D:\\FW.BIN /BIN /27512 /#2 /V",
                                        "ZQ D:\\FW.BIN /BIN /27512 /#3 /V"});
  EXPECT_EQ(s.failedLines, 0);
  EXPECT_EQ(s.mismatchLines, 0);
  const struct {
    int slot;
    const char* bulk;
    int writes;
  } expect[] = {{0, "W 8192", 128}, {1, "W 16384", 128}, {2, "W 8192", 64}};
  for (const auto& e : expect) {
    SCOPED_TRACE(e.slot);
    int writes = 0;
    for (const std::string& l : sim->unit(e.slot)->logLines()) {
      if (l[0] != 'W') continue;
      EXPECT_EQ(l, e.bulk);
      ++writes;
    }
    EXPECT_EQ(writes, e.writes);
  }
  for (int slot : {0, 2}) {  // the 8-bit units hold the image mirrored over their own memory
    const std::vector<uint8_t>& m = sim->unit(slot)->memory;
    for (size_t i = 0; i < m.size(); i += 0x10000)
      EXPECT_TRUE(std::equal(file.begin(), file.end(), m.begin() + static_cast<long>(i))) << slot << " at " << i;
  }
}

// A unit another program holds, or one this user may not open: the line ends at once with
// the not-connect text and the cause, before anything is loaded; the next line runs.
TEST_F(BatchRun, ABusyOrForbiddenUnitEndsItsLineWithTheCause) {
  dir.write("a.bin", RandomBytes(4096, 9));
  for (const UsbError cause : {UsbError::Busy, UsbError::AccessDenied}) {
    SCOPED_TRACE(OpenRefusalText(cause));
    ui.pane.clear();
    sim->unit(0)->openError = cause;
    const std::vector<uint8_t> before = sim->unit(0)->memory;
    const size_t requests = sim->unit(0)->log.size();
    const BatchSummary summary = run({"ZQ D:\\A.BIN /BIN /V", "ZQ D:\\A.BIN /BIN /#2"});
    EXPECT_EQ(summary.failedLines, 1);
    const std::vector<std::string> head(ui.pane.begin(), ui.pane.begin() + 3);
    EXPECT_EQ(head, (std::vector<std::string>{"", "Error!! USB Device-1 is not connect...", OpenRefusalText(cause)}));
    EXPECT_EQ(std::count(ui.pane.begin(), ui.pane.end(), OpenRefusalText(cause)), 1);
    EXPECT_EQ(ui.pane.back(), "Success!!");  // Device 2's line
    EXPECT_EQ(sim->unit(0)->memory, before);
    EXPECT_EQ(sim->unit(0)->log.size(), requests);  // not one request reached it
  }
}

}  // namespace
}  // namespace zarvo
