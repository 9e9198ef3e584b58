#include "image/load_dialog.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "image/load_keys.h"
#include "image/raw_read.h"
#include "image/tables.h"

namespace zarvo {

namespace {

constexpr size_t kAddressDigits = 7;
constexpr size_t kFillDigits = 2;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool ValidDevice(int n) { return n >= 1 && n <= 4; }

std::string Hex2(uint32_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
  return buf;
}

}  // namespace

std::string StoredPanelFields::addressText(int device) const {
  return ValidDevice(device) ? address[static_cast<size_t>(device - 1)] : std::string();
}
void StoredPanelFields::setAddressText(int device, const std::string& text) {
  if (ValidDevice(device)) address[static_cast<size_t>(device - 1)] = text;
}
int StoredPanelFields::typeItem(int device) const {
  return ValidDevice(device) ? type[static_cast<size_t>(device - 1)] : -1;
}
void StoredPanelFields::setTypeItem(int device, int item) {
  if (ValidDevice(device)) type[static_cast<size_t>(device - 1)] = item;
}

std::optional<char> FilterHexKey(char key) {
  if (key == kBackspace || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'F')) return key;
  if (key >= 'a' && key <= 'f') return static_cast<char>(key - 'a' + 'A');
  return std::nullopt;
}

std::string FilterHexText(std::string text, size_t maxLength) {
  if (text.size() > maxLength) text.resize(maxLength);
  size_t i = 0;
  while (i < text.size() && IsHexDigit(text[i])) ++i;
  text.resize(i);
  return text;
}

std::string FilterHexPaste(std::string text, size_t maxLength) {
  for (char& c : text)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return FilterHexText(std::move(text), maxLength);
}

LoadDialog::LoadDialog(LoadContext& ctx, PanelFields* panels, bool shown)
    : ctx_(ctx), panels_(panels), device_(ValidDevice(ctx.rs.SelectedDevice) ? ctx.rs.SelectedDevice : 0) {
  Profile& p = ctx_.profile;
  const std::string section = device_ ? keys::DeviceSection(device_) : std::string();

  // Device copy: the device's file and fill values become [LoadDlg]'s.
  const std::string deviceName = device_ ? p.readText(section, keys::kName, "None") : std::string();
  if (!device_ || FileLength(deviceName) < 0) {
    writeKeys({{{keys::kLoadDlg, keys::kName, deviceName}}});
    return;
  }
  const int64_t fill = p.readInt(section, keys::kUserFill, 255);
  const int64_t flag = p.readInt(section, keys::kUnuserFillCheck, 1);
  writeKeys({{{keys::kLoadDlg, keys::kName, deviceName},
              {keys::kLoadDlg, keys::kUserFill, std::to_string(fill)},
              {keys::kLoadDlg, keys::kUnuserFillCheck, std::to_string(flag)}}});
  if (!shown) return;

  // The fields come from the values just copied; the file is detected once, as detection
  // reads all of it.
  fillFromFile(deviceName);
  fields_[Index(HexField::UserFill)] = Hex2(static_cast<uint32_t>(fill));
  fillChecked_ = flag != 0;
  // Panels 2 to 4 take any text in their address edit; the field takes only what it could hold.
  fields_[Index(HexField::SourceSAdd)] =
      panels_ ? FilterHexPaste(panels_->addressText(device_), kAddressDigits) : "0000000";
}

void LoadDialog::takeFile(const std::string& path) {
  // Detection reads the file [LoadDlg] Name names, as at the dialog's creation.
  writeKeys({{{keys::kLoadDlg, keys::kName, path}}});
  if (FileLength(path) < 0) {
    setNameText(path);
    return;
  }
  fillFromFile(path);
}

void LoadDialog::fillFromFile(const std::string& name) {
  const uint32_t code = DetectFormat(ctx_);
  setNameText(name);
  fields_[Index(HexField::DistSAdd)] = "0000000";
  clickFormat(static_cast<int>(code));
}

void LoadDialog::setFileFields(const std::string& name) {
  const int64_t len = FileLength(name);
  if (len < 0) return;
  fields_[Index(HexField::SourceSAdd)] = "000000";
  fields_[Index(HexField::SourceEAdd)] = Hex7(static_cast<uint32_t>(len - 1));
}

void LoadDialog::setNameText(const std::string& name) {
  name_ = name;
  setFileFields(name);
}

void LoadDialog::typeKey(HexField f, char key) {
  const auto passed = FilterHexKey(key);
  if (!passed) return;
  std::string text = fields_[Index(f)];
  if (*passed == kBackspace) {
    if (!text.empty()) text.pop_back();
  } else {
    text.push_back(*passed);
  }
  setFieldText(f, text);
}

void LoadDialog::setFieldText(HexField f, const std::string& text) {
  fields_[Index(f)] = FilterHexText(text, f == HexField::UserFill ? kFillDigits : kAddressDigits);
}

void LoadDialog::clickFormat(int item) {
  format_ = item;
  const bool addresses = item >= 1 && item <= 3;
  enabled_[Index(HexField::SourceSAdd)] = addresses;
  enabled_[Index(HexField::SourceEAdd)] = addresses;
  enabled_[Index(HexField::DistSAdd)] = addresses;
  if (addresses) return;
  fields_[Index(HexField::DistSAdd)] = "0000000";
  if (item >= 4 && item <= 7) {
    fillChecked_ = true;
    enabled_[Index(HexField::UserFill)] = true;
  }
}

