#pragma once
// The unit self test: refreshes the unit list, then reads every unit's status block and
// learns its configuration (DeviceSize, DeviceMemorySize). Start-up runs it with messages;
// window mode and the device buttons run it quietly.

#include "device/device_context.h"

namespace zarvo {

// False at the first unit that does not open, refuses CMD_STATUS, reports a failed check or
// an unknown configuration. With no unit attached it writes "Self Test Fail !!" and still
// returns true: there was no unit to fail (callers look at UnitCount).
bool SelfTest(DeviceContext& ctx, bool withMessages);

}  // namespace zarvo
