#pragma once
// The three memory configurations a unit reports in its status block, what each means for
// the transfer geometry and the unit memory size, and the status block's fields.

#include <array>
#include <cstdint>
#include <string>

namespace zarvo {

struct UnitConfig {
  uint16_t code;               // status bytes 10, 11
  const char* deviceSize;      // the DeviceSize text
  uint32_t capacity;           // for DeviceMemorySize
  uint32_t raiseThreshold;     // DeviceMemorySize is set only while below this
  uint32_t span;               // memory span C that the passes cover
  uint32_t blockLength;        // bytes per block on the wire
  const char* downloadFailText;
  const char* verifyFailText;
};

inline constexpr char kDeviceSize512x8[] = "512K * 8bit";
inline constexpr char kDeviceSize1024x8[] = "1024K * 8bit";
inline constexpr char kDeviceSize512x16[] = "512K * 16bit";

const std::array<UnitConfig, 3>& UnitConfigs();
// nullptr for a code or text that names no configuration.
const UnitConfig* ConfigByCode(uint16_t code);
const UnitConfig* ConfigByDeviceSize(const std::string& deviceSize);

// The 16-byte block CMD_STATUS returns.
struct StatusBlock {
  std::array<uint8_t, 16> bytes{};

  bool passed() const { return bytes[0] == 0 && bytes[1] == 0; }
  bool hasAddress() const { return bytes[2] != 0xFF; }
  bool hasData() const { return bytes[4] != 0xFF; }
  // Upper-case hex, high byte first: "1234".
  std::string addressHex() const { return Hex16(bytes[3], bytes[2]); }
  std::string dataHex() const { return Hex16(bytes[5], bytes[4]); }
  std::string pageHex() const { return Hex16(bytes[7], bytes[6]); }
  uint16_t configCode() const { return static_cast<uint16_t>(bytes[10] | (bytes[11] << 8)); }

  static std::string Hex16(uint8_t high, uint8_t low);
};

}  // namespace zarvo
