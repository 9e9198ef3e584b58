#include "batch/batch_runner.h"

#include <cstdio>

#include "batch/batch_line.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "device/open_refusal.h"
#include "device/reset_line.h"
#include "device/transfer.h"
#include "device/usb_link.h"
#include "image/load_pipeline.h"
#include "image/tables.h"

namespace zarvo {
namespace {

constexpr uint32_t kLargestIc = 0x100000;

void Progress(Ui& ui, int delta) { ui.addProgress(ProgressBar::Batch, delta); }

bool Fail(Ui& ui) {
  ui.setLamp(kLampFail);
  return false;
}

bool Fail(Ui& ui, const std::string& text) {
  ui.appendMessage(text);
  return Fail(ui);
}

std::string UpperHex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
  return buf;
}

}  // namespace

bool FindBatchUnit(BatchContext& ctx, int n) {
  const int p = FindDevice(ctx.dev, n);
  bool opened = false;
  // A failed toggle does not stop the line (the blink only identifies the unit), but a unit
  // that does not open is gone, or another unit sits where it was: nothing may go to it.
  if (p >= 0) BlinkLed(ctx.dev, p, 10, &opened);
  if (!opened) {
    ctx.dev.ui.showMessagePage();
    return Fail(ctx.dev.ui, "\nError!! USB Device-" + std::to_string(n) + " is not connect...");
  }
  return true;
}

bool ApplyChunk(BatchContext& ctx, int64_t n) {
  RunState& rs = ctx.dev.rs;
  const int64_t length = FileLength(rs.SourceFileName);
  const int64_t b = SwitchToIcSize(rs.IcSwitchText);
  if (length < n * b - 1) return Fail(ctx.dev.ui, "Error!! /Nn Paramater Over FileSize !!");
  if (rs.StartText == "/S0000000") rs.StartText = "/S" + std::to_string(b * (n - 1));
  return true;
}

