#include "device/usb_link.h"

#include <algorithm>

namespace zarvo {

int UsbLink::enumerate(std::array<uint8_t, 15>& list, std::array<UnitIdentity, 15>* ids) {
  if (isOpen()) return 0;
  int count = 0;
  std::array<int, 15> slots{};
  for (int slot = 0; slot < kSlotCount; ++slot) {
    // A slot whose descriptor cannot be read counts as a device of another product.
    std::optional<uint16_t> pid = backend_.productId(slot);
    if (pid && *pid == kProductId) {
      slots[static_cast<size_t>(count)] = slot;
      list[static_cast<size_t>(count++)] = static_cast<uint8_t>(slot + 1);
    }
  }
  if (ids != nullptr) {
    const std::vector<UnitIdentity> now = backend_.identities();
    for (int k = 0; k < count; ++k) {
      const auto slot = static_cast<size_t>(slots[static_cast<size_t>(k)]);
      (*ids)[static_cast<size_t>(k)] = slot < now.size() ? now[slot] : UnitIdentity{};
    }
  }
  return count;
}

bool UsbLink::openUnit(const UnitIdentity& id, int slot) {
  if (isOpen() || !id.known()) return open(slot);
  const std::vector<UnitIdentity> now = backend_.identities();
  const auto at = std::find(now.begin(), now.end(), id);
  if (at == now.end()) {
    lastError_ = UsbError::NoDevice;
    return false;
  }
  if (!open(static_cast<int>(at - now.begin()))) return false;
  // The bus may have changed between the look and the open: the unit opened must be the one.
  const UnitIdentity opened = backend_.openIdentity();
  if (opened.known() && opened != id) {
    close();
    lastError_ = UsbError::NoDevice;
    return false;
  }
  return true;
}

bool UsbLink::open(int slot) {
  if (isOpen()) return true;
  if (slot < 0 || slot >= kSlotCount) {
    lastError_ = UsbError::NoDevice;
    openRefusal_ = UsbError::None;
    return false;
  }
  std::optional<uint16_t> pid = backend_.productId(slot);
  if (!pid || *pid != kProductId || !backend_.open(slot)) {
    lastError_ = pid ? backend_.lastError() : UsbError::NoDevice;
    openRefusal_ = lastError_ == UsbError::Busy || lastError_ == UsbError::AccessDenied ? lastError_ : UsbError::None;
    openSlot_ = -1;
    return false;
  }
  openSlot_ = slot;
  lastError_ = UsbError::None;
  openRefusal_ = UsbError::None;
  return true;
}

bool UsbLink::close() {
  if (!isOpen()) return false;
  backend_.close();
  openSlot_ = -1;
  return true;
}

bool UsbLink::ready() {
  if (isOpen()) return true;
  lastError_ = UsbError::NoDevice;
  return false;
}

bool UsbLink::finish(bool ok) {
  lastError_ = ok ? UsbError::None : backend_.lastError();
  return ok;
}

bool UsbLink::vendorIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length) {
  return ready() && finish(backend_.controlIn(request, value, index, data, length));
}

bool UsbLink::vendorOut(uint8_t request, uint16_t value, uint16_t index) {
  return ready() && finish(backend_.controlOut(request, value, index));
}

bool UsbLink::bulkWrite(const uint8_t* data, uint32_t n) { return ready() && finish(backend_.bulkWrite(data, n)); }

bool UsbLink::bulkRead(uint8_t* data, uint32_t n) { return ready() && finish(backend_.bulkRead(data, n)); }

}  // namespace zarvo
