// Batch script lines come from .bat files anyone can write: the parser must take any bytes
// without reading outside the line, and leave only values the runner can act on.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "batch/batch_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  zarvo::RunState rs;
  zarvo::ResetBatchLine(rs, "0000000");
  std::string error;
  zarvo::LineScan scan;
  const bool ok = zarvo::ParseBatchLine(rs, line, error, &scan);
  if (ok != error.empty()) std::abort();
  // What the scan reports is the line itself: each switch lies inside it, starts with its
  // "/", and its text is the written switch upper-cased without blanks (the check quotes
  // both, so they must agree with what the run applied).
  for (const zarvo::ScannedSwitch& sw : scan.switches) {
    if (sw.begin >= sw.end || sw.end > size || line[sw.begin] != '/') std::abort();
    if (!sw.applied) continue;
    std::string written;
    for (size_t i = sw.begin; i < sw.end; ++i)
      if (line[i] != ' ') written += static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
    if (written != sw.text) std::abort();
  }
  if (scan.ignoredFrom != std::string_view::npos && scan.ignoredFrom > size) std::abort();
  if (!ok) return 0;
  // The limit counts the line without the blanks that pad it and its line end.
  const size_t used = line.find_last_not_of(" \t\r\n");
  if (used != std::string_view::npos && used + 1 > zarvo::kMaxBatchLine) std::abort();
  if (rs.SourceFileName.size() > size && rs.SourceFileName != "0") std::abort();
  if (rs.UnitText.size() != 1 || rs.UnitText[0] < '1' || rs.UnitText[0] > '4') std::abort();
  int64_t chunk = 0;
  if (!zarvo::ParseChunkNumber(rs.ChunkText, chunk)) std::abort();
  if (rs.StartText.size() > zarvo::kMaxSwitch) std::abort();
  return 0;
}
