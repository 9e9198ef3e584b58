#pragma once
// The unit operations a batch line calls, in the order it calls them. The runner sees them
// through this seam so its messages, lamps and steps can be checked line by line;
// DeviceBatchUnits binds them to the device layer (the USB link and its commands).

#include <cstdint>

namespace zarvo {

class BatchUnits {
 public:
  virtual ~BatchUnits() = default;
  // Closes the open unit and gives the list position of Device n (1..4), or -1.
  virtual int findPosition(int n) = 0;
  // Opens the unit at position p and toggles its LED count times.
  virtual bool blinkLed(int p, int count) = 0;
  // CMD_MODE with a value; shows its own message box and the fail lamp on failure.
  virtual bool setMode(uint16_t value) = 0;
  // The transfers of the open unit: R passes of N blocks of L bytes.
  virtual bool download(uint32_t r, uint32_t n, uint32_t l) = 0;
  virtual bool readBackVerify(uint32_t r, uint32_t n, uint32_t l) = 0;
  // Drives the target's reset line; sets the pass lamp on success.
  virtual bool setResetLine(int level) = 0;
};

}  // namespace zarvo
