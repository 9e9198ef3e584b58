#include "image/load_keys.h"

namespace zarvo::keys {

std::string DeviceSection(int device) { return "Device" + std::to_string(device); }

}  // namespace zarvo::keys

namespace zarvo {

std::optional<uint32_t> ParseHexText(std::string_view text) {
  if (text.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : text) {
    uint32_t d;
    if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
    else return std::nullopt;
    v = v * 16 + d;
  }
  return v;
}

std::optional<uint32_t> ParseDecimalText(std::string_view text) {
  if (text.empty()) return std::nullopt;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<uint32_t>(v);
}

}  // namespace zarvo