bool RunBatchLine(BatchContext& ctx, int index, const std::string& line, const std::string& parseError,
                  LineResult* result) {
  RunState& rs = ctx.dev.rs;
  Ui& ui = ctx.dev.ui;
  LineResult unused;
  LineResult& out = result != nullptr ? *result : unused;
  out = {};

  Progress(ui, 5);
  const int unit = rs.UnitText[0] - '0';
  if (!FindBatchUnit(ctx, unit)) return false;

  ui.showMessagePage();
  ui.appendMessage(" ");
  ui.appendMessage("Line[" + std::to_string(index + 1) + "] : \n" + line);
  if (!parseError.empty()) return Fail(ui, parseError);
  if (!rs.KeywordFound) return Fail(ui, "Error!! Not ZarvoQX format!!");
  Progress(ui, 5);

  // A line without a file works on the work file; a line's own file becomes the work file.
  if (rs.SourceFileName.empty()) {
    rs.SourceFileName = rs.WorkFile;
  } else {
    rs.WorkFile = rs.SourceFileName;
  }
  const std::string shownName = rs.SourceFileName;  // the DOS form, for every message
  std::string path, error;
  if (!ctx.resolver.resolve(shownName, path, error)) return Fail(ui, "Error!! [ " + shownName + " ] " + error);
  // The same test as the load's: a directory or anything else but a plain file is no file.
  const int64_t length = FileLength(path);
  if (length < 0) return Fail(ui, "Error!! [ " + shownName + " ] is not exists.....");
  rs.SourceFileName = path;  // the pipeline and the chunk step read the file through it

  if (rs.IcSwitchText.empty()) {
    // The smallest IC is chosen by the file's length; past the largest IC there is none, and
    // carrying over the last line's size would cut the image silently.
    if (length > kLargestIc)
      return Fail(ui, "Error!! [ " + shownName + " ] is larger than the largest IC (1024K), give an IC switch !!");
    SmallestIcFor(rs, static_cast<uint32_t>(length));
    IcSizeToSwitch(rs, rs.EmulationRange);
  }
  if (!rs.IcSwitchText.empty()) SetIcType(rs, rs.IcSwitchText);
  if (rs.DeviceMemorySize > rs.SizeHighWater) {
    rs.SizeHighWater = rs.DeviceMemorySize;
    ctx.image.resize(rs.DeviceMemorySize, rs, ui);
  }
  Progress(ui, 5);

  bool chunkMadeStart = false;
  if (rs.ChunkText != "0") {
    int64_t n = 0;
    ParseChunkNumber(rs.ChunkText, n);  // the parser let only decimal numbers through
    if (n > 0) {
      const std::string before = rs.StartText;
      if (!ApplyChunk(ctx, n)) return false;
      chunkMadeStart = rs.StartText != before;
    }
  }
  if (chunkMadeStart) {
    // The load applies the start text once, as hexadecimal digits: the chunk's decimal
    // offset is handed over in that form.
    const std::string hex = UpperHex(std::stoull(rs.StartText.substr(2)));
    if (hex.size() > 7) return Fail(ui, "Error!! /N" + rs.ChunkText + " Paramater Over FileSize !!");
    rs.StartText = hex;
  } else {
    if (rs.StartText.size() > 9) {
      // Seven digits is all the load takes; cutting the rest would load from another offset.
      return Fail(ui, "Error!! " + rs.StartText + " Paramater is longer than 7 digits !!");
    }
    rs.StartText = rs.StartText.substr(2, 7);
  }
  Progress(ui, 25);

  LoadRequest& req = ctx.image.request();
  req.fileName = path;
  req.format = kFormatAuto;
  req.fillByte = 0xFF;
  req.fillFlag = 1;
  req.sourceStart = "0000000";
  req.sourceEnd = "0000000";
  req.destination = "0000000";
  ctx.image.setRange(0);
  LoadContext load{ctx.image, rs, ctx.dev.profile, ui};
  load.unitMemory = UnitMemoryFor(rs, unit - 1);
  if (!HandOff(load)) return Fail(ui);
  ui.appendMessage("[Range: 0x" + Hex8(ctx.image.range()) + "] => SUM :0x" + ctx.image.sumText());
  if (ctx.lineLoaded) ctx.lineLoaded(index);

  // Without a known configuration of this unit, or with an IC larger than it, nothing would
  // be sent: such a line fails instead of ending "Success!!", and before the unit is taken
  // from the target, which keeps its old image.
  const std::optional<Geometry> g = GeometryFor(rs, unit - 1);
  if (const char* refusal = DownloadRefusal(g)) return Fail(ui, refusal);
  if (!SetMode(ctx.dev, kModeHost)) return Fail(ui, "Error 53!! Function fail...");
  if (!Download(ctx.dev, ctx.image, *g)) return Fail(ui, g->config->downloadFailText);
  Progress(ui, 25);
  if (!rs.VerifySwitch.empty()) {
    rs.VerifyMismatch = false;
    const VerifyResult verify = ReadBackVerify(ctx.dev, ctx.image, *g);
    if (!verify) return Fail(ui, g->config->verifyFailText);
    out.difference = verify.difference;
    // The verify has written "Error !! Verify check error ..." and lit the fail lamp; the
    // unit does not hold the image, so it is not handed to the target.
    if (verify.differs()) return Fail(ui);
  }
  Progress(ui, 35);

  if (!FindBatchUnit(ctx, unit)) return false;
  bool reset = true;
  if (rs.ResetSwitch == "/RESET0") {
    reset = SetResetLine(ctx.dev, 0);
  } else if (rs.ResetSwitch == "/RESET1") {
    reset = SetResetLine(ctx.dev, 1);
  } else if (rs.ResetSwitch == "/RESET") {
    ui.appendMessage("Warnning !! /Reset = /Reset1");
    reset = SetResetLine(ctx.dev, 1);
  }
  // The image is in the unit: it goes to the target even when the reset line could not be
  // set, but the line fails, with the reset step's text as its last (a build server must
  // not take a target that may sit in reset for a pass).
  if (!SetMode(ctx.dev, kModeTarget)) return Fail(ui, "Error 53!! Function fail...");
  if (!reset) return Fail(ui);
  Progress(ui, 10);
  ui.appendMessage("Success!!");
  out.ok = true;
  return true;
}

BatchSummary RunBatch(BatchContext& ctx, const std::vector<std::string>& script) {
  BatchSummary summary;
  Ui& ui = ctx.dev.ui;
  RunState& rs = ctx.dev.rs;
  ui.setLamp(kLampWait);
  ResetBatchLine(rs, ctx.addrText);
  if (script.size() <= 1 && (script.empty() || script.front().empty())) {
    ui.messageBox("No bat code....", "", Icon::Information);
    ui.setLamp(kLampFail);
    summary.noScript = true;
    return summary;
  }
  for (size_t i = 0; i < script.size(); ++i) {
    ResetBatchLine(rs, ctx.addrText);
    const std::string& line = script[i];
    if (line.find_first_not_of(' ') == std::string::npos) continue;
    std::string parseError;
    ParseBatchLine(rs, line, parseError);
    ui.setLamp(kLampWait);
    ui.setProgress(ProgressBar::Batch, 10);
    ++summary.commandLines;
    if (ctx.lineStarted) ctx.lineStarted(static_cast<int>(i));
    LineResult result;
    if (!RunBatchLine(ctx, static_cast<int>(i), line, parseError, &result)) {
      ++summary.failedLines;
      ReportOpenRefusal(ctx.dev);  // the cause, after the line's failure text
    }
    if (result.differs()) ++summary.mismatchLines;
    if (ctx.lineEnded) ctx.lineEnded(static_cast<int>(i), result);
    ui.setProgress(ProgressBar::Batch, StatusModel::kProgressMax);
    if (ui.status().lamp(Page::Batch).seen() == kLampWait) ui.setLamp(kLampPass);
  }
  return summary;
}

}  // namespace zarvo
