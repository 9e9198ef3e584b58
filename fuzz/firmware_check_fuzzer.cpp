// Arbitrary bytes as a firmware file, loaded by the load pipeline and examined by the
// firmware check without a load: the first byte picks the format code (0..7) and the fill
// flag, the second the destination. Whatever the bytes, the check must warn exactly when the
// load itself reports: both refuse or both read the file, with the same findings, the same
// notes, and a checksum note exactly when the load showed its checksum box.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "base/profile.h"
#include "base/run_state.h"
#include "image/firmware_check.h"
#include "image/image_buffer.h"
#include "image/load_keys.h"
#include "image/raw_read.h"
#include "image/readers.h"
#include "quiet_ui.h"
#include "scratch_dir.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Counts the reader's checksum box.
class CountingUi : public zarvo::test::QuietUi {
 public:
  zarvo::Answer messageBox(const std::string& text, const std::string& title, zarvo::Icon icon,
                           zarvo::Buttons buttons) override {
    if (text.rfind("File read in complete!", 0) == 0) ++checksumBoxes;
    return QuietUi::messageBox(text, title, icon, buttons);
  }
  int checksumBoxes = 0;
};

constexpr uint32_t kDestinations[4] = {0, 0x10, 0x7FF, 0x3FFF};

const std::string& SettingsFor(int keys, int dest) {
  static std::map<int, std::string> files;
  const int id = keys << 2 | dest;
  auto it = files.find(id);
  if (it != files.end()) return it->second;
  const std::string path = (ScratchDir() / ("settings" + std::to_string(id) + ".ini")).string();
  const zarvo::Profile::Entry entries[] = {
      {zarvo::keys::kLoadDlg, zarvo::keys::kUserFill, "165"},
      {zarvo::keys::kLoadDlg, zarvo::keys::kFormat, std::to_string(keys & 7)},
      {zarvo::keys::kLoadDlg, zarvo::keys::kUnuserFillCheck, std::to_string((keys >> 3) & 1)},
      {zarvo::keys::kLoadDlg, zarvo::keys::kDistSAdd, std::to_string(kDestinations[dest])}};
  if (!zarvo::Profile(path).writeTexts(entries)) std::abort();
  return files.emplace(id, path).first->second;
}

bool Same(const zarvo::ReadFindings& a, const zarvo::ReadFindings& b) {
  if (a.data.size() != b.data.size()) return false;
  for (size_t i = 0; i < a.data.size(); ++i)
    if (a.data[i].first != b.data[i].first || a.data[i].last != b.data[i].last) return false;
  return a.badSums == b.badSums && a.firstBadLine == b.firstBadLine && a.endRecord == b.endRecord &&
         a.overlaps == b.overlaps && a.firstOverlap == b.firstOverlap && a.dropped == b.dropped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::span<const uint8_t> text(data + 2, size - 2);
  zarvo::test::QuietUi quiet;
  const int keys = data[0] & 0x0F;
  const uint32_t code = (keys & 7) == 0 ? zarvo::DetectFormatOf(text, quiet) : static_cast<uint32_t>(keys & 7);
  // HEX data far up only measures the allocator: such inputs stop after a bounded measure.
  if (code >= zarvo::kFormatIntel && code <= zarvo::kFormatTektronix) {
    const auto read = code == zarvo::kFormatIntel      ? zarvo::ReadIntelHex
                      : code == zarvo::kFormatMotorola ? zarvo::ReadMotorola
                                                       : zarvo::ReadTektronix;
    const zarvo::HexResult m = read(text, {0, zarvo::Pass::Measure, 0, false, (128u << 10) - 1}, quiet);
    if (!m.ok || m.findings.dropped) return 0;
  }

  zarvo::ImageBuffer image;
  zarvo::RunState rs;
  rs.IcSize = rs.EmulationRange = 0x800;
  CountingUi ui;
  const int dest = data[1] & 3;
  zarvo::Profile profile(SettingsFor(keys, dest));
  zarvo::LoadContext ctx{image, rs, profile, ui};
  zarvo::RawImage raw;
  raw.length = static_cast<uint32_t>(text.size());
  raw.bytes.assign(text.begin(), text.end());
  raw.bytes.resize(raw.length + 1024, 0);
  const bool loaded = zarvo::DispatchRaw(ctx, raw);
  if ((keys & 7) == 0) profile.writeText(zarvo::keys::kLoadDlg, zarvo::keys::kFormat, "0");

  const zarvo::FirmwareReport examined =
      zarvo::ExamineFirmware(text, static_cast<uint32_t>(keys & 7), kDestinations[dest]);
  const zarvo::FirmwareReport& report = image.report();
  // The load may still refuse to place what it read (an IC window without file data).
  Check(!loaded || report.read);
  Check(examined.read == report.read);
  if (!report.read) return 0;
  Check(examined.format == report.format);
  Check(Same(examined.findings, report.findings));
  const zarvo::FirmwareTarget target{0x800, "/16", 0, (data[1] & 4) != 0};
  const zarvo::FirmwareNotes fromLoad = zarvo::CheckFirmware(report, target);
  Check(zarvo::CheckFirmware(examined, target).notes == fromLoad.notes);
  bool checksumNote = false;
  for (const std::string& n : fromLoad.notes) {
    Check(!n.empty() && n.back() != '.' && n.find('\n') == std::string::npos);
    if (n.find("checksum error") != std::string::npos) checksumNote = true;
  }
  Check(checksumNote == (ui.checksumBoxes > 0));
  return 0;
}
