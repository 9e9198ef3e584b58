#include "cli/script_check.h"

#include <algorithm>
#include <cctype>
#include <ostream>

#include "base/path_resolver.h"
#include "base/run_state.h"
#include "base/text.h"
#include "batch/batch_line.h"
#include "image/firmware_check.h"
#include "image/image_buffer.h"
#include "image/large_bytes.h"
#include "image/load_keys.h"
#include "image/tables.h"

namespace zarvo::cli {

namespace {

// What the run does with a known switch, in words.
std::string SwitchEffect(const std::string& sw) {
  RunState rs;
  ResetBatchLine(rs, "0000000");
  const RunState before = rs;
  std::string error;
  if (!ApplySwitch(rs, sw, error)) return error;
  static const char* const kFormats[] = {"", "", "", "binary", "Intel HEX", "Motorola S-record", "Tektronix HEX"};
  if (rs.BatchFormatText != before.BatchFormatText) return std::string("format ") + kFormats[std::stoi(rs.BatchFormatText)];
  if (rs.IcSwitchText != before.IcSwitchText) return "IC " + rs.IcSwitchText;
  if (rs.UnitText != before.UnitText) return "Device " + rs.UnitText;
  if (rs.DataSetSwitch != before.DataSetSwitch) return "lane " + rs.DataSetSwitch;
  if (rs.ResetSwitch != before.ResetSwitch) return "reset line " + std::string(rs.ResetSwitch == "/RESET0" ? "low" : "high") + " after the download";
  if (rs.VerifySwitch != before.VerifySwitch) return "verify after the download";
  if (rs.ChunkText != before.ChunkText) return "chunk " + rs.ChunkText;
  return "start " + rs.StartText;
}

std::string TrimmedBlanks(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

std::string FormatSwitchName(uint32_t code) {
  switch (code) {
    case kFormatIntel: return "/INTEL_HEX";
    case kFormatMotorola: return "/MOTOROLA_HEX";
    case kFormatTektronix: return "/TEKTLONIX_HEX";
    default: return "/BIN";
  }
}

std::string Join(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& x : v) s += (s.empty() ? "" : " ") + x;
  return s.empty() ? "none" : s;
}

// The file's own problems, as the run's load would find them: the format the run loads
// (the detected one), the IC the line uses (its switch, or the smallest that holds the file),
// and the readers' report turned into notes by the firmware check.
void FileFindingsOf(const RunState& rs, const std::vector<std::string>& known, const std::string& path,
                    std::vector<std::string>& findings) {
  LargeBytes bytes;
  if (!ReadWholeFile(path, bytes)) {
    findings.push_back("'" + path + "' cannot be read");
    return;
  }
  uint32_t ic = rs.IcSwitchText.empty() ? 0 : SwitchToIcSize(rs.IcSwitchText);
  std::string icName;
  for (const std::string& sw : known)
    if (ic != 0 && SwitchToIcSize(sw) == ic) icName = sw;
  if (rs.IcSwitchText.empty()) {
    const auto smallest = SmallestIcSize(static_cast<uint32_t>(std::min<size_t>(bytes.size(), UINT32_MAX)));
    if (!smallest || bytes.size() > kIcSizeTable.back().size) {
      findings.push_back("the file is larger than the largest IC (1024K): run fails the line; give an IC switch");
      return;
    }
    ic = *smallest;
    icName = std::string(kIcSizeTable[static_cast<size_t>(*IcItemForSize(ic))].longSwitch) +
             " (chosen by the file's length)";
  }
  int64_t chunk = 0;
  ParseChunkNumber(rs.ChunkText, chunk);
  // A chunk or a start switch selects the file's bytes (a HEX file's decoded bytes) from
  // its offset on, rounded down to a multiple of 16.
  uint64_t offset = 0;
  if (chunk > 0) {
    offset = static_cast<uint64_t>(chunk - 1) * ic;
  } else if (rs.StartText.size() > 2) {
    offset = ParseHexText(rs.StartText.substr(2)).value_or(0);
  }
  offset &= ~uint64_t{0xF};
  const FirmwareReport report = ExamineFirmware(bytes, kFormatAuto, -static_cast<int64_t>(offset));
  if (rs.BatchFormatText != "0") {
    const uint32_t given = ParseDecimalText(rs.BatchFormatText).value_or(kFormatBinary);
    if (given != report.detected)
      findings.push_back("the file is detected as " + FormatSwitchName(report.detected) + ": run loads it as " +
                         FormatSwitchName(report.detected) + ", not as " + FormatSwitchName(given));
  }
  FirmwareTarget target;
  target.icSize = ic;
  target.icName = icName;
  target.chunk = chunk;
  target.batch = true;
  for (std::string& n : CheckFirmware(report, target).notes) findings.push_back(std::move(n));
}

}  // namespace

std::vector<LineFinding> CheckScript(const std::vector<std::string>& lines, const Profile& settings,
                                     const std::string& workFile) {
  std::vector<LineFinding> out;
  const PathResolver resolver(settings);
  std::string work = workFile;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    LineFinding f{static_cast<int>(i + 1), line, {}};
    const std::string upper = Upper(line);
    const size_t first = upper.find_first_not_of(" \t");
    const size_t zq = upper.find("ZQ");

    RunState rs;
    ResetBatchLine(rs, "0000000");
    std::string error;
    LineScan scan;
    const bool parsed = ParseBatchLine(rs, line, error, &scan);
    if (!parsed) f.findings.push_back(error);
    if (zq == std::string::npos || !rs.KeywordFound) {
      f.findings.push_back("no \"ZQ\" keyword: run reports \"Not ZarvoQX format\" and the line does nothing");
    } else if (zq != first) {
      f.findings.push_back("\"ZQ\" follows other text (\"" + line.substr(first, zq - first) +
                           "\"): run executes this line all the same");
    }
    if (!rs.KeywordFound || !parsed) {
      if (!f.findings.empty()) out.push_back(std::move(f));
      continue;
    }

    // Each switch as the run reads it: blanks inside a switch are dropped ("/# 2" is /#2),
    // and a path that starts with "/" is a row of switches.
    size_t pathEnd = 0;
    const size_t word = upper.find_first_not_of(' ', zq + 2);
    if (word != std::string::npos && upper[word] == '/' && !scan.switches.empty() && scan.switches[0].begin == word) {
      const size_t wordEnd = std::min(upper.find(' ', word), upper.size());
      const std::string token = line.substr(word, wordEnd - word);
      // A row of switches written without blanks is not a path; a word of which the run
      // knows only some parts (/SRV is a start switch, /FW nothing) is.
      bool unknownPart = false;
      for (const ScannedSwitch& sw : scan.switches)
        if (sw.begin < wordEnd && (!sw.applied || !IsKnownSwitch(sw.text))) unknownPart = true;
      if ((std::count(token.begin(), token.end(), '/') > 1 || token.find('.') != std::string::npos) && unknownPart) {
        std::string dos = token;
        std::replace(dos.begin(), dos.end(), '/', '\\');
        f.findings.push_back("a Linux path is read as switches: write it as Z:" + dos);
        pathEnd = wordEnd;
      }
    }
    std::vector<std::string> known;
    for (const ScannedSwitch& sw : scan.switches)
      if (sw.applied && IsKnownSwitch(sw.text)) known.push_back(sw.text);
    for (const ScannedSwitch& sw : scan.switches) {
      const std::string written = TrimmedBlanks(line.substr(sw.begin, sw.end - sw.begin));
      const bool inPath = sw.begin < pathEnd;
      if (!sw.applied) {
        f.findings.push_back("switch " + written + " never ends (a \"/\" before it in the line counts) and is not applied");
      } else if (!IsKnownSwitch(sw.text)) {
        if (inPath) continue;  // said above
        std::string finding = "switch " + sw.text + " is not in the switch table and is ignored (";
        if (Upper(written) != sw.text) finding += "written \"" + written + "\"; ";
        f.findings.push_back(finding + "switches the line does use: " + Join(known) + ")");
      } else if (inPath) {
        f.findings.push_back("\"" + sw.text + "\" in the path is a switch: " + SwitchEffect(sw.text));
      } else if (Upper(written) != sw.text) {
        f.findings.push_back("\"" + written + "\" is read as " + sw.text + ": " + SwitchEffect(sw.text));
      }
    }
    if (scan.ignoredFrom != std::string::npos && scan.ignoredFrom < line.size() &&
        line.find_first_not_of(" \t\r", scan.ignoredFrom) != std::string::npos) {
      f.findings.push_back("the text after the last switch (\"" + TrimmedBlanks(line.substr(scan.ignoredFrom)) +
                           "\") is ignored");
    }

    // The file: a drive-letter path, or the work file.
    std::string path;
    std::string shown = rs.SourceFileName;
    if (rs.SourceFileName.empty()) {
      // "%1" names the work file on purpose; anything else was meant as a file of its own.
      if (work.empty())
        f.findings.push_back("no drive-letter path: the line uses the work file (\"%1\"), and none is set");
      else if (line.find("%1") == std::string::npos)
        f.findings.push_back("no drive-letter path: the line uses the work file " + work);
      path = work;
      shown = work;
    } else {
      std::string why;
      if (!resolver.resolve(rs.SourceFileName, path, why)) {
        f.findings.push_back(why);
        path.clear();
      }
      work = path.empty() ? work : path;
    }
    if (!path.empty() && FileLength(path) < 0) {
      f.findings.push_back("file " + shown + " (" + path + ") does not exist");
      path.clear();
    }
    if (!path.empty()) FileFindingsOf(rs, known, path, f.findings);
    if (!f.findings.empty()) out.push_back(std::move(f));
  }
  return out;
}

size_t PrintFindings(const std::vector<LineFinding>& found, size_t lines, std::ostream& out) {
  size_t count = 0;
  for (const LineFinding& f : found) {
    out << "LINE " << f.line << ": " << f.text << "\n";
    for (const std::string& s : f.findings) {
      out << "LINE " << f.line << ": " << s << "\n";
      ++count;
    }
  }
  out << lines << " line(s) checked, " << count << " finding(s) on " << found.size() << " line(s)\n";
  return count;
}

}  // namespace zarvo::cli
