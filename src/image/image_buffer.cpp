#include "image/image_buffer.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <zlib.h>

namespace zarvo {

namespace {
constexpr uint32_t kSlack = 2000;
constexpr uint32_t kSizeSlack = 1024;
constexpr size_t kMappedStep = size_t{2} << 20;
}  // namespace

ImageBuffer::ImageBuffer() : storage_(9216, 0xFF), size_(8192) {}

bool ImageBuffer::resize(uint32_t count, RunState& rs, Ui& ui) {
  if (rs.SizeHighWater < count) rs.SizeHighWater = count;
  const size_t wanted = static_cast<size_t>(count) + kSlack;
  const uint64_t newSize = std::max<uint64_t>(size_, static_cast<uint64_t>(count) + kSizeSlack);
  try {
    // Never shrink below what size() promises; new bytes are zero. A new block is taken at
    // the exact size (not doubled), or for a mapped block up to its 2 MiB page, which the
    // mapping holds anyway: the raw read's growth by 1024 bytes after the dialog's then
    // needs no second block and no copy of megabytes.
    const size_t target = std::max<size_t>(wanted, static_cast<size_t>(newSize));
    if (target > storage_.capacity())
      storage_.reserve(MapsLargeBlock(target) ? (target + kMappedStep - 1) / kMappedStep * kMappedStep : target);
    storage_.resize(target, 0);
  } catch (const std::bad_alloc&) {
    ui.messageBox("Memory error !", "Buffer Resize.", Icon::None, Buttons::Ok);
    return false;
  } catch (const std::length_error&) {
    ui.messageBox("Memory error !", "Buffer Resize.", Icon::None, Buttons::Ok);
    return false;
  }
  size_ = static_cast<uint32_t>(std::min<uint64_t>(newSize, 0xFFFFFFFFu));
  return true;
}

bool ImageBuffer::growToHighWater(RunState& rs, Ui& ui) {
  uint32_t target = std::max(rs.SizeHighWater, rs.SizeHighWaterMax);
  rs.SizeHighWaterMax = target;
  return resize(target, rs, ui);
}

bool ImageBuffer::growTo(uint32_t count, RunState& rs, Ui& ui) {
  if (rs.SizeHighWaterMax >= count) return true;
  rs.SizeHighWaterMax = count;
  return resize(count, rs, ui);
}

void ImageBuffer::computeSum(const RunState& rs) {
  int64_t len = FileLength(rs.SourceFileName);
  uint64_t n = len < 0 ? 0 : std::min<uint64_t>(static_cast<uint64_t>(len), size_);
  uint32_t s = 0;
  for (uint64_t i = 0; i < n; ++i) s += storage_[i];
  sum_ = s;
  sumText_ = Hex8(s);
}

std::string Hex8(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

std::string Hex7(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%07X", v);
  return buf;
}

int64_t FileLength(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

uint32_t IcImageCrc32(const ImageBuffer& image, uint32_t icSize) {
  const uint32_t held = std::min(icSize, image.size());
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, image.data(), held);
  const auto fill = static_cast<Bytef>(image.request().fillByte);
  Bytef fillBlock[256];
  std::fill(std::begin(fillBlock), std::end(fillBlock), fill);
  for (uint32_t left = icSize - held; left > 0;) {
    const uint32_t n = std::min<uint32_t>(left, sizeof fillBlock);
    crc = crc32(crc, fillBlock, n);
    left -= n;
  }
  return static_cast<uint32_t>(crc);
}

}  // namespace zarvo
