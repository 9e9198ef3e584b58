#include "window_mode/run_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "window_rig.h"

namespace zarvo::test {
namespace {

// The block an emulated IC holds: fill bytes, then the lane's bytes of the file.
std::vector<uint8_t> IcBlock(const std::vector<uint8_t>& file, uint32_t icSize, uint32_t lane, uint32_t stride) {
  std::vector<uint8_t> block(icSize, 0xFF);
  for (uint32_t p = 0, k = 0; p + lane < file.size() && k < icSize; p += stride) block[k++] = file[p + lane];
  return block;
}

std::vector<uint8_t> Repeated(const std::vector<uint8_t>& block, uint32_t memory) {
  std::vector<uint8_t> out;
  while (out.size() < memory) out.insert(out.end(), block.begin(), block.end());
  out.resize(memory);
  return out;
}

// The sum the panel shows: image bytes 0 .. file length - 1.
std::string SumText(const std::vector<uint8_t>& image, size_t fileLength) {
  uint32_t s = 0;
  for (size_t i = 0; i < fileLength; ++i) s += image[i];
  return Hex8(s);
}

int Count(const std::vector<std::string>& log, const std::string& line) {
  return static_cast<int>(std::count(log.begin(), log.end(), line));
}

TEST(WindowRun, TwoPanelsTwoUnitsEachUnitHoldsItsImage) {
  WindowRig rig("512Kx8,512Kx8");
  const auto fileA = RandomBytes(0x800, 1);
  const auto fileB = RandomBytes(0x2000, 2);
  const std::string a = rig.dir.write("a.bin", fileA);
  const std::string b = rig.dir.write("b.bin", fileB);
  rig.panel(1, a, 0);                 // 2K
  rig.panel(2, b, 2, "16 Bit_Even");  // 8K, even bytes
  rig.dialogKeys(1, a);
  rig.dialogKeys(2, b);
  rig.options = {true, true};

  WindowRunResult r = rig.run();

  EXPECT_TRUE(rig.ui.boxes.empty()) << rig.ui.boxTexts().front();
  EXPECT_EQ(r.outcome[0], PanelOutcome::Passed);
  EXPECT_EQ(r.outcome[1], PanelOutcome::Passed);
  EXPECT_TRUE(r.allPassed());

  const auto blockA = IcBlock(fileA, 0x800, 0, 1);
  const auto blockB = IcBlock(fileB, 0x2000, 0, 2);
  EXPECT_EQ(rig.unit(0).memory, Repeated(blockA, 0x80000));
  EXPECT_EQ(rig.unit(1).memory, Repeated(blockB, 0x80000));
  EXPECT_EQ(rig.ui.panelSum[1], SumText(Repeated(blockA, 0x800), fileA.size()));
  EXPECT_EQ(rig.ui.panelSum[2], SumText(blockB, fileB.size()));
  EXPECT_EQ(rig.ui.panelSum[3], "");

  // Each unit: held in reset (Normal High: active 0), released (idle 1), handed to the target.
  for (int slot : {0, 1}) {
    EXPECT_EQ(rig.unit(slot).resetHistory, (std::vector<int>{0, 1})) << slot;
    EXPECT_EQ(rig.unit(slot).mode, 0x1000) << slot;
    EXPECT_FALSE(rig.unit(slot).led) << slot;
  }
  // 2K on 512K: 256 blocks of the first 8 KiB; 8K: 64 blocks; verify reads R + 1 passes of
  // max(N, 1), so the 2K image is read back too.
  EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 256);
  EXPECT_EQ(Count(rig.unit(1).logLines(), "W 8192"), 64);
  EXPECT_EQ(Count(rig.unit(0).logLines(), "R 8192"), 257);
  EXPECT_EQ(Count(rig.unit(1).logLines(), "R 8192"), 65);

