#include "image/tables.h"

#include <algorithm>

namespace zarvo {

const std::array<IcType, 10> kIcSizeTable{{
    {"      2K * 8 Bits", "/16", "/2716", 0x800},
    {"      4K * 8 Bits", "/32", "/2732", 0x1000},
    {"      8K * 8 Bits", "/64", "/2764", 0x2000},
    {"    16K * 8 Bits", "/128", "/27128", 0x4000},
    {"    32K * 8 Bits", "/256", "/27256", 0x8000},
    {"    64K * 8 Bits", "/512", "/27512", 0x10000},
    {"  128K * 8 Bits", "/010", "/27010", 0x20000},
    {"  256K * 8 Bits", "/020", "/27020", 0x40000},
    {"  512K * 8 Bits", "/040", "/27040", 0x80000},
    {"1024K * 8 Bits", "/080", "/27080", 0x100000},
}};

const std::array<DataSet, 7> kDataSetTable{{
    {"  8 Bit Every", "/8BIT_Every", 0, 1},
    {"16 Bit_Even", "/16BIT_EVEN", 0, 2},
    {"16 Bit_Odd", "/16BIT_ODD", 1, 2},
    {"32 Bit_1st", "/32BIT_1ST", 0, 4},
    {"32 Bit_2nd", "/32BIT_2ND", 1, 4},
    {"32 Bit_3rd", "/32BIT_3RD", 2, 4},
    {"32 Bit_4th", "/32BIT_4TH", 3, 4},
}};

uint32_t SwitchToIcSize(std::string_view text) {
  for (const IcType& t : kIcSizeTable) {
    if (text == t.shortSwitch || text == t.longSwitch) return t.size;
  }
  return 0;
}

void SetIcType(RunState& rs, std::string_view text) {
  if (uint32_t size = SwitchToIcSize(text)) rs.IcSize = size;
  rs.EmulationRange = rs.IcSize;
  if (rs.SizeHighWater < rs.IcSize) rs.SizeHighWater = rs.IcSize;
}

void IcSizeToSwitch(RunState& rs, uint32_t size) {
  for (const IcType& t : kIcSizeTable) {
    if (t.size == size) {
      rs.IcSwitchText = t.shortSwitch;
      return;
    }
  }
}

std::optional<uint32_t> SmallestIcSize(uint32_t n) {
  for (const IcType& t : kIcSizeTable) {
    if (t.size >= n) return t.size;
  }
  return std::nullopt;
}

void SmallestIcFor(RunState& rs, uint32_t n) {
  if (auto s = SmallestIcSize(n)) rs.EmulationRange = *s;
}

std::optional<int> IcItemForSize(uint32_t size) {
  for (size_t i = 0; i < kIcSizeTable.size(); ++i) {
    if (kIcSizeTable[i].size == size) return static_cast<int>(i);
  }
  return std::nullopt;
}

Lane LaneOf(std::string_view sw, Ui& ui) {
  // Tried in this order; "/8BIT_Every" last.
  static constexpr int kOrder[] = {1, 2, 3, 4, 5, 6, 0};
  for (int i : kOrder) {
    const DataSet& d = kDataSetTable[static_cast<size_t>(i)];
    if (sw == d.switchText) return {d.lane, d.stride};
  }
  ui.appendMessage("Error !! Even/Odd command illegal ... [ Using Default ]");
  return {0, 1};
}

uint32_t SelectBytes(std::span<const uint8_t> src, uint32_t count, Lane lane, uint32_t b,
                     std::span<uint8_t> dst, uint32_t d) {
  if (lane.stride == 0) lane.stride = 1;
  if (lane.stride == 1) {
    // Every byte: one bounded block copy (the common case, a whole 1 MiB image).
    const uint64_t from = static_cast<uint64_t>(b) + lane.lane;
    if (from >= src.size() || d >= dst.size()) return 0;
    const uint64_t n = std::min<uint64_t>({count, src.size() - from, dst.size() - d});
    std::copy_n(src.begin() + static_cast<std::ptrdiff_t>(from), n, dst.begin() + static_cast<std::ptrdiff_t>(d));
    return static_cast<uint32_t>(n);
  }
  uint32_t k = 0;
  const uint64_t stop = static_cast<uint64_t>(b) + count;
  for (uint64_t p = b; p < stop; p += lane.stride) {
    const uint64_t from = p + lane.lane;
    const uint64_t to = static_cast<uint64_t>(d) + k;
    if (from >= src.size() || to >= dst.size()) break;
    dst[to] = src[from];
    ++k;
  }
  return k;
}

void Mirror(std::span<uint8_t> dst, uint32_t range, uint32_t memory) {
  if (range == 0 || range > dst.size()) return;
  const uint32_t copies = memory / range;
  for (uint64_t i = 1; i < copies; ++i) {
    const uint64_t at = i * range;
    if (at + range > dst.size()) break;
    std::copy_n(dst.begin(), range, dst.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

}  // namespace zarvo
