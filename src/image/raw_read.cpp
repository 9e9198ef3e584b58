#include "image/raw_read.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/load_keys.h"
#include "image/readers.h"

namespace zarvo {

bool ReadRawFile(LoadContext& ctx, RawImage& raw) {
  const Profile& p = ctx.profile;
  const std::string name = p.readText(keys::kLoadDlg, keys::kName, "None");
  const int64_t sourceStart = p.readInt(keys::kLoadDlg, keys::kSourceSAdd, 0);
  const auto userFill = static_cast<uint8_t>(p.readInt(keys::kLoadDlg, keys::kUserFill, 1) & 0xFF);
  if (name.empty()) return false;

  const int64_t len = FileLength(name);
  if (len <= 0) return false;
  if (len > kMaxRawFileLength) {
    ctx.ui.messageBox("Memory error.", "Load BIN File", Icon::None, Buttons::Ok);
    return false;
  }
  const auto L = static_cast<uint32_t>(len);

  // The image is always at least L + 1024 bytes after a raw read; the sum relies on it.
  uint32_t target = std::max(ctx.image.size(), ctx.rs.SizeHighWater);
  if (L > target) target = L;
  ctx.image.resize(target, ctx.rs, ctx.ui);

  raw.sourceStart = sourceStart > 0 ? static_cast<uint32_t>(std::min<int64_t>(sourceStart, L)) : 0;
  raw.skipFill = userFill;
  if (raw.name == name && raw.length == L && raw.bytes.size() == static_cast<size_t>(L) + 1024) return true;

  InputFile file(name);
  if (!file.opened()) {
    ctx.ui.messageBox("Cannot open " + name, "Load BIN File", Icon::Error, Buttons::Ok);
    return false;
  }
  raw.detected = -1;
  try {
    // Not zeroed first: the read fills the file's part, the tail is zeroed below.
    raw.bytes.clear();
    raw.bytes.resize(static_cast<size_t>(L) + 1024);
  } catch (const std::bad_alloc&) {
    ctx.ui.messageBox("Memory error.", "Load BIN File", Icon::None, Buttons::Ok);
    return false;
  }
  raw.length = L;
  raw.skipped = 0;
  raw.name.clear();
  std::memset(raw.bytes.data() + L, 0, 1024);
  if (!file.read(raw.bytes.data(), L)) {
    ctx.ui.messageBox("Cannot read " + name, "Load BIN File", Icon::Error, Buttons::Ok);
    return false;
  }
  raw.name = name;
  return true;
}

void ApplySourceStart(RawImage& raw) {
  const uint32_t skip = raw.sourceStart;
  if (skip == 0) return;
  auto text = raw.bytes.begin();
  std::copy(text + skip, text + raw.length, text);
  std::fill_n(text + (raw.length - skip), skip, raw.skipFill);
  raw.skipped += skip;
  raw.sourceStart = 0;
  raw.name.clear();  // no longer the file as it stands
  raw.detected = -1;
}

uint32_t DetectedFormat(RawImage& raw, Ui& ui) {
  if (raw.detected < 0) raw.detected = static_cast<int>(DetectFormatOf(raw.text(), ui));
  return static_cast<uint32_t>(raw.detected);
}

uint32_t DetectFormat(LoadContext& ctx) {
  RawImage raw;
  return DetectFormat(ctx, raw);
}

uint32_t DetectFormat(LoadContext& ctx, RawImage& raw) {
  if (!ReadRawFile(ctx, raw)) return kFormatBinary;
  return DetectedFormat(raw, ctx.ui);
}

}  // namespace zarvo
