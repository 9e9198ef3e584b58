// Intel HEX reader: records 00 (data), 01 (end of file), 02 (extended segment address) and
// 04 (extended linear address); every other type is passed over.
#include <algorithm>
#include <cstring>

#include "image/hex_text.h"
#include "image/readers.h"

namespace zarvo {

namespace {

constexpr uint64_t kLinearSpan = 65536;  // what one 04 record addresses
constexpr uint64_t kLinearSlack = 200;   // extra bytes kept when a 04 record grows the image

// The record type is read as two decimal digits; anything else is an unknown type.
int TypeAt(const hex::Text& t, size_t i) {
  uint8_t a = t.at(i), b = t.at(i + 1);
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  return (a - '0') * 10 + (b - '0');
}

}  // namespace

HexResult ReadIntelHex(std::span<const uint8_t> text, const HexOptions& opt, Ui& ui) {
  const hex::Text t(text);
  hex::Breather breathe(ui);
  const bool store = opt.pass == Pass::Store;
  const uint8_t fill = opt.fillFlag ? opt.fillByte : 0;

  HexResult r;
  if (!hex::StartImage(r, opt, fill, ui)) return {};
  uint64_t capacity = opt.capacity;  // highest address a data byte may take

  uint64_t segmentBase = 0, linearBase = 0, highestEnd = 0;
  size_t records = 0;
  ReadFindings& found = r.findings;
  hex::FindingsKeeper keeper(found, t, opt.addressLimit, store);
  bool formatError = false;
  const uint8_t* const p = t.p;
  const size_t n = t.n;
  size_t pos = 0;

  while (pos < n) {
    const size_t q = hex::FindNext(p, pos, n, ':');
    if (q >= n) break;
    ++records;
    breathe.at(q);
    const int type = TypeAt(t, q + 7);
    if (type != 0 && type != 1 && type != 2 && type != 4) {
      pos = q + 1;  // 03, 05 and the rest carry nothing the image needs
      continue;
    }
    // A record of a known type must be whole: a record cut short or garbled would
    // otherwise swallow the next one and leave a silently wrong image.
    const int length = t.byteAt(q + 1);
    const int64_t address = t.numberAt(q + 3, 4);
    if (length < 0 || address < 0) {
      formatError = true;
      break;
    }
    const size_t dataPos = q + 9;
    const size_t sumPos = dataPos + 2 * static_cast<size_t>(length);
    const size_t end = sumPos + 2;
    const int checksum = t.byteAt(sumPos);
    if (!t.holds(q, end) || checksum < 0) {
      // An end record cut off at the very end of the file: the data before it stands, its
      // missing checksum counts as a wrong one.
      if (type == 1 && hex::CutAtEnd(t, q + 1)) {
        found.endRecord = true;
        if (store) keeper.badSum(q);
        break;
      }
      formatError = true;
      break;
    }
    pos = end;

    if (type == 4) {
      const int64_t value = t.numberAt(dataPos, 4);
      if (value < 0) {
        formatError = true;
        break;
      }
      linearBase = static_cast<uint64_t>(value) << 16;
      if (linearBase > capacity) {
        capacity = linearBase + kLinearSpan;
      }
      continue;  // stepped over without a checksum check
    }
    if (type == 2) {
      const int64_t value = t.numberAt(dataPos, 4);
      if (value < 0) {
        formatError = true;
        break;
      }
      segmentBase = static_cast<uint64_t>(value) << 4;
    }

    const uint64_t base = static_cast<uint64_t>(address) + segmentBase + linearBase;
    // A data record moves the highest end to its address plus its length, an empty one too:
    // the image then reaches up to the byte before it, filled. Bytes above the address limit
    // can reach no unit and are left out (an empty record there is passed over).
    const bool emptyRaise = type == 0 && length == 0 && base > 0 && base - 1 <= opt.addressLimit;
    if (emptyRaise) highestEnd = std::max(highestEnd, base);
    const uint64_t kept = type == 0 && length > 0 ? keeper.keep(base, static_cast<uint64_t>(length)) : 0;
    if (kept > 0) highestEnd = std::max(highestEnd, base + kept);
    if (type == 1) found.endRecord = true;
    if (!store) {
      keeper.placed(base, kept);
      if (type == 1) break;
      continue;
    }

    // Every data byte must land inside the image: the checked capacity, and the real size
    // of the image, whatever segment or linear base went before.
    if (emptyRaise) {
      // An empty record places nothing, but the image must hold the bytes below it.
      if (base - 1 > capacity) {
        hex::OutOfBuffer(ui);
        return {};
      }
      if (base > r.image.size() && !hex::GrowImage(r.image, base, fill, ui)) return {};
    }
    if (kept > 0) {
      const uint64_t last = base + kept - 1;
      AddDataRun(r.data, base, last + 1);
      if (last > capacity) {
        hex::OutOfBuffer(ui);
        return {};
      }
      // A 04 record raised the capacity; the image itself grows only when data needs it,
      // to the window of the linear base in force, so a base that carries no data costs
      // nothing.
      if (last >= r.image.size() &&
          !hex::GrowImage(r.image, std::max(linearBase + kLinearSpan + kLinearSlack, last + 1), fill, ui))
        return {};
    }
    unsigned sum = static_cast<unsigned>(length) + static_cast<unsigned>(address >> 8) +
                   static_cast<unsigned>(address & 0xFF) + static_cast<unsigned>(type);
    // Most records go straight into the image; one that goes back over earlier data, or
    // that is cut by the limit, is decoded aside first.
    const bool compare = keeper.mustCompare(base, kept);
    const bool direct = kept == static_cast<uint64_t>(length) && !compare;
    uint8_t aside[256];
    uint8_t* dst = kept == 0 ? nullptr : direct ? r.image.data() + base : aside;
    if (!hex::DecodeBytes(p + dataPos, static_cast<size_t>(length), dst, sum)) {
      formatError = true;
      break;
    }
    if (dst == aside) {
      if (compare) keeper.placeCompared(r.image.data(), base, aside, kept);
      else std::memcpy(r.image.data() + base, aside, static_cast<size_t>(kept));
    }
    keeper.placed(base, kept);
    if (((sum + static_cast<unsigned>(checksum)) & 0xFF) != 0) keeper.badSum(q);
    if (type == 1) break;
  }

  if (!hex::Finish(!formatError && records > 0, opt, found.badSums, ui)) return {};
  keeper.finish();
  r.ok = true;
  r.last = highestEnd == 0 ? 0 : static_cast<uint32_t>(highestEnd - 1);
  return r;
}

}  // namespace zarvo
