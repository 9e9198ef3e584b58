#include "firmware_model.h"

#include <algorithm>
#include <cstdio>

namespace zarvo::model {

namespace {

// splitmix64: the same numbers from the same seed everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  uint64_t next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t below(uint64_t n) { return n == 0 ? 0 : static_cast<uint32_t>(next() % n); }
  uint32_t between(uint32_t lo, uint32_t hi) { return lo + below(static_cast<uint64_t>(hi) - lo + 1); }
  bool chance(unsigned percent) { return below(100) < percent; }
  // An index drawn by weights.
  size_t pick(std::initializer_list<unsigned> weights) {
    unsigned total = 0;
    for (unsigned w : weights) total += w;
    unsigned r = below(total);
    size_t i = 0;
    for (unsigned w : weights) {
      if (r < w) return i;
      r -= w;
      ++i;
    }
    return 0;
  }

 private:
  uint64_t s_;
};

struct LaneRow {
  const char* combo;
  const char* sw;
  uint32_t lane, stride;
};
constexpr LaneRow kLanes[7] = {
    {"  8 Bit Every", "/8BIT_Every", 0, 1}, {"16 Bit_Even", "/16BIT_EVEN", 0, 2}, {"16 Bit_Odd", "/16BIT_ODD", 1, 2},
    {"32 Bit_1st", "/32BIT_1ST", 0, 4},     {"32 Bit_2nd", "/32BIT_2ND", 1, 4},   {"32 Bit_3rd", "/32BIT_3RD", 2, 4},
    {"32 Bit_4th", "/32BIT_4TH", 3, 4},
};
constexpr const char* kIcSwitch[10] = {"/16", "/32", "/64", "/128", "/256", "/512", "/010", "/020", "/040", "/080"};

std::string Hex(uint64_t v, int digits) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(v));
  return buf;
}

// --- Writers: each record as its format's public description has it.

std::string IntelText(const Firmware& f, size_t perRecord, const char* eol) {
  std::string t;
  int64_t upper = -1;
  for (const Segment& s : f.segments) {
    for (size_t i = 0; i < s.bytes.size();) {
      const uint32_t a = s.address + static_cast<uint32_t>(i);
      if (static_cast<int64_t>(a >> 16) != upper) {
        upper = a >> 16;
        const unsigned sum = 2 + 4 + static_cast<unsigned>((upper >> 8) & 0xFF) + static_cast<unsigned>(upper & 0xFF);
        t += ":02000004" + Hex(static_cast<uint64_t>(upper), 4) + Hex((0x100 - (sum & 0xFF)) & 0xFF, 2) + eol;
      }
      // A record stays inside its 64 KiB page.
      const size_t n = std::min({perRecord, s.bytes.size() - i, static_cast<size_t>(0x10000 - (a & 0xFFFF))});
      unsigned sum = static_cast<unsigned>(n) + ((a >> 8) & 0xFF) + (a & 0xFF);
      std::string data;
      for (size_t k = 0; k < n; ++k) {
        sum += s.bytes[i + k];
        data += Hex(s.bytes[i + k], 2);
      }
      t += ":" + Hex(n, 2) + Hex(a & 0xFFFF, 4) + "00" + data + Hex((0x100 - (sum & 0xFF)) & 0xFF, 2) + eol;
      i += n;
    }
  }
  return t + ":00000001FF" + eol;
}

// S-records; false when no data record has a checksum byte other than 0 (a detector would
// not take the file for S-records then).
bool MotorolaText(const Firmware& f, size_t perRecord, const char* eol, std::string& t) {
  const int width = f.kind == Kind::S19 ? 2 : f.kind == Kind::S28 ? 3 : 4;
  const char type = f.kind == Kind::S19 ? '1' : f.kind == Kind::S28 ? '2' : '3';
  t = std::string("S0030000FC") + eol;
  bool nonZeroSum = false;
  for (const Segment& s : f.segments) {
    for (size_t i = 0; i < s.bytes.size(); i += perRecord) {
      const uint32_t a = s.address + static_cast<uint32_t>(i);
      const size_t n = std::min(perRecord, s.bytes.size() - i);
      const unsigned count = static_cast<unsigned>(n) + static_cast<unsigned>(width) + 1;
      unsigned sum = count;
      for (int b = 0; b < width; ++b) sum += (a >> (8 * b)) & 0xFF;
      std::string data;
      for (size_t k = 0; k < n; ++k) {
        sum += s.bytes[i + k];
        data += Hex(s.bytes[i + k], 2);
      }
      const unsigned check = ~sum & 0xFF;
      nonZeroSum = nonZeroSum || check != 0;
      t += std::string("S") + type + Hex(count, 2) + Hex(a, 2 * width) + data + Hex(check, 2) + eol;
    }
  }
  t += f.kind == Kind::S19 ? "S9030000FC" : f.kind == Kind::S28 ? "S804000000FB" : "S70500000000FA";
  t += eol;
  return nonZeroSum;
}

