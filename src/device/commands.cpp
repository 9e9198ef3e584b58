#include "device/commands.h"

#include "device/usb_link.h"

namespace zarvo {

bool SetMode(DeviceContext& ctx, uint16_t value) {
  if (ctx.link.vendorOut(CMD_MODE, value, 0)) return true;
  ctx.ui.messageBox(kModeFailText, "", Icon::Information, Buttons::Ok);
  ctx.ui.setLamp(kLampFail);
  return false;
}

bool SendLed(UsbLink& link, int level) { return link.vendorOut(CMD_LED, level ? 1 : 0, 0); }

bool LedOnOrReport(DeviceContext& ctx) {
  if (SendLed(ctx.link, 1)) return true;
  ctx.ui.appendMessage(kLedFailText);
  ctx.ui.setLamp(kLampFail);
  return false;
}

bool LedOffOrReport(DeviceContext& ctx) {
  if (SendLed(ctx.link, 0)) return true;
  ctx.ui.appendMessage(kLedFailText);
  return false;
}

bool ReadStatus(UsbLink& link, std::array<uint8_t, 16>& block) {
  block.fill(0);
  return link.vendorIn(CMD_STATUS, 0, 0, block.data(), static_cast<uint16_t>(block.size()));
}

bool SelectBlock(UsbLink& link, uint16_t block) { return link.vendorOut(CMD_BLOCK, 0, block); }
bool AnnounceLoad(UsbLink& link, uint16_t length) { return link.vendorOut(CMD_LOAD, kTransferValue, length); }
bool AnnounceRead(UsbLink& link, uint16_t length) { return link.vendorOut(CMD_READ, kTransferValue, length); }
bool SendResetLine(UsbLink& link, int level) { return link.vendorOut(CMD_RESET_LINE, level ? 1 : 0, 0); }

}  // namespace zarvo
