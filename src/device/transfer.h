#pragma once
// Download of the image into the open unit and read-back verify, block by block. An image
// for an IC smaller than the unit's memory is sent again in every pass, so the whole memory
// holds copies of it; verify reads one pass more than download writes.

#include <cstdint>
#include <optional>

#include "device/device_context.h"
#include "device/unit_config.h"
#include "image/image_buffer.h"

namespace zarvo {

struct Geometry {
  uint32_t passes = 0;       // R = memory span / EmulationRange
  uint32_t blocks = 0;       // N = IcSize / 8192 (0 for ICs below 8 KiB)
  uint32_t blockLength = 0;  // L = 8192, or 16384 on a 16-bit unit
  const UnitConfig* config = nullptr;
};

// The geometry for rs.DeviceSize, IcSize and EmulationRange; nothing for a DeviceSize that
// names no configuration (the callers then transfer nothing). An EmulationRange of 0 counts
// as one pass rather than dividing by zero.
// position: the UnitList position of the unit to be written, whose own configuration then
// counts (units of different configurations side by side); DeviceSize when it was not tested.
std::optional<Geometry> GeometryFor(const RunState& rs, int position = -1);

// What a run reports instead of downloading nothing: no known configuration, or an IC
// larger than the unit's memory (no pass fits).
inline constexpr const char* kNothingDownloadedUnknownSize = "Error !! Unknown device size, nothing downloaded...";
inline constexpr const char* kNothingDownloadedIcTooLarge =
    "Error !! IC size is larger than the unit memory, nothing downloaded...";

// Sends R passes of max(N, 1) blocks, each pass the first N x L image bytes. The image is
// first grown (with its fill byte) to what the blocks send, so nothing is read past it.
bool Download(DeviceContext& ctx, ImageBuffer& image, const Geometry& g);
// Reads R + 1 passes of N blocks and compares each with the image; a difference sets
// rs.VerifyMismatch (never cleared here). Fails only when a transfer fails.
bool ReadBackVerify(DeviceContext& ctx, ImageBuffer& image, const Geometry& g);

}  // namespace zarvo
