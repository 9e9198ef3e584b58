#pragma once
// zarvo-r5-cli check: reads a batch script as run would and, touching no unit, finds what
// would silently go wrong: lines run does not take as commands (or takes when they look
// commented out), switches it ignores, lines that fall back to the work file, files that
// do not resolve, and each file's own problems.

#include <iosfwd>
#include <string>
#include <vector>

#include "base/profile.h"

namespace zarvo::cli {

struct LineFinding {
  int line;  // 1-based
  std::string text;
  std::vector<std::string> findings;
};

// Checks every line of a script. workFile is "%1" ("" when none is set).
std::vector<LineFinding> CheckScript(const std::vector<std::string>& lines, const Profile& settings,
                                     const std::string& workFile);

// Prints "LINE n: finding" lines (the line's text once) and a summary; returns the count.
size_t PrintFindings(const std::vector<LineFinding>& found, size_t lines, std::ostream& out);

}  // namespace zarvo::cli
