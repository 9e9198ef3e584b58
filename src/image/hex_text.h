#pragma once
// Shared pieces of the three HEX readers and their detectors: a table from character to
// digit value, and a bounded view of the file text. A reader decodes megabytes of text, so
// a digit is one table load and a record is checked once for lying inside the text rather
// than once per character.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/ui.h"

namespace zarvo::hex {

// Digit values 0..15; every other character maps to kBad, so OR-ing the values of a field
// and testing kBad tells at once whether the whole field was hexadecimal.
inline constexpr uint8_t kBad = 0x10;

inline constexpr std::array<uint8_t, 256> kDigit = [] {
  std::array<uint8_t, 256> t{};
  for (auto& v : t) v = kBad;
  for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) t[c] = static_cast<uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) t[c] = static_cast<uint8_t>(c - 'a' + 10);
  return t;
}();

// The file text; positions at or past its end read as NUL, which is no digit.
struct Text {
  const uint8_t* p;
  size_t n;
  explicit Text(std::span<const uint8_t> s) : p(s.data()), n(s.size()) {}
  uint8_t at(size_t i) const { return i < n ? p[i] : 0; }
  uint8_t digit(size_t i) const { return kDigit[at(i)]; }
  // Two digits as a byte; -1 when either is not a digit.
  int byteAt(size_t i) const {
    unsigned hi = digit(i), lo = digit(i + 1);
    return ((hi | lo) & kBad) ? -1 : static_cast<int>(hi << 4 | lo);
  }
  // `count` digits as a number (count <= 8); -1 when any is not a digit.
  int64_t numberAt(size_t i, int count) const {
    uint64_t v = 0;
    unsigned bad = 0;
    for (int k = 0; k < count; ++k) {
      unsigned d = digit(i + static_cast<size_t>(k));
      bad |= d;
      v = v << 4 | (d & 0x0F);
    }
    return (bad & kBad) ? -1 : static_cast<int64_t>(v);
  }
  // True when [from, to) lies inside the text.
  bool holds(size_t from, size_t to) const { return from <= to && to <= n; }
};

// Lets the window breathe every 64 KiB of text rather than once per character, so a
// multi-megabyte file still decodes in milliseconds.
class Breather {
 public:
  explicit Breather(Ui& ui) : ui_(ui) { ui_.processEvents(); }
  void at(size_t pos) {
    if (pos >= next_) {
      ui_.processEvents();
      next_ = pos + kStep;
    }
  }

 private:
  static constexpr size_t kStep = 64 * 1024;
  Ui& ui_;
  size_t next_ = kStep;
};

// Makes `image` `size` bytes of `value`. On allocation failure shows "Memory Error."
// ("ITL") and returns false.
bool MakeImage(std::vector<uint8_t>& image, uint64_t size, uint8_t value, Ui& ui);
// Grows `image` to `size` bytes, the new ones `value`; same failure as MakeImage.
bool GrowImage(std::vector<uint8_t>& image, uint64_t size, uint8_t value, Ui& ui);

// The messages the three readers share.
inline void FormatError(Ui& ui) { ui.messageBox("FORMAT ERROR !", "", Icon::None, Buttons::Ok); }
inline void OutOfBuffer(Ui& ui) { ui.messageBox("Out of buffer !", "", Icon::None, Buttons::Ok); }
inline void MemoryError(Ui& ui) { ui.messageBox("Memory Error.", "ITL", Icon::None, Buttons::Ok); }
inline void ChecksumWarning(Ui& ui) {
  ui.messageBox("File read in complete!\nData still load in buffer.", "", Icon::Error, Buttons::Ok);
}

}  // namespace zarvo::hex
