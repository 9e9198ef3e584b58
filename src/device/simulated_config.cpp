#include "device/simulated_config.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "base/text.h"

namespace zarvo {

namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (true) {
    size_t next = text.find(sep, pos);
    parts.push_back(text.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  return parts;
}

bool ParseUnsigned(const std::string& s, uint32_t max, uint32_t& out) {
  if (s.empty() || s.size() > 9) return false;
  uint32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  if (v > max) return false;
  out = v;
  return true;
}

}  // namespace

uint32_t SimMemorySize(uint16_t configCode) { return configCode == 0x0040 ? 0x80000u : 0x100000u; }

bool ParseSimSlots(const std::string& text, SimConfig& config, std::string& error) {
  return ParseSlotList(text, config.slots, error);
}

bool ParseSlotList(const std::string& text, std::array<SimSlot, kSlotCount>& out, std::string& error) {
  std::vector<std::string> names = Split(text, ',');
  if (names.size() > static_cast<size_t>(kSlotCount)) {
    error = "ZARVO_R5_SIM names " + std::to_string(names.size()) + " slots; there are 15";
    return false;
  }
  std::array<SimSlot, kSlotCount> slots{};
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string name = Lower(Trim(names[i]));
    SimSlot& s = slots[i];
    if (name.empty() || name == "-") {
      s.kind = SimSlotKind::Empty;
    } else if (name == "other") {
      s.kind = SimSlotKind::Other;
    } else if (name == "512kx8" || name == "1024kx8" || name == "512kx16") {
      s.kind = SimSlotKind::Unit;
      s.configCode = name == "512kx8" ? 0x0040 : name == "1024kx8" ? 0x0080 : 0x0041;
    } else {
      error = "ZARVO_R5_SIM: slot " + std::to_string(i) + " is '" + Trim(names[i]) +
              "'; use 512Kx8, 1024Kx8, 512Kx16, other or -";
      return false;
    }
  }
  out = slots;
  return true;
}

bool ParseSimFaults(const std::string& text, SimConfig& config, std::string& error) {
  std::vector<SimFault> faults;
  for (const std::string& raw : Split(text, ',')) {
    const std::string item = Trim(raw);
    if (item.empty()) continue;
    std::vector<std::string> f = Split(item, ':');
    uint32_t slot = 0, nth = 0;
    std::string kind = f.size() == 3 ? Upper(Trim(f[1])) : "";
    SimFaultAction action = SimFaultAction::Fail;
    if (kind.size() == 5 && kind.compare(0, 4, "FLIP") == 0 && (kind[4] == 'W' || kind[4] == 'R')) {
      action = SimFaultAction::Flip;
      kind.erase(0, 4);
    } else if (kind.size() == 5 && kind.compare(0, 4, "HANG") == 0) {
      action = SimFaultAction::Hang;
      kind.erase(0, 4);
    }
    if (f.size() != 3 || !ParseUnsigned(Trim(f[0]), kSlotCount - 1, slot) || kind.size() != 1 ||
        std::string("BCFLSTUWR").find(kind[0]) == std::string::npos || !ParseUnsigned(Trim(f[2]), 999999999, nth) ||
        nth == 0) {
      error = "ZARVO_R5_SIM_FAIL: '" + item +
              "' is not SLOT:KIND:N (slot 0-14; kind one of B C F L S T U W R, FLIPW, FLIPR, or HANG and one of "
              "those letters; N from 1)";
      return false;
    }
    faults.push_back({static_cast<int>(slot), kind[0], nth, action});
  }
  config.faults.insert(config.faults.end(), faults.begin(), faults.end());
  return true;
}

bool SimConfigFromEnvironment(SimConfig& config, std::string& error) {
  const char* sim = std::getenv("ZARVO_R5_SIM");
  if (!ParseSimSlots(sim ? sim : "", config, error)) return false;
  const char* dir = std::getenv("ZARVO_R5_SIM_DIR");
  config.dir = dir ? dir : "";
  const char* timeout = std::getenv("ZARVO_R5_SIM_TIMEOUT_MS");
  if (timeout && *timeout) {
    uint32_t ms = 0;
    if (!ParseUnsigned(Trim(timeout), 3600000, ms)) {
      error = std::string("ZARVO_R5_SIM_TIMEOUT_MS: '") + timeout + "' is not a number of milliseconds (0-3600000)";
      return false;
    }
    config.timeoutMs = ms;
  }
  const char* fail = std::getenv("ZARVO_R5_SIM_FAIL");
  return ParseSimFaults(fail ? fail : "", config, error);
}

}  // namespace zarvo