  // The step codes of one panel, twice: the run's 0, then the work flow.
  const std::vector<int> panelSteps{0, 0, 1, 3, 30, 10, 2, 20, 3, 30};
  std::vector<int> both = panelSteps;
  both.insert(both.end(), panelSteps.begin(), panelSteps.end());
  EXPECT_EQ(rig.ui.steps(), both);
  EXPECT_EQ(rig.ui.stepsSeen(), "ppp");
  EXPECT_EQ(rig.ui.windowLamp(), kLampPass);
  EXPECT_EQ(rig.ui.status().progress(ProgressBar::Window), 100);
}

TEST(WindowRun, RequestOrderAndRepaintPointsOfOnePanel) {
  WindowRig rig("512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x10000, 3));
  rig.panel(1, a, 5);
  rig.dialogKeys(1, a);
  rig.options = {true, false};
  rig.run();

  // From the LED on after the load to the end: mode 0, download, verify, mode 0x1000, LED off.
  std::vector<std::string> wire = rig.unit(0).logLines();
  auto first = std::find(wire.begin(), wire.end(), "S 0000 0000");
  ASSERT_NE(first, wire.end());
  EXPECT_EQ(*(first - 1), "U 0001 0000");
  EXPECT_EQ(wire.back(), "U 0000 0000");
  EXPECT_EQ(*(wire.end() - 2), "S 1000 0000");

  // The work flow's log from its first step picture on, without the lamp lines.
  std::vector<std::string> flow;
  bool started = false;
  int zeros = 0;
  for (const std::string& l : rig.ui.log) {
    if (l == "step:0" && ++zeros == 2) started = true;
    if (l.rfind("sum1:", 0) == 0) break;
    if (started && l.rfind("lamp:", 0) != 0) flow.push_back(l);
  }
  // The wait lamp fills the bar, so every later step only keeps it full.
  const std::vector<std::string> expected{
      "step:0", "progress:10",  "step:1", "repaint", "progress:100", "progress:100", "step:10",
      "progress:100", "step:2", "repaint", "step:20", "repaint",      "repaint",      "progress:100",
  };
  EXPECT_EQ(flow, expected);
}

TEST(WindowRun, FailedDownloadOnPanelOneThenPanelTwoRuns) {
  WindowRig rig("512Kx8,512Kx8");
  const auto fileB = RandomBytes(0x2000, 5);
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x2000, 4));
  const std::string b = rig.dir.write("b.bin", fileB);
  rig.panel(1, a, 2);
  rig.panel(2, b, 2);
  rig.dialogKeys(1, a);
  rig.dialogKeys(2, b);
  rig.ui.panelSum[1] = "OLD";
  rig.unit(0).failNext('W', 3);

  WindowRunResult r = rig.run();

  EXPECT_EQ(rig.ui.boxTexts(), (std::vector<std::string>{" Read Data Fail", "Error !! DownLoad 512K * 8bit Fail..."}));
  EXPECT_EQ(r.outcome[0], PanelOutcome::Failed);
  EXPECT_EQ(r.outcome[1], PanelOutcome::Passed);
  EXPECT_EQ(rig.ui.panelSum[1], "OLD");
  EXPECT_EQ(Count(rig.ui.log, "sum1:OLD"), 0);
  EXPECT_EQ(rig.ui.panelSum[2], SumText(fileB, fileB.size()));
  EXPECT_EQ(rig.unit(1).memory, Repeated(fileB, 0x80000));
  // Panel 1's unit stopped at the failed block and never went to the target.
  EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 2);
  EXPECT_EQ(rig.unit(0).mode, 0);
  EXPECT_FALSE(rig.unit(0).led);
  EXPECT_EQ(rig.ui.windowLamp(), kLampPass);
  EXPECT_EQ(rig.ui.stepsSeen(), "pnn");
}

