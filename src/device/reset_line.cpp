#include "device/reset_line.h"

#include <functional>
#include <initializer_list>

#include "device/commands.h"
#include "device/discovery.h"
#include "device/open_refusal.h"
#include "device/usb_link.h"

namespace zarvo {

namespace {

void ReportLineFailure(DeviceContext& ctx, int level) {
  ctx.ui.appendMessage(level ? "[ Reset Signal ] Error !! Set high signal fail "
                             : "[ Reset Signal ] Error !! Set low signal fail ");
  ctx.ui.messageBox(level ? "Error !! Set high pulse fail " : "Error !! Set low pulse fail ", "", Icon::Information,
                    Buttons::Ok);
  ctx.ui.setLamp(kLampFail);
  // The busy LED would otherwise stay lit after a failed line change.
  LedOffOrReport(ctx);
}

// A step of DriveLine that waits ResetDelayMs instead of setting a level.
constexpr int kWait = -1;

// CMD_LED 1, the line steps in order, CMD_LED 0; lamp pass on success.
bool DriveLine(DeviceContext& ctx, std::initializer_list<int> steps) {
  if (!LedOnOrReport(ctx)) return false;
  for (int level : steps) {
    if (level == kWait) {
      ctx.clock.sleepMs(ctx.rs.ResetDelayMs);
    } else if (!SendResetLine(ctx.link, level)) {
      ReportLineFailure(ctx, level);
      return false;
    }
  }
  if (!LedOffOrReport(ctx)) {
    ctx.ui.setLamp(kLampFail);
    return false;
  }
  ctx.ui.setLamp(kLampPass);
  return true;
}

ResetLoopResult ForEachListPosition(DeviceContext& ctx, const PanelChecks& checks,
                                    const std::function<bool()>& action) {
  ResetLoopResult result;
  for (size_t p = 0; p < ctx.rs.UnitList.size(); ++p) {
    RefreshUnitList(ctx);
    const int d = ctx.rs.UnitList[p];
    ctx.link.open(d - 1);
    // A unit is matched to a panel by its device path here, so paths above 3 are never acted on.
    if (d >= 1 && d <= 4 && checks[static_cast<size_t>(d - 1)]) {
      ++result.units;
      if (!action()) {
        ++result.failures;
        ReportOpenRefusal(ctx);
      }
    }
  }
  return result;
}

}  // namespace

bool SetResetLine(DeviceContext& ctx, int level) {
  level = level ? 1 : 0;
  ctx.profile.writeInt("Machine", "Signal", level);
  return DriveLine(ctx, {level});
}

bool PulseReset(DeviceContext& ctx, int idleLevel) {
  const int idle = idleLevel ? 1 : 0;
  return DriveLine(ctx, {idle, 1 - idle, kWait, idle});
}

std::string DelayTimeChanged(RunState& rs, const std::string& text) {
  // Only plain decimal digits count; anything else (a sign included, so no 49-day pulse) is 0.
  uint64_t v = 0;
  bool number = !text.empty() && text.size() <= 9;
  for (char c : text) {
    if (c < '0' || c > '9') {
      number = false;
      break;
    }
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  rs.ResetDelayMs = number ? static_cast<uint32_t>(v) : 0;
  // Shorter texts are taken as typed so the user can enter a value digit by digit.
  if (text.size() < 4) return text;
  if (rs.ResetDelayMs < 300 || rs.ResetDelayMs > 3000) {
    rs.ResetDelayMs = 0;
    return "0000";
  }
  return text;
}

ResetLoopResult ResetButtonClick(DeviceContext& ctx, const PanelChecks& checks) {
  const int idle = ctx.rs.ResetIdleLevel();
  return ForEachListPosition(ctx, checks, [&] { return PulseReset(ctx, idle); });
}

ResetLoopResult ResetOptionClick(DeviceContext& ctx, int item, const PanelChecks& checks) {
  ctx.rs.ResetPolarity = item == 1 ? 1 : 0;
  const int idle = ctx.rs.ResetIdleLevel();
  return ForEachListPosition(ctx, checks, [&] { return SetResetLine(ctx, idle); });
}

}  // namespace zarvo
