#pragma once
// The whole source file read into memory, the first step of every load. The HEX readers
// parse this copy; the byte formats store it nearly as it is.

#include <cstdint>
#include <span>
#include <vector>

#include "image/load_pipeline.h"

namespace zarvo {

struct RawImage {
  // The file bytes from the source start on, then as many UserFill bytes as the start
  // skipped, then 1024 zero bytes: length + 1024 bytes in all.
  std::vector<uint8_t> bytes;
  uint32_t length = 0;  // L, the file length

  std::span<const uint8_t> text() const { return {bytes.data(), length}; }
};

// Files above this length are refused as "Memory error.": no EPROM image comes near it,
// and it keeps every offset sum inside 32 bits.
inline constexpr uint32_t kMaxRawFileLength = 256u << 20;

// Reads [LoadDlg] Name, SourceSAdd (default 0) and UserFill (default 1), grows the image to
// at least L + 1024 bytes and reads the file from the source start; the source end and the
// format do not change what is read. An empty name or an empty file fails without a message.
bool ReadRawFile(LoadContext& ctx, RawImage& raw);

// The dispatch that follows the raw read: format from [LoadDlg] Format (0 detects, with the
// "Auto detect" messages), destination DistSAdd, fill UserFill and UnuserFillCheck; then the
// HEX reader's two passes or the byte-format store. Defined with the load pipeline.
bool DispatchRaw(LoadContext& ctx, RawImage& raw);

// The silent Auto Detect: reads the file named by [LoadDlg] Name (growing the image as the
// raw read does) and tries Intel, Motorola, Tektronix; 4, 5, 6, or 3 for binary (also when
// the file cannot be read).
uint32_t DetectFormat(LoadContext& ctx);

}  // namespace zarvo
