#include "window_mode/run_sequence.h"

#include <initializer_list>

#include "device/commands.h"
#include "device/discovery.h"
#include "device/open_refusal.h"
#include "device/reset_line.h"
#include "device/self_test.h"
#include "device/transfer.h"
#include "device/usb_link.h"
#include "image/load_pipeline.h"

namespace zarvo {

namespace {

constexpr int kBlinkCount = 10;

std::string DeviceSection(int panel) { return "Device" + std::to_string(panel); }

// The device's own load parameters from its [DeviceN] section. The file is the panel's
// source: it is the one just checked to exist and the one the sum will describe, whereas a
// path handed in from outside reaches the source field before [DeviceN] Name is saved.
void FillLoadRequest(WindowModeContext& ctx, int panel, const std::string& source, int64_t fileSize) {
  const Profile& p = ctx.device.profile;
  const std::string sec = DeviceSection(panel);
  LoadRequest& req = ctx.image.request();
  req.fileName = source;
  req.fillByte = static_cast<uint32_t>(p.readInt(sec, "UserFill", 0)) & 0xFFu;
  req.fillFlag = p.readInt(sec, "UnuserFillCheck", 0) != 0 ? 1u : 0u;
  req.format = static_cast<uint32_t>(p.readInt(sec, "Format", 0));
  req.sourceStart = p.readText(sec, "SourceSAdd", "0");
  // Device 1 takes its source end from the file itself; the load does not read it either way.
  req.sourceEnd = panel == 1 ? std::to_string(fileSize > 0 ? fileSize - 1 : 0) : p.readText(sec, "SourceEAdd", "0");
  req.destination = p.readText(sec, "DistSAdd", "0");
  ctx.device.rs.SourceFileName = source;
}

// A preparation failure: it ends the whole run.
void StopRun(Ui& ui, const char* text) {
  ui.setLamp(kLampFail);
  ui.setStepImage(100);
  ui.processEvents();
  ui.messageBox(text);
}

void LedOff(WindowModeContext& ctx) { SendLed(ctx.device.link, 0); }

// A failed work-flow step: the box, the fail lamp, the step pictures, CMD_LED 0 when the flow
// had switched the LED on, and a repaint. Returns false for the flow to pass on.
bool FailStep(WindowModeContext& ctx, const char* text, std::initializer_list<int> steps, bool ledOff) {
  Ui& ui = ctx.device.ui;
  ui.messageBox(text);
  ui.setLamp(kLampFail);
  for (int step : steps) ui.setStepImage(step);
  if (ledOff) LedOff(ctx);
  ui.processEvents();
  return false;
}

}  // namespace

bool WindowRunResult::anyRun() const {
  for (PanelOutcome o : outcome) {
    if (o != PanelOutcome::NotRun) return true;
  }
  return false;
}

bool WindowRunResult::allPassed() const {
  for (PanelOutcome o : outcome) {
    if (o == PanelOutcome::Failed) return false;
  }
  return !endedEarly;
}

WindowRunResult RunWindowMode(WindowModeContext& ctx, Panels& panels, const RunOptions& options) {
  WindowRunResult result;
  Ui& ui = ctx.device.ui;
  RunState& rs = ctx.device.rs;
  // Which panels are shown is what the unit list says now, not what a device check said
  // before the run: a unit plugged in a moment ago runs, one pulled out is skipped. Each
  // panel's own self test below refreshes the list again for the panels after it.
  bool anyTicked = false;
  for (const PanelValues& p : panels) anyTicked = anyTicked || p.ticked;
  if (anyTicked) CheckUnits(ctx.device);
  for (int n = 1; n <= kPanelCount; ++n) {
    PanelValues& panel = panels[static_cast<size_t>(n - 1)];
    panel.visible = rs.PanelPresent[static_cast<size_t>(n - 1)];
    if (!panel.ticked || !panel.visible) continue;

    ui.setStepImage(0);
    if (panel.source.empty() || panel.source == kSourcePlaceholder) {
      StopRun(ui, "No file name....");
      result.endedEarly = true;
      return result;
    }
    const int64_t fileSize = FileLength(panel.source);
    if (fileSize < 0) {
      StopRun(ui, "File is not exists.....");
      result.endedEarly = true;
      return result;
    }

    std::string typeText = panel.typeText;
    if (panel.typeItem == kAutoDetectItem) {
      AutoDetectChoice choice = ChooseAutoDetect(static_cast<uint64_t>(fileSize));
      rs.EmulationRange = choice.range;
      panel.typeItem = choice.item;
      panel.typeText = TypeItemText(choice.item);
      ui.setPanelType(n, choice.item);
      typeText = choice.typeText;
    }

    PanelJob job;
    job.panel = n;
    job.workFile = panel.source;
    job.startAddress = panel.startAddress;
    job.typeText = typeText;
    job.dataSetText = panel.dataSetText;
    rs.StartText = "0x" + panel.startAddress;
    FillLoadRequest(ctx, n, panel.source, fileSize);

    // The quiet self test refreshes the unit list and learns the units' configuration; a
    // failing unit shows up in the requests that follow.
    SelfTest(ctx.device, false);
    const int position = FindDevice(ctx.device, n);
    if (position < 0) {
      result.endedEarly = true;
      return result;
    }
    BlinkLed(ctx.device, position, kBlinkCount);
    const size_t i = static_cast<size_t>(n - 1);
    // The unit the self test just read at this number, wherever it sits now: one pulled
    // meanwhile is "Not connect" and the panel fails, rather than the unit that took its
    // device path receiving this panel's image.
    if (!OpenListPosition(ctx.device, position)) {
      ui.appendMessage("      USB Device is not connect...");
      ui.setDriverText(n, "Not connect");
      ui.setDriverRed(n, true);
      ui.setLamp(kLampFail);
      ui.setStepImage(100);
      ui.processEvents();
      result.outcome[i] = PanelOutcome::Failed;
      ReportOpenRefusal(ctx.device);  // why it did not open, after the panel's failure text
      continue;
    }

    if (RunPanelWorkFlow(ctx, job, options, &result.difference[i])) {
      result.outcome[i] = PanelOutcome::Passed;
      ui.setPanelSum(n, ctx.image.sumText());
    } else {
      result.outcome[i] = PanelOutcome::Failed;
      ReportOpenRefusal(ctx.device);  // the cause, after the panel's failure text
    }
  }
  return result;
}

bool RunPanelWorkFlow(WindowModeContext& ctx, const PanelJob& job, const RunOptions& options,
                      VerifyDifference* difference) {
  DeviceContext& dev = ctx.device;
  Ui& ui = dev.ui;
  RunState& rs = dev.rs;
  const int position = job.panel - 1;

  ApplyPanelSwitches(rs, job.typeText, job.dataSetText);

  ui.setStepImage(0);
  ui.setProgress(ProgressBar::Window, 10);
  ui.setLamp(kLampWait);
  ui.setStepImage(1);
  ui.processEvents();

  if (options.reset) {
    ui.setStepImage(3);
    if (!SetResetLine(dev, rs.ResetActiveLevel())) {
      // Downloading into a target that could not be held would change its memory while it
      // runs: the panel ends here, its unit untouched (SetResetLine has said why).
      ui.setStepImage(300);
      ui.setStepImage(100);
      ui.processEvents();
      return false;
    }
    ui.setStepImage(30);
  }

  // The start address is where the load starts reading the file; at the file's end there
  // is nothing left to read, but beyond it the offset points outside the file.
  const int64_t fileSize = FileLength(job.workFile);
  const std::optional<uint32_t> start = ParseStartAddress(job.startAddress);
  if (!start) return FailStep(ctx, "Error !! Start address is not a hexadecimal number !", {100}, false);
  if (static_cast<int64_t>(*start) > fileSize)
    return FailStep(ctx, "Error !! Start address range Over file size !", {100}, false);
  ui.addProgress(ProgressBar::Window, 20);

  LoadContext load{ctx.image, rs, dev.profile, ui};
  load.unitMemory = UnitMemoryFor(rs, position);
  load.panel = job.panel;
  load.unattended = options.unattended;
  if (!HandOff(load)) {
    ui.setLamp(kLampFail);
    ui.messageBox("Load File Error....");
    ui.setStepImage(100);
    ui.processEvents();
    return false;
  }
  ui.addProgress(ProgressBar::Window, 10);

  // Without a known configuration of this unit, or with an IC larger than it, nothing can be
  // downloaded; calling that a pass would show a sum for an image the unit never received.
  // The unit is not taken from the target first, so the target keeps its old image.
  const std::optional<Geometry> geometry = GeometryFor(rs, position);
  if (const char* refusal = DownloadRefusal(geometry)) return FailStep(ctx, refusal, {100}, false);

  if (!SendLed(dev.link, 1)) {
    ui.messageBox("USB Device Error....");
    ui.setLamp(kLampFail);
    return false;
  }
  if (!SetMode(dev, kModeHost)) {
    FailStep(ctx, "Error !! Control fail...", {100}, false);
    LedOff(ctx);  // this step repaints before it switches the LED off
    return false;
  }

  if (!Download(dev, ctx.image, *geometry)) return FailStep(ctx, geometry->config->downloadFailText, {100}, true);
  ui.setStepImage(10);
  ui.addProgress(ProgressBar::Window, 25);
  ui.setLamp(kLampPass);

  if (options.confirm) {
    rs.VerifyMismatch = false;
    ui.setStepImage(2);
    ui.processEvents();
    const VerifyResult verify = ReadBackVerify(dev, ctx.image, *geometry);
    if (!verify) return FailStep(ctx, geometry->config->downloadFailText, {200}, true);
    if (verify.differs()) {
      // The unit does not hold the image: it is not handed to the target, and a target
      // held in reset stays held.
      if (difference != nullptr) *difference = verify.difference;
      return FailStep(ctx, kVerifyErrorText, {200}, true);
    }
    ui.setStepImage(20);
    ui.processEvents();
  }

  bool released = true;
  if (options.reset) {
    ui.setStepImage(3);
    released = SetResetLine(dev, rs.ResetIdleLevel());
    // The image is downloaded (and verified): the unit still goes to the target, which is
    // left where the failed step left it, and the panel fails.
    ui.setStepImage(released ? 30 : 300);
  }

  if (!SetMode(dev, kModeTarget)) return FailStep(ctx, "Error 53!! Function fail...", {100, 200}, false);

  LedOff(ctx);
  ui.processEvents();
  ui.setProgress(ProgressBar::Window, StatusModel::kProgressMax);
  if (!released) ui.setLamp(kLampFail);
  return released;
}

WindowRunResult RunClick(WindowModeContext& ctx, Panels& panels, const RunOptions& options,
                         const std::function<void()>& runBatch) {
  Ui& ui = ctx.device.ui;
  WindowRunResult result;
  ui.setMainWindowEnabled(false);
  if (ui.activePage() == Page::Window) {
    ui.setDeviceCheckTimer(false);
    result = RunWindowMode(ctx, panels, options);
    ui.setDeviceCheckTimer(true);
  } else {
    ui.setLamp(kLampPass);
    if (runBatch) runBatch();
  }
  ui.setMainWindowEnabled(true);
  return result;
}

bool AutoRunTick(WindowModeContext& ctx, Panels& panels, const RunOptions& options, int sendtoOption,
                 WindowRunResult* result) {
  Ui& ui = ctx.device.ui;
  ui.setMainWindowEnabled(false);
  if (sendtoOption == 0) {
    ui.setDeviceCheckTimer(false);
    // Nobody is there to click a box: the program closes by itself after this run.
    RunOptions unattended = options;
    unattended.unattended = true;
    WindowRunResult r = RunWindowMode(ctx, panels, unattended);
    if (result != nullptr) *result = r;
    ui.setDeviceCheckTimer(true);
  }
  ui.setMainWindowEnabled(true);
  return true;
}

}  // namespace zarvo
