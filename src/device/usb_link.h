#pragma once
// The one open unit. Finds units by product id in the 15 slots, holds at most one open,
// and carries vendor requests and bulk transfers to it. Everything above addresses the open
// unit and never sees a slot number except through UnitList entries (slot + 1).

#include <array>
#include <cstdint>

#include "device/usb_backend.h"

namespace zarvo {

class UsbLink {
 public:
  explicit UsbLink(UsbBackend& backend) : backend_(backend) {}
  ~UsbLink() { close(); }
  UsbLink(const UsbLink&) = delete;
  UsbLink& operator=(const UsbLink&) = delete;

  // Appends slot + 1 of every unit, in slot order, at list[count]; returns the count. The
  // caller clears the list first. Does nothing and returns 0 while a unit is open.
  // With ids, ids[k] is the identity of the unit at list[k] (unknown when the backend cannot
  // tell units apart).
  int enumerate(std::array<uint8_t, 15>& list, std::array<UnitIdentity, 15>* ids = nullptr);
  // Opens the unit in a slot. While a unit is open it returns true and keeps that unit.
  // A slot outside 0..14 (-1 from an empty list entry) or a device of another product fails.
  bool open(int slot);
  // Opens the unit with this identity in whichever slot it sits now; fails when no unit has
  // it (pulled, or replaced by another). An unknown identity opens the slot as open() does.
  bool openUnit(const UnitIdentity& id, int slot);
  // True when a unit was open.
  bool close();
  bool isOpen() const { return openSlot_ >= 0; }
  int openSlot() const { return openSlot_; }

  // Vendor requests and bulk transfers on the open unit; all fail with no unit open.
  bool vendorIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length);
  bool vendorOut(uint8_t request, uint16_t value, uint16_t index);
  bool bulkWrite(const uint8_t* data, uint32_t n);
  bool bulkRead(uint8_t* data, uint32_t n);

  // Why the last request failed (refused, link broken, short), for logs.
  UsbError lastError() const { return lastError_; }
  // Why the last open failed when that is a cause of its own to tell the user: Busy (another
  // program holds the unit) or AccessDenied (no permission); None after a successful open or
  // another failure. Kept until the next open, so the road that failed can say it at its end.
  UsbError openRefusal() const { return openRefusal_; }
  void clearOpenRefusal() { openRefusal_ = UsbError::None; }
  UsbBackend& backend() { return backend_; }

 private:
  // True with a unit open; else records NoDevice for the request that cannot go out.
  bool ready();
  bool finish(bool ok);

  UsbBackend& backend_;
  int openSlot_ = -1;
  UsbError lastError_ = UsbError::None;
  UsbError openRefusal_ = UsbError::None;
};

}  // namespace zarvo
