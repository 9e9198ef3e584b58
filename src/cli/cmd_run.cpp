// zarvo-r5-cli run: runs a batch script exactly as the Run button of the batch page does,
// after the self test the desktop program runs at start-up.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "base/path_resolver.h"
#include "batch/batch_runner.h"
#include "batch/pane_files.h"
#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/console_ui.h"
#include "cli/junit_report.h"
#include "cli/report_lines.h"
#include "cli/script_check.h"
#include "device/self_test.h"
#include "image/firmware_check.h"

namespace zarvo::cli {

namespace {

constexpr const char* kHelp =
    "Usage: zarvo-r5-cli run SCRIPT [--work FILE] [--settings FILE] [--strict] [--junit FILE]\n"
    "\n"
    "Runs the self test, then every line of the batch script SCRIPT (a .bat file), as the\n"
    "Run button of the batch page does. Message-pane lines go to stdout, message boxes to\n"
    "stderr with their title. After each line's range and sum comes \"CRC32: 1A2B3C4D\", the\n"
    "CRC-32 of the IC image (as 'zarvo-r5-cli image' prints it); a verify that finds a\n"
    "difference names its first address, the bytes written and read and the count on stderr.\n"
    "\n"
    "Options:\n"
    "  --work FILE       the work file (\"%1\") for lines that name no file (default:\n"
    "                    [Option] BatWork of the settings file, as the batch page)\n"
    "  --settings FILE   settings file to use (default: the one the desktop program finds\n"
    "                    at start-up); its section [Drives] maps drive letters to\n"
    "                    directories (D=/home/me/firmware); Z: is /. The run writes\n"
    "                    [LoadDlg], [CommonParameterSet] and [Machine] into the file it\n"
    "                    uses, as the batch page does (mode, owner and links kept)\n"
    "  --strict          check the script first (zarvo-r5-cli check) and start no unit when\n"
    "                    it finds anything; a load that warns (checksum errors, no end\n"
    "                    record, records that overwrite each other, data beyond the IC)\n"
    "                    counts as a failed line\n"
    "  --junit FILE      also write a JUnit XML report for build servers: the self test and\n"
    "                    one test case per command line (its pane lines, its time, and its\n"
    "                    error text when it failed or its verify found a difference). Until\n"
    "                    the run ends FILE holds a report whose error says the run did not\n"
    "                    finish; a FILE that cannot be written stops the run before it starts\n"
    "  -h, --help        show this text\n"
    "\n"
    "A line: ZQ D:\\DIR\\FILE.HEX /INTEL_HEX /27512 /16BIT_EVEN /#2 /V /RESET1\n"
    "  format   /BIN /MS_DOS_FN.COM /MS_DOS_FN.EXE /INTEL_HEX /MOTOROLA_HEX /TEKTLONIX_HEX\n"
    "  IC       /16 /32 /64 /128 /256 /512 /010 /020 /040 /080 (2K .. 1024K bytes), or\n"
    "           /2716 /2732 /2764 /27128 /27256 /27512 /27010 /27020 /27040 /27080\n"
    "  lane     /16BIT_EVEN /16BIT_ODD /32BIT_1ST /32BIT_2ND /32BIT_3RD /32BIT_4TH\n"
    "  unit     /#1 .. /#4          verify   /V\n"
    "  reset    /RESET1 (line high after the download), /RESET0 (low), /RESET (= /RESET1)\n"
    "  chunk    /Nn (bytes IC size x (n-1) on)   start   /Shhhhhhh (skip hex bytes)\n"
    "Drive letters map to folders in [Drives] of the settings file (Z: is /); a line without\n"
    "one uses the work file. Unknown switches are ignored: 'zarvo-r5-cli check' finds them.\n"
    "The README's section \"The batch language\" says more.\n"
    "\n"
    "Set ZARVO_R5_SIM to run on simulated units.\n"
    "Exit status: 0 every command line ended with \"Success!!\" and no verify found a\n"
    "difference, 1 a line failed, a verify found a difference or a unit could not be\n"
    "opened (\"unit busy: used by another program\", permission denied: said on stderr),\n"
    "2 usage error or unreadable script.\n";

// The terminal's screen, keeping the pane's lines for the report.
class CapturingUi : public ConsoleUi {
 public:
  void appendMessage(const std::string& text) override {
    ConsoleUi::appendMessage(text);
    size_t from = 0;
    for (size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) pane.push_back(text.substr(from, nl - from));
    pane.push_back(text.substr(from));
  }
  std::vector<std::string> pane;
};

int Usage(const std::string& why) {
  std::fprintf(stderr, "zarvo-r5-cli run: %s\nTry 'zarvo-r5-cli run --help'.\n", why.c_str());
  return 2;
}

}  // namespace

int RunScript(const Args& args) {
  OptionParser parser(kHelp, Usage);
  std::optional<std::string> settingsOption;
  parser.addSettings(settingsOption);
  std::string work, junit;
  bool strict = false;
  std::vector<std::string> scripts;
  parser.app().add_option("--work", work)->type_name("FILE");
  parser.app().add_flag("--strict", strict);
  parser.app().add_option("--junit", junit)->type_name("FILE")->check(Check([](const std::string& v) {
    return v.empty() ? std::string("needs a file") : std::string();
  }));
  parser.app().add_option("script", scripts)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  if (auto status = parser.parse(args)) return *status;
  if (scripts.size() > 1) return Usage("more than one script given");
  const std::string script = scripts.empty() ? std::string() : scripts[0];
  if (script.empty()) return Usage("no script given");
  // First of all, so that a run that stops early or is killed never leaves an older run's
  // pass behind, and a report folder that cannot be written is known before any unit is touched.
  std::string why;
  if (!junit.empty() && !WriteUnfinishedJUnit(junit, script, &why)) {
    std::fprintf(stderr, "zarvo-r5-cli run: cannot write the JUnit report '%s': %s\n", junit.c_str(), why.c_str());
    return 2;
  }
  std::vector<std::string> lines;
  if (!ReadScriptOrSay("run", script, lines)) return 2;

  // Located once: locating says what it finds on stderr and updates the registry pointer.
  const std::string settingsPath = ResolveSettingsPath(settingsOption, std::cerr);
  // The check's findings come first on every run: a mistake in a line (a switch the run
  // ignores, a path it reads as switches) is seen before the units are touched. With
  // --strict they stop the run.
  {
    const Profile settings(settingsPath);
    const std::string checkWork = work.empty() ? settings.readText("Option", "BatWork", "") : work;
    const auto found = CheckScript(lines, settings, checkWork);
    if (!found.empty()) {
      PrintFindings(found, lines.size(), std::cerr);
      if (strict) {
        std::fprintf(stderr, "zarvo-r5-cli run: --strict: the check found the above; no unit was touched\n");
        return 1;
      }
    }
  }

  // A malformed ZARVO_R5_SIM would otherwise run every line against "no unit".
  std::string backendError;
  auto backend = MakeBackendFromEnvironment(&backendError);
  if (!backendError.empty()) {
    std::fprintf(stderr, "zarvo-r5-cli run: %s\n", backendError.c_str());
    return 2;
  }
  CapturingUi ui;
  ui.setPage(Page::Batch);
  SystemClock clock;
  Session session(ui, clock, std::move(backend), settingsPath);
  // Without --work, the work file the batch page would use: [Option] BatWork (read only).
  session.state().WorkFile = work.empty() ? session.profile().readText("Option", "BatWork", "") : work;
  DeviceContext dev = session.deviceContext();
  std::vector<JUnitCase> cases;
  auto started = std::chrono::steady_clock::now();
  auto seconds = [&started] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  };
  const bool selfTestPassed = SelfTest(dev, true);
  {
    JUnitCase c{"Self test", seconds(), false, {}, ui.pane};
    // With no unit the self test passes (there was nothing to fail), but nothing can run.
    c.failed = !selfTestPassed || session.state().UnitCount == 0;
    if (c.failed) c.message = "Self Test Fail !!";
    cases.push_back(std::move(c));
  }
  size_t mark = 0;

