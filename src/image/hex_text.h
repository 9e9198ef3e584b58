#pragma once
// Shared pieces of the three HEX readers and their detectors: a table from character to
// digit value, and a bounded view of the file text. A reader decodes megabytes of text, so
// a digit is one table load and a record is checked once for lying inside the text rather
// than once per character.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "base/ui.h"
#include "image/readers.h"

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

// True when nothing but digits and blanks follows `from` up to the end of the text: an end
// record cut off there lost only its own tail, and no record after it was swallowed.
inline bool CutAtEnd(const Text& t, size_t from) {
  for (size_t i = from; i < t.n; ++i) {
    const uint8_t c = t.p[i];
    if ((kDigit[c] & kBad) && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != 0x1A) return false;
  }
  return true;
}

// One hex digit's value by arithmetic rather than table, so the loops over record data can
// be vectorised; `bad` collects a set bit for any character that is not a digit.
inline unsigned DigitOf(uint8_t c, unsigned& bad) {
  const uint8_t lower = c | 0x20;  // letters fold to lower case
  // The digit test looks at the character itself: folded, 0x10..0x19 would pass as '0'..'9'.
  const bool digit = static_cast<uint8_t>(c - '0') < 10;
  const bool letter = static_cast<uint8_t>(lower - 'a') < 6;
  bad |= static_cast<unsigned>(!(digit || letter));
  return static_cast<unsigned>((lower & 0x0F) + 9 * (lower >> 6));
}

// Eight digits at `src` as four bytes, the first pair in the lowest byte, eight characters
// at a time in one 64-bit word; `bad` gets a set bit when any character is no digit.
inline uint32_t DecodeEight(const uint8_t* src, uint64_t& bad) {
  static_assert(std::endian::native == std::endian::little);
  constexpr uint64_t L = 0x0101010101010101, H = 0x8080808080808080;
  uint64_t x;
  std::memcpy(&x, src, 8);
  // Each byte's top bit says whether it is in range; the low seven bits are compared so no
  // borrow crosses into the next byte.
  const uint64_t x7 = x & ~H;
  const uint64_t digit = ((x7 | H) - 0x30 * L) & ((H + 0x39 * L) - x7);
  const uint64_t y = x7 | 0x20 * L;  // letters fold to lower case
  const uint64_t letter = ((y | H) - 0x61 * L) & ((H + 0x66 * L) - y);
  bad |= ((digit | letter) & ~x & H) ^ H;
  const uint64_t v = (x & 0x0F * L) + 9 * ((x >> 6) & L);  // 0..15 in each byte
  uint64_t w = ((v << 4) | (v >> 8)) & 0x00FF00FF00FF00FF;  // pairs in the even bytes
  w = (w | w >> 8) & 0x0000FFFF0000FFFF;
  return static_cast<uint32_t>(w | w >> 16);
}

// The sum of the four bytes of a word.
inline unsigned SumOfFour(uint32_t w) {
  const uint32_t t = (w & 0x00FF00FF) + ((w >> 8) & 0x00FF00FF);
  return (t & 0xFFFF) + (t >> 16);
}

// Decodes `count` bytes from 2 * count digits at `src` into `dst` (when not null) and adds
// them to `sum`. Returns false when any character was not a hexadecimal digit.
inline bool DecodeBytes(const uint8_t* src, size_t count, uint8_t* dst, unsigned& sum) {
  unsigned bad = 0, s = 0;
  uint64_t badWords = 0;
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const uint32_t w = DecodeEight(src + 2 * i, badWords);
    s += SumOfFour(w);
    if (dst != nullptr) std::memcpy(dst + i, &w, 4);
  }
  bad = badWords != 0;
  for (; i < count; ++i) {
    const unsigned v = (DigitOf(src[2 * i], bad) << 4 | DigitOf(src[2 * i + 1], bad)) & 0xFF;
    s += v;
    if (dst != nullptr) dst[i] = static_cast<uint8_t>(v);
  }
  sum += s;
  return bad == 0;
}

// Like DecodeBytes, but adds the digits' values one by one to `nibbles` (Tektronix sums).
inline bool DecodeBytesNibbles(const uint8_t* src, size_t count, uint8_t* dst, unsigned& nibbles) {
  unsigned bad = 0, s = 0;
  for (size_t i = 0; i < count; ++i) {
    const unsigned hi = DigitOf(src[2 * i], bad), lo = DigitOf(src[2 * i + 1], bad);
    s += hi + lo;
    dst[i] = static_cast<uint8_t>((hi << 4 | lo) & 0xFF);
  }
  nibbles += s;
  return bad == 0;
}

// The next `ch` at or after `pos`, or n. Records usually follow one another after a line
// end, so a short look comes before the library search.
inline size_t FindNext(const uint8_t* p, size_t pos, size_t n, uint8_t ch) {
  for (size_t end = pos + 4 < n ? pos + 4 : n; pos < end; ++pos)
    if (p[pos] == ch) return pos;
  if (pos >= n) return n;
  const void* hit = std::memchr(p + pos, ch, n - pos);
  return hit == nullptr ? n : static_cast<size_t>(static_cast<const uint8_t*>(hit) - p);
}

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

