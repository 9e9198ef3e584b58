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
  explicit Bench(const std::string& slots, const std::string& faults = "", bool unitFiles = false) {
    ui.page = Page::Batch;
    SimConfig config;
    std::string error;
    EXPECT_TRUE(ParseSimSlots(slots, config, error) && ParseSimFaults(faults, config, error)) << error;
    // As ZARVO_R5_SIM_DIR: the units' memory in files, and a "slots" file another process
    // writes to pull and plug units.
    if (unitFiles) config.dir = dir.file("units");
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
// unit now at a list position was read by the self test at another one. It is written with
// its own geometry, never with that of the unit it replaces; a unit no self test read is
// refused.
TEST(BatchOutcome, AUnitListChangedSinceTheSelfTestIsNotTrusted) {
  Bench b("512Kx8,512Kx16");
  b.dir.write("fw.bin", RandomBytes(0x2000, 35));
  b.sim->detach(0);
  CheckUnits(*b.dev);  // Device 1 is the 16-bit unit now
  b.sim->unit(1)->log.clear();
  EXPECT_EQ(b.run({"ZQ D:\\FW.BIN /BIN /#1"}).failedLines, 0) << b.ui.pane.back();
  bool wrote = false;
  for (const std::string& l : b.sim->unit(1)->logLines()) {
    EXPECT_NE(l, "W 8192");
    wrote = wrote || l == "W 16384";
  }
  EXPECT_TRUE(wrote);

  b.sim->attach(0, 0x0040);
  CheckUnits(*b.dev);  // Device 1 is a unit no self test read
  const BatchSummary s = b.run({"ZQ D:\\FW.BIN /BIN /#1"});
  EXPECT_EQ(s.failedLines, 1);
  EXPECT_EQ(b.ui.pane.back(), "Error !! Unknown device size, nothing downloaded...");
  for (const std::string& l : b.sim->unit(0)->logLines()) EXPECT_NE(l[0], 'W') << l;
  SelfTest(*b.dev, false);  // tested, it is written with its own geometry
  EXPECT_EQ(b.run({"ZQ D:\\FW.BIN /BIN /#1"}).failedLines, 0) << b.ui.pane.back();
}

// Units A (port 1-2) and B (port 1-3) tested as Device 1 and 2; during the run another
// process pulls A, then plugs C into port 1-1, by writing the slots file. Device 1 stays A
// for the run: its lines fail "not connect" and write nobody, Device 2 stays B; the next
// run's self test counts C, which is Device 1 from then on.
TEST(BatchOutcome, APullAndAPlugDuringARunNeverSendADeviceIntoAnotherUnit) {
  Bench b("-,512Kx8,512Kx8", "", true);
  const std::vector<uint8_t> fa = RandomBytes(0x10000, 41), fb = RandomBytes(0x10000, 42);
  b.dir.write("fa.bin", fa);
  b.dir.write("fb.bin", fb);
  auto memory = [&b](int n) { return test::ReadFileBytes(b.dir.file("units/unit" + std::to_string(n) + ".bin")); };
  auto holds = [](const std::vector<uint8_t>& m, const std::vector<uint8_t>& f) {
    return m.size() >= f.size() && std::equal(f.begin(), f.end(), m.begin());
  };
  BatchContext ctx{*b.dev, b.session->image(), *b.resolver, "0000000"};
  std::vector<bool> ok;
  std::vector<std::string> last;
  ctx.lineEnded = [&](int index, const LineResult& r) {
    ok.push_back(r.ok);
    last.push_back(b.ui.pane.back());
    if (index == 0) b.dir.writeText("units/slots", "-,-,512Kx8\n");           // A pulled
    if (index == 2) b.dir.writeText("units/slots", "512Kx8,-,512Kx8\n");      // C plugged
  };
  b.ui.setLamp(kLampPass);
  const BatchSummary s = RunBatch(ctx, {"ZQ D:\\FA.BIN /BIN /27512 /#1",
                                       "ZQ D:\\FB.BIN /BIN /27512 /#1",
                                       "ZQ D:\\FB.BIN /BIN /27512 /#2 /V",
                                       "ZQ D:\\FA.BIN /BIN /27512 /#1",
                                       "ZQ D:\\FA.BIN /BIN /27512 /#2"});
  EXPECT_EQ(ok, (std::vector<bool>{true, false, true, false, true}));
  EXPECT_EQ(s.failedLines, 2);
  EXPECT_EQ(last[1], "Error!! USB Device-1 is not connect...");
  EXPECT_EQ(last[3], "Error!! USB Device-1 is not connect...");
  EXPECT_TRUE(holds(memory(2), fa));  // A, pulled with line 1's image
  EXPECT_TRUE(holds(memory(3), fa));  // B: line 3's image, then line 5's
  EXPECT_EQ(memory(1), std::vector<uint8_t>(0x80000, 0xFF));  // C: untouched

  SelfTest(*b.dev, false);  // the next run: C is Device 1, B Device 2
  EXPECT_EQ(b.session->state().UnitIds[0].port, "1-1");
  EXPECT_EQ(b.session->state().UnitIds[1].port, "1-3");
  EXPECT_EQ(b.run({"ZQ D:\\FB.BIN /BIN /27512 /#1"}).failedLines, 0) << b.ui.pane.back();
  EXPECT_TRUE(holds(memory(1), fb));
  EXPECT_TRUE(holds(memory(3), fa));
}

// A pinned unit keeps its number whatever is plugged before it; a pinned port without its
// unit leaves the number absent and its line fails as a unit that is not connected.
TEST(BatchOutcome, PinnedDevicesKeepTheirNumbers) {
  Bench b("-,512Kx8,512Kx8", "", true);
  ASSERT_TRUE(b.session->profile().writeText("Units", "Device1", "1-3"));
  ASSERT_TRUE(b.session->profile().writeText("Units", "Device2", "1-2"));
  b.dir.writeText("units/slots", "512Kx8,512Kx8,512Kx8\n");  // a third unit at port 1-1
  SelfTest(*b.dev, false);
  const std::vector<uint8_t> f = RandomBytes(0x10000, 43);
  b.dir.write("f.bin", f);
  EXPECT_EQ(b.run({"ZQ D:\\F.BIN /BIN /27512 /#1"}).failedLines, 0) << b.ui.pane.back();
  const std::vector<uint8_t> m3 = test::ReadFileBytes(b.dir.file("units/unit3.bin"));
  EXPECT_TRUE(std::equal(f.begin(), f.end(), m3.begin()));
  EXPECT_EQ(b.session->state().UnitIds[2].port, "1-1");  // the unpinned unit: lowest free number

  b.dir.writeText("units/slots", "512Kx8,-,512Kx8\n");  // Device 2's unit pulled
  SelfTest(*b.dev, false);
  EXPECT_EQ(b.session->state().UnitList[1], 0);
  EXPECT_FALSE(b.session->state().PanelPresent[1]);
  EXPECT_EQ(b.run({"ZQ D:\\F.BIN /BIN /27512 /#2"}).failedLines, 1);
  EXPECT_TRUE(b.paneHas("Error!! USB Device-2 is not connect..."));
}

// A toggle the unit refused during the first blink neither stops the line nor turns the
// blink's phase: the LED is off after the line, as after a line without the fault.
TEST(BatchOutcome, AFailedLedToggleLeavesTheLedOffAfterTheLine) {
  Bench b("512Kx8", "0:U:2");
  b.dir.write("fw.bin", RandomBytes(0x2000, 44));
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(b.run({"ZQ D:\\FW.BIN /BIN /#1"}).failedLines, 0) << b.ui.pane.back();
    EXPECT_FALSE(b.sim->unit(0)->led) << run;
    EXPECT_EQ(b.session->state().BlinkState, 0) << run;
  }
}

}  // namespace
}  // namespace zarvo