  PathResolver resolver(session.profile());
  BatchContext ctx{dev, session.image(), resolver, "0000000"};
  ctx.lineStarted = [&](int) {
    mark = ui.pane.size();
    started = std::chrono::steady_clock::now();
  };
  // Beside the sum, which depends on the file's layout, the CRC-32 of what the unit receives;
  // then the file's own problems, from the load's report, for the IC the line uses.
  int warnedLines = 0;
  std::string lineWarning;
  ctx.lineLoaded = [&](int index) {
    ui.appendMessage(CrcLine(session.image(), session.state().IcSize));
    const RunState& rs = session.state();
    FirmwareTarget target;
    target.icSize = rs.IcSize;
    target.icName = rs.IcSwitchText;
    target.batch = true;
    const FirmwareNotes notes = CheckFirmware(session.image().report(), target);
    for (const std::string& n : notes.notes)
      std::fprintf(stderr, "zarvo-r5-cli run: Line[%d]: warning: %s\n", index + 1, n.c_str());
    lineWarning = notes.warnings() ? notes.notes.front() : std::string();
    if (notes.warnings()) ++warnedLines;
  };
  ctx.lineEnded = [&](int index, const LineResult& r) {
    JUnitCase c;
    c.name = "Line[" + std::to_string(index + 1) + "] " + lines[static_cast<size_t>(index)];
    c.seconds = seconds();
    c.output.assign(ui.pane.begin() + static_cast<long>(mark), ui.pane.end());
    c.failed = !r.ok;
    if (!r.ok) c.message = c.output.empty() ? "failed" : c.output.back();
    // With --strict a load that warns fails its line.
    if (r.ok && strict && !lineWarning.empty()) {
      c.failed = true;
      c.message = "warning: " + lineWarning;
    }
    lineWarning.clear();
    if (r.differs()) {
      c.message = DifferenceText(r.difference);
      std::fprintf(stderr, "zarvo-r5-cli run: Line[%d]: %s\n", index + 1, c.message.c_str());
    }
    cases.push_back(std::move(c));
  };
  ui.setMainWindowEnabled(false);
  ui.setLamp(kLampPass);
  const BatchSummary summary = RunBatch(ctx, lines);
  ui.setMainWindowEnabled(true);
  const bool warned = strict && warnedLines > 0;
  if (!junit.empty() && !WriteJUnit(junit, script, cases, &why)) {
    std::fprintf(stderr, "zarvo-r5-cli run: cannot write the JUnit report '%s': %s\n", junit.c_str(), why.c_str());
    return 2;
  }
  return summary.noScript || summary.failedLines > 0 || summary.mismatchLines > 0 || warned || ui.unitProblems() > 0
             ? 1
             : 0;
}

}  // namespace zarvo::cli
