// Arbitrary bytes as the firmware file the CLI checks before a load (the warnings of
// `image`, the findings of `check`): every format code, with and without an IC size and a
// chunk. Nothing may fault, and every note is one sentence without a trailing full stop.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "cli/file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static constexpr int kFormats[] = {0, 1, 3, 4, 5, 6, 7, 2};
  const int format = kFormats[data[0] & 7];
  const uint32_t icSize = (data[0] & 0x08) ? 0x10000 : 0;
  const int64_t chunk = (data[0] >> 4) & 3;
  const zarvo::cli::FileFindings f =
      zarvo::cli::CheckFirmwareText(std::span<const uint8_t>(data + 1, size - 1), format, icSize, "/27512", chunk);
  for (const std::string& note : f.notes) {
    if (note.empty() || note.back() == '.' || note.find('\n') != std::string::npos) std::abort();
  }
  return 0;
}
