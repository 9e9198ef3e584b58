// A window-mode panel passes only when its unit holds the image and every step it ran
// agreed: the roads that ended at the pass lamp over a wrong, partial or blank unit.
#include <gtest/gtest.h>

#include <algorithm>

#include "window_mode/run_sequence.h"
#include "window_rig.h"

namespace zarvo::test {
namespace {

std::vector<uint8_t> Repeated(const std::vector<uint8_t>& block, size_t memory) {
  std::vector<uint8_t> out;
  while (out.size() < memory) out.insert(out.end(), block.begin(), block.end());
  out.resize(memory);
  return out;
}

int Count(const std::vector<std::string>& log, const std::string& line) {
  return static_cast<int>(std::count(log.begin(), log.end(), line));
}

// A failed reset-line step fails the panel. The hold before the download: nothing is sent
// to a target that could not be held. The release after it: the verified image goes to the
// target, which stays where the failed step left it, and no sum is shown.
TEST(WindowOutcome, AFailedResetStepFailsThePanel) {
  struct Case {
    const char* name;
    uint32_t nth;  // which CMD_RESET_LINE fails
    int writes;
    int mode;
    std::vector<int> levels;
    const char* seen;
  } cases[] = {
      {"hold", 1, 0, 0x1000, {}, "fnf"},
      {"release", 2, 64, 0x1000, {0}, "ppf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WindowRig rig("512Kx8");
    const std::string a = rig.dir.write("a.bin", RandomBytes(0x2000, 21));
    rig.panel(1, a, 2);
    rig.dialogKeys(1, a);
    rig.options = {true, true};
    rig.unit(0).mode = 0x1000;  // serving the target's old image
    rig.unit(0).failNext('T', c.nth);
    WindowRunResult r = rig.run();
    EXPECT_EQ(r.outcome[0], PanelOutcome::Failed);
    EXPECT_EQ(rig.ui.windowLamp(), kLampFail);
    EXPECT_EQ(rig.ui.panelSum[1], "");
    EXPECT_EQ(Count(rig.unit(0).logLines(), "W 8192"), c.writes);
    EXPECT_EQ(rig.unit(0).mode, c.mode);
    EXPECT_EQ(rig.unit(0).resetHistory, c.levels);
    EXPECT_EQ(rig.ui.stepsSeen(), c.seen);
    EXPECT_FALSE(rig.unit(0).led);
  }
}

// An IC larger than the unit, or a unit the self test did not read: the panel fails with a
// clear text before the unit is taken from the target (no mode request at all), so the
// target keeps its old image. A 16-bit unit holds 512K IC bytes.
TEST(WindowOutcome, NothingDownloadedLeavesTheUnitWithTheTarget) {
  struct Case {
    const char* name;
    const char* slots;
    const char* faults;
    int panel;
    size_t fileSize;
    int typeItem;
    const char* text;
  } cases[] = {
      // Auto Detect picks 1024K for a 600,000-byte file; the 16-bit unit would get 2 MiB.
      {"16-bit unit, 1024K", "512Kx16", "", 1, 600000, kAutoDetectItem, kNothingDownloadedIcTooLarge},
      {"8-bit unit, 1024K", "512Kx8", "", 1, 600000, kAutoDetectItem, kNothingDownloadedIcTooLarge},
      // The self test stops at Device 2: Device 3 has no configuration of its own.
      {"not self-tested", "512Kx8,512Kx8,512Kx16", "1:B:1", 3, 0x2000, 2, kNothingDownloadedUnknownSize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimSlots(c.slots, config, error) && ParseSimFaults(c.faults, config, error)) << error;
    WindowRig rig(config);
    const std::string a = rig.dir.write("a.bin", RandomBytes(c.fileSize, 22));
    rig.panel(c.panel, a, c.typeItem);
    rig.dialogKeys(c.panel, a);
    const int slot = c.panel - 1;
    rig.unit(slot).mode = 0x1000;
    WindowRunResult r = rig.run();
    EXPECT_EQ(r.outcome[static_cast<size_t>(slot)], PanelOutcome::Failed);
    EXPECT_EQ(rig.ui.boxTexts(), std::vector<std::string>{c.text});
    EXPECT_EQ(rig.ui.panelSum[c.panel], "");
    EXPECT_EQ(rig.unit(slot).mode, 0x1000);
    for (const std::string& l : rig.unit(slot).logLines()) {
      EXPECT_NE(l[0], 'W') << l;
      EXPECT_NE(l[0], 'S') << l;
    }
  }
}

// The image is repeated across the memory of the unit being written: a 16-bit Device 2 next
// to a 512K x 8 Device 1 holds the image in both halves of its 1 MiB, not fill in the upper.
TEST(WindowOutcome, MirroringUsesTheMemoryOfTheUnitBeingWritten) {
  WindowRig rig("512Kx8,512Kx16");
  const auto file = RandomBytes(0x10000, 23);
  const std::string a = rig.dir.write("a.bin", file);
  rig.panel(2, a, 5);
  rig.dialogKeys(2, a);
  rig.options.confirm = true;
  WindowRunResult r = rig.run();
  ASSERT_EQ(r.outcome[1], PanelOutcome::Passed) << rig.ui.boxTexts().front();
  EXPECT_EQ(rig.rs.DeviceMemorySize, 0x80000u);  // raised by Device 1 only
  EXPECT_TRUE(rig.unit(1).memory == Repeated(file, 0x100000));
}

// "Fill unused with" unticked still takes the data set: the unit gets the even bytes, not
// the whole file; a device section without the key reads as unticked and does the same.
TEST(WindowOutcome, TheDataSetAppliesWithoutFill) {
  for (const char* flag : {"UnuserFillCheck=0\n", ""}) {
    SCOPED_TRACE(flag);
    WindowRig rig("512Kx8");
    const auto file = RandomBytes(0x800, 24);
    const std::string a = rig.dir.write("a.bin", file);
    rig.panel(1, a, 0, "16 Bit_Even");
    rig.dir.writeText("TovanHistory_1.ini", "[LoadDlg]\nOK=1\n[Device1]\nName=" + a + "\nUserFill=255\n" + flag +
                                                 "Format=3\nSourceSAdd=0\nDistSAdd=0\n");
    WindowRunResult r = rig.run();
    ASSERT_EQ(r.outcome[0], PanelOutcome::Passed);
    for (size_t i = 0; i < 0x400; ++i) ASSERT_EQ(rig.unit(0).memory[i], file[2 * i]) << i;
  }
}

// A fresh settings file has no [LoadDlg] OK: nobody cancelled a dialog, and the first
// hand-off run loads the file instead of stopping at "Load File Error....".
TEST(WindowOutcome, AFreshSettingsFileLoads) {
  WindowRig rig("512Kx8");
  const auto file = RandomBytes(0x800, 25);
  const std::string a = rig.dir.write("a.bin", file);
  rig.panel(1, a, 0);
  WindowModeContext c = rig.ctx();
  WindowRunResult r;
  rig.options.reset = false;
  AutoRunTick(c, rig.panels, rig.options, 0, &r);
  EXPECT_EQ(r.outcome[0], PanelOutcome::Passed);
  EXPECT_TRUE(std::equal(file.begin(), file.end(), rig.unit(0).memory.begin()));
}

// A panel saved with Auto Detect: the detection box comes once per panel and file in runs
// someone watches, never as a box in a run nobody watches (hand-off auto-run, watch run),
// where the text goes to the message pane.
TEST(WindowOutcome, TheDetectionBoxComesOncePerPanelAndFileAndNeverStopsAnUnattendedRun) {
  WindowRig rig("512Kx8,512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x800, 26));
  const std::string b = rig.dir.write("b.bin", RandomBytes(0x800, 27));
  rig.panel(1, a, 0);
  rig.panel(2, a, 0);
  rig.dir.writeText("TovanHistory_1.ini", "[Device1]\nName=" + a + "\nUnuserFillCheck=1\nFormat=0\n[Device2]\nName=" +
                                               a + "\nUnuserFillCheck=1\nFormat=0\n");
  auto boxes = [&] { return Count(rig.ui.boxTexts(), "Binary Code File"); };
  ASSERT_TRUE(rig.run().allPassed());
  EXPECT_EQ(boxes(), 2);  // once for each panel
  ASSERT_TRUE(rig.run().allPassed());
  EXPECT_EQ(boxes(), 2);  // the same files: no more boxes
  rig.panels[0].source = b;
  ASSERT_TRUE(rig.run().allPassed());
  EXPECT_EQ(boxes(), 3);  // panel 1's new file

  const std::string c = rig.dir.write("c.bin", RandomBytes(0x800, 28));
  rig.panels[0].source = c;
  rig.panels[1].source = c;
  rig.ui.pane.clear();
  WindowModeContext ctx = rig.ctx();
  WindowRunResult r;
  AutoRunTick(ctx, rig.panels, rig.options, 0, &r);
  EXPECT_TRUE(r.allPassed());
  EXPECT_EQ(boxes(), 3);
  EXPECT_EQ(rig.ui.pane, (std::vector<std::string>{"Binary Code File", "Binary Code File"}));
  rig.options.unattended = true;  // a watch "Yes" run
  ASSERT_TRUE(rig.run().allPassed());
  EXPECT_EQ(boxes(), 3);
  EXPECT_EQ(rig.ui.pane.size(), 4u);
}

// A unit pulled between the self test and the open (here: while the self test reads the
// second unit): panel 1 shows "Not connect" and fails, and the unit that took Device 1's
// device path receives nothing; panel 2 then runs on its own unit, counted afresh.
TEST(WindowOutcome, AUnitPulledBeforeItsOpenIsNotConnectAndNoOtherUnitIsWritten) {
  WindowRig rig("512Kx8,512Kx8,512Kx8");
  const std::string a = rig.dir.write("a.bin", RandomBytes(0x2000, 51));
  rig.panel(1, a, 2);
  rig.dialogKeys(1, a);
  bool pulled = false;
  rig.ui.onDriverText = [&](int panel, const std::string&) {
    if (panel == 3 && !pulled) {
      pulled = true;
      rig.backend.detach(0);
    }
  };
  WindowRunResult r = rig.run();
  ASSERT_TRUE(pulled);
  EXPECT_EQ(r.outcome[0], PanelOutcome::Failed);
  EXPECT_EQ(rig.ui.driverText[1], "Not connect");
  EXPECT_TRUE(rig.ui.driverRed[1]);
  EXPECT_EQ(rig.ui.windowLamp(), kLampFail);
  EXPECT_EQ(Count(rig.ui.pane, "      USB Device is not connect..."), 1);
  EXPECT_EQ(rig.ui.panelSum[1], "");
  for (int slot : {1, 2})
    for (const std::string& l : rig.unit(slot).logLines()) EXPECT_NE(l[0], 'W') << slot << ": " << l;
}

}  // namespace
}  // namespace zarvo::test
