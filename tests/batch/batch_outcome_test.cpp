// A batch line ends with "Success!!" only when its unit holds the image and every step it
// ran agreed: the roads that reported a pass over a wrong, partial or blank unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/session.h"
#include "batch/batch_runner.h"
#include "counting_clock.h"
#include "device/discovery.h"
#include "device/self_test.h"
#include "device/simulated_backend.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::RandomBytes;

// Simulated units from a slot list and faults, a settings file whose D: is a temporary
// folder, and the self test run as the desktop program runs it at start-up.
struct Bench {
  explicit Bench(const std::string& slots, const std::string& faults = "") {
    ui.page = Page::Batch;
    SimConfig config;
    std::string error;
    EXPECT_TRUE(ParseSimSlots(slots, config, error) && ParseSimFaults(faults, config, error)) << error;
    auto backend = std::make_unique<SimulatedBackend>(config);
    sim = backend.get();
    session = std::make_unique<Session>(ui, clock, std::move(backend), dir.file("TovanHistory_1.ini"));
    EXPECT_TRUE(session->profile().writeText("Drives", "D", dir.path().string()));
    resolver = std::make_unique<PathResolver>(session->profile());
    dev = std::make_unique<DeviceContext>(session->deviceContext());
    SelfTest(*dev, false);
  }

  BatchSummary run(const std::vector<std::string>& script) {
    BatchContext ctx{*dev, session->image(), *resolver, "0000000"};
    ctx.lineEnded = [this](int, const LineResult& r) { results.push_back(r); };
    ui.setLamp(kLampPass);
    return RunBatch(ctx, script);
  }
  bool paneHas(const std::string& line) const { return std::find(ui.pane.begin(), ui.pane.end(), line) != ui.pane.end(); }
  int lamp() const { return ui.status().lamp(Page::Batch).seen(); }

  test::TempDir dir;
  test::RecordingUi ui;
  test::CountingClock clock;
  SimulatedBackend* sim = nullptr;
  std::unique_ptr<Session> session;
  std::unique_ptr<DeviceContext> dev;
  std::unique_ptr<PathResolver> resolver;
  std::vector<LineResult> results;
};

// A verify that found a difference fails the line: "Error !! Verify check error ..." is its
// last word (no "Success!!"), the lamp stays at fail, and the unit is not handed to the
// target. A byte that reached the memory wrong and one that only came back wrong alike.
TEST(BatchOutcome, AVerifyDifferenceFailsTheLine) {
  for (const char* fault : {"0:FLIPW:5", "0:FLIPR:70"}) {
    SCOPED_TRACE(fault);
    Bench b("512Kx8", fault);
    b.dir.write("fw.bin", RandomBytes(0x10000, 31));
    b.sim->unit(0)->mode = 0x1000;
    const BatchSummary s = b.run({"ZQ D:\\FW.BIN /BIN /27512 /V /RESET1"});
    EXPECT_EQ(s.failedLines, 1);
    EXPECT_EQ(s.mismatchLines, 1);
    EXPECT_EQ(b.ui.pane.back(), "Error !! Verify check error ...");
    EXPECT_FALSE(b.paneHas("Success!!"));
    EXPECT_EQ(b.lamp(), kLampFail);
    EXPECT_EQ(b.sim->unit(0)->mode, 0);               // stays with the host
    EXPECT_TRUE(b.sim->unit(0)->resetHistory.empty());  // the reset switch did not run
    ASSERT_EQ(b.results.size(), 1u);
    EXPECT_FALSE(b.results[0].ok);
    EXPECT_EQ(b.results[0].difference.count, 1u);
  }
}

// A reset switch whose line could not be set fails the line; the image, downloaded, still
// goes to the target.
TEST(BatchOutcome, AFailedResetSwitchFailsTheLine) {
  Bench b("512Kx8", "0:T:1");
  b.dir.write("fw.bin", RandomBytes(0x800, 32));
  const BatchSummary s = b.run({"ZQ D:\\FW.BIN /BIN /RESET1", "ZQ D:\\FW.BIN /BIN /RESET1"});
  EXPECT_EQ(s.failedLines, 1);
  EXPECT_EQ(b.ui.pane[4], "[ Reset Signal ] Error !! Set high signal fail ");  // line 1 ends there
  EXPECT_EQ(std::count(b.ui.pane.begin(), b.ui.pane.end(), "Success!!"), 1);  // the second line
  EXPECT_EQ(b.sim->unit(0)->mode, 0x1000);
  EXPECT_FALSE(b.results[0].ok);
  EXPECT_TRUE(b.results[1].ok);
}