TEST(WindowRun, NoPanelTickedDoesNothing) {
  WindowRig rig("512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(100, 6));
  rig.panel(1, a, 0).ticked = false;
  rig.panel(2, a, 0);  // no unit for panel 2: hidden, so skipped even when ticked
  WindowRunResult r = rig.run();
  EXPECT_TRUE(rig.ui.log.empty());
  EXPECT_TRUE(rig.unit(0).log.empty());
  EXPECT_FALSE(r.anyRun());
  EXPECT_FALSE(r.endedEarly);
}

TEST(WindowRun, SourceChecksEndTheWholeRun) {
  struct Case {
    const char* source;
    const char* box;
  } cases[] = {
      {"Please select source file ", "No file name...."},
      {"", "No file name...."},
      {"missing.bin", "File is not exists....."},
      {".", "File is not exists....."},  // a directory is no file
  };
  for (const Case& c : cases) {
    WindowRig rig("512Kx8,512Kx8");
    const std::string b = rig.dir.write("b.bin", RandomBytes(0x800, 7));
    std::string source = c.source;
    if (source == "missing.bin") source = rig.dir.file("missing.bin");
    if (source == ".") source = rig.dir.path().string();
    rig.panel(1, source, 0);
    rig.panel(2, b, 0);
    rig.dialogKeys(2, b);
    WindowRunResult r = rig.run();
    EXPECT_EQ(rig.ui.boxTexts(), std::vector<std::string>{c.box}) << c.source;
    EXPECT_TRUE(r.endedEarly);
    EXPECT_FALSE(r.anyRun());
    EXPECT_EQ(rig.ui.windowLamp(), kLampFail);
    EXPECT_EQ(rig.ui.stepsSeen(), "fnn");
    // Repainted before the box; panel 2 never ran.
    EXPECT_EQ(rig.ui.log, (std::vector<std::string>{"step:0", "lamp:3", "step:100", "repaint",
                                                    std::string("box:") + c.box}));
    EXPECT_TRUE(rig.unit(1).log.empty());
  }
}

TEST(WindowRun, StartAddressUpToTheFileSize) {
  struct Case {
    const char* address;
    std::vector<std::string> boxes;  // none: passes
  } cases[] = {
      {"0FFF", {}},
      {"", {}},
      // A start at the file's end leaves no byte of it for the IC.
      {"1000", {"Error !! No file data within the IC range, nothing downloaded...", "Load File Error...."}},
      {"1001", {"Error !! Start address range Over file size !"}},
      {"FFFFFFFF", {"Error !! Start address range Over file size !"}},
      {"1G", {"Error !! Start address is not a hexadecimal number !"}},
      {"123456789", {"Error !! Start address is not a hexadecimal number !"}},
  };
  for (const Case& c : cases) {
    WindowRig rig("512Kx8");
    const std::string a = rig.dir.write("a.bin", RandomBytes(0x1000, 8));
    rig.panel(1, a, 1).startAddress = c.address;
    rig.dialogKeys(1, a);
    WindowRunResult r = rig.run();
    if (c.boxes.empty()) {
      EXPECT_TRUE(rig.ui.boxes.empty()) << c.address << ": " << rig.ui.boxTexts().front();
      EXPECT_EQ(r.outcome[0], PanelOutcome::Passed) << c.address;
    } else {
      EXPECT_EQ(rig.ui.boxTexts(), c.boxes) << c.address;
      EXPECT_EQ(r.outcome[0], PanelOutcome::Failed) << c.address;
      EXPECT_EQ(rig.ui.windowLamp(), kLampFail);
      EXPECT_EQ(rig.ui.stepsSeen(), "fnn");
      EXPECT_EQ(rig.ui.panelSum[1], "");
      EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 0);
    }
  }
}

TEST(WindowRun, StartAddressIsTheSourceOffset) {
  WindowRig rig("512Kx8");
  const auto file = RandomBytes(0x1000, 9);
  const std::string a = rig.dir.write("a.bin", file);
  rig.panel(1, a, 0).startAddress = "800";
  rig.dialogKeys(1, a);
  rig.run();
  std::vector<uint8_t> tail(file.begin() + 0x800, file.end());
  EXPECT_EQ(rig.unit(0).memory, Repeated(tail, 0x80000));
}

