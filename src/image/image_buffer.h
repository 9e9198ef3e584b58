#pragma once
// The one EPROM image that every load ends in and every download sends. It grows only;
// capacity is the last requested count + 2000 bytes. Offsets are unsigned 32-bit.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/run_state.h"
#include "base/ui.h"
#include "image/firmware_report.h"
#include "image/large_bytes.h"

namespace zarvo {

// Format codes of the load dialog's format group.
enum FormatCode : uint32_t {
  kFormatAuto = 0,
  kFormatExe = 1,
  kFormatCom = 2,
  kFormatBinary = 3,
  kFormatIntel = 4,
  kFormatMotorola = 5,
  kFormatTektronix = 6,
  kFormatPof = 7,
};

struct LoadRequest {
  std::string fileName;
  uint32_t format = kFormatAuto;
  uint32_t fillByte = 0xFF;  // low 8 bits used
  uint32_t fillFlag = 1;     // 0 or 1
  std::string sourceStart = "0000000";
  std::string sourceEnd = "0000000";
  std::string destination = "0000000";
};

class ImageBuffer {
 public:
  // The start-up image: 9216 bytes of 0xFF, size 8192.
  ImageBuffer();

  // Grows the storage to count + 2000 bytes (new bytes zero) and size to at least
  // count + 1024; raises SizeHighWater. On allocation failure shows "Memory error !"
  // ("Buffer Resize.") and changes nothing. Returns whether the storage was grown.
  bool resize(uint32_t count, RunState& rs, Ui& ui);
  // Grows to the larger of SizeHighWater and the largest target ever reached.
  bool growToHighWater(RunState& rs, Ui& ui);
  // Grows to count when the remembered target is smaller (the start-switch check's rule).
  bool growTo(uint32_t count, RunState& rs, Ui& ui);

  uint32_t size() const { return size_; }
  size_t capacity() const { return storage_.size(); }
  // The image bytes: size() bytes are always addressable (capacity() in fact).
  uint8_t* data() { return storage_.data(); }
  const uint8_t* data() const { return storage_.data(); }
  std::span<uint8_t> bytes() { return {storage_.data(), size_}; }
  std::span<const uint8_t> bytes() const { return {storage_.data(), size_}; }

  // Sums image bytes 0 .. L-1, L = the length of the file named by SourceFileName now;
  // only the bytes the image holds are summed.
  void computeSum(const RunState& rs);
  uint32_t sum() const { return sum_; }
  const std::string& sumText() const { return sumText_; }

  uint32_t start() const { return start_; }
  uint32_t end() const { return end_; }
  void setStart(uint32_t a) { start_ = a; }
  void setEnd(uint32_t a) { end_ = a; }
  uint32_t range() const { return range_; }
  void setRange(uint32_t r) { range_ = r; }

  LoadRequest& request() { return request_; }
  const LoadRequest& request() const { return request_; }

  // What the last load found in its file; loaded is false after a load that failed.
  FirmwareReport& report() { return report_; }
  const FirmwareReport& report() const { return report_; }

 private:
  LargeBytes storage_;
  uint32_t size_ = 0;
  uint32_t start_ = 0, end_ = 0;
  uint32_t sum_ = 0;
  std::string sumText_ = "00000000";
  uint32_t range_ = 0;
  LoadRequest request_;
  FirmwareReport report_;
};

// 8 upper-case hexadecimal digits with leading zeros (sums, ranges).
std::string Hex8(uint32_t v);
// 7 upper-case hexadecimal digits with leading zeros (addresses).
std::string Hex7(uint32_t v);
// Length of a file in bytes, or -1 when it cannot be opened.
int64_t FileLength(const std::string& path);

// CRC-32 (IEEE 802.3, the zlib and gzip one) of the IC image: image bytes 0 .. icSize - 1,
// what the unit's memory holds repeated. Unlike the sum it does not depend on the file's
// length, so one firmware gives the same CRC from a binary and from any HEX layout. Bytes
// past the image count as the request's fill byte, as a download pads them.
uint32_t IcImageCrc32(const ImageBuffer& image, uint32_t icSize);

}  // namespace zarvo
