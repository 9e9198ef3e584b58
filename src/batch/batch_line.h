#pragma once
// The batch command language: one script line ("ZQ D:\FW\BOOT.HEX /INTEL_HEX /27512 /#2 /V
// /RESET1") parsed into the run-wide BatchLine values of RunState. The parser executes
// nothing; the runner acts on what it leaves.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_state.h"

namespace zarvo {

// The line scanner's work copy holds 127 characters; a switch holds 15.
inline constexpr std::size_t kMaxBatchLine = 127;
inline constexpr std::size_t kMaxSwitch = 15;

// Every BatchLine value back to its default, and the saved copies that window-mode loads
// restore; the saved start text becomes addrText, the text of panel 1's address edit.
void ResetBatchLine(RunState& rs, const std::string& addrText);

// One switch as the scanner reads it: the text handed to ApplySwitch (upper-cased, blanks
// inside dropped) and where it is written in the line.
struct ScannedSwitch {
  std::string text;
  std::size_t begin = 0, end = 0;  // the written switch: line[begin, end)
  bool applied = true;             // false: a "/" earlier in the line left it never ended
};

// What the scanner saw in one line, for those who explain a line without running it.
struct LineScan {
  std::vector<ScannedSwitch> switches;
  std::size_t ignoredFrom = std::string_view::npos;  // the text after the last switch's blank
};

// Upper-cases the line and fills KeywordFound, SourceFileName and the switch values. The
// caller has reset the values and skipped blank lines. Unknown switches are ignored. A line
// or switch too long for the scanner, or a chunk switch that is not a decimal number, gives
// false and error holds the text the runner shows: such a line must not run on values cut
// short. scan, when given, receives every switch the scanner met.
bool ParseBatchLine(RunState& rs, std::string_view line, std::string& error, LineScan* scan = nullptr);

// One complete switch (it begins with "/", already upper-cased), by the switch table.
bool ApplySwitch(RunState& rs, std::string_view sw, std::string& error);

// Whether the switch table knows an upper-cased switch (the parser ignores the others).
bool IsKnownSwitch(std::string_view sw);

// Whether text is one or more decimal digits whose value fits in 31 bits; value gets it.
bool ParseChunkNumber(std::string_view text, int64_t& value);

}  // namespace zarvo