TEST(WindowRun, AutoDetectPicksTheTypeAndTheNextRunKeepsIt) {
  WindowRig rig("512Kx8");
  const auto file = RandomBytes(40000, 10);
  const std::string a = rig.dir.write("a.bin", file);
  rig.panel(1, a, kAutoDetectItem);
  rig.dialogKeys(1, a);

  rig.run();
  EXPECT_EQ(rig.ui.panelType[1], 5);
  EXPECT_EQ(rig.panels[0].typeItem, 5);
  EXPECT_EQ(rig.panels[0].typeText, "    64K * 8 Bits");
  EXPECT_EQ(rig.rs.EmulationRange, 0x10000u);
  EXPECT_EQ(rig.rs.IcSize, 0x10000u);
  EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 64);  // 8 passes of 8 blocks
  EXPECT_EQ(rig.unit(0).memory, Repeated(IcBlock(file, 0x10000, 0, 1), 0x80000));
  // The type was chosen before the load.
  auto type = std::find(rig.ui.log.begin(), rig.ui.log.end(), "type1:5");
  auto wait = std::find(rig.ui.log.begin(), rig.ui.log.end(), "lamp:2");
  EXPECT_LT(type, wait);

  rig.ui.log.clear();
  rig.rs.IcSize = rig.rs.EmulationRange = 0x800;
  rig.run();
  EXPECT_EQ(Count(rig.ui.log, "type1:5"), 0);
  EXPECT_EQ(rig.rs.IcSize, 0x10000u);
  EXPECT_EQ(rig.rs.EmulationRange, 0x10000u);
}

// A file above 512 KiB: the list shows item 9 again, and the run still emulates 1024K
// rather than falling back to no type at all.
TEST(WindowRun, AutoDetectOfTheLargestType) {
  WindowRig rig("1024Kx8");
  const auto file = RandomBytes(0x90000, 11);
  const std::string a = rig.dir.write("a.bin", file);
  rig.panel(1, a, kAutoDetectItem);
  rig.dialogKeys(1, a);
  WindowRunResult r = rig.run();
  EXPECT_EQ(r.outcome[0], PanelOutcome::Passed);
  EXPECT_EQ(rig.ui.panelType[1], 9);
  EXPECT_EQ(rig.panels[0].typeText, "   Auto Detect");
  EXPECT_EQ(rig.rs.IcSize, 0x100000u);
  EXPECT_EQ(rig.rs.EmulationRange, 0x100000u);
  EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 128);
  EXPECT_EQ(rig.unit(0).memory, IcBlock(file, 0x100000, 0, 1));
}

// A 1024K choice on a 512K unit leaves no pass that fits: nothing is sent, and the panel
// fails instead of passing with a sum.
TEST(WindowRun, AnIcLargerThanTheUnitFailsThePanel) {
  WindowRig rig("512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x90000, 12));
  rig.panel(1, a, kAutoDetectItem);
  rig.dialogKeys(1, a);
  WindowRunResult r = rig.run();
  EXPECT_EQ(r.outcome[0], PanelOutcome::Failed);
  EXPECT_EQ(rig.ui.boxTexts(), std::vector<std::string>{"Error !! IC size is larger than the unit memory, nothing downloaded..."});
  EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 0);
  EXPECT_EQ(rig.ui.windowLamp(), kLampFail);
  EXPECT_EQ(rig.ui.panelSum[1], "");
}

// Units of different configurations: each panel's download uses its own unit's geometry.
TEST(WindowRun, MixedUnitsAreEachWrittenWithTheirOwnGeometry) {
  WindowRig rig("1024Kx8,512Kx16,512Kx8");
  const auto file = RandomBytes(0x10000, 13);
  const std::string a = rig.dir.write("a.bin", file);
  for (int n = 1; n <= 3; ++n) {
    rig.panel(n, a, 5);
    rig.dialogKeys(n, a);
  }
  WindowRunResult r = rig.run();
  EXPECT_TRUE(r.allPassed());
  EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 128);
  EXPECT_EQ(Count(rig.unit(1).logLines(), "W 16384"), 128);
  EXPECT_EQ(Count(rig.unit(1).logLines(), "W 8192"), 0);
  EXPECT_EQ(Count(rig.unit(2).logLines(), "W 8192"), 64);
  EXPECT_EQ(rig.unit(0).memory, Repeated(IcBlock(file, 0x10000, 0, 1), 0x100000));
  EXPECT_EQ(rig.unit(2).memory, Repeated(IcBlock(file, 0x10000, 0, 1), 0x80000));
}

