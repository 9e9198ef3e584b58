#include "device/open_refusal.h"

#include "device/usb_link.h"

namespace zarvo {

std::string OpenRefusalText(UsbError error) {
  switch (error) {
    case UsbError::Busy:
      return kUnitBusyText;
    case UsbError::AccessDenied:
      return "unit found but could not be opened (permission denied): install the udev rule "
             "70-zarvo-r5.rules (the package does; without it, as root: cp packaging/udev/70-zarvo-r5.rules "
             "/etc/udev/rules.d/ && udevadm control --reload) and replug the unit";
    default:
      return {};
  }
}

bool ReportOpenRefusal(DeviceContext& ctx) {
  const std::string text = OpenRefusalText(ctx.link.openRefusal());
  ctx.link.clearOpenRefusal();
  if (text.empty()) return false;
  ctx.ui.reportUnitProblem(text);
  return true;
}

}  // namespace zarvo
