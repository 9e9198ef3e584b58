// The whole dispatch on arbitrary bytes: the first byte picks the format code (0..7) and
// the fill flag, the next two the destination, the rest is the file. Whatever the bytes,
// the load must end in success or a reported failure, never outside the image.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"
#include "image/image_buffer.h"
#include "image/load_keys.h"
#include "image/raw_read.h"
#include "quiet_ui.h"

namespace {

std::string SettingsPath() {
  static std::string path = [] {
    // tmpfs when there is one: every settings write is synced to disk.
    char shm[] = "/dev/shm/zarvo-fuzz-XXXXXX";
    char tmp[] = "/tmp/zarvo-fuzz-XXXXXX";
    char* dir = ::access("/dev/shm", W_OK) == 0 ? shm : tmp;
    if (!::mkdtemp(dir)) std::abort();
    return std::string(dir) + "/settings.ini";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static std::string settings = [] {
    // Written once: the keys a confirmed dialog leaves, per format code below.
    zarvo::Profile p(SettingsPath());
    p.writeText(zarvo::keys::kLoadDlg, zarvo::keys::kUserFill, "165");
    return SettingsPath();
  }();
  zarvo::Profile profile(settings);
  zarvo::ImageBuffer image;
  zarvo::RunState rs;
  zarvo::test::QuietUi ui;
  rs.IcSize = rs.EmulationRange = 0x800;
  rs.DeviceMemorySize = (data[0] & 0x80) ? 0x1900 : 0;
  rs.DataSetSwitch = (data[0] & 0x40) ? "/32BIT_3RD" : "/8BIT_Every";
  zarvo::LoadContext ctx{image, rs, profile, ui};

  // Format and fill flag travel through the settings file; each distinct pair is written
  // only when it changes, so the fuzzer does not spend its time in file writes.
  static int lastKeys = -1;
  const int keysNow = data[0] & 0x0F;
  if (keysNow != lastKeys) {
    profile.writeInt(zarvo::keys::kLoadDlg, zarvo::keys::kFormat, keysNow & 7);
    profile.writeInt(zarvo::keys::kLoadDlg, zarvo::keys::kUnuserFillCheck, (keysNow >> 3) & 1);
    lastKeys = keysNow;
  }
  static int lastDest = -1;
  const int dest = (data[1] << 8 | data[2]) & 0x3FFF;
  if (dest != lastDest) {
    profile.writeInt(zarvo::keys::kLoadDlg, zarvo::keys::kDistSAdd, dest);
    lastDest = dest;
  }

  zarvo::RawImage raw;
  raw.length = static_cast<uint32_t>(size - 3);
  raw.bytes.assign(data + 3, data + size);
  raw.bytes.resize(raw.length + 1024, 0);
  raw.sourceStart = raw.length == 0 ? 0 : (static_cast<uint32_t>(data[0]) * 7u) % (raw.length + 1);
  raw.skipFill = data[2];
  const uint32_t before = image.size();
  zarvo::DispatchRaw(ctx, raw);
  if ((keysNow & 7) == 0) lastKeys = -1;  // auto detection wrote the detected code back
  if (image.size() < before) std::abort();  // the image never shrinks
  return 0;
}
