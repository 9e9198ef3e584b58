#pragma once
// The seven one-letter requests a unit understands, and the single-request operations the
// download, verify, reset and self-test steps are built from.

#include <array>
#include <cstdint>

#include "device/device_context.h"

namespace zarvo {

enum DeviceCommand : uint8_t {
  CMD_STATUS = 0x42,      // 'B' IN, 16-byte status block
  CMD_BLOCK = 0x43,       // 'C' select block (index)
  CMD_READ = 0x46,        // 'F' announce a bulk read (value 0x8000, index = length)
  CMD_LOAD = 0x4C,        // 'L' announce a bulk write (value 0x8000, index = length)
  CMD_MODE = 0x53,        // 'S' 0 before transfers, 0x1000 hands the memory to the target
  CMD_RESET_LINE = 0x54,  // 'T' reset line low (0) or high (1)
  CMD_LED = 0x55,         // 'U' busy LED off (0) or on (1)
};

inline constexpr uint16_t kTransferValue = 0x8000;
inline constexpr uint16_t kModeHost = 0;
inline constexpr uint16_t kModeTarget = 0x1000;
inline constexpr char kLedFailText[] = "[ Reset Signal ] Error !! LED fail ";
inline constexpr char kModeFailText[] = "Error 53! Command Fail !!";

// CMD_MODE; a failure shows "Error 53! Command Fail !!" in a box and sets the lamp to fail.
bool SetMode(DeviceContext& ctx, uint16_t value);
// CMD_LED alone; reports nothing.
bool SendLed(UsbLink& link, int level);
// CMD_LED 1; on failure writes the LED text to the pane and sets the lamp to fail.
bool LedOnOrReport(DeviceContext& ctx);
// CMD_LED 0; on failure writes the LED text to the pane (the lamp is the caller's).
bool LedOffOrReport(DeviceContext& ctx);
// CMD_STATUS into a block cleared to zero first.
bool ReadStatus(UsbLink& link, std::array<uint8_t, 16>& block);
bool SelectBlock(UsbLink& link, uint16_t block);
bool AnnounceLoad(UsbLink& link, uint16_t length);
bool AnnounceRead(UsbLink& link, uint16_t length);
bool SendResetLine(UsbLink& link, int level);

}  // namespace zarvo
