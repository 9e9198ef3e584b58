#include "batch/batch_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

#include "base/text.h"
#include "image/tables.h"

namespace zarvo {
namespace {

struct FormatSwitch {
  const char* text;
  const char* code;
};
constexpr std::array<FormatSwitch, 6> kFormatSwitches{{
    {"/MS_DOS_FN.COM", "3"},
    {"/MS_DOS_FN.EXE", "3"},
    {"/BIN", "3"},
    {"/INTEL_HEX", "4"},
    {"/MOTOROLA_HEX", "5"},
    {"/TEKTLONIX_HEX", "6"},
}};

constexpr std::array<const char*, 6> kLaneSwitches{
    "/16BIT_EVEN", "/16BIT_ODD", "/32BIT_1ST", "/32BIT_2ND", "/32BIT_3RD", "/32BIT_4TH"};

constexpr std::array<const char*, 3> kResetSwitches{"/RESET", "/RESET0", "/RESET1"};

std::string TooLongSwitch(std::string_view sw) {
  return "Error!! Switch " + std::string(sw) + " is longer than " + std::to_string(kMaxSwitch) +
         " characters !!";
}

}  // namespace

void ResetBatchLine(RunState& rs, const std::string& addrText) {
  rs.KeywordFound = false;
  rs.SourceFileName = "0";
  rs.BatchFormatText = "0";
  rs.IcSwitchText.clear();
  rs.UnitText = "1";
  rs.DataSetSwitch = "/8BIT_Every";
  rs.ResetSwitch = "0";
  rs.ChunkText = "0";
  rs.StartText = "/S0000000";
  rs.VerifySwitch.clear();
  rs.SavedFormatText = "0";
  rs.SavedIcSwitchText.clear();
  rs.SavedDataSetSwitch = "/8BIT_Every";
  rs.SavedStartText = addrText;
}

bool ParseChunkNumber(std::string_view text, int64_t& value) {
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > INT32_MAX) return false;
  }
  value = v;
  return true;
}

bool ApplySwitch(RunState& rs, std::string_view sw, std::string& error) {
  if (sw.size() > kMaxSwitch) {
    error = TooLongSwitch(sw);
    return false;
  }
  for (const FormatSwitch& f : kFormatSwitches) {
    if (sw == f.text) {
      rs.BatchFormatText = f.code;
      return true;
    }
  }
  for (const IcType& t : kIcSizeTable) {
    if (sw == t.shortSwitch || sw == t.longSwitch) {
      rs.IcSwitchText = t.shortSwitch;
      return true;
    }
  }
  if (sw.size() == 3 && sw[0] == '/' && sw[1] == '#' && sw[2] >= '1' && sw[2] <= '4') {
    rs.UnitText = std::string(1, sw[2]);
    return true;
  }
  for (const char* lane : kLaneSwitches) {
    if (sw == lane) {
      rs.DataSetSwitch = lane;
      return true;
    }
  }
  for (const char* reset : kResetSwitches) {
    if (sw == reset) {
      rs.ResetSwitch = reset;
      return true;
    }
  }
  if (sw == "/V") {
    rs.VerifySwitch = "/V";
    return true;
  }
  if (sw.size() >= 2 && sw[1] == 'S') {
    rs.StartText = std::string(sw);
    return true;
  }
  if (sw.substr(0, 2) == "/N") {
    // The runner turns the chunk into an offset; a text that is no number would silently
    // become chunk 0 there, so the line stops here instead.
    int64_t n = 0;
    if (!ParseChunkNumber(sw.substr(2), n)) {
      error = "Error!! " + std::string(sw) + " Paramater is not a decimal chunk number !!";
      return false;
    }
    rs.ChunkText = std::string(sw.substr(2));
    return true;
  }
  return true;  // unknown switches are ignored without a message
}

bool ParseBatchLine(RunState& rs, std::string_view line, std::string& error, LineScan* scan) {
  error.clear();
  if (scan) *scan = LineScan{};
  // The limit counts the line itself: blanks an editor pads it with, and its line end, do not.
  const size_t used = line.find_last_not_of(" \t\r\n");
  const size_t length = used == std::string_view::npos ? 0 : used + 1;
  if (length > kMaxBatchLine) {
    // A cut line would load another file or drop switches; it is refused whole.
    error = "Error!! Line is longer than " + std::to_string(kMaxBatchLine) + " characters !!";
    return false;
  }
  const std::string w = Upper(std::string(line));

  auto slashes = std::count(w.begin(), w.end(), '/');
  const size_t z = w.find('Z');
  if (z == std::string::npos) return true;
  if (z + 1 >= w.size() || w[z + 1] != 'Q') {
    rs.SourceFileName.clear();
    return true;
  }
  rs.KeywordFound = true;

  std::string name;
  size_t end = w.size();  // the scan stops here; the last switch's blank moves it
  size_t i = z + 2;
  while (i < end) {
    const char c = w[i];
    if (c == '/') {
      std::string sw;
      bool apply = true;
      size_t written = w.size();
      if (slashes == 1) {
        size_t blank = w.find(' ', i);
        if (blank == std::string::npos) blank = w.size();
        sw = w.substr(i, blank - i);
        written = blank;
        end = std::min(end, blank);  // text after the last switch's blank is ignored
        if (scan && blank < w.size()) scan->ignoredFrom = blank + 1;
      } else {
        const size_t next = w.find('/', i + 1);
        if (next == std::string::npos) {
          apply = false;  // an earlier "/" raised the count: this switch never ends
          sw = w.substr(i);
        } else {
          for (size_t k = i; k < next; ++k) {
            if (w[k] != ' ') sw += w[k];
          }
          written = next;
        }
      }
      if (scan) scan->switches.push_back({sw, i, written, apply});
      if (apply) {
        if (!ApplySwitch(rs, sw, error)) return false;
        if (slashes > 1) --slashes;
      }
      ++i;
    } else if (c == ':') {
      const size_t next = w.find('/', i + 1);
      if (next == std::string::npos) {
        // No "/" closes the name: the rest of the line is the name, trailing blanks dropped.
        std::string rest = w.substr(i - 1);
        rest.erase(rest.find_last_not_of(' ') + 1);
        name += rest;
        break;
      }
      // From the drive letter up to the second character before the "/": the one
      // character between (normally a blank) is the separator and is dropped.
      name += w.substr(i - 1, next - i);
      i = next;
    } else {
      ++i;
    }
  }
  rs.SourceFileName = name;
  return true;
}

bool IsKnownSwitch(std::string_view sw) {
  // Every value a switch can set starts out as something no switch writes: a known switch
  // changes one of them, an unknown one none.
  RunState rs;
  const std::string mark = "\x01";
  rs.BatchFormatText = rs.IcSwitchText = rs.UnitText = rs.DataSetSwitch = rs.ResetSwitch = rs.StartText =
      rs.ChunkText = rs.VerifySwitch = mark;
  std::string error;
  if (!ApplySwitch(rs, sw, error)) return true;  // known, but refused (a bad chunk, too long)
  for (const std::string* v : {&rs.BatchFormatText, &rs.IcSwitchText, &rs.UnitText, &rs.DataSetSwitch,
                               &rs.ResetSwitch, &rs.StartText, &rs.ChunkText, &rs.VerifySwitch})
    if (*v != mark) return true;
  return false;
}

}  // namespace zarvo
