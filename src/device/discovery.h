#pragma once
// Which units are attached and how they are numbered: Device N is the unit in
// rs.UnitList[N - 1]. Every operation here closes the open unit first, since the unit list
// may have changed since it was opened.

#include <array>
#include <cstdint>
#include <string>

#include "device/device_context.h"

namespace zarvo {

// Section [Units] of the settings file pins a Device number to a USB port path:
// "Device2=1-4.2". pins[k] is the port of Device k + 1, empty when it is not pinned.
inline constexpr const char* kUnitsSection = "Units";
using UnitPins = std::array<std::string, 15>;
UnitPins ReadUnitPins(const Profile& profile);
// Numbers the units found (slot + 1 and identity, in bus and port order): a pinned unit
// takes its pinned number; the others take the lowest numbers neither pinned nor taken, in
// their order; a pinned port without a unit leaves its number empty. Without pins this is
// the plain order. Returns the numbers spanned (the highest Device number given).
int NumberUnits(const std::array<uint8_t, 15>& found, const std::array<UnitIdentity, 15>& foundIds, int count,
                const UnitPins& pins, std::array<uint8_t, 15>& list, std::array<UnitIdentity, 15>& ids);
// Writes the port of every unit in rs.UnitList as the pin of its Device number.
bool WriteUnitPins(Profile& profile, const RunState& rs);

// Closes, clears rs.UnitList and rs.UnitIds and numbers the units attached now into them
// (pins of [Units] honoured); returns the numbers spanned (UnitCount is left alone).
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
// Closes, then opens the unit the list holds at position p: the very unit the list was made
// from, wherever it sits now. Fails for an empty position, and for a unit pulled since or
// replaced by another: the unit now at its device path is never opened in its place.
bool OpenListPosition(DeviceContext& ctx, int position);
// Opens the unit at list position p and toggles its LED count times, 100 ms apart, from the
// blink state kept in rs.BlinkState. Fails at once, without a message, when a request fails;
// the LED is then sent off and the blink state starts again from off, so one failed toggle
// neither leaves the LED lit nor turns the phase of every later blink.
// *opened tells a unit that did not open (gone) from one that did not answer a toggle.
bool BlinkLed(DeviceContext& ctx, int position, int count, bool* opened = nullptr);
// Win_device_N click: quiet self test, then blink Device N ten times (lamp fail when absent).
bool DeviceButtonClick(DeviceContext& ctx, int n);

}  // namespace zarvo
