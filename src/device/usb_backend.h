#pragma once
// What the USB link needs of the system's USB layer: 15 slots ("device paths" 0..14),
// each of which may hold a device. Two implementations: LibusbBackend (real units) and
// SimulatedBackend (units that live in the process).
//
// Every call returns false when the request could not be carried out. A request the unit
// refused and a link that broke both fail, but are told apart by lastError() for logs.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/run_state.h"

namespace zarvo {

inline constexpr int kSlotCount = 15;
inline constexpr uint16_t kProductId = 0x0ACE;

// Busy: another program holds the unit (it has claimed it). AccessDenied: the unit is there
// but this user may not open it (no udev rule). Both only come from open.
enum class UsbError { None, NoDevice, Refused, LinkBroken, Timeout, Short, Busy, AccessDenied };

class UsbBackend {
 public:
  virtual ~UsbBackend() = default;

  // Product id of the device in a slot, or nothing when the slot is empty or its
  // descriptor cannot be read. Holds nothing open afterwards.
  virtual std::optional<uint16_t> productId(int slot) = 0;
  // Opens the device in a slot for requests; at most one is open at a time (UsbLink sees to it).
  virtual bool open(int slot) = 0;
  virtual void close() = 0;

  // Vendor control requests (request type 0xC0 IN with length bytes into data; 0x40 OUT
  // with no data stage).
  virtual bool controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length) = 0;
  virtual bool controlOut(uint8_t request, uint16_t value, uint16_t index) = 0;
  // Bulk transfers of exactly n bytes; fewer bytes moved is a failure.
  virtual bool bulkWrite(const uint8_t* data, uint32_t n) = 0;
  virtual bool bulkRead(uint8_t* data, uint32_t n) = 0;

  // The identity of the unit in each slot, slot 0 first, from one look at the bus; empty
  // when the layer cannot tell units apart (they are then known by their slot only).
  virtual std::vector<UnitIdentity> identities() { return {}; }
  // The identity of the unit open now (unknown when none is open).
  virtual UnitIdentity openIdentity() const { return {}; }

  virtual UsbError lastError() const { return UsbError::None; }
  // What went wrong in the last failed call, in the USB layer's words (for logs), or empty.
  virtual std::string lastErrorDetail() const { return {}; }
  virtual std::string describe() const = 0;  // "simulated units" / "libusb"
};

// The backend the environment asks for: SimulatedBackend when ZARVO_R5_SIM is set,
// LibusbBackend otherwise. A malformed ZARVO_R5_SIM gives a backend without units, and
// configError (when given) says why; it is emptied when the setting is sound.
std::unique_ptr<UsbBackend> MakeBackendFromEnvironment(std::string* configError = nullptr);

}  // namespace zarvo
