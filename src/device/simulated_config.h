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

// Fails the nth (from 1) request of one kind on the unit in a slot: a request letter
// (B C F L S T U) or W / R for a bulk write / read, which then moves only half its bytes.
struct SimFault {
  int slot = 0;
  char kind = 'B';
  uint32_t nth = 1;
};

struct SimConfig {
  std::array<SimSlot, kSlotCount> slots{};
  std::string dir;  // empty: memory lives in the process only, no files
  std::vector<SimFault> faults;
};

inline constexpr uint16_t kSimOtherProductId = 0x2000;

// "512Kx8,-,other,1024Kx8": slots from 0; "512Kx8" "1024Kx8" "512Kx16" units, "other" a
// device of another product, "-" or nothing an empty slot. Names match without regard to case.
bool ParseSimSlots(const std::string& text, SimConfig& config, std::string& error);
// "0:L:3,1:W:1": slot, request kind, which one.
bool ParseSimFaults(const std::string& text, SimConfig& config, std::string& error);
// The configuration the environment asks for; false with a reason for a malformed value.
bool SimConfigFromEnvironment(SimConfig& config, std::string& error);

// Memory capacity of a unit with a configuration code (0x80000 for 512K x 8, else 1 MiB).
uint32_t SimMemorySize(uint16_t configCode);

}  // namespace zarvo
