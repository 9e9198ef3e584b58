#include "image/byte_formats.h"

#include <algorithm>

namespace zarvo {

namespace {
constexpr uint32_t kExeHeader = 512;
}

bool LoadByteFormat(LoadContext& ctx, RawImage& raw, uint32_t format, uint32_t d, uint8_t fill,
                    bool fillFlag) {
  uint32_t count = raw.length;
  // The file's own bytes: what a source start skipped is fill at the end.
  uint32_t fileBytes = raw.length - std::min(raw.skipped, raw.length);
  if (format == kFormatExe) {
    if (raw.length < kExeHeader) {
      ctx.ui.messageBox("Format Error !", "Load", Icon::None, Buttons::Ok);
      raw.bytes.clear();
      return false;
    }
    // Dropping the header (rather than moving the body down over it) keeps the zero tail
    // right behind the body, so a lane never reads stale header bytes past the count.
    raw.bytes.erase(raw.bytes.begin(), raw.bytes.begin() + kExeHeader);
    count = raw.length - kExeHeader;
    fileBytes = fileBytes > kExeHeader ? fileBytes - kExeHeader : 0;
  }
  const DataRun data{0, fileBytes};
  return PlaceImage(ctx, raw.bytes, count, d, fill, fillFlag, std::span<const DataRun>(&data, 1), 0);
}

}  // namespace zarvo
