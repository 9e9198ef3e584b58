#pragma once
// The formats stored as bytes: MS-DOS .exe (its 512-byte header dropped), .com, binary and
// POF (taken as they are). Every format code other than the three HEX codes comes here.

#include <cstdint>

#include "image/load_pipeline.h"
#include "image/raw_read.h"

namespace zarvo {

// Stores the raw copy at d: StoreImage with the fill flag set, CopyImage without. Start
// address d, end address d + count. A .exe under 512 bytes fails with "Format Error !".
bool LoadByteFormat(LoadContext& ctx, RawImage& raw, uint32_t format, uint32_t d, uint8_t fill,
                    bool fillFlag);

}  // namespace zarvo
