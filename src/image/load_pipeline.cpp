#include "image/load_pipeline.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/settings_lock.h"
#include "image/byte_formats.h"
#include "image/firmware_check.h"
#include "image/load_dialog.h"
#include "image/load_keys.h"
#include "image/raw_read.h"
#include "image/readers.h"
#include "image/tables.h"

namespace zarvo {

namespace {

constexpr uint64_t kMaxImage = 0xFFFFFFFFull - 4096;  // resize adds its slack on top

// Writes keys of the settings file and remembers the first failure, reported once: a key
// that did not reach the file would make the next step read a stale value.
// Collects the keys of one step and writes them in one rewrite of the settings file; a
// refused write is shown once, naming the file.
class KeyWriter {
 public:
  explicit KeyWriter(LoadContext& ctx) : ctx_(ctx) {}
  void text(const char* section, const char* key, const std::string& value) {
    entries_.push_back({section, key, value});
  }
  void number(const char* section, const char* key, uint64_t v) { text(section, key, std::to_string(v)); }
  bool commit() {
    if (ctx_.profile.writeTexts(entries_)) return true;
    ctx_.ui.messageBox(ctx_.profile.lastError(), "Error", Icon::Error, Buttons::Ok);
    return false;
  }

 private:
  LoadContext& ctx_;
  std::vector<Profile::Entry> entries_;
};

std::string FormatSwitchName(uint32_t code) {
  switch (code) {
    case kFormatIntel: return "/INTEL_HEX";
    case kFormatMotorola: return "/MOTOROLA_HEX";
    case kFormatTektronix: return "/TEKTLONIX_HEX";
    default: return "/BIN";
  }
}

void InputValueError(LoadContext& ctx, const char* title) {
  ctx.ui.messageBox("Input Value Error !", title, Icon::Error, Buttons::Ok);
}

// What the format Auto Detect found: a box in an interactive load, once per panel and file
// (later runs of the same file need no telling), or a message-pane line in a run nobody
// watches, which a box would stop.
void AnnounceDetection(LoadContext& ctx, uint32_t format) {
  // Takes the text the detector's report would show.
  class Captured final : public Ui {
   public:
    Answer messageBox(const std::string& t, const std::string& caption, Icon, Buttons) override {
      text = t;
      title = caption;
      return Answer::Ok;
    }
    void appendMessage(const std::string&) override {}
    Page activePage() const override { return Page::Window; }
    std::string text = "Binary Code File", title = "Detect";
  } report;
  if (format != kFormatBinary) AnnounceFormat(format, report);
  if (ctx.unattended) {
    ctx.ui.appendMessage(report.text);
    return;
  }
  if (ctx.panel >= 1 && ctx.panel <= static_cast<int>(ctx.rs.DetectionShown.size())) {
    std::string& shown = ctx.rs.DetectionShown[static_cast<size_t>(ctx.panel - 1)];
    const std::string key = ctx.image.request().fileName + '\n' + std::to_string(format);
    if (shown == key) return;
    shown = key;
  }
  ctx.ui.messageBox(report.text, report.title, Icon::None, Buttons::Ok);
}

bool IsHex(uint32_t format) {
  return format == kFormatIntel || format == kFormatMotorola || format == kFormatTektronix;
}

// A failed preparation leaves [LoadDlg] OK as it was: the load that failed has ended, and
// the key says whether the user cancelled the dialog, which a missing file does not.
bool WindowPreparation(LoadContext& ctx) {
  LoadRequest& req = ctx.image.request();
  RunState& rs = ctx.rs;
  rs.SourceFileName = req.fileName;

  rs.DataSetSwitch = rs.SavedDataSetSwitch;
  rs.IcSwitchText = rs.SavedIcSwitchText;
  SetIcType(rs, rs.IcSwitchText);
  if (rs.SizeHighWater < rs.DeviceMemorySize) {
    rs.SizeHighWater = rs.DeviceMemorySize;
    ctx.image.growToHighWater(rs, ctx.ui);
  }

  // The device's own source start (the panel's address, "0x" + hex) and destination.
  std::string_view start = rs.StartText;
  if (start.starts_with("0x") || start.starts_with("0X")) start.remove_prefix(2);
  const auto sourceStart = ParseHexText(start);
  const auto destination =
      req.destination.empty() ? std::optional<uint32_t>(0) : ParseDecimalText(req.destination);
  if (!sourceStart || !destination || *destination > kMaxDestination) {
    InputValueError(ctx, "ERROR");
    return false;
  }

  KeyWriter w(ctx);
  w.text(keys::kLoadDlg, keys::kName, req.fileName);
  w.number(keys::kLoadDlg, keys::kUserFill, req.fillByte & 0xFFu);
  w.number(keys::kLoadDlg, keys::kUnuserFillCheck, req.fillFlag ? 1 : 0);
  w.number(keys::kLoadDlg, keys::kFormat, req.format);
  w.number(keys::kLoadDlg, keys::kSourceSAdd, *sourceStart);
  w.number(keys::kLoadDlg, keys::kDistSAdd, *destination);
  if (!w.commit()) return false;

  const std::string name = ctx.profile.readText(keys::kLoadDlg, keys::kName, "None");
  if (name.empty()) {
    ctx.ui.messageBox("Please select your File...");
    return false;
  }
  if (FileLength(name) < 0) {
    ctx.ui.messageBox("File not found...");
    return false;
  }
  // The request's format is the detected one; it is taken from the raw copy the load reads
  // next (LoadImage), rather than reading the whole file once more here.
  return true;
}

bool BatchPreparation(LoadContext& ctx, RawImage& raw) {
  LoadRequest& req = ctx.image.request();
  RunState& rs = ctx.rs;
  req.fileName = rs.SourceFileName;
  KeyWriter w(ctx);
  w.text(keys::kLoadDlg, keys::kName, req.fileName);
  w.number(keys::kLoadDlg, keys::kUserFill, req.fillByte & 0xFFu);
  w.number(keys::kLoadDlg, keys::kUnuserFillCheck, req.fillFlag ? 1 : 0);
  if (!w.commit()) return false;

  const std::string name = ctx.profile.readText(keys::kLoadDlg, keys::kName, "None");
  if (name.empty()) {
    ctx.ui.messageBox("Please select your File...");
    return false;
  }
  const int64_t len = FileLength(name);
  if (len < 0) {
    ctx.ui.appendMessage("Error !! " + name + " not found !");
    return false;
  }

  const uint32_t code = DetectFormat(ctx, raw);
  if (rs.BatchFormatText != "0") {
    const uint32_t given = ParseDecimalText(rs.BatchFormatText).value_or(kFormatBinary);
    if (given != code) {
      const std::string replaced =
          "File format is replaced : " + FormatSwitchName(code) + " ==> " + FormatSwitchName(given);
      ctx.ui.messageBox("File AutoDetected Format is .. " + FormatSwitchName(code) + "\n\n" + replaced + "\n",
                        "Warning", Icon::Warning, Buttons::Ok);
      ctx.ui.appendMessage(replaced);
    }
  }
  req.format = code;
  const uint32_t last = len > 0 ? static_cast<uint32_t>(len - 1) : 0;
  // The start travels for every format: the byte formats skip it in the file, the HEX
  // formats in the decoded image (LoadHex).
  req.sourceStart = rs.StartText;
  req.sourceEnd = Hex7(last);
  return true;
}

bool StartSwitchCheck(LoadContext& ctx) {
  RunState& rs = ctx.rs;
  LoadRequest& req = ctx.image.request();
  if (rs.StartText.starts_with("/")) {
    const bool followed = req.sourceStart == rs.StartText;
    rs.StartText.erase(0, std::min<size_t>(2, rs.StartText.size()));
    if (followed) req.sourceStart = rs.StartText;
  }
  const auto start = ParseHexText(rs.StartText);
  if (!start) {
    InputValueError(ctx, "ERROR");
    return false;
  }
  const uint32_t shift = *start & ~0xFu;
  const int64_t len = FileLength(req.fileName);
  if (len >= 0 && static_cast<uint64_t>(len) >= shift) {
    ctx.image.growTo(static_cast<uint32_t>(len), rs, ctx.ui);
    return true;
  }
  ctx.ui.appendMessage("Error !! File Shift Addr > File Size ");
  return false;
}

bool BatchValidation(LoadContext& ctx) {
  RunState& rs = ctx.rs;
  LoadRequest& req = ctx.image.request();
  rs.LoadCancelled = false;
  const int64_t len = FileLength(req.fileName);
  if (len < 0) {
    ctx.ui.messageBox("Not Found File ! ", "ERROR", Icon::Error, Buttons::Ok);
    return false;
  }
  const auto L = static_cast<uint64_t>(len);
  if (req.sourceEnd == "0000000") req.sourceEnd = Hex7(static_cast<uint32_t>(L));
  const auto s = ParseHexText(req.sourceStart);
  const auto e = ParseHexText(req.sourceEnd);
  const auto d = ParseHexText(req.destination);
  if (!s || !e || !d) {
    InputValueError(ctx, "ERROR");
    return false;
  }
  if (!(*s < *e)) {
    InputValueError(ctx, "Error");
    return false;
  }
  if (*s > L) {
    InputValueError(ctx, "ERROR");
    return false;
  }
  if (*e > L + 1) return false;
  if (*d > kMaxDestination || (req.fillByte & 0xFFu) > 0x100) {
    InputValueError(ctx, "ERROR");
    return false;
  }

  KeyWriter w(ctx);
  w.number(keys::kLoadDlg, keys::kSourceSAdd, *s & ~0xFu);
  w.number(keys::kLoadDlg, keys::kSourceEAdd, *e);
  w.number(keys::kLoadDlg, keys::kDistSAdd, *d);
  w.number(keys::kLoadDlg, keys::kUserFill, req.fillByte & 0xFFu);
  w.number(keys::kLoadDlg, keys::kFormat, req.format);
  w.number(keys::kLoadDlg, keys::kUnuserFillCheck, req.fillFlag ? 1 : 0);
  w.text(keys::kLoadDlg, keys::kName, req.fileName);
  w.text(keys::kLoadDlg, keys::kOk, "1");
  if (!w.commit()) return false;

  const uint32_t length = *e - *s;
  const uint32_t size = length < rs.IcSize ? rs.IcSize : length;
  if (rs.SizeHighWater < size) rs.SizeHighWater = size;
  ctx.image.growToHighWater(rs, ctx.ui);
  return true;
}

bool LoadHex(LoadContext& ctx, RawImage& raw, uint32_t format, uint32_t d, uint8_t fill,
             bool fillFlag) {
  using Reader = HexResult (*)(std::span<const uint8_t>, const HexOptions&, Ui&);
  const Reader read = format == kFormatIntel ? ReadIntelHex : format == kFormatMotorola ? ReadMotorola : ReadTektronix;
  // The check before the chosen reader; a copy the silent detection already found to be
  // this format passes it without a second look.
  if (raw.detected != static_cast<int>(format) && !CheckChosenFormat(raw.text(), format, ctx.ui)) return false;

  ImageBuffer& image = ctx.image;
  const uint32_t old = image.size();
  HexResult measured = read(raw.text(), {image.size(), Pass::Measure, fill, fillFlag}, ctx.ui);
  if (!measured.ok) return false;
  const uint32_t last = measured.last;
  if (last >= image.size()) {
    if (format != kFormatMotorola) {
      const Answer a = ctx.ui.messageBox("Resize to " + Hex7(last) + "H", "Out of buffer", Icon::None,
                                         Buttons::OkCancel);
      if (a != Answer::Ok) return false;
    }
    if (!image.resize(last, ctx.rs, ctx.ui)) return false;
  }
  // Only the bytes up to the highest address are placed, so the reader's own image need not
  // be larger than that: every record the measure pass accepted fits.
  const uint32_t capacity = std::min(image.size(), last + 1);
  HexResult stored = read(raw.text(), {capacity, Pass::Store, fill, fillFlag}, ctx.ui);
  if (!stored.ok) {
    image.resize(old, ctx.rs, ctx.ui);
    return false;
  }
  // A batch line's chunk or start switch selects decoded bytes from that address on: the
  // text of a HEX file is never shifted, its image is. (A window-mode panel's start address
  // skips bytes of binaries only.)
  const bool batch = ctx.ui.activePage() == Page::Batch;
  const int64_t offset =
      batch ? std::max<int64_t>(ctx.profile.readInt(keys::kLoadDlg, keys::kSourceSAdd, 0), 0) : 0;
  const uint64_t count = static_cast<uint64_t>(stored.last) + 1;
  // A start at the image's end leaves no byte of it: that is past the file, as for a binary.
  if (static_cast<uint64_t>(offset) >= count) {
    const std::string text =
        batch && ctx.rs.ChunkText != "0" ? "Error!! /Nn Paramater Over FileSize !!" : "Error !! File Shift Addr > File Size ";
    if (batch)
      ctx.ui.appendMessage(text);
    else
      ctx.ui.messageBox(text);
    return false;
  }
  // The reader's report stands whether or not the image can be placed.
  FirmwareReport& report = image.report();
  report.findings = std::move(stored.findings);
  report.shift = static_cast<int64_t>(d) - offset;
  report.read = true;
  const auto b = static_cast<uint32_t>(offset);
  if (!PlaceImage(ctx, std::span<const uint8_t>(stored.image).subspan(std::min<size_t>(b, stored.image.size())),
                  static_cast<uint32_t>(count - b), d, fill, fillFlag, stored.data, b))
    return false;
  if (format != kFormatTektronix) image.computeSum(ctx.rs);
  return true;
}

}  // namespace

bool DispatchRaw(LoadContext& ctx, RawImage& raw) {
  const Profile& p = ctx.profile;
  const int64_t d = p.readInt(keys::kLoadDlg, keys::kDistSAdd, 0);
  const auto fill = static_cast<uint8_t>(p.readInt(keys::kLoadDlg, keys::kUserFill, 0) & 0xFF);
  const bool fillFlag = p.readInt(keys::kLoadDlg, keys::kUnuserFillCheck, 0) != 0;
  int64_t format = p.readInt(keys::kLoadDlg, keys::kFormat, 0);
  // A hand-edited settings file must not send the store outside any sane image.
  if (d < 0 || d > kMaxDestination) {
    InputValueError(ctx, "ERROR");
    return false;
  }
  if (format == kFormatAuto) {
    // Intel, Motorola, Tektronix in turn, announcing the first that accepts the text.
    format = DetectedFormat(raw, ctx.ui);
    AnnounceDetection(ctx, static_cast<uint32_t>(format));
    KeyWriter w(ctx);
    w.number(keys::kLoadDlg, keys::kFormat, static_cast<uint64_t>(format));
    if (!w.commit()) return false;
  }
  const auto code = static_cast<uint32_t>(format);
  FirmwareReport& report = ctx.image.report();
  report = {};
  report.format = code;
  report.detected = DetectedFormat(raw, ctx.ui);
  report.length = raw.length;
  if (IsHex(code)) return LoadHex(ctx, raw, code, static_cast<uint32_t>(d), fill, fillFlag);
  NoteByteFormat(report, raw.text());
  // What the byte format places: the file from its source start on (an .exe without its
  // header, which a file of less than 512 bytes does not have: "Format Error !").
  const uint32_t header = code == kFormatExe ? 512 : 0;
  report.read = raw.length >= header;
  report.shift = static_cast<int64_t>(d) - raw.sourceStart;
  report.placedEnd = static_cast<uint64_t>(d) + (raw.length - std::min(raw.length, header));
  ApplySourceStart(raw);
  return LoadByteFormat(ctx, raw, code, static_cast<uint32_t>(d), fill, fillFlag);
}

bool StoreImage(LoadContext& ctx, std::span<const uint8_t> src, uint32_t count, uint32_t d, uint8_t fill,
                Lane lane) {
  ImageBuffer& image = ctx.image;
  RunState& rs = ctx.rs;
  const uint64_t reach = static_cast<uint64_t>(d) + count;
  if (reach > kMaxImage) {
    InputValueError(ctx, "ERROR");
    return false;
  }
  // Every growth happens before the first byte changes, so an image that cannot grow is
  // left as it was, and the fill also covers what the unit's memory adds.
  if (reach > image.size() && !image.resize(static_cast<uint32_t>((reach / 65536) * 65536 + 65536), rs, ctx.ui)) {
    return false;
  }
  const uint32_t memory = ctx.unitMemory != 0 ? ctx.unitMemory : rs.DeviceMemorySize;
  if (image.size() < memory && !image.resize(memory, rs, ctx.ui)) return false;

  std::span<uint8_t> dst = image.bytes();
  std::fill(dst.begin(), dst.end(), fill);
  SelectBytes(src, count, lane, 0, dst, d);
  Mirror(dst, rs.EmulationRange, memory);
  return true;
}

bool CopyImage(LoadContext& ctx, std::span<const uint8_t> src, uint32_t count, uint32_t d, Lane lane) {
  ImageBuffer& image = ctx.image;
  const uint64_t reach = static_cast<uint64_t>(d) + count;
  if (reach > kMaxImage) {
    InputValueError(ctx, "ERROR");
    return false;
  }
  if (reach > image.size() && !image.resize(static_cast<uint32_t>(reach), ctx.rs, ctx.ui)) return false;
  // The data set chooses the bytes with or without fill: a 16-bit lane is half the file.
  SelectBytes(src, count, lane, 0, image.bytes(), d);
  return true;
}

bool FileDataInIc(std::span<const DataRun> data, uint64_t shift, uint32_t count, Lane lane, uint32_t d,
                  uint32_t window) {
  if (window == 0) return true;  // no IC chosen yet: nothing to judge against
  if (d >= window) return false;
  const uint64_t stride = std::max<uint32_t>(lane.stride, 1);
  // The k-th byte placed (at d + k) is source byte k * stride + lane, for k * stride < count.
  const uint64_t placed = std::min<uint64_t>((count + stride - 1) / stride, window - d);
  for (const DataRun& run : data) {
    if (run.end <= shift) continue;
    const uint64_t q0 = std::max(run.begin, shift) - shift, q1 = run.end - shift;
    const uint64_t k = q0 <= lane.lane ? 0 : (q0 - lane.lane + stride - 1) / stride;
    if (k < placed && k * stride + lane.lane < q1) return true;
  }
  return false;
}

bool PlaceImage(LoadContext& ctx, std::span<const uint8_t> src, uint32_t count, uint32_t d, uint8_t fill,
                bool fillFlag, std::span<const DataRun> data, uint64_t shift) {
  // An image that holds not one byte of the file would download as fill and pass.
  const Lane lane = LaneOf(ctx.rs.DataSetSwitch, ctx.ui);
  const uint32_t window = ctx.rs.EmulationRange != 0 ? ctx.rs.EmulationRange : ctx.rs.IcSize;
  if (!FileDataInIc(data, shift, count, lane, d, window)) {
    const std::string text = kNoFileDataText;
    if (ctx.ui.activePage() == Page::Batch || ctx.unattended)
      ctx.ui.appendMessage(text);
    else
      ctx.ui.messageBox(text);
    return false;
  }
  const bool ok = fillFlag ? StoreImage(ctx, src, count, d, fill, lane) : CopyImage(ctx, src, count, d, lane);
  if (!ok) return false;
  ctx.image.setStart(d);
  ctx.image.setEnd(d + count);
  return true;
}

bool LoadImage(LoadContext& ctx) {
  ctx.image.report() = {};
  // From the first [LoadDlg] write (the dialog's creation) to the last read-back (the
  // readers' source start) no other program may write the file: two runs sharing it would
  // otherwise each load with the other's name and parameters.
  const SettingsLock lock(ctx.profile.path(), ctx.profile.lockWaitMs());
  if (!lock.ok()) {
    ctx.ui.messageBox(lock.error(), "Error", Icon::Error, Buttons::Ok);
    return false;
  }
  {
    // The unshown dialog's creation copies the selected device's keys into [LoadDlg].
    LoadDialog dialog(ctx, nullptr, /*shown=*/false);
  }
  RawImage raw;  // the batch road's detection reads the file once for the load as well
  if (ctx.ui.activePage() == Page::Batch) {
    if (!BatchPreparation(ctx, raw) || !StartSwitchCheck(ctx) || !BatchValidation(ctx)) return false;
  } else if (!WindowPreparation(ctx)) {
    return false;
  }
  // Only a Cancel in the load dialog writes 0; a settings file that never saw the dialog
  // has no key, and its load goes ahead.
  const int64_t ok = ctx.profile.readInt(keys::kLoadDlg, keys::kOk, 1);
  if (ok == 0) return false;
  KeyWriter w(ctx);
  w.number(keys::kCommon, keys::kCommonDataSelect, 0);
  if (!w.commit()) return false;
  // Any value other than 0 loads: a success that loaded nothing would be reported as done.
  if (!ReadRawFile(ctx, raw)) return false;
  if (ctx.ui.activePage() != Page::Batch) ctx.image.request().format = DetectedFormat(raw, ctx.ui);
  return DispatchRaw(ctx, raw);
}

bool HandOff(LoadContext& ctx) {
  // A load that succeeded has found [LoadDlg] OK set, and nothing after it clears the key.
  if (!LoadImage(ctx)) return false;
  if (!ctx.rs.LoadCancelled) {
    // An Intel or Motorola load has just summed the same bytes as its last step.
    const FirmwareReport& report = ctx.image.report();
    const bool summed = report.read && (report.format == kFormatIntel || report.format == kFormatMotorola);
    if (!summed) ctx.image.computeSum(ctx.rs);
    ctx.image.setRange(ctx.rs.EmulationRange);
  }
  if (ctx.image.capacity() == 0) {
    ctx.ui.messageBox(" Insufficient memory for GlobalAlloc! ");
    ctx.ui.setLamp(kLampFail);
    return false;
  }
  return true;
}

}  // namespace zarvo
