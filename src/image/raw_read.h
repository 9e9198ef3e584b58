#pragma once
// The whole source file read into memory, the first step of every load. The HEX readers
// parse this copy; the byte formats store it nearly as it is.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/large_bytes.h"
#include "image/load_pipeline.h"

namespace zarvo {

struct RawImage {
  // The whole file, then 1024 zero bytes: length + 1024 bytes in all. Once the source
  // start is applied (byte formats only): the file bytes from the source start on, then as
  // many UserFill bytes as the start skipped, then the zeros.
  LargeBytes bytes;
  uint32_t length = 0;       // L, the file length
  uint32_t sourceStart = 0;  // [LoadDlg] SourceSAdd, clamped to L
  uint8_t skipFill = 1;      // [LoadDlg] UserFill (default 1): what the skip leaves at the end
  std::string name;          // the file this copy was read from
  int detected = -1;         // the silent detection's code for this copy, once it ran
  uint32_t skipped = 0;      // what the applied source start took off the front

  std::span<const uint8_t> text() const { return {bytes.data(), length}; }
};

// Files above this length are refused as "Memory error.": no EPROM image comes near it,
// and it keeps every offset sum inside 32 bits.
inline constexpr uint32_t kMaxRawFileLength = 256u << 20;

// Reads [LoadDlg] Name, SourceSAdd (default 0) and UserFill (default 1), grows the image to
// at least L + 1024 bytes and reads the whole file. The source start is not applied here:
// detection and the HEX readers always see the file from its first character (a start
// address shifts a binary, never the text of a HEX file). A copy that already holds the
// same file, read earlier in the same load for detection, is kept rather than read again.
// An empty name or an empty file fails without a message.
bool ReadRawFile(LoadContext& ctx, RawImage& raw);

// The silent detection of the copy (DetectFormatOf: 4, 5, 6 or 3), run once per copy: a
// load asks for it up to three times (the request's format, Auto Detect, the check before
// the chosen reader), and on a large Motorola file each run reads every record.
uint32_t DetectedFormat(RawImage& raw, Ui& ui);

// Moves the file bytes from the source start down to offset 0 and puts the UserFill value
// where the skipped bytes would have been; for the byte formats, before they are stored.
void ApplySourceStart(RawImage& raw);

// The dispatch that follows the raw read: format from [LoadDlg] Format (0 detects, with the
// "Auto detect" messages), destination DistSAdd, fill UserFill and UnuserFillCheck; then the
// HEX reader's two passes or the byte-format store. Defined with the load pipeline.
bool DispatchRaw(LoadContext& ctx, RawImage& raw);

// The silent Auto Detect: reads the file named by [LoadDlg] Name (growing the image as the
// raw read does) and tries Intel, Motorola, Tektronix; 4, 5, 6, or 3 for binary (also when
// the file cannot be read).
uint32_t DetectFormat(LoadContext& ctx);
// The same, leaving the copy it read in raw for the load that follows.
uint32_t DetectFormat(LoadContext& ctx, RawImage& raw);

}  // namespace zarvo
