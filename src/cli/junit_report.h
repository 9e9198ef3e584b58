#pragma once
// A JUnit XML report of a batch run, for build servers: one testsuite named after the
// script, the self test as the first test case, then one test case per command line with
// its time, its pane lines as system-out and, when it failed or its verify found a
// difference, a failure carrying the line's error text. Written to a temporary file and
// renamed over FILE, so a killed run never leaves half a report.

#include <string>
#include <vector>

namespace zarvo::cli {

struct JUnitCase {
  std::string name;
  double seconds = 0;
  bool failed = false;
  std::string message;  // the failure's text
  std::vector<std::string> output;  // the pane lines
};

// The text with &, <, >, " and ' escaped and the control characters XML 1.0 forbids as "?".
std::string XmlEscape(const std::string& text);

// Writes the report; false (errno set) when the file cannot be written.
bool WriteJUnit(const std::string& path, const std::string& suite, const std::vector<JUnitCase>& cases);

}  // namespace zarvo::cli