unsigned NibbleSum(const std::string& digits) {
  unsigned s = 0;
  for (char c : digits) s += static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
  return s & 0xFF;
}

std::string TektronixText(const Firmware& f, size_t perRecord, const char* eol) {
  std::string t;
  for (const Segment& s : f.segments) {
    for (size_t i = 0; i < s.bytes.size(); i += perRecord) {
      const uint32_t a = s.address + static_cast<uint32_t>(i);
      const size_t n = std::min(perRecord, s.bytes.size() - i);
      const std::string head = Hex(a, 4) + Hex(n, 2);
      std::string data;
      for (size_t k = 0; k < n; ++k) data += Hex(s.bytes[i + k], 2);
      t += "/" + head + Hex(NibbleSum(head), 2) + data + Hex(NibbleSum(data), 2) + eol;
    }
  }
  return t + "/00000000" + eol;
}

// Random bytes that no HEX detector could take for records of its own.
std::vector<uint8_t> Bytes(Rng& r, size_t n) {
  std::vector<uint8_t> b(n);
  for (uint8_t& x : b) {
    x = static_cast<uint8_t>(r.next());
    if (x == ':' || x == '/' || x == 'S' || x == '%') x = static_cast<uint8_t>(x + 1);
  }
  return b;
}

Firmware DrawFirmware(Rng& r) {
  Firmware f;
  f.kind = static_cast<Kind>(r.pick({30, 20, 10, 10, 10, 20}));
  if (f.kind == Kind::Binary) {
    static constexpr uint32_t kLo[] = {1, 65, 8193, 100001, 0xF0000};
    static constexpr uint32_t kHi[] = {64, 8192, 100000, 600000, 0x110000};
    const size_t c = r.pick({8, 37, 35, 15, 5});
    f.segments.push_back({0, Bytes(r, r.between(kLo[c], kHi[c]))});
    f.text.assign(f.segments[0].bytes.begin(), f.segments[0].bytes.end());
    return f;
  }
  // One to four runs of data with gaps between them, some of them at high addresses (the
  // 16-bit formats stay below 64 KiB).
  const bool narrow = f.kind == Kind::S19 || f.kind == Kind::Tektronix;
  const uint32_t top = narrow ? 0x10000 : 0x200000;
  const size_t runs = r.between(1, 4);
  uint32_t at = narrow ? r.below(0x800) : r.chance(70) ? r.below(0x4000) : r.below(0x120000);
  for (size_t i = 0; i < runs && at < top; ++i) {
    const uint32_t length = std::min<uint32_t>(r.chance(80) ? r.between(1, 0x3000) : r.between(0x3001, 0x12000), top - at);
    f.segments.push_back({at, Bytes(r, length)});
    at += length + (r.chance(50) ? r.between(1, 0x100) : r.between(0x101, narrow ? 0x2000 : 0x60000));
  }
  const size_t perRecord = r.chance(50) ? 16 : 32;
  const char* eol = r.chance(70) ? "\r\n" : "\n";
  if (f.kind == Kind::Intel) f.text = IntelText(f, perRecord, eol);
  if (f.kind == Kind::Tektronix) f.text = TektronixText(f, perRecord, eol);
  if (f.motorola()) {
    while (!MotorolaText(f, perRecord, eol, f.text)) ++f.segments[0].bytes[0];
  }
  return f;
}

// --- The rules.

struct Lane {
  uint32_t lane, stride;
};

// The bytes a store takes its lane from, as value and whether it is a byte of the file.
struct Source {
  std::vector<uint8_t> value;
  std::vector<bool> data;
  size_t count = 0;  // the stored count; value/data reach a few bytes past it
};

