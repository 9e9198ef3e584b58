#include "image/firmware_check.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "base/quiet_ui.h"
#include "image/image_buffer.h"
#include "image/readers.h"

namespace zarvo {

namespace {

constexpr uint32_t kExeHeader = 512;
constexpr size_t kRangesNamed = 3;  // beyond that, "and n more"

std::string Hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

std::string RangeText(const AddressRange& r) { return Hex(r.first) + "-" + Hex(r.last); }

std::string IcText(const FirmwareTarget& t) {
  return "the " + std::to_string(t.icSize / 1024) + "K IC" + (t.icName.empty() ? "" : " " + t.icName);
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

// The data ranges at or above `top`, the first cut there: what lies beyond the IC window.
std::vector<AddressRange> RangesFrom(const std::vector<AddressRange>& data, uint64_t top) {
  std::vector<AddressRange> out;
  for (const AddressRange& r : data) {
    if (r.last < top) continue;
    out.push_back({std::max(r.first, top), r.last});
  }
  return out;
}

void HexNotes(const FirmwareReport& r, const FirmwareTarget& t, std::vector<std::string>& notes) {
  const ReadFindings& f = r.findings;
  if (f.badSums > 0)
    notes.push_back(std::to_string(f.badSums) + " record(s) with a checksum error, the first on line " +
                    std::to_string(f.firstBadLine));
  if (!f.endRecord) notes.push_back("no end record: the file may be cut short");
  if (f.overlaps > 0)
    notes.push_back(std::to_string(f.overlaps) + " record(s) overwrite different bytes an earlier record placed, the first at " +
                    Hex(f.firstOverlap) + ": the later record's bytes are kept");
  if (f.dropped)
    notes.push_back("data at " + RangeText(f.droppedRange) + " lies above " + Hex(kHexAddressLimit) +
                    ", out of any unit's reach, and is not loaded");
  if (t.icSize > 0) {
    // File address A lands at image offset A + shift; the unit receives offsets below the IC size.
    const int64_t top = static_cast<int64_t>(t.icSize) - r.shift;
    const std::vector<AddressRange> beyond = RangesFrom(f.data, static_cast<uint64_t>(std::max<int64_t>(top, 0)));
    if (!beyond.empty()) {
      std::string where;
      for (size_t i = 0; i < beyond.size() && i < kRangesNamed; ++i) where += (i ? ", " : "") + RangeText(beyond[i]);
      if (beyond.size() > kRangesNamed) where += " and " + std::to_string(beyond.size() - kRangesNamed) + " more range(s)";
      notes.push_back("data at " + where + " lies beyond " + IcText(t) + " and is not downloaded");
    }
  }
  if (t.chunk > 1 && f.anyData() && static_cast<uint64_t>(t.chunk - 1) * t.icSize > f.data.back().last)
    notes.push_back("chunk /N" + std::to_string(t.chunk) + " starts past the file's data");
}

void ByteNotes(const FirmwareReport& r, const FirmwareTarget& t, std::vector<std::string>& notes) {
  if (!r.kind.empty()) notes.push_back("the file would load as binary, but it is " + r.kind);
  if (r.looksLike != 0) {
    const bool intel = r.looksLike == kFormatIntel;
    std::string advice = t.batch ? "a batch line loads the detected format: remove the text before its first record"
                                 : std::string("use --format ") + (intel ? "intel" : "motorola");
    notes.push_back(std::string("the file looks like ") + (intel ? "Intel HEX" : "S-records") +
                    " but loads as raw bytes (the text around its records keeps it from being detected): " + advice);
  }
  if (r.format == kFormatTektronix) return;
  if (t.icSize > 0 && r.placedEnd > t.icSize && t.chunk == 0)
    notes.push_back("the binary holds " + std::to_string(r.length) + " bytes, more than " + IcText(t) +
                    ": the rest is cut");
  if (t.chunk > 0 && t.icSize > 0 && static_cast<uint64_t>(t.chunk) * t.icSize > r.length + t.icSize - 1)
    notes.push_back("chunk /N" + std::to_string(t.chunk) + " starts past the end of the file");
}

}  // namespace

FirmwareNotes CheckFirmware(const FirmwareReport& report, const FirmwareTarget& target) {
  FirmwareNotes n;
  if (!report.read) return n;  // the load has refused the file and said why
  if (report.isHex()) HexNotes(report, target, n.notes);
  else ByteNotes(report, target, n.notes);
  return n;
}

void NoteByteFormat(FirmwareReport& report, std::span<const uint8_t> text) {
  report.kind = KindByMagic(text);
  report.looksLike = RecordsFormatOf(text);
}

FirmwareReport ExamineFirmware(std::span<const uint8_t> text, uint32_t format, int64_t shift) {
  QuietUi quiet;
  FirmwareReport r;
  r.length = text.size();
  r.shift = shift;
  r.detected = DetectFormatOf(text, quiet);
  r.format = format == kFormatAuto ? r.detected : format;
  if (r.isHex()) {
    if (r.format != r.detected && !CheckChosenFormat(text, r.format, quiet)) return r;
    using Reader = HexResult (*)(std::span<const uint8_t>, const HexOptions&, Ui&);
    const Reader read = r.format == kFormatIntel      ? ReadIntelHex
                        : r.format == kFormatMotorola ? ReadMotorola
                                                      : ReadTektronix;
    const HexResult measured = read(text, {0, Pass::Measure, 0xFF, true}, quiet);
    if (!measured.ok) return r;
    HexResult stored = read(text, {measured.last + 1, Pass::Store, 0xFF, true}, quiet);
    if (!stored.ok) return r;
    r.findings = std::move(stored.findings);
    r.read = true;
    return r;
  }
  NoteByteFormat(r, text);
  if (r.format == kFormatExe && text.size() < kExeHeader) return r;  // "Format Error !"
  const uint64_t count = r.format == kFormatExe ? text.size() - kExeHeader : text.size();
  r.placedEnd = static_cast<uint64_t>(std::max<int64_t>(static_cast<int64_t>(count) + shift, 0));
  r.read = true;
  return r;
}

}  // namespace zarvo