// Nothing could be downloaded: the line fails with its text before the unit is taken from
// the target (no mode request at all), so the target keeps its old image.
TEST(BatchOutcome, NothingDownloadedLeavesTheUnitWithTheTarget) {
  struct Case {
    const char* name;
    const char* slots;
    const char* faults;
    const char* line;
    int slot;
    const char* text;
  } cases[] = {
      {"16-bit unit, 1024K", "512Kx16", "", "ZQ D:\\FW.BIN /BIN /080 /V", 0,
       "Error !! IC size is larger than the unit memory, nothing downloaded..."},
      {"8-bit unit, 1024K", "512Kx8", "", "ZQ D:\\FW.BIN /BIN /27080", 0,
       "Error !! IC size is larger than the unit memory, nothing downloaded..."},
      // The self test stops at Device 2: Device 3 has no configuration of its own, and is
      // not written with the last tested unit's geometry.
      {"not self-tested", "512Kx8,512Kx8,512Kx16", "1:B:1", "ZQ D:\\FW.BIN /BIN /#3", 2,
       "Error !! Unknown device size, nothing downloaded..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b(c.slots, c.faults);
    b.dir.write("fw.bin", RandomBytes(0x2000, 33));
    b.sim->unit(c.slot)->mode = 0x1000;
    b.sim->unit(c.slot)->log.clear();
    const BatchSummary s = b.run({c.line});
    EXPECT_EQ(s.failedLines, 1);
    EXPECT_EQ(b.ui.pane.back(), c.text);
    EXPECT_EQ(b.lamp(), kLampFail);
    EXPECT_EQ(b.sim->unit(c.slot)->mode, 0x1000);
    for (const std::string& l : b.sim->unit(c.slot)->logLines()) {
      EXPECT_NE(l[0], 'W') << l;
      EXPECT_NE(l[0], 'S') << l;
    }
  }
}

// The image is repeated across the memory of the unit being written, not across the first
// unit's: a 16-bit Device 2 next to a 512K x 8 Device 1 holds it in both halves.
TEST(BatchOutcome, MirroringUsesTheMemoryOfTheUnitBeingWritten) {
  Bench b("512Kx8,512Kx16");
  const std::vector<uint8_t> file = RandomBytes(0x10000, 34);
  b.dir.write("fw.bin", file);
  const BatchSummary s = b.run({"ZQ D:\\FW.BIN /BIN /27512 /#2 /V"});
  ASSERT_EQ(s.failedLines, 0) << b.ui.pane.back();
  const std::vector<uint8_t>& m = b.sim->unit(1)->memory;
  for (size_t at = 0; at < m.size(); at += file.size())
    ASSERT_TRUE(std::equal(file.begin(), file.end(), m.begin() + static_cast<long>(at))) << at;
}

// The device check refreshes the unit list between self tests: once a unit is pulled, the
// unit now at a list position is not the one the self test read there, and is refused
// rather than written with the other's geometry.
TEST(BatchOutcome, AUnitListChangedSinceTheSelfTestIsNotTrusted) {
  Bench b("512Kx8,512Kx16");
  b.dir.write("fw.bin", RandomBytes(0x2000, 35));
  b.sim->detach(0);
  CheckUnits(*b.dev);  // Device 1 is the 16-bit unit now
  b.sim->unit(1)->log.clear();
  const BatchSummary s = b.run({"ZQ D:\\FW.BIN /BIN /#1"});
  EXPECT_EQ(s.failedLines, 1);
  EXPECT_EQ(b.ui.pane.back(), "Error !! Unknown device size, nothing downloaded...");
  for (const std::string& l : b.sim->unit(1)->logLines()) EXPECT_NE(l[0], 'W') << l;
  SelfTest(*b.dev, false);  // tested again, it is written with its own geometry
  EXPECT_EQ(b.run({"ZQ D:\\FW.BIN /BIN /#1"}).failedLines, 0) << b.ui.pane.back();
}

}  // namespace
}  // namespace zarvo
