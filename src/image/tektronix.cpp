// Tektronix hex reader: "/", 4-digit address, 2-digit count, header checksum, data, data
// checksum (nibble sums); a record with count 0 ends the file.
#include <algorithm>
#include <cstring>

#include "image/hex_text.h"
#include "image/readers.h"

namespace zarvo {

namespace {

constexpr uint64_t kNoRecord = 0xFFFFFF;

}  // namespace

HexResult ReadTektronix(std::span<const uint8_t> text, const HexOptions& opt, Ui& ui) {
  const hex::Text t(text);
  hex::Breather breathe(ui);
  const bool store = opt.pass == Pass::Store;
  const uint8_t fill = opt.fillFlag ? opt.fillByte : 0;

  HexResult r;
  if (!hex::StartImage(r, opt, fill, ui)) return {};

  uint64_t lowest = kNoRecord, highestEnd = 0;
  size_t records = 0;
  ReadFindings& found = r.findings;
  hex::FindingsKeeper keeper(found, t, opt.addressLimit, store);
  bool formatError = false;
  const uint8_t* const p = t.p;
  const size_t n = t.n;
  size_t pos = 0;

  while (pos < n) {
    const size_t q = hex::FindNext(p, pos, n, '/');
    if (q >= n) break;
    const int64_t address = t.numberAt(q + 1, 4);
    if (address < 0) {  // a "/" in a path or a comment, not a record
      pos = q + 1;
      continue;
    }
    ++records;
    breathe.at(q);
    // Once a record has started, its fields must be whole: a record cut short would
    // otherwise swallow the text after it.
    const int count = t.byteAt(q + 5);
    if (count < 0 || t.byteAt(q + 7) < 0) {
      formatError = true;
      break;
    }
    if (count == 0) {  // the terminator
      found.endRecord = true;
      break;
    }
    const size_t dataPos = q + 9;
    const size_t sumPos = dataPos + 2 * static_cast<size_t>(count);
    const size_t end = sumPos + 2;
    const int checksum = t.byteAt(sumPos);
    if (!t.holds(q, end) || checksum < 0) {
      formatError = true;
      break;
    }
    const uint64_t base = static_cast<uint64_t>(address);
    const uint64_t kept = keeper.keep(base, static_cast<uint64_t>(count));
    if (kept > 0) {
      lowest = std::min(lowest, base);
      highestEnd = std::max(highestEnd, base + kept);
    }
    pos = end;
    if (!store) {
      keeper.placed(base, kept);
      continue;
    }

    // The pipeline sizes the image from the measure pass; a caller that did not still
    // gets a message rather than a write past the image.
    if (base + kept > r.image.size()) {
      hex::OutOfBuffer(ui);
      return {};
    }
    const bool compare = keeper.mustCompare(base, kept);
    const bool direct = kept == static_cast<uint64_t>(count) && !compare;
    uint8_t aside[256];
    uint8_t* dst = direct ? r.image.data() + base : aside;
    if (kept > 0) AddDataRun(r.data, base, base + kept);
    unsigned nibbles = 0;
    if (!hex::DecodeBytesNibbles(p + dataPos, static_cast<size_t>(count), dst, nibbles)) {
      formatError = true;
      break;
    }
    if (dst == aside && kept > 0) {
      if (compare) keeper.placeCompared(r.image.data(), base, aside, kept);
      else std::memcpy(r.image.data() + base, aside, static_cast<size_t>(kept));
    }
    keeper.placed(base, kept);
    if ((nibbles & 0xFF) != static_cast<unsigned>(checksum)) keeper.badSum(q);
  }

  if (!hex::Finish(!formatError && records > 0, opt, found.badSums, ui)) return {};
  keeper.finish();
  r.ok = true;
  r.lowest = lowest == kNoRecord ? 0 : static_cast<uint32_t>(lowest);
  r.last = highestEnd == 0 ? 0 : static_cast<uint32_t>(highestEnd - 1);
  return r;
}

}  // namespace zarvo