// A binary moved down by skip bytes: the file from there, the skipped length in the skip
// fill value, then the raw copy's zero tail.
Source BinarySource(const Firmware& f, uint32_t skip, uint8_t skipFill) {
  const std::vector<uint8_t>& file = f.segments[0].bytes;
  const size_t L = file.size();
  skip = std::min<uint32_t>(skip, static_cast<uint32_t>(L));
  Source s;
  s.count = L;
  s.value.assign(L + 8, 0);
  s.data.assign(L + 8, false);
  for (size_t p = 0; p < L; ++p) {
    const bool inFile = p + skip < L;
    s.value[p] = inFile ? file[p + skip] : skipFill;
    s.data[p] = inFile;
  }
  return s;
}

// The decoded HEX image from address `offset` to its highest address; gaps and what lies
// past the end take the reader's gap value.
Source HexSource(const Firmware& f, uint32_t offset, uint8_t gap) {
  uint32_t last = 0;
  for (const Segment& seg : f.segments) last = std::max<uint32_t>(last, seg.address + static_cast<uint32_t>(seg.bytes.size()) - 1);
  Source s;
  s.count = offset <= last + 1 ? last + 1 - offset : 0;
  s.value.assign(s.count + 8, gap);
  s.data.assign(s.count + 8, false);
  for (const Segment& seg : f.segments) {
    for (size_t k = 0; k < seg.bytes.size(); ++k) {
      const uint64_t a = seg.address + k;
      if (a < offset || a - offset >= s.count) continue;
      s.value[a - offset] = seg.bytes[k];
      s.data[a - offset] = true;
    }
  }
  return s;
}

uint32_t HighestAddress(const Firmware& f) {
  uint32_t last = 0;
  for (const Segment& seg : f.segments) last = std::max<uint32_t>(last, seg.address + static_cast<uint32_t>(seg.bytes.size()) - 1);
  return last;
}

// The gap value of a HEX reader: the fill byte with fill, else 0xFF for S-records, 0 for the others.
uint8_t GapValue(const Firmware& f, bool fill, uint8_t fillByte) { return fill ? fillByte : f.motorola() ? 0xFF : 0x00; }

struct Unit {
  uint32_t span, block;
};
Unit UnitOf(uint16_t code) {
  if (code == 0x0040) return {0x80000, 8192};
  if (code == 0x0080) return {0x100000, 8192};
  return {0x100000, 16384};
}

Expectation Failing(const std::string& why) {
  Expectation e;
  e.outcome = Outcome::Fail;
  e.why = why;
  return e;
}

// The IC image from a source through the lane (placed at 0), and whether a byte of the file
// lands in it.
Expectation Store(const Source& s, int lane, uint32_t icSize, bool fill, uint8_t fillByte) {
  const LaneRow& l = kLanes[lane];
  std::vector<int> out;
  bool anyData = false;
  for (size_t p = 0; p < s.count; p += l.stride) {
    const size_t at = p + l.lane;
    if (out.size() < icSize) anyData = anyData || s.data[at];
    out.push_back(s.value[at]);
  }
  Expectation e;
  e.outcome = anyData ? Outcome::Pass : Outcome::NoData;
  if (!anyData) e.why = "no byte of the file within the IC";
  e.icSize = icSize;
  e.ic.assign(icSize, fill ? fillByte : -1);
  std::copy_n(out.begin(), std::min<size_t>(out.size(), icSize), e.ic.begin());
  e.sent = out;  // kept for Download below: without fill, a pass sends what the copy placed
  return e;
}

// What each pass sends to the unit: the first max(N, 1) blocks of the image. With fill
// the image is the IC image repeated across the unit's memory; without, what the copy placed.
Expectation Download(Expectation e, uint16_t code, bool fill) {
  if (e.outcome == Outcome::Fail) return e;
  const Unit u = UnitOf(code);
  const uint64_t perPass = static_cast<uint64_t>(std::max<uint32_t>(e.icSize / 8192, 1)) * u.block;
  if (u.span / e.icSize == 0 || perPass > u.span) return Failing("IC larger than the unit");
  std::vector<int> sent(perPass, -1);
  for (size_t j = 0; j < perPass; ++j) {
    if (fill) sent[j] = e.ic[j % e.icSize];
    else if (j < e.sent.size()) sent[j] = e.sent[j];
  }
  e.sent = std::move(sent);
  return e;
}

