#pragma once
// Real units through libusb-1.0.

#include <memory>

#include "device/usb_backend.h"

namespace zarvo {

std::unique_ptr<UsbBackend> MakeLibusbBackend();

}  // namespace zarvo
