#include "cli/report_lines.h"

#include <cstdio>

namespace zarvo::cli {

std::string CrcLine(const ImageBuffer& image, uint32_t icSize) { return "CRC32: " + Hex8(IcImageCrc32(image, icSize)); }

std::string DifferenceText(const VerifyDifference& d) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "Verify: %u byte%s of the unit differ%s from the image; the first at 0x%s: written 0x%02X, read 0x%02X",
                d.count, d.count == 1 ? "" : "s", d.count == 1 ? "s" : "", Hex7(d.firstAddress).c_str(), d.written, d.read);
  return buf;
}

}  // namespace zarvo::cli