int IcRowFor(const Case& c, uint32_t length) {
  if (c.ic >= 0) return c.ic;
  return SmallestIcRow(length).value_or(9);
}

}  // namespace

const char* Firmware::extension() const {
  switch (kind) {
    case Kind::Binary: return "BIN";
    case Kind::Intel: return "HEX";
    case Kind::S19: return "S19";
    case Kind::S28: return "S28";
    case Kind::S37: return "S37";
    default: return "TEK";
  }
}
const char* Firmware::formatSwitch() const {
  return kind == Kind::Binary ? "/BIN" : kind == Kind::Intel ? "/INTEL_HEX" : kind == Kind::Tektronix ? "/TEKTLONIX_HEX" : "/MOTOROLA_HEX";
}
const char* Firmware::formatName() const {
  return kind == Kind::Binary ? "bin" : kind == Kind::Intel ? "intel" : kind == Kind::Tektronix ? "tektronix" : "motorola";
}
int Firmware::formatCode() const { return kind == Kind::Binary ? 3 : kind == Kind::Intel ? 4 : kind == Kind::Tektronix ? 6 : 5; }

std::optional<int> SmallestIcRow(uint64_t n) {
  for (int row = 0; row < 10; ++row)
    if (n <= IcRowSize(row)) return row;
  return std::nullopt;
}

bool Expectation::whole() const {
  return std::none_of(ic.begin(), ic.end(), [](int b) { return b < 0; });
}

const char* IcSwitch(int row) { return kIcSwitch[row]; }
const char* LaneComboText(int row) { return kLanes[row].combo; }
const char* LaneSwitch(int row) { return kLanes[row].sw; }

Case DrawCase(uint64_t seed) {
  Rng r(seed * 0x2545F4914F6CDD1Dull + 1);
  Case c;
  c.seed = seed;
  c.firmware = DrawFirmware(r);
  const uint32_t L = c.firmware.length();
  c.ic = r.chance(40) ? -1 : static_cast<int>(r.below(10));
  c.lane = r.chance(50) ? 0 : static_cast<int>(r.between(1, 6));
  c.fill = r.chance(75);
  c.fillByte = r.chance(60) ? 0xFF : static_cast<uint8_t>(r.next());
  c.formatGiven = r.chance(70);
  if (!c.firmware.hex() && r.chance(25)) {
    // Now and then exactly at or past the file's end, where the rules change.
    const size_t edge = r.pick({6, 1, 1, 1});
    c.windowStart = edge == 0 ? r.below(L) : edge == 1 ? L : edge == 2 ? L - 1 : L + 1;
    c.imageStart = r.below(L);
  }
  const size_t batch = r.pick({70, 15, 15});
  if (batch == 1) c.chunk = r.between(1, 4);
  if (batch == 2) {
    const uint64_t reach = c.firmware.hex() ? HighestAddress(c.firmware) + 17ull : L + 17ull;
    c.start = std::min<uint64_t>(r.below(reach), 0xFFFFFFF);
  }
  c.verify = r.chance(50);
  c.reset = r.chance(30);
  c.okKey = r.chance(85);
  static constexpr uint16_t kCodes[] = {0x0040, 0x0080, 0x0041};
  c.unit = kCodes[r.below(3)];
  return c;
}

std::string Case::describe() const {
  static constexpr const char* kKinds[] = {"binary", "Intel", "S19", "S28", "S37", "Tektronix"};
  std::string s = "seed " + std::to_string(seed) + ": " + kKinds[static_cast<int>(firmware.kind)] + " of " +
                  std::to_string(firmware.length()) + " bytes";
  for (const Segment& seg : firmware.segments)
    s += " [" + Hex(seg.address, 6) + "+" + Hex(seg.bytes.size(), 1) + "]";
  s += ", IC " + (ic < 0 ? std::string("auto") : std::string(kIcSwitch[ic])) + ", " + kLanes[lane].sw +
       (fill ? ", fill " + Hex(fillByte, 2) : ", no fill") + (formatGiven ? "" : ", auto format") +
       ", window start " + Hex(windowStart, 1) + ", unit " + Hex(unit, 4) + (okKey ? "" : ", no OK key") +
       ", image start " + Hex(imageStart, 1) + "; batch: " + BatchLine(*this);
  return s;
}

