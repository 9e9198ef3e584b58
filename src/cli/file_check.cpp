#include "cli/file_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <span>

#include "base/quiet_ui.h"
#include "image/hex_text.h"
#include "image/large_bytes.h"
#include "image/readers.h"

namespace zarvo::cli {

namespace {

constexpr size_t kMaxRecord = 260;  // Intel: count, address, type, 255 data bytes, checksum

std::string Hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

struct HexScan {
  size_t badSums = 0;
  size_t firstBadLine = 0;
  bool end = false;
  uint64_t low = UINT64_MAX, high = 0;  // data addresses
  void data(uint64_t address, size_t n) {
    if (n == 0) return;
    low = std::min(low, address);
    high = std::max(high, address + n - 1);
  }
  void bad(size_t line) {
    if (badSums++ == 0) firstBadLine = line;
  }
};

// The bytes of one record: no Intel or Motorola record holds more.
struct Record {
  uint8_t b[kMaxRecord];
  size_t size = 0;
  unsigned sum = 0;  // of all its bytes
};

// One line of the text, without its indentation and line end; decoded in place, since a
// 3 MB file has some 70,000 of them.
struct Line {
  const uint8_t* p;
  size_t n;
  // The digit pairs from `from` on as the bytes of `out`; false for a character that is no
  // digit, an odd count, or more bytes than any record holds.
  bool pairs(size_t from, Record& out) const {
    if (from > n || (n - from) % 2 || (n - from) / 2 > kMaxRecord) return false;
    out.size = (n - from) / 2;
    out.sum = 0;
    return hex::DecodeBytes(p + from, out.size, out.b, out.sum);
  }
};

template <typename F>
void ForEachLine(std::span<const uint8_t> text, F f) {
  size_t pos = 0, number = 0;
  while (pos < text.size()) {
    const void* nl = std::memchr(text.data() + pos, '\n', text.size() - pos);
    const size_t end = nl ? static_cast<size_t>(static_cast<const uint8_t*>(nl) - text.data()) : text.size();
    size_t from = pos, to = end;
    while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
    while (to > from && std::isspace(text[to - 1])) --to;
    f(Line{text.data() + from, to - from}, ++number);
    pos = end + 1;
  }
}

HexScan ScanIntel(std::span<const uint8_t> text) {
  HexScan s;
  uint64_t base = 0;
  Record r;
  const uint8_t* const b = r.b;
  ForEachLine(text, [&](const Line& l, size_t number) {
    if (l.n == 0 || l.p[0] != ':') return;
    if (!l.pairs(1, r) || r.size < 5 || r.size != static_cast<size_t>(b[0]) + 5) {
      s.bad(number);
      return;
    }
    if ((r.sum & 0xFF) != 0) s.bad(number);
    const uint64_t address = static_cast<uint64_t>(b[1] << 8 | b[2]);
    switch (b[3]) {
      case 0: s.data(base + address, b[0]); break;
      case 1: s.end = true; break;
      case 2: if (b[0] == 2) base = static_cast<uint64_t>(b[4] << 8 | b[5]) << 4; break;
      case 4: if (b[0] == 2) base = static_cast<uint64_t>(b[4] << 8 | b[5]) << 16; break;
      default: break;
    }
  });
  return s;
}

HexScan ScanMotorola(std::span<const uint8_t> text) {
  HexScan s;
  Record r;
  const uint8_t* const b = r.b;
  ForEachLine(text, [&](const Line& l, size_t number) {
    if (l.n < 2 || l.p[0] != 'S' || !std::isdigit(l.p[1])) return;
    const char type = static_cast<char>(l.p[1]);
    if (!l.pairs(2, r) || r.size == 0 || r.size != static_cast<size_t>(b[0]) + 1) {
      s.bad(number);
      return;
    }
    const unsigned last = b[r.size - 1];
    if (static_cast<uint8_t>(~(r.sum - last)) != last) s.bad(number);
    const int addressBytes = type == '1' ? 2 : type == '2' ? 3 : type == '3' ? 4 : 0;
    if (addressBytes > 0 && r.size >= static_cast<size_t>(addressBytes) + 2) {
      uint64_t address = 0;
      for (int k = 1; k <= addressBytes; ++k) address = address << 8 | b[static_cast<size_t>(k)];
      s.data(address, r.size - static_cast<size_t>(addressBytes) - 2);
    }
    if (type == '7' || type == '8' || type == '9') s.end = true;
  });
  return s;
}

std::string KindByMagic(std::span<const uint8_t> f) {
  auto starts = [&f](std::initializer_list<uint8_t> m) {
    return f.size() >= m.size() && std::equal(m.begin(), m.end(), f.begin());
  };
  if (starts({0x7F, 'E', 'L', 'F'})) return "an ELF object file (link it to a binary or HEX file first)";
  if (starts({'P', 'K', 3, 4})) return "a ZIP archive";
  if (starts({0x1F, 0x8B})) return "a gzip archive";
  if (starts({'%', 'P', 'D', 'F'})) return "a PDF document";
  return {};
}

}  // namespace

FileFindings CheckFirmwareFile(const std::string& path, int format, uint32_t icSize, const std::string& icName,
                               int64_t chunk) {
  LargeBytes bytes;
  if (!ReadWholeFile(path, bytes)) {
    FileFindings r;
    r.notes.push_back("'" + path + "' cannot be read");
    return r;
  }
  return CheckFirmwareText(bytes, format, icSize, icName, chunk);
}

FileFindings CheckFirmwareText(std::span<const uint8_t> bytes, int format, uint32_t icSize,
                               const std::string& icName, int64_t chunk) {
  FileFindings r;
  if (format == 0) {
    QuietUi quiet;  // detection shows nothing here: the findings say what matters
    format = static_cast<int>(DetectFormatOf(bytes, quiet));
  }
  const uint64_t length = bytes.size();
  if (format == 4 || format == 5) {
    const HexScan s = format == 4 ? ScanIntel(bytes) : ScanMotorola(bytes);
    if (s.badSums > 0) {
      r.notes.push_back(std::to_string(s.badSums) + " record(s) with a checksum error, the first on line " +
                        std::to_string(s.firstBadLine));
      r.warnings = true;
    }
    if (!s.end) {
      r.notes.push_back("no end record: the file may be cut short");
      r.warnings = true;
    }
    if (s.low != UINT64_MAX && icSize > 0 && s.high >= icSize) {
      const uint64_t from = std::max<uint64_t>(s.low, icSize);
      r.notes.push_back("data at " + Hex(from) + "-" + Hex(s.high) + " lies beyond the " +
                        std::to_string(icSize / 1024) + "K IC " + icName + " and is not downloaded");
    }
    if (chunk > 1 && s.low != UINT64_MAX && static_cast<uint64_t>(chunk - 1) * icSize > s.high)
      r.notes.push_back("chunk /N" + std::to_string(chunk) + " starts past the file's data");
    return r;
  }
  if (format == 3 || format == 1 || format == 2 || format == 7 || format == 6) {
    if (format != 6) {
      if (const std::string kind = KindByMagic(bytes); !kind.empty())
        r.notes.push_back("the file would load as binary, but it is " + kind);
    }
    if (format != 6 && icSize > 0 && length > icSize && chunk == 0)
      r.notes.push_back("the binary holds " + std::to_string(length) + " bytes, more than the " +
                        std::to_string(icSize / 1024) + "K IC " + icName + ": the rest is cut");
    if (chunk > 0 && icSize > 0 && static_cast<uint64_t>(chunk) * icSize > length + icSize - 1)
      r.notes.push_back("chunk /N" + std::to_string(chunk) + " starts past the end of the file");
  }
  return r;
}

}  // namespace zarvo::cli
