// Motorola S-record reader: S1, S2, S3 carry data, S7, S8, S9 end the file; S0 and the
// count records S4, S5, S6 carry nothing and are passed over like any other text.
#include <algorithm>
#include <cstring>
#include <limits>

#include "image/hex_text.h"
#include "image/readers.h"

namespace zarvo {

HexResult ReadMotorola(std::span<const uint8_t> text, const HexOptions& opt, Ui& ui) {
  const hex::Text t(text);
  hex::Breather breathe(ui);
  const bool store = opt.pass == Pass::Store;
  // Gaps in a Motorola image are 0xFF unless the user asked for a fill byte.
  const uint8_t fill = opt.fillFlag ? opt.fillByte : 0xFF;
  const uint64_t capacity = opt.capacity;

  HexResult r;
  if (!hex::StartImage(r, opt, fill, ui)) return {};

  uint64_t lowest = std::numeric_limits<uint64_t>::max(), highest = 0;
  bool accepted = false, formatError = false;
  ReadFindings& found = r.findings;
  hex::FindingsKeeper keeper(found, t, opt.addressLimit, store);
  const uint8_t* const p = t.p;
  const size_t n = t.n;
  size_t pos = 0;
  bool lineStart = true;

  while (pos < n) {
    const uint8_t c = p[pos];
    // Every line end is stepped over on its own, so a blank line cannot shift the pairs
    // and hide the record after it; so are the blanks and tabs that indent a line.
    if (c == '\n' || c == '\r') {
      ++pos;
      lineStart = true;
      continue;
    }
    if (lineStart && (c == ' ' || c == '\t')) {
      ++pos;
      continue;
    }
    lineStart = false;
    uint8_t a = c, b = t.at(pos + 1);
    pos += 2;
    if (a == '%') {
      a = b;
      b = t.at(pos);
      pos += 1;
    }
    if (a != 'S') continue;
    int addressBytes = 0;
    bool terminator = false;
    switch (b) {
      case '1': addressBytes = 2; break;
      case '2': addressBytes = 3; break;
      case '3': addressBytes = 4; break;
      case '7': case '8': case '9': terminator = true; break;
      default: continue;  // S0, S4, S5, S6 and text outside records
    }
    accepted = true;
    breathe.at(pos);

    // A record must hold what its count says, inside the text: a data record too short
    // for its own address, or cut off by the end of the file, is a format error.
    const int count = t.byteAt(pos);
    if (count < 1 || (!terminator && count < addressBytes + 1)) {
      formatError = true;
      break;
    }
    const size_t sumPos = pos + 2 * static_cast<size_t>(count);
    const size_t end = sumPos + 2;
    const int checksum = t.byteAt(sumPos);
    if (!t.holds(pos, end) || checksum < 0) {
      // An end record cut off at the very end of the file: the data before it stands, its
      // missing checksum counts as a wrong one.
      if (terminator && hex::CutAtEnd(t, pos)) {
        found.endRecord = true;
        if (store) keeper.badSum(pos);
        break;
      }
      formatError = true;
      break;
    }

    if (!terminator) {
      const int64_t address = t.numberAt(pos + 2, 2 * addressBytes);
      if (address < 0) {
        formatError = true;
        break;
      }
      const uint64_t base = static_cast<uint64_t>(address);
      const int dataBytes = count - addressBytes - 1;
      if (dataBytes == 0 && base > 0 && base - 1 <= opt.addressLimit) {
        // An empty record places nothing, but the image reaches up to the byte before it.
        highest = std::max(highest, base - 1);
        if (store && base > r.image.size() && (base - 1 > capacity || !hex::GrowImage(r.image, base, fill, ui))) {
          if (base - 1 > capacity) hex::OutOfBuffer(ui);
          return {};
        }
      }
      // Bytes above the address limit can reach no unit and are left out.
      const uint64_t kept = dataBytes > 0 ? keeper.keep(base, static_cast<uint64_t>(dataBytes)) : 0;
      if (kept > 0) {
        if (store) AddDataRun(r.data, base, base + kept);
        lowest = std::min(lowest, base);
        highest = std::max(highest, base + kept - 1);
        // S1, S2 and S3 data alike may start at most at K; the slack holds the rest.
        if (store && (base > capacity || base + kept > r.image.size())) {
          hex::OutOfBuffer(ui);
          return {};
        }
      }
      if (store) {
        // Most records go straight into the image; one that goes back over earlier data,
        // or that is cut by the limit, is decoded aside first.
        const bool compare = keeper.mustCompare(base, kept);
        const bool direct = kept == static_cast<uint64_t>(std::max(dataBytes, 0)) && !compare;
        uint8_t aside[256];
        uint8_t* dst = kept == 0 ? nullptr : direct ? r.image.data() + base : aside;
        unsigned sum = 0;
        const size_t head = 1 + static_cast<size_t>(addressBytes);
        const bool digits =
            hex::DecodeBytes(p + pos, head, nullptr, sum) &&
            hex::DecodeBytes(p + pos + 2 * head, static_cast<size_t>(std::max(dataBytes, 0)), dst, sum);
        if (!digits) {
          formatError = true;
          break;
        }
        if (dst == aside) {
          if (compare) keeper.placeCompared(r.image.data(), base, aside, kept);
          else std::memcpy(r.image.data() + base, aside, static_cast<size_t>(kept));
        }
        if (static_cast<unsigned>(checksum) != (~sum & 0xFF)) keeper.badSum(pos);
      }
      keeper.placed(base, kept);
    } else {
      found.endRecord = true;
      if (store) {
        unsigned sum = 0;
        if (!hex::DecodeBytes(p + pos, static_cast<size_t>(count), nullptr, sum)) {
          formatError = true;
          break;
        }
        if (static_cast<unsigned>(checksum) != (~sum & 0xFF)) keeper.badSum(pos);
      }
    }
    pos = end;
    if (terminator) break;
  }

  if (!hex::Finish(!formatError && accepted, opt, found.badSums, ui)) return {};
  keeper.finish();
  r.ok = true;
  const bool anyData = lowest != std::numeric_limits<uint64_t>::max();
  r.lowest = anyData ? static_cast<uint32_t>(lowest) : 0;
  r.last = static_cast<uint32_t>(highest);
  return r;
}

}  // namespace zarvo
