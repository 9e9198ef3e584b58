#include "device/unit_config.h"

#include <cstdio>

namespace zarvo {

const std::array<UnitConfig, 3>& UnitConfigs() {
  static constexpr std::array<UnitConfig, 3> kConfigs{{
      {0x0040, kDeviceSize512x8, 0x80000, 8192, 0x80000, 8192, "Error !! DownLoad 512K * 8bit Fail...",
       "Error !! Read 512K * 8bit Fail..."},
      {0x0080, kDeviceSize1024x8, 0x100000, 8192, 0x100000, 8192, "Error !! DownLoad 1024K * 8bit Fail...",
       "Error !! Read 1024K * 8bit Fail..."},
      {0x0041, kDeviceSize512x16, 0x100000, 16384, 0x100000, 16384, "Error !! DownLoad 512K * 16bit Fail...",
       "Error !! Read 512K * 16bit Fail..."},
  }};
  return kConfigs;
}

const UnitConfig* ConfigByCode(uint16_t code) {
  for (const UnitConfig& c : UnitConfigs())
    if (c.code == code) return &c;
  return nullptr;
}

const UnitConfig* ConfigByDeviceSize(const std::string& deviceSize) {
  for (const UnitConfig& c : UnitConfigs())
    if (deviceSize == c.deviceSize) return &c;
  return nullptr;
}

std::string StatusBlock::Hex16(uint8_t high, uint8_t low) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X%02X", high, low);
  return buf;
}

}  // namespace zarvo