// A verify that found a difference fails the panel: the unit does not hold the image, so it
// is not handed to the target and the target stays held in reset (a later step must not
// set the lamp back to pass).
TEST(WindowRun, VerifyDifferenceFailsThePanelAndKeepsTheTargetHeld) {
  WindowRig rig("512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x2000, 12));
  rig.panel(1, a, 2);
  rig.dialogKeys(1, a);
  rig.options = {true, true};
  rig.unit(0).mode = 0x1000;
  // Something changes the unit's memory while the verify step shows it is working.
  rig.ui.onRepaint = [&] {
    if (rig.ui.status().step(1).seen() == 'w') rig.unit(0).memory[0x2100] ^= 0xFF;
  };
  WindowRunResult r = rig.run();
  EXPECT_EQ(rig.ui.boxTexts(), std::vector<std::string>{"Error !! Verify check error ..."});
  EXPECT_EQ(r.outcome[0], PanelOutcome::Failed);
  EXPECT_EQ(r.difference[0].count, 1u);
  EXPECT_EQ(r.difference[0].firstAddress, 0x2100u);
  EXPECT_EQ(r.difference[0].read, static_cast<uint8_t>(r.difference[0].written ^ 0xFF));
  EXPECT_FALSE(r.allPassed());
  EXPECT_EQ(rig.ui.stepsSeen(), "pfp");  // the reset picture still shows the hold that passed
  EXPECT_EQ(rig.ui.windowLamp(), kLampFail);
  EXPECT_EQ(rig.ui.panelSum[1], "");
  EXPECT_EQ(rig.unit(0).mode, 0);                          // not handed to the target
  EXPECT_EQ(rig.unit(0).resetHistory, std::vector<int>{0});  // held, never released
  EXPECT_FALSE(rig.unit(0).led);
}

TEST(WindowRun, ResetPolarityNormalLow) {
  WindowRig rig("512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x800, 13));
  rig.panel(1, a, 0);
  rig.dialogKeys(1, a);
  rig.rs.ResetPolarity = 1;
  rig.options.reset = true;
  rig.run();
  EXPECT_EQ(rig.unit(0).resetHistory, (std::vector<int>{1, 0}));
  EXPECT_EQ(rig.profile.readInt("Machine", "Signal", -1), 0);
}

// Failures inside one panel's work flow: the box, the lamp, the pictures and the unit.
TEST(WindowRun, WorkFlowFailures) {
  struct Case {
    const char* name;
    char fault;  // request kind to fail
    uint32_t nth;
    std::vector<std::string> boxes;
    const char* seen;
    int mode;  // the unit's mode afterwards
  } cases[] = {
      // The blink sends ten U requests first; the 11th is the flow's LED on.
      {"led", 'U', 11, {"USB Device Error...."}, "wnn", 0},
      {"mode 0", 'S', 1, {"Error 53! Command Fail !!", "Error !! Control fail..."}, "fnn", 0},
      {"block", 'C', 1, {"Error 43! Command Fail !!", "Error !! DownLoad 512K * 8bit Fail..."}, "fnn", 0},
      {"read", 'R', 1, {"Error !! DownLoad 512K * 8bit Fail..."}, "pfn", 0},
      {"mode 0x1000", 'S', 2, {"Error 53! Command Fail !!", "Error 53!! Function fail..."}, "ffn", 0},
  };
  for (const Case& c : cases) {
    WindowRig rig("512Kx8");
    const std::string a = rig.dir.write("a.bin", RandomBytes(0x2000, 14));
    rig.panel(1, a, 2);
    rig.dialogKeys(1, a);
    rig.options.confirm = true;
    rig.unit(0).failNext(c.fault, c.nth);
    WindowRunResult r = rig.run();
    EXPECT_EQ(rig.ui.boxTexts(), c.boxes) << c.name;
    EXPECT_EQ(r.outcome[0], PanelOutcome::Failed) << c.name;
    EXPECT_EQ(rig.ui.windowLamp(), kLampFail) << c.name;
    EXPECT_EQ(rig.ui.stepsSeen(), c.seen) << c.name;
    EXPECT_EQ(rig.unit(0).mode, c.mode) << c.name;
    EXPECT_EQ(rig.ui.panelSum[1], "") << c.name;
  }
}

TEST(WindowRun, LoadRefusedWhenTheDialogWasCancelled) {
  WindowRig rig("512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x800, 15));
  rig.panel(1, a, 0);
  rig.dialogKeys(1, a);
  rig.profile.writeText("LoadDlg", "OK", "0");
  WindowRunResult r = rig.run();
  EXPECT_EQ(rig.ui.boxTexts(), std::vector<std::string>{"Load File Error...."});
  EXPECT_EQ(r.outcome[0], PanelOutcome::Failed);
  EXPECT_EQ(rig.ui.stepsSeen(), "fnn");
  EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 0);
}

// Panels are run or skipped by the unit list as it is when the run starts: a unit pulled
// out since the last device check is skipped (no box), one plugged in since is run.
TEST(WindowRun, PanelsFollowTheUnitsAttachedWhenTheRunStarts) {
  WindowRig rig("512Kx8,-,512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x800, 16));
  rig.panel(1, a, 0).visible = false;  // hidden by an older device check, attached now
  rig.panel(3, a, 0);                  // shown by an older device check, but gone now
  rig.dialogKeys(1, a);
  WindowRunResult r = rig.run();
  EXPECT_TRUE(rig.ui.boxes.empty());
  EXPECT_FALSE(r.endedEarly);
  EXPECT_EQ(r.outcome[0], PanelOutcome::Passed);
  EXPECT_EQ(r.outcome[1], PanelOutcome::NotRun);  // Device 2 is the unit in slot 2
  EXPECT_EQ(r.outcome[2], PanelOutcome::NotRun);
  EXPECT_FALSE(rig.panels[2].visible);
  EXPECT_GT(Count(rig.unit(0).logLines(), "W 8192"), 0);
  EXPECT_EQ(Count(rig.unit(2).logLines(), "W 8192"), 0);
}

// A unit whose configuration the self test does not know: nothing can be downloaded, and
// the panel must not pass as if it had been.
TEST(WindowRun, UnknownDeviceSizeFailsThePanel) {
  SimConfig config;
  config.slots[0] = {SimSlotKind::Unit, 0x0042};
  WindowRig rig(config);
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x800, 17));
  rig.panel(1, a, 0);
  rig.dialogKeys(1, a);
  WindowRunResult r = rig.run();
  EXPECT_EQ(r.outcome[0], PanelOutcome::Failed);
  EXPECT_EQ(rig.ui.boxTexts(), std::vector<std::string>{"Error !! Unknown device size, nothing downloaded..."});
  EXPECT_EQ(rig.ui.panelSum[1], "");
  EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), 0);
  EXPECT_FALSE(rig.unit(0).led);
}

