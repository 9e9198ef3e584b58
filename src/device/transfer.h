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

  // Blocks each pass sends and reads: N, but at least one, so a small IC is written and read.
  uint32_t blocksPerPass() const { return blocks > 0 ? blocks : 1; }
  // At least one pass, and one pass's blocks within the unit's memory: a 16-bit unit sends
  // two bytes per IC byte, so it holds 512K IC bytes, not its 1 MiB.
  bool fits() const;
};

// The geometry for IcSize and EmulationRange on a unit. position: the UnitList position of
// the unit to be written; its own configuration from the last self test counts (units of
// different configurations side by side), and a unit the self test did not read has none.
// Without a position, DeviceSize (the last unit tested). Nothing for no known configuration
// (the callers then transfer nothing). An EmulationRange of 0 counts as one pass rather
// than dividing by zero.
std::optional<Geometry> GeometryFor(const RunState& rs, int position = -1);
// The memory the image is repeated across for the unit at a position: its own capacity,
// or DeviceMemorySize when the self test did not read it.
uint32_t UnitMemoryFor(const RunState& rs, int position);

// What a run reports instead of downloading nothing: no known configuration, or an IC
// larger than the unit's memory (no pass fits).
inline constexpr const char* kNothingDownloadedUnknownSize = "Error !! Unknown device size, nothing downloaded...";
inline constexpr const char* kNothingDownloadedIcTooLarge =
    "Error !! IC size is larger than the unit memory, nothing downloaded...";
// The text a run ends with instead of downloading, or nullptr when the geometry can be sent.
const char* DownloadRefusal(const std::optional<Geometry>& g);

// Sends R passes of max(N, 1) blocks, each pass the first max(N, 1) x L image bytes. The
// image is first grown (with its fill byte) to what the blocks send, so nothing is read
// past it.
bool Download(DeviceContext& ctx, ImageBuffer& image, const Geometry& g);

// Where a read-back differed from the image.
struct VerifyDifference {
  uint32_t count = 0;         // differing bytes of the unit's memory (each address once)
  uint32_t firstAddress = 0;  // unit memory address of the first one read
  uint8_t written = 0;        // the image byte sent there
  uint8_t read = 0;           // the byte the unit gave back
};

struct VerifyResult {
  bool ok = false;  // false: a transfer failed (reported)
  VerifyDifference difference;
  bool differs() const { return difference.count > 0; }
  explicit operator bool() const { return ok; }
};

// Reads R + 1 passes of max(N, 1) blocks and compares each with the image; a difference
// sets rs.VerifyMismatch (never cleared here). Fails only when a transfer fails.
VerifyResult ReadBackVerify(DeviceContext& ctx, ImageBuffer& image, const Geometry& g);

}  // namespace zarvo