// The 1-based line of position `pos`: a line ends at a line feed, at a carriage return and
// line feed, and at a carriage return alone.
size_t LineAt(const Text& t, size_t pos);

// Keeps what every reader reports beside its image (ReadFindings): where the data went,
// records that changed bytes an earlier record had placed, data left out above the address
// limit, and the line of the first wrong checksum. Records usually rise through the file,
// so a record that starts above everything before it costs one comparison; only a file
// whose records go back down pays for a map of the bytes already placed.
class FindingsKeeper {
 public:
  FindingsKeeper(ReadFindings& f, const Text& t, uint64_t limit, bool store)
      : f_(f), t_(t), limit_(limit), store_(store) {}

  // A data record of `count` bytes at `base`: how many of its first bytes lie at or below
  // the limit and are loaded; the rest are noted as left out.
  uint64_t keep(uint64_t base, uint64_t count) {
    const uint64_t top = limit_ + 1;
    if (base + count <= top) return count;
    const uint64_t from = base > top ? base : top;
    if (!f_.dropped) {
      f_.dropped = true;
      f_.droppedRange = {from, base + count - 1};
    } else {
      if (from < f_.droppedRange.first) f_.droppedRange.first = from;
      if (base + count - 1 > f_.droppedRange.last) f_.droppedRange.last = base + count - 1;
    }
    return base >= top ? 0 : top - base;
  }

  // True when the bytes of a record at [base, base + count) must be compared with what the
  // image holds before they are written (a store pass over records that go back down).
  bool mustCompare(uint64_t base, uint64_t count) {
    if (count == 0 || base >= end_ || !store_) return false;
    if (!mapped_) StartMap();
    return true;
  }

  // Writes `count` decoded bytes `src` to `image` at `base` (store pass, after mustCompare),
  // counting the record once when a byte an earlier record placed there differs.
  void placeCompared(uint8_t* image, uint64_t base, const uint8_t* src, uint64_t count);

  // The record's loaded bytes [base, base + count): part of the data ranges.
  void placed(uint64_t base, uint64_t count) {
    if (count == 0) return;
    if (mapped_) Mark(base, count);
    if (base < end_) {
      unsorted_ = true;
      f_.data.push_back({base, base + count - 1});
    } else if (!f_.data.empty() && f_.data.back().last + 1 == base) {
      f_.data.back().last = base + count - 1;
    } else {
      f_.data.push_back({base, base + count - 1});
    }
    if (base + count > end_) end_ = base + count;
  }

  void badSum(size_t pos) {
    if (f_.badSums++ == 0) f_.firstBadLine = LineAt(t_, pos);
  }

  // Sorts and merges the data ranges of a file whose records went back down.
  void finish();

 private:
  void StartMap();
  void Mark(uint64_t base, uint64_t count);
  bool Marked(uint64_t a) const { return a / 64 < map_.size() && (map_[a / 64] >> (a % 64) & 1); }

  ReadFindings& f_;
  const Text& t_;
  uint64_t limit_;
  bool store_;
  uint64_t end_ = 0;  // one past the highest byte placed so far
  bool unsorted_ = false;
  bool mapped_ = false;
  std::vector<uint64_t> map_;  // one bit per byte placed, once records go back down
};

// The HexImage a store pass writes into holds K + 1024 bytes.
inline constexpr uint64_t kImageSlack = 1024;

// Grows `image` to `size` bytes, the new ones `value`. On allocation failure shows
// "Memory Error." ("ITL") and returns false.
bool GrowImage(LargeBytes& image, uint64_t size, uint8_t value, Ui& ui);
// The start of a read: a store pass makes r.image K + 1024 bytes of `fill`; the measure pass
// only learns the highest address and needs no image. False as GrowImage fails.
bool StartImage(HexResult& r, const HexOptions& opt, uint8_t fill, Ui& ui);

// The messages the three readers share.
inline void FormatError(Ui& ui) { ui.messageBox("FORMAT ERROR !", "", Icon::None, Buttons::Ok); }
inline void OutOfBuffer(Ui& ui) { ui.messageBox("Out of buffer !", "", Icon::None, Buttons::Ok); }
inline void MemoryError(Ui& ui) { ui.messageBox("Memory Error.", "ITL", Icon::None, Buttons::Ok); }
inline void ChecksumWarning(Ui& ui) {
  ui.messageBox("File read in complete!\nData still load in buffer.", "", Icon::Error, Buttons::Ok);
}

// The end of a read: text with a cut or garbled record, or with no record at all, is
// "FORMAT ERROR !" (false); wrong checksums in a store pass give one warning, and the bytes
// stay.
inline bool Finish(bool wellFormed, const HexOptions& opt, size_t badSums, Ui& ui) {
  if (!wellFormed) {
    FormatError(ui);
    return false;
  }
  if (opt.pass == Pass::Store && badSums > 0) ChecksumWarning(ui);
  return true;
}

}  // namespace zarvo::hex