std::string BatchLine(const Case& c) {
  std::string line = std::string("ZQ D:\\FW.") + c.firmware.extension();
  if (c.formatGiven) line += std::string(" ") + c.firmware.formatSwitch();
  if (c.ic >= 0) line += std::string(" ") + kIcSwitch[c.ic];
  if (c.lane > 0) line += std::string(" ") + kLanes[c.lane].sw;
  line += " /#2";
  if (c.chunk > 0) line += " /N" + std::to_string(c.chunk);
  if (c.start >= 0) line += " /S" + Hex(static_cast<uint64_t>(c.start), 1);
  if (c.verify) line += " /V";
  if (c.reset) line += " /RESET1";
  return line;
}

// Window mode: the panel's type (Auto Detect by the file's length; the list holds no 1024K
// item, so row 9 is Auto Detect too), the device's own fill and format, the panel's start
// address skipping bytes of a binary, nothing of a HEX file.
Expectation ExpectWindow(const Case& c) {
  const Firmware& f = c.firmware;
  const uint32_t L = f.length();
  const uint32_t start = f.hex() ? 0 : c.windowStart;
  if (start > L) return Failing("start address past the file");
  const int row = c.ic >= 0 && c.ic < 9 ? c.ic : SmallestIcRow(L).value_or(9);
  const uint32_t icSize = IcRowSize(row);
  const Source s = f.hex() ? HexSource(f, 0, GapValue(f, c.fill, c.fillByte)) : BinarySource(f, start, c.fillByte);
  return Download(Store(s, c.lane, icSize, c.fill, c.fillByte), c.unit, c.fill);
}

// A batch line: fill 0xFF always; the IC by switch or by the file's length (none above
// 1 MiB); a chunk or a start switch skips bytes of a binary and of a HEX file's decoded
// image, both checked against the file's length as the line's rules say.
Expectation ExpectBatch(const Case& c) {
  const Firmware& f = c.firmware;
  const uint64_t L = f.length();
  if (c.ic < 0 && L > IcRowSize(9)) return Failing("file larger than the largest IC, no IC switch");
  const uint32_t icSize = IcRowSize(IcRowFor(c, static_cast<uint32_t>(L)));
  uint64_t v = c.start >= 0 ? static_cast<uint64_t>(c.start) : 0;
  if (c.chunk > 0) {
    if (static_cast<int64_t>(L) < static_cast<int64_t>(c.chunk) * icSize - 1) return Failing("chunk past the file");
    v = static_cast<uint64_t>(icSize) * (c.chunk - 1);
    if (v > 0xFFFFFFF) return Failing("chunk offset over 7 digits");
  }
  const uint64_t shift = v & ~0xFull;
  if (shift > L) return Failing("start past the file");
  // The source end is the file's last byte (the file length for a one-byte file); the
  // start must lie below it.
  const uint64_t end = L - 1 == 0 ? L : L - 1;
  if (v >= end) return Failing("start not below the source end");
  Source s;
  if (f.hex()) {
    if (shift > HighestAddress(f) + 1ull) return Failing("start past the decoded image");
    s = HexSource(f, static_cast<uint32_t>(shift), 0xFF);
    if (s.count == 0) {
      Expectation e;
      e.outcome = Outcome::NoData;
      e.why = "start at the end of the decoded image";
      return e;
    }
  } else {
    s = BinarySource(f, static_cast<uint32_t>(shift), 0xFF);
  }
  return Download(Store(s, c.lane, icSize, true, 0xFF), c.unit, true);
}

// The image command: a confirmed load dialog (the source start must lie below its end, the
// file's last byte), the IC by --ic or by the file's length, no unit memory (no mirroring).
Expectation ExpectImage(const Case& c) {
  const Firmware& f = c.firmware;
  const uint32_t L = f.length();
  const uint32_t start = f.hex() || !c.formatGiven ? 0 : c.imageStart;
  if (!(start < L - 1)) return Failing("source start not below the source end");
  const uint32_t icSize = IcRowSize(IcRowFor(c, L));
  const Source s = f.hex() ? HexSource(f, 0, GapValue(f, c.fill, c.fillByte)) : BinarySource(f, start, c.fillByte);
  Expectation e = Store(s, c.lane, icSize, c.fill, c.fillByte);
  e.sent.clear();
  return e;
}

uint32_t Crc32(const std::vector<int>& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (int b : bytes) {
    crc ^= static_cast<uint8_t>(b);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

}  // namespace zarvo::model
