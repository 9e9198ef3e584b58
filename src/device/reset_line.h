#pragma once
// The target's reset line: set to a level (held in reset around a download, released
// after), pulsed for ResetDelayMs (the RESET button), and the reset controls' loops over
// the 15 unit-list positions. The controls' enable/disable steps stay with the window; the
// loops take the ticked state of the device panels' check boxes (Win_check_1..4).

#include <array>
#include <string>

#include "device/device_context.h"

namespace zarvo {

// Writes [Machine] Signal, then CMD_LED 1, CMD_RESET_LINE level, CMD_LED 0; lamp pass on success.
bool SetResetLine(DeviceContext& ctx, int level);
// CMD_LED 1, line idle, active, sleep ResetDelayMs, idle, CMD_LED 0; lamp pass on success.
bool PulseReset(DeviceContext& ctx, int idleLevel);

// The DelayTime edit changed to text: sets rs.ResetDelayMs and returns the text the edit
// shows afterwards ("0000" for a 4-character value outside 300..3000).
std::string DelayTimeChanged(RunState& rs, const std::string& text);

struct ResetLoopResult {
  int units = 0;     // units acted on
  int failures = 0;  // of which failed
  bool ok() const { return failures == 0; }
};

using PanelChecks = std::array<bool, 4>;

// RESET button: for each list position, refresh the unit list, open the unit there and pulse
// it when it sits on device path 0..3 and that panel is ticked.
ResetLoopResult ResetButtonClick(DeviceContext& ctx, const PanelChecks& checks);
// Reset_Option changed to item (0 "Normal High", 1 "Normal Low"): keeps it in
// rs.ResetPolarity and sets the new idle level on every matching ticked unit. The caller
// mirrors the item into SetSignal.
ResetLoopResult ResetOptionClick(DeviceContext& ctx, int item, const PanelChecks& checks);

}  // namespace zarvo
