#pragma once
// Real units through libusb-1.0.
//
// Slots: at every call the attached USB devices are listed afresh, hubs left out (they can
// never be units, and every bus has a root hub that would otherwise eat a slot), and put in
// a stable order: bus number, then port path. Slot k is the k-th device of that order, units
// and other products alike, so "Device N" follows the order the system lists devices in and
// the link skips other products by their product id. Nothing is held between calls.
//
// Every transfer carries a finite timeout, so an unplugged or hung unit yields a failure
// (UsbError::Timeout or UsbError::LinkBroken), never a hang.

#include <memory>

#include "device/usb_backend.h"

namespace zarvo {

inline constexpr unsigned kDefaultUsbTimeoutMs = 3000;

std::unique_ptr<UsbBackend> MakeLibusbBackend(unsigned timeoutMs = kDefaultUsbTimeoutMs);

}  // namespace zarvo
