// Feeds arbitrary text to the settings-file layer as a whole file: reads must never fault,
// and a write followed by a read must give back what was written, whatever else the file
// holds (odd headers, stray carriage returns, NUL bytes, duplicate sections).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/profile.h"
#include "scratch_dir.h"

namespace {

const std::string& ScratchFile() {
  static const std::string path = (ScratchDir() / "TovanHistory_1.ini").string();
  return path;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ScratchFile();
  {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }

  zarvo::Profile profile(path);
  const std::string lang = profile.readText("Option", "Lang", "English");
  Check(lang.size() <= zarvo::Profile::kMaxValue);
  (void)profile.readText("Device1", "Name", "");
  (void)profile.readInt("Device1", "Check", 1);
  (void)profile.readInt("LoadDlg", "DistSadd", 0);
  (void)profile.readInt("Option", "SignalOption", 0);

  // The input as an integer text: whatever parses must survive a write and a read.
  const std::string text(reinterpret_cast<const char*>(data), size);
  int64_t parsed = 0;
  const bool isInt = zarvo::Profile::parseInt(text, parsed);

  if (profile.writeText("Option", "PulseDealyTime", "fuzz")) {
    Check(profile.readText("option", "PULSEDEALYTIME", "") == "fuzz");
    Check(profile.readText("Option", "Lang", "English") == lang);  // other keys untouched
  }
  if (isInt && profile.writeInt("LoadDlg", "DistSAdd", parsed)) {
    Check(profile.readInt("LoadDlg", "DistSadd", parsed + 1) == parsed);
  }
  return 0;
}