void LoadDialog::refuse(const std::string& title) {
  ctx_.ui.messageBox("Input Value Error !", title, Icon::Error, Buttons::Ok);
  accepted_ = false;
}

bool LoadDialog::writeKeys(std::vector<Profile::Entry> entries) {
  if (ctx_.profile.writeTexts(entries)) return true;
  if (!writeFailed_) ctx_.ui.messageBox(ctx_.profile.lastError(), "Error", Icon::Error, Buttons::Ok);
  writeFailed_ = true;
  return false;
}

bool LoadDialog::load() {
  ctx_.rs.LoadCancelled = false;
  accepted_ = false;
  writeFailed_ = false;
  const int64_t len = FileLength(name_);
  if (len < 0) {
    ctx_.ui.messageBox("Not Found File ! ", "ERROR", Icon::Error, Buttons::Ok);
    return false;
  }
  const auto L = static_cast<uint64_t>(len);
  // The fields hold hex digits only (the filters see to it); an empty field counts as 0.
  const uint32_t s = ParseHexText(fields_[Index(HexField::SourceSAdd)]).value_or(0);
  const uint32_t e = ParseHexText(fields_[Index(HexField::SourceEAdd)]).value_or(0);
  const uint32_t d = ParseHexText(fields_[Index(HexField::DistSAdd)]).value_or(0);
  const uint32_t f = ParseHexText(fields_[Index(HexField::UserFill)]).value_or(0);
  if (!(s < e)) return refuse("Error"), false;
  if (s > L || e > L || d > kMaxDestination || f > 0x100) return refuse("ERROR"), false;

  const int format = format_ < 0 ? 0 : format_;
  LoadRequest& req = ctx_.image.request();
  req.sourceStart = std::to_string(s);
  req.sourceEnd = std::to_string(e);
  req.destination = std::to_string(d);
  req.format = static_cast<uint32_t>(format);
  req.fillFlag = fillChecked_ ? 1 : 0;
  req.fillByte = f;
  req.fileName = name_;

  const std::pair<const char*, std::string> values[] = {
      {keys::kSourceSAdd, std::to_string(s)},      {keys::kSourceEAdd, std::to_string(e)},
      {keys::kDistSAdd, std::to_string(d)},        {keys::kUserFill, std::to_string(f)},
      {keys::kFormat, std::to_string(format)},     {keys::kUnuserFillCheck, fillChecked_ ? "1" : "0"},
      {keys::kName, name_},                        {keys::kOk, "1"},
  };
  // [LoadDlg] and the device's section in one rewrite: all of the keys, or none of them.
  std::vector<Profile::Entry> entries;
  for (const auto& [key, value] : values) entries.push_back({keys::kLoadDlg, key, value});
  if (device_) {
    for (const auto& [key, value] : values) entries.push_back({keys::DeviceSection(device_), key, value});
  }
  if (!writeKeys(std::move(entries))) {
    // An earlier confirmation must not load what the user did not confirm now.
    ctx_.profile.writeText(keys::kLoadDlg, keys::kOk, "0");
    return false;
  }
  if (device_ && panels_) panels_->setAddressText(device_, Hex7(s));

  handOver_ = {true, name_, std::to_string(format), std::to_string(s), std::to_string(e),
               std::to_string(d), fillChecked_, std::to_string(f)};

  const uint32_t length = e - s;
  if (length < ctx_.rs.IcSize) {
    if (ctx_.rs.SizeHighWater < ctx_.rs.IcSize) ctx_.rs.SizeHighWater = ctx_.rs.IcSize;
    ctx_.image.growToHighWater(ctx_.rs, ctx_.ui);
  } else {
    if (ctx_.rs.SizeHighWater < length) ctx_.rs.SizeHighWater = length;
    ctx_.image.resize(ctx_.rs.SizeHighWater, ctx_.rs, ctx_.ui);
  }

  constexpr int kAutoDetectItem = 9;
  if (device_ && panels_ && panels_->typeItem(device_) == kAutoDetectItem) {
    // The IC must hold the whole range: the end field names the last byte (L - 1 when it
    // comes from the file) unless it is the file length itself. Past the largest IC there
    // is only the largest; an older, smaller range would cut the file.
    const uint64_t held = std::min<uint64_t>(static_cast<uint64_t>(e) + 1, L) - s;
    const uint32_t largest = kIcSizeTable.back().size;
    ctx_.rs.EmulationRange = SmallestIcSize(static_cast<uint32_t>(std::min<uint64_t>(held, largest))).value_or(largest);
    if (auto item = IcItemForSize(ctx_.rs.EmulationRange)) panels_->setTypeItem(device_, *item);
  }
  accepted_ = true;
  closed_ = true;
  return true;
}

void LoadDialog::cancel() {
  ctx_.rs.LoadCancelled = true;
  writeKeys({{{keys::kLoadDlg, keys::kOk, "0"}}});
  closed_ = true;
}

}  // namespace zarvo
