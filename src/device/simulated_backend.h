#pragma once
// Units that live in the process. Each answers the seven requests and the bulk transfers
// as a real unit does: status block, block select, load and read of blocks (block k at
// memory offset k x length, modulo the memory size), mode, reset line, LED. With a
// directory, unit N+1 of slot N keeps its memory in unitN+1.bin (kept between runs like a
// powered unit) and appends one line per request to unitN+1.log, and the file "slots"
// there, while it exists, says which slots hold what (another process plugs and pulls).
// An open unit with a file is locked (an exclusive lock on unitN+1.bin, as a real unit is
// claimed): another process, or another backend, finds it busy until it is closed, and each
// open takes the memory from the file, so two processes never drive two private copies.
//
// The slots of the list are the sockets units sit in. The link counts as libusb does: its
// device path k is the k-th unit attached now, in slot order (devices of other products
// take none), so a pull moves the units after it up. A unit's identity is its slot, as the
// port path "1-<slot + 1>", and a number given anew at every plug.
//
// Log lines: a control request is its letter, value and index in 4 upper-case hex digits
// ("L 8000 2000"); a bulk transfer is W or R and the byte count in decimal ("W 8192"). A
// request that failed ends in " FAIL", a bulk transfer with a byte inverted in " FLIP".

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/simulated_config.h"
#include "device/usb_backend.h"

namespace zarvo {

struct SimRequest {
  char kind;  // request letter, or W / R for bulk transfers
  uint16_t value = 0;
  uint16_t index = 0;
  uint32_t count = 0;  // bulk byte count
  bool failed = false;
  bool flipped = false;  // a bulk transfer that inverted one byte
  std::string text() const;
};

class SimUnit {
 public:
  SimUnit(int slot, uint16_t configCode, const std::string& dir);
  ~SimUnit();
  SimUnit(const SimUnit&) = delete;
  SimUnit& operator=(const SimUnit&) = delete;

  // Status block fields a test may set: state 0 passes; 0xFF in the low byte of address or
  // data means none.
  uint16_t state = 0;
  uint16_t failAddress = 0xFFFF;
  uint16_t failData = 0xFFFF;
  uint16_t page = 0;
  uint16_t configCode;

  std::vector<uint8_t> memory;
  uint16_t mode = 0;
  int resetLevel = 1;
  std::vector<int> resetHistory;  // every level the reset line was set to
  bool led = false;
  std::vector<int> ledHistory;  // every LED level sent
  std::vector<SimRequest> log;

  std::vector<std::string> logLines() const;
  // The nth request of a kind from now on (1: the next one) fails, or flips a byte, or hangs.
  void failNext(char kind, uint32_t nth = 1, SimFaultAction action = SimFaultAction::Fail);
  // How long a hung request waits before it fails with UsbError::Timeout.
  unsigned timeoutMs = kSimDefaultTimeoutMs;
  std::array<uint8_t, 16> statusBlock() const;
  // Why the last request failed, or None.
  UsbError lastError = UsbError::None;
  // A problem with the unit's files, or empty.
  std::string fileError;
  // An open refused with this error, when set (AccessDenied: a unit this user may not open).
  UsbError openError = UsbError::None;

  // Takes the unit for one opener: false (Busy) while another holds its file's lock; then
  // its memory is what the file holds now. Without a file there is nothing to share.
  bool acquire();
  void release();

  bool control(char letter, uint16_t value, uint16_t index, uint8_t* data, uint16_t length);
  bool bulkWrite(const uint8_t* data, uint32_t n);
  bool bulkRead(uint8_t* data, uint32_t n);

 private:
  // The fault set for this request of a kind (counted from 1 per kind), if any.
  std::optional<SimFaultAction> injected(char kind);
  void hang();
  // One bulk transfer of n bytes at the selected block: kind 'W' copies from, 'R' copies to.
  bool bulk(char kind, const uint8_t* from, uint8_t* to, uint32_t n);
  void record(const SimRequest& r);
  void persist(uint32_t offset, uint32_t n);
  // The memory from the unit's file, 0xFF past its end; the bytes the file gave.
  size_t readMemory();

  int slot_;
  uint16_t block_ = 0;
  char pending_ = 0;  // 'L' or 'F' after an announce, until the bulk transfer
  uint16_t pendingLength_ = 0;
  std::array<uint32_t, 128> counts_{};
  struct Pending {
    char kind;
    uint32_t at;  // the request count of the kind it applies to
    SimFaultAction action;
  };
  std::vector<Pending> faults_;
  std::FILE* bin_ = nullptr;
  std::FILE* logFile_ = nullptr;
};

class SimulatedBackend final : public UsbBackend {
 public:
  // error: a reason the configuration could not be taken, kept for error() and describe().
  explicit SimulatedBackend(const SimConfig& config, std::string error = {});
  // From a ZARVO_R5_SIM-style slot list; a malformed list gives no units and error().
  explicit SimulatedBackend(const std::string& slots);

  std::optional<uint16_t> productId(int slot) override;
  bool open(int slot) override;
  void close() override;
  bool controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length) override;
  bool controlOut(uint8_t request, uint16_t value, uint16_t index) override;
  bool bulkWrite(const uint8_t* data, uint32_t n) override;
  bool bulkRead(uint8_t* data, uint32_t n) override;
  std::vector<UnitIdentity> identities() override;
  UnitIdentity openIdentity() const override;
  UsbError lastError() const override { return lastError_; }
  std::string describe() const override;

  // The slot of the unit at a device path (the k-th unit attached now), or -1.
  int slotAt(int devicePath) const;
  // The port path a unit in a slot shows: "1-<slot + 1>".
  static std::string PortOf(int slot);

  // The unit in a slot, or nullptr for an empty slot or another product's device.
  SimUnit* unit(int slot);
  // Plugs a unit of a configuration into an empty slot, or pulls the one in a slot out (an
  // open unit is closed: the link is broken). For tests of units that come and go.
  SimUnit* attach(int slot, uint16_t configCode);
  void detach(int slot);
  // Makes the slots what DIR/slots says now, or what the configuration said when there is
  // no such file; every request does this first. A malformed file changes nothing.
  void followSlotsFile();
  // Which slot (of the list, not the device path) is open, -1 for none.
  int openSlot() const { return open_; }
  // Problems with the configuration or the unit files; empty when all is well.
  const std::string& error() const { return error_; }

 private:
  void build(const SimConfig& config);
  // Puts what a slot entry names into a slot, pulling what was there first.
  void place(int slot, const SimSlot& entry);
  // The open unit; nullptr, with lastError_ set, when none is open.
  SimUnit* current();
  // Takes the unit's lastError after a request it carried and passes its outcome on.
  bool settle(const SimUnit& u, bool ok);

  std::array<SimSlot, kSlotCount> slots_{};
  std::array<SimSlot, kSlotCount> configured_{};  // the slots without a slots file
  std::string dir_;
  unsigned timeoutMs_ = kSimDefaultTimeoutMs;
  std::string slotsText_;       // the slots file's content last applied (empty: none)
  bool pulledWhileOpen_ = false;  // the open unit went away: its requests find a broken link
  std::array<std::unique_ptr<SimUnit>, kSlotCount> units_{};
  std::array<uint32_t, kSlotCount> plug_{};  // the plug number of the unit in each slot
  uint32_t plugs_ = 0;
  int open_ = -1;
  UsbError lastError_ = UsbError::None;
  std::string error_;
};

}  // namespace zarvo
