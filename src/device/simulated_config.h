#pragma once
// What the simulated units look like: one entry per slot, a directory that keeps their
// memory and request logs, and the requests that are to fail. Filled from the environment
// (ZARVO_R5_SIM, ZARVO_R5_SIM_DIR, ZARVO_R5_SIM_FAIL) or by tests directly.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/usb_backend.h"

namespace zarvo {

enum class SimSlotKind { Empty, Other, Unit };

struct SimSlot {
  SimSlotKind kind = SimSlotKind::Empty;
  uint16_t configCode = 0;  // a unit's configuration code: 0x0040, 0x0080 or 0x0041
};

// What happens to the nth request of a kind.
enum class SimFaultAction {
  Fail,  // refused; a bulk transfer moves only half its bytes (a short transfer)
  Flip,  // a bulk transfer succeeds with one byte inverted: in the memory (W) or in what
         // the host receives (R), so a verify finds a difference
  Hang,  // no answer until the link's timeout, then UsbError::Timeout
};

// The nth (from 1) request of one kind on the unit in a slot: a request letter
// (B C F L S T U) or W / R for a bulk write / read.
struct SimFault {
  int slot = 0;
  char kind = 'B';
  uint32_t nth = 1;
  SimFaultAction action = SimFaultAction::Fail;
};

// How long a hung request keeps the caller waiting, as the libusb layer's transfer timeout.
inline constexpr unsigned kSimDefaultTimeoutMs = 3000;

struct SimConfig {
  std::array<SimSlot, kSlotCount> slots{};
  // Empty: memory lives in the process only, no files. Otherwise the units' memory and
  // request logs live there, and a file "slots" there (when present) is the slot list now,
  // read at every request: another process plugs and pulls units by rewriting it.
  std::string dir;
  std::vector<SimFault> faults;
  unsigned timeoutMs = kSimDefaultTimeoutMs;
};

inline constexpr uint16_t kSimOtherProductId = 0x2000;

// "512Kx8,-,other,1024Kx8": slots from 0; "512Kx8" "1024Kx8" "512Kx16" units, "other" a
// device of another product, "-" or nothing an empty slot. Names match without regard to case.
bool ParseSimSlots(const std::string& text, SimConfig& config, std::string& error);
// "0:L:3,1:W:1,0:FLIPR:2,1:HANGB:1": slot, request kind (a letter fails it, FLIPW / FLIPR
// corrupt a bulk transfer, HANG and a letter hangs it), which one. Kinds in any case.
bool ParseSimFaults(const std::string& text, SimConfig& config, std::string& error);
// The slot list in ZARVO_R5_SIM's form; false with a reason when it is malformed.
bool ParseSlotList(const std::string& text, std::array<SimSlot, kSlotCount>& slots, std::string& error);
// The configuration the environment asks for; false with a reason for a malformed value.
bool SimConfigFromEnvironment(SimConfig& config, std::string& error);

// Memory capacity of a unit with a configuration code (0x80000 for 512K x 8, else 1 MiB).
uint32_t SimMemorySize(uint16_t configCode);

}  // namespace zarvo
