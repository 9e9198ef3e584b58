#pragma once
// A JUnit XML report of a batch run, for build servers: one testsuite named after the
// script, the self test as the first test case, then one test case per command line with
// its time, its pane lines as system-out and, when it failed or its verify found a
// difference, a failure carrying the line's error text. Written whole or not at all
// (WriteWholeFile), so a killed run never leaves half a report; and a run starts by writing
// a report that says it did not finish, so a run killed part way never leaves the previous
// run's pass behind.

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

// The text with &, <, >, " and ' escaped and the control characters XML 1.0 forbids as "?";
// bytes that are no UTF-8 (an 8-bit script line) as the Latin-1 characters they stand for.
std::string XmlEscape(const std::string& text);

// Writes the report; false, with the reason in why, when the file cannot be written.
bool WriteJUnit(const std::string& path, const std::string& suite, const std::vector<JUnitCase>& cases,
                std::string* why = nullptr);

// The report of a run that has not finished: one test case "run" with the error "the run
// did not finish". Written before the run touches any unit.
bool WriteUnfinishedJUnit(const std::string& path, const std::string& suite, std::string* why = nullptr);

}  // namespace zarvo::cli
