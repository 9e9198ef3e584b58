#pragma once
// Real units through libusb-1.0.
//
// Slots: at every call the attached units are listed afresh (other products and hubs left
// out, so they never hide a unit) and put in a stable order: bus number, then port path.
// Slot k is the k-th unit of that order, so slots move up when a unit is pulled. A unit's
// identity is its port path ("1-4.2") and its address, which the bus gives anew at every
// plug, so a unit that took another's place is told apart. Nothing is held between calls.
//
// Every transfer carries a finite timeout, so an unplugged or hung unit yields a failure
// (UsbError::Timeout or UsbError::LinkBroken), never a hang.

#include <memory>

#include "device/usb_backend.h"

namespace zarvo {

inline constexpr unsigned kDefaultUsbTimeoutMs = 3000;

std::unique_ptr<UsbBackend> MakeLibusbBackend(unsigned timeoutMs = kDefaultUsbTimeoutMs);

}  // namespace zarvo