TEST(RunClick, WindowPageRunsThePanelsWithTheWindowDisabledAndTheTimerStopped) {
  WindowRig rig("512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x800, 18));
  rig.panel(1, a, 0);
  rig.dialogKeys(1, a);
  int batchRuns = 0;
  WindowModeContext c = rig.ctx();
  WindowRunResult r = RunClick(c, rig.panels, rig.options, [&] { ++batchRuns; });
  EXPECT_EQ(batchRuns, 0);
  EXPECT_EQ(r.outcome[0], PanelOutcome::Passed);
  EXPECT_EQ(rig.ui.windowEnabledCalls, (std::vector<bool>{false, true}));
  EXPECT_EQ(rig.ui.timerCalls, (std::vector<bool>{false, true}));
  EXPECT_EQ(rig.ui.log.front(), "step:0");
}

TEST(RunClick, OtherPagesSetThePassLampAndRunTheBatch) {
  for (Page page : {Page::Batch, Page::Setup1}) {
    WindowRig rig("512Kx8");
    rig.ui.page = page;
    const std::string a = rig.dir.write("a.bin", RandomBytes(0x800, 19));
    rig.panel(1, a, 0);
    int batchRuns = 0;
    bool disabledDuringBatch = false;
    WindowModeContext c = rig.ctx();
    RunClick(c, rig.panels, rig.options, [&] {
      ++batchRuns;
      disabledDuringBatch = rig.ui.windowEnabledCalls == std::vector<bool>{false};
    });
    EXPECT_EQ(batchRuns, 1);
    EXPECT_TRUE(disabledDuringBatch);
    EXPECT_EQ(rig.ui.windowEnabledCalls, (std::vector<bool>{false, true}));
    EXPECT_TRUE(rig.ui.timerCalls.empty());
    EXPECT_EQ(rig.ui.lampCalls, std::vector<int>{kLampPass});
    EXPECT_TRUE(rig.unit(0).log.empty());
  }
}

TEST(AutoRun, RunsWhenSendtoOptionIsItemZeroAndAlwaysAsksToClose) {
  for (int option : {0, 1}) {
    WindowRig rig("512Kx8");
    const std::string a = rig.dir.write("a.bin", RandomBytes(0x800, 20));
    rig.panel(1, a, 0);
    rig.dialogKeys(1, a);
    WindowModeContext c = rig.ctx();
    WindowRunResult r;
    EXPECT_TRUE(AutoRunTick(c, rig.panels, rig.options, option, &r));
    EXPECT_EQ(rig.ui.windowEnabledCalls, (std::vector<bool>{false, true}));
    if (option == 0) {
      EXPECT_EQ(r.outcome[0], PanelOutcome::Passed);
      EXPECT_EQ(rig.ui.timerCalls, (std::vector<bool>{false, true}));
      EXPECT_EQ(rig.unit(0).mode, 0x1000);
    } else {
      EXPECT_FALSE(r.anyRun());
      EXPECT_TRUE(rig.ui.timerCalls.empty());
      EXPECT_TRUE(rig.unit(0).log.empty());
    }
  }
}

// Panel 2's unit is held by another program: the panel fails as it did (a box), and the
// message pane then says why; panel 1's unit is written as usual.
TEST(WindowRun, ABusyUnitFailsItsPanelAndThePaneSaysWhy) {
  WindowRig rig("512Kx8,512Kx8");
  const auto fileA = RandomBytes(0x2000, 4);
  const std::string a = rig.dir.write("a.bin", fileA);
  const std::string b = rig.dir.write("b.bin", RandomBytes(0x2000, 5));
  rig.panel(1, a, 2);
  rig.panel(2, b, 2);
  rig.dialogKeys(1, a);
  rig.dialogKeys(2, b);
  rig.unit(1).openError = UsbError::Busy;

  const WindowRunResult r = rig.run();

  EXPECT_EQ(r.outcome[0], PanelOutcome::Passed);
  EXPECT_EQ(r.outcome[1], PanelOutcome::Failed);
  EXPECT_EQ(Count(rig.ui.pane, "unit busy: used by another program"), 1);
  EXPECT_EQ(rig.ui.log.back(), "pane:unit busy: used by another program");
  // The cause comes after the panel's own failure text.
  const auto note = std::find(rig.ui.log.begin(), rig.ui.log.end(), "pane:unit busy: used by another program");
  const auto failure = std::find(rig.ui.log.begin(), rig.ui.log.end(), "pane:      USB Device is not connect...");
  EXPECT_LT(failure - rig.ui.log.begin(), note - rig.ui.log.begin());
  EXPECT_EQ(rig.unit(0).memory, Repeated(fileA, 0x80000));
  EXPECT_EQ(rig.unit(1).memory, std::vector<uint8_t>(0x80000, 0xFF));
}

}  // namespace
}  // namespace zarvo::test
