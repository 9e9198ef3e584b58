// zarvo-r5-cli image: loads a firmware file exactly as a confirmed load dialog and a
// window-mode load would, and writes the image it makes to a file.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include <unistd.h>

#include "app/session.h"
#include "base/text.h"
#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/console_ui.h"
#include "cli/options.h"
#include "cli/report_lines.h"
#include "image/firmware_check.h"
#include "image/load_dialog.h"
#include "image/load_keys.h"
#include "image/tables.h"

namespace zarvo::cli {

namespace {

constexpr const char* kHelp =
    "Usage: zarvo-r5-cli image FILE -o OUT [OPTIONS]\n"
    "\n"
    "Loads FILE into the image buffer the way a confirmed load dialog and a window-mode\n"
    "load do, writes the first bytes of the image to OUT and prints the range and sum, and\n"
    "the CRC-32 of the IC image (image bytes 0 .. IC size - 1, the same for every format of\n"
    "one firmware, and the one 'run' prints):\n"
    "  [Range: 0x00010000] => SUM :0x0001FE2A\n"
    "  CRC32: 1A2B3C4D\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT       file to write the image bytes to (required)\n"
    "  --format FMT           auto (default), exe, com, bin, intel, motorola, tektronix, pof\n"
    "  --ic TYPE              emulated IC type: a batch switch (/16 .. /080, /2716 .. /27080) or\n"
    "                         27256, 27C256, 256K, any case; default: the smallest that holds\n"
    "                         the file\n"
    "  --dataset LANE         byte lane: /8BIT_Every (default), /16BIT_EVEN, /16BIT_ODD,\n"
    "                         /32BIT_1ST .. /32BIT_4TH, or 8, even, odd, 1st .. 4th, any case\n"
    "  --fill HH              fill unused bytes with HH (hexadecimal, default FF)\n"
    "  --no-fill              keep unused bytes as they are (no fill, no lanes, no mirroring)\n"
    "  --source-start HEX     skip HEX bytes of the file (exe, com and bin only)\n"
    "  --dest HEX             destination start in the image (exe, com and bin only)\n"
    "  --device-memory HEX    unit memory size; the IC-sized block is repeated across it\n"
    "                         (default 0: no mirroring)\n"
    "  --length N             bytes of the image to write (decimal, default: the IC size)\n"
    "  --settings FILE        settings file to use (default: a fresh one in a temporary folder)\n"
    "  --strict               exit 1 when the load warns (checksum errors, no end record,\n"
    "                         records that overwrite each other, data beyond the IC)\n"
    "  -h, --help             show this text\n"
    "\n"
    "Options also take the form --option=value. Messages the load shows go to stderr, with a\n"
    "warning line for each problem the file has; a question there is answered OK.\n"
    "Exit status: 0 success, 1 load failure, 2 usage error.\n";

struct Options {
  std::string file, out;
  int format = 0;
  std::optional<std::string> ic;
  std::string icName;
  std::string dataset = "/8BIT_Every";
  uint32_t fill = 0xFF;
  bool fillFlag = true;
  uint32_t sourceStart = 0, dest = 0, deviceMemory = 0;
  bool sourceStartGiven = false, destGiven = false;
  std::optional<uint32_t> length;
  bool strict = false;
};

int Usage(const std::string& why) {
  std::fprintf(stderr, "zarvo-r5-cli image: %s\nTry 'zarvo-r5-cli image --help'.\n", why.c_str());
  return 2;
}

std::optional<int> FormatItem(const std::string& name) {
  static const char* const kNames[] = {"auto", "exe", "com", "bin", "intel", "motorola", "tektronix", "pof"};
  for (int i = 0; i < 8; ++i) {
    if (name == kNames[i]) return i;
  }
  return std::nullopt;
}

// "/27256", "27256", "27C256", "256K", "/256" (any case) as the table's short switch.
std::optional<std::string> IcAlias(const std::string& given) {
  std::string s = Upper(given);
  if (!s.empty() && s[0] == '/') s.erase(0, 1);
  if (s.size() > 3 && s.compare(0, 3, "27C") == 0) s.erase(2, 1);
  if (s.size() > 1 && s.back() == 'K') s.pop_back();
  for (const IcType& t : kIcSizeTable) {
    if ("/" + s == t.shortSwitch || "/" + s == t.longSwitch) return std::string(t.shortSwitch);
  }
  return std::nullopt;
}

std::string IcChoices() {
  std::string s;
  for (const IcType& t : kIcSizeTable) s += std::string(s.empty() ? "" : ", ") + t.longSwitch + " (" + t.shortSwitch + ")";
  return s;
}

// "/16BIT_EVEN", "even", "8", "1st" ... as the table's switch.
std::optional<std::string> DataSetAlias(const std::string& given) {
  const std::string s = Upper(given);
  static const std::pair<const char*, const char*> kShort[] = {
      {"8", "/8BIT_Every"},   {"EVERY", "/8BIT_Every"}, {"EVEN", "/16BIT_EVEN"}, {"ODD", "/16BIT_ODD"},
      {"1ST", "/32BIT_1ST"},  {"2ND", "/32BIT_2ND"},    {"3RD", "/32BIT_3RD"},   {"4TH", "/32BIT_4TH"}};
  for (const auto& [alias, sw] : kShort)
    if (s == alias) return std::string(sw);
  for (const DataSet& d : kDataSetTable)
    if (s == Upper(d.switchText) || "/" + s == Upper(d.switchText)) return std::string(d.switchText);
  return std::nullopt;
}

std::optional<int> FormatOf(const std::string& v) {
  return FormatItem(Lower(v));
}

// Parses the arguments; returns an exit status when the command should end at once. Each
// value is checked as it is parsed: a refused value is a usage error naming its option.
std::optional<int> Parse(const Args& args, Options& o, std::optional<std::string>& settings) {
  OptionParser parser(kHelp, Usage);
  CLI::App& app = parser.app();
  parser.addSettings(settings);
  std::vector<std::string> files;
  std::string format, ic, dataset, fill, sourceStart, dest, deviceMemory, length;
  app.add_option("-o,--output", o.out)->type_name("OUT");
  app.add_option("--format", format)->type_name("FMT")->check(Check([](const std::string& v) {
    return FormatOf(v) ? std::string()
                       : "unknown format '" + v + "' (auto, exe, com, bin, intel, motorola, tektronix, pof)";
  }));
  app.add_option("--ic", ic)->type_name("TYPE")->check(Check([](const std::string& v) {
    return IcAlias(v) ? std::string() : "unknown IC type '" + v + "'; one of " + IcChoices();
  }));
  app.add_option("--dataset", dataset)->type_name("LANE")->check(Check([](const std::string& v) {
    return DataSetAlias(v) ? std::string()
                           : "unknown data set '" + v +
                                 "'; one of /8BIT_Every, /16BIT_EVEN, /16BIT_ODD, /32BIT_1ST .. /32BIT_4TH (or 8, "
                                 "even, odd, 1st .. 4th)";
  }));
  app.add_option("--fill", fill)->type_name("HH")->check(Check([](const std::string& v) {
    return !v.empty() && v.size() <= 2 && ParseHexText(v) ? std::string() : "takes two hexadecimal digits";
  }));
  app.add_flag("--no-fill");
  app.add_flag("--strict", o.strict);
  app.add_option("--source-start", sourceStart)->type_name("HEX")->check(Check([](const std::string& v) {
    return !v.empty() && v.size() <= 7 && ParseHexText(v) ? std::string() : "takes at most 7 hexadecimal digits";
  }));
  app.add_option("--dest", dest)->type_name("HEX")->check(Check([](const std::string& v) {
    const auto n = ParseHexText(v);
    return !v.empty() && v.size() <= 7 && n && *n <= kMaxDestination ? std::string()
                                                                       : "takes hexadecimal digits up to F00000";
  }));
  app.add_option("--device-memory", deviceMemory)->type_name("HEX")->check(Check([](const std::string& v) {
    const auto n = ParseHexText(v);
    return !v.empty() && n && *n <= 0x1000000 ? std::string() : "takes hexadecimal digits up to 1000000";
  }));
  app.add_option("--length", length)->type_name("N")->check(Check([](const std::string& v) {
    return ParseDecimalText(v) ? std::string() : "takes a decimal byte count";
  }));
  app.add_option("file", files)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  if (auto status = parser.parse(args)) return status;

  if (files.size() > 1) return Usage("more than one input file");
  if (!files.empty()) o.file = files[0];
  if (!format.empty()) o.format = *FormatOf(format);
  if (!ic.empty()) {
    o.ic = *IcAlias(ic);
    o.icName = ic;
  }
  if (!dataset.empty()) o.dataset = *DataSetAlias(dataset);
  // The last of --fill and --no-fill given decides.
  if (app.count("--fill") > 0) o.fill = *ParseHexText(fill);
  const auto& order = app.parse_order();
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    if ((*it)->get_name() == "--fill" || (*it)->get_name() == "--no-fill") {
      o.fillFlag = (*it)->get_name() == "--fill";
      break;
    }
  }
  if (app.count("--source-start") > 0) {
    o.sourceStart = *ParseHexText(sourceStart);
    o.sourceStartGiven = true;
  }
  if (app.count("--dest") > 0) {
    o.dest = *ParseHexText(dest);
    o.destGiven = true;
  }
  if (app.count("--device-memory") > 0) o.deviceMemory = *ParseHexText(deviceMemory);
  if (app.count("--length") > 0) o.length = *ParseDecimalText(length);
  if (o.file.empty()) return Usage("no input file");
  if (o.file.size() >= 2 && std::isalpha(static_cast<unsigned char>(o.file[0])) && o.file[1] == ':' &&
      !std::filesystem::exists(o.file))
    return Usage("'" + o.file + "': drive letters apply inside batch scripts ([Drives] of the settings file); "
                 "give the file's path here");
  if (o.out.empty()) return Usage("no output file (-o OUT)");
  // The dialog offers source and destination fields for these three formats only.
  if ((o.sourceStartGiven || o.destGiven) && (o.format < 1 || o.format > 3)) {
    return Usage("--source-start and --dest need --format exe, com or bin");
  }
  return std::nullopt;
}

// A settings file of its own for a run that names none, removed afterwards.
class TempSettings {
 public:
  // tmpfs when there is one: each settings write is synced, and nobody keeps this file.
  TempSettings() {
    const std::filesystem::path base =
        ::access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    std::string pattern = (base / "zarvo-image-XXXXXX").string();
    if (::mkdtemp(pattern.data())) dir_ = pattern;
  }
  ~TempSettings() {
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  std::string path() const { return dir_.empty() ? std::string() : dir_ + "/TovanHistory_1.ini"; }

 private:
  std::string dir_;
};

}  // namespace

int RunImage(const Args& args) {
  // Without --settings the load works on a settings file of its own: converting a file must
  // not rewrite the [LoadDlg] and [Device1] keys of the user's settings nor move the registry
  // pointer, as locating the settings would.
  std::optional<std::string> settingsOption;
  Options o;
  if (auto status = Parse(args, o, settingsOption)) return *status;
  {
    std::error_code ec;
    const auto status = std::filesystem::status(o.file, ec);
    if (ec || !std::filesystem::is_regular_file(status)) {
      // The load below fails with its own box; this line says which file and why.
      const std::string why = ec ? ec.message() : std::filesystem::exists(status) ? "Not a regular file" : "No such file or directory";
      std::fprintf(stderr, "zarvo-r5-cli image: cannot open '%s' (%s): %s\n", o.file.c_str(),
                   std::filesystem::absolute(o.file, ec).string().c_str(), why.c_str());
    }
  }

  std::optional<TempSettings> temp;
  if (!settingsOption) temp.emplace();
  const std::string settings = settingsOption ? *settingsOption : temp->path();
  if (settings.empty()) {
    std::fprintf(stderr, "zarvo-r5-cli image: cannot create a temporary settings file\n");
    return 1;
  }
  ConsoleUi ui;
  ui.setPage(Page::Window);
  SystemClock clock;
  Session session(ui, clock, settings);
  RunState& rs = session.state();
  LoadContext ctx = session.loadContext();
  rs.DeviceMemorySize = o.deviceMemory;
  rs.SavedDataSetSwitch = o.dataset;

  // Device 1's panel, with its IC-type list at "Auto Detect" unless a type is given.
  constexpr int kDevice = 1;
  constexpr int kAutoDetectItem = 9;
  StoredPanelFields panels;
  if (o.ic) {
    SetIcType(rs, *o.ic);
    panels.setTypeItem(kDevice, *IcItemForSize(rs.IcSize));
  } else {
    panels.setTypeItem(kDevice, kAutoDetectItem);
  }
  rs.SelectedDevice = kDevice;

  LoadDialog dialog(ctx, &panels);
  dialog.setNameText(o.file);
  dialog.clickFormat(o.format);
  if (o.sourceStartGiven) dialog.setFieldText(HexField::SourceSAdd, Hex7(o.sourceStart));
  else dialog.setFieldText(HexField::SourceSAdd, "0000000");
  if (o.destGiven) dialog.setFieldText(HexField::DistSAdd, Hex7(o.dest));
  char fill[8];
  std::snprintf(fill, sizeof fill, "%02X", o.fill);
  dialog.setFieldText(HexField::UserFill, fill);
  dialog.setFillChecked(o.fillFlag);
  if (!dialog.load()) return 1;

  // Without a type, the window-mode run's own rule: the smallest IC that holds the file
  // (the dialog has judged the source range; a file above 1 MiB takes the 1024K row).
  if (!o.ic) {
    const int64_t len = FileLength(o.file);
    const uint32_t size = SmallestIcSize(static_cast<uint32_t>(len)).value_or(kIcSizeTable.back().size);
    SetIcType(rs, kIcSizeTable[static_cast<size_t>(*IcItemForSize(size))].shortSwitch);
  }

  const DialogHandOver& h = dialog.handOver();
  LoadRequest& req = session.image().request();
  req.fileName = h.fileName;
  req.format = static_cast<uint32_t>(std::stoul(h.format));
  req.fillFlag = h.fillFlag ? 1 : 0;
  req.fillByte = static_cast<uint32_t>(std::stoul(h.fillByte));
  req.destination = h.destination;
  rs.StartText = "0x" + panels.addressText(kDevice);

  // The file's own problems, from the load's report, for the IC actually used: warnings, or
  // with --strict a refusal before anything is written. A load refused after the file was
  // read (an IC window without file data) still says where the data lies.
  const bool handedOff = HandOff(ctx);
  FirmwareTarget target;
  target.icSize = rs.IcSize;
  if (o.ic) {
    target.icName = o.icName;
  } else if (const auto item = IcItemForSize(rs.IcSize)) {
    target.icName = std::string(kIcSizeTable[static_cast<size_t>(*item)].longSwitch) + " (chosen by the file's length)";
  }
  const FirmwareNotes notes = CheckFirmware(session.image().report(), target);
  for (const std::string& n : notes.notes) std::fprintf(stderr, "zarvo-r5-cli image: warning: %s\n", n.c_str());
  if (!handedOff || (o.strict && notes.warnings())) return 1;

  const ImageBuffer& image = session.image();
  const uint32_t length = o.length.value_or(rs.IcSize);
  if (length > image.size()) {
    std::fprintf(stderr, "zarvo-r5-cli image: --length %u is larger than the image (%u bytes)\n", length,
                 image.size());
    return 2;
  }
  std::FILE* out = std::fopen(o.out.c_str(), "wb");
  bool written = out != nullptr;
  if (out) {
    written = std::fwrite(image.data(), 1, length, out) == length;
    written = std::fclose(out) == 0 && written;
  }
  if (!written) {
    std::fprintf(stderr, "zarvo-r5-cli image: cannot write %s\n", o.out.c_str());
    return 1;
  }
  std::printf("[Range: 0x%s] => SUM :0x%s\n%s\n", Hex8(image.range()).c_str(), image.sumText().c_str(),
              CrcLine(image, rs.IcSize).c_str());
  return 0;
}

}  // namespace zarvo::cli
