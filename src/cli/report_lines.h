#pragma once
// Lines the terminal program adds to what the window shows: the IC image's CRC-32 beside
// the sum, and where a verify found the unit differing from the image.

#include <string>

#include "device/transfer.h"
#include "image/image_buffer.h"

namespace zarvo::cli {

// "CRC32: 1A2B3C4D", of image bytes 0 .. icSize - 1 (IcImageCrc32).
std::string CrcLine(const ImageBuffer& image, uint32_t icSize);

// "Verify: 3 bytes of the unit differ from the image; the first at 0x0000100: written 0x5A,
// read 0xA5" (addresses of the unit's memory).
std::string DifferenceText(const VerifyDifference& d);

}  // namespace zarvo::cli
