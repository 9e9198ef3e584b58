#pragma once
// A unit that is attached but cannot be opened for a reason the user can act on: another
// program holds it, or this user lacks the permission (the udev rule). The road that needed
// the unit writes its own failure text first; this says the cause after it.

#include <string>

#include "device/device_context.h"
#include "device/usb_backend.h"

namespace zarvo {

inline constexpr const char* kUnitBusyText = "unit busy: used by another program";

// The text for a Busy or AccessDenied open, empty for any other error.
std::string OpenRefusalText(UsbError error);

// Tells the Ui why the last open failed (Ui::reportUnitProblem) when the link kept a refusal,
// and forgets it, so it is said once. True when something was said.
bool ReportOpenRefusal(DeviceContext& ctx);

}  // namespace zarvo
