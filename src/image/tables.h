#pragma once
// The IC-type table (2K .. 1024K x 8 bits) and the data-set table (byte lanes), with the
// byte-selection and mirroring rules that StoreImage applies.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/run_state.h"
#include "base/ui.h"

namespace zarvo {

struct IcType {
  const char* comboText;
  const char* shortSwitch;
  const char* longSwitch;
  uint32_t size;
};
extern const std::array<IcType, 10> kIcSizeTable;
// Item 9 of the window-mode IC-type lists, in place of row 9.
inline constexpr const char* kAutoDetectText = "   Auto Detect";

struct DataSet {
  const char* comboText;
  const char* switchText;
  uint32_t lane;
  uint32_t stride;
};
extern const std::array<DataSet, 7> kDataSetTable;

// Row of a short or long switch; no match gives 0.
uint32_t SwitchToIcSize(std::string_view text);
// Sets IcSize from a switch (unknown text keeps it), then EmulationRange = IcSize and
// SizeHighWater raised to IcSize.
void SetIcType(RunState& rs, std::string_view text);
// IcSwitchText = the short switch of the row of that size; other sizes change nothing.
void IcSizeToSwitch(RunState& rs, uint32_t size);
// EmulationRange = the smallest table size >= n; n above 1 MiB changes nothing.
void SmallestIcFor(RunState& rs, uint32_t n);
// The smallest table size >= n, or nothing above 1 MiB.
std::optional<uint32_t> SmallestIcSize(uint32_t n);
// Item index of the window-mode IC-type list for a table size (2048 -> 0 .. 1048576 -> 9).
std::optional<int> IcItemForSize(uint32_t size);

struct Lane {
  uint32_t lane = 0;
  uint32_t stride = 1;
};
// Lane and stride of a data-set switch; an unknown switch gives every byte and, unless it
// is "/8BIT_Every", appends "Error !! Even/Odd command illegal ... [ Using Default ]".
Lane LaneOf(std::string_view switchText, Ui& ui);

// Byte selection: from source offset b, every stride-th byte of count source bytes at lane,
// written from d. Never reads past src nor writes past dst. Returns the bytes written.
uint32_t SelectBytes(std::span<const uint8_t> src, uint32_t count, Lane lane, uint32_t b,
                     std::span<uint8_t> dst, uint32_t d);
// Repeats image bytes 0 .. range-1 memory/range times; only whole copies inside dst.
void Mirror(std::span<uint8_t> dst, uint32_t range, uint32_t memory);

}  // namespace zarvo
