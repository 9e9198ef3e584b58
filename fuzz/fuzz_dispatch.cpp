// The whole dispatch on arbitrary bytes: the first byte picks the format code (0..7) and
// the fill flag, the second the destination, the third the skip fill; the rest is the file.
// Whatever the bytes, the load must end in success or a reported failure, never outside
// the image.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"
#include "image/image_buffer.h"
#include "image/load_keys.h"
#include "image/raw_read.h"
#include "image/readers.h"
#include "quiet_ui.h"

namespace {

std::string ScratchFolder() {
  static std::string dir = [] {
    // tmpfs when there is one: every settings write is synced to disk.
    char shm[] = "/dev/shm/zarvo-fuzz-XXXXXX";
    char tmp[] = "/tmp/zarvo-fuzz-XXXXXX";
    char* made = ::access("/dev/shm", W_OK) == 0 ? shm : tmp;
    if (!::mkdtemp(made)) std::abort();
    return std::string(made);
  }();
  return dir;
}

constexpr uint32_t kDestinations[8] = {0, 1, 0xF, 0x10, 0x7FF, 0x800, 0x1000, 0x3FFF};

// The keys a confirmed dialog leaves, one settings file per format code, fill flag and
// destination, each written once: the fuzzer then spends its time in the load, not in
// writes that sync to disk.
const std::string& SettingsFor(int keys, int dest) {
  static std::map<int, std::string> files;
  const int id = keys << 3 | dest;
  auto it = files.find(id);
  if (it != files.end()) return it->second;
  const std::string path = ScratchFolder() + "/settings" + std::to_string(id) + ".ini";
  const zarvo::Profile::Entry entries[] = {
      {zarvo::keys::kLoadDlg, zarvo::keys::kUserFill, "165"},
      {zarvo::keys::kLoadDlg, zarvo::keys::kFormat, std::to_string(keys & 7)},
      {zarvo::keys::kLoadDlg, zarvo::keys::kUnuserFillCheck, std::to_string((keys >> 3) & 1)},
      {zarvo::keys::kLoadDlg, zarvo::keys::kDistSAdd, std::to_string(kDestinations[dest])}};
  if (!zarvo::Profile(path).writeTexts(entries)) std::abort();
  return files.emplace(id, path).first->second;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  zarvo::ImageBuffer image;
  zarvo::RunState rs;
  zarvo::test::QuietUi ui;
  rs.IcSize = rs.EmulationRange = 0x800;
  rs.DeviceMemorySize = (data[0] & 0x80) ? 0x1900 : 0;
  rs.DataSetSwitch = (data[0] & 0x40) ? "/32BIT_3RD" : "/8BIT_Every";

  // HEX data far up only measures the allocator (the image grows to the highest address,
  // up to 256 MiB): such inputs stop after a measure pass bounded to 128 KiB.
  const std::span<const uint8_t> text(data + 3, size - 3);
  const uint32_t code = (data[0] & 7) == 0 ? zarvo::DetectFormatOf(text, ui) : (data[0] & 7);
  if (code >= zarvo::kFormatIntel && code <= zarvo::kFormatTektronix) {
    const auto read = code == zarvo::kFormatIntel      ? zarvo::ReadIntelHex
                      : code == zarvo::kFormatMotorola ? zarvo::ReadMotorola
                                                       : zarvo::ReadTektronix;
    const zarvo::HexResult m = read(text, {image.size(), zarvo::Pass::Measure, 0, false, (128u << 10) - 1}, ui);
    if (!m.ok) return 0;
  }

  // Format code (0..7) and fill flag from the first byte, the destination from the second;
  // they travel through the settings file, as a confirmed dialog leaves them.
  const int keysNow = data[0] & 0x0F;
  zarvo::Profile profile(SettingsFor(keysNow, data[1] & 7));
  zarvo::LoadContext ctx{image, rs, profile, ui};

  zarvo::RawImage raw;
  raw.length = static_cast<uint32_t>(size - 3);
  raw.bytes.assign(data + 3, data + size);
  raw.bytes.resize(raw.length + 1024, 0);
  raw.sourceStart = raw.length == 0 ? 0 : (static_cast<uint32_t>(data[0]) * 7u) % (raw.length + 1);
  raw.skipFill = data[2];
  const uint32_t before = image.size();
  zarvo::DispatchRaw(ctx, raw);
  // Auto detection writes the code it found back; the file must say "detect" next time.
  if ((keysNow & 7) == 0) profile.writeText(zarvo::keys::kLoadDlg, zarvo::keys::kFormat, "0");
  if (image.size() < before) std::abort();  // the image never shrinks
  return 0;
}
