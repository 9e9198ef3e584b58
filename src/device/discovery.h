#pragma once
// Which units are attached and how they are numbered: Device N is the unit in
// rs.UnitList[N - 1]. Every operation here closes the open unit first, since the unit list
// may have changed since it was opened.

#include <cstdint>

#include "device/device_context.h"

namespace zarvo {

// Closes, clears rs.UnitList and enumerates into it; returns the count (UnitCount is left alone).
int RefreshUnitList(DeviceContext& ctx);
// The DeviceCheck tick: refreshes the list, UnitCount and the presence flags, and shows or
// hides the unit controls; the lamp goes to fail when no unit is attached. Returns true
// when at least one unit is attached.
bool CheckUnits(DeviceContext& ctx);
// Position (0 .. UnitCount-1) of the last UnitList entry equal to key, or -1. Closes first.
int FindPosition(DeviceContext& ctx, int key);
// The unit lookup for Device n (1..4): FindPosition of UnitList[n - 1] (of an empty entry for
// any other n), so -1 when Device n is not attached.
int FindDevice(DeviceContext& ctx, int n);
// Closes, then opens the unit on device path index (-1 and other products fail).
bool OpenByPathIndex(DeviceContext& ctx, int index);
// Opens the unit at list position p and toggles its LED count times, 100 ms apart, from the
// blink state kept in rs.BlinkState. Fails at once, without a message, when a request fails.
bool BlinkLed(DeviceContext& ctx, int position, int count);
// Win_device_N click: quiet self test, then blink Device N ten times (lamp fail when absent).
bool DeviceButtonClick(DeviceContext& ctx, int n);

}  // namespace zarvo
