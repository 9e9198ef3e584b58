// zarvo-r5-cli check: the script linter. Touches no unit.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/settings_location.h"
#include "base/profile.h"
#include "batch/pane_files.h"
#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/script_check.h"

namespace zarvo::cli {

namespace {

constexpr const char* kHelp =
    "Usage: zarvo-r5-cli check SCRIPT [--work FILE] [--settings FILE]\n"
    "\n"
    "Reads the batch script SCRIPT as run would and, touching no unit, reports each line\n"
    "that would not do what it seems to: no \"ZQ\" keyword, or one after other text (a\n"
    "commented-out REM ZQ line still runs); switches the switch table does not know (run\n"
    "ignores them); no drive-letter path (the line uses the work file); files that do not\n"
    "resolve or exist; and each file's own problems, found by loading it into memory: HEX\n"
    "checksum errors, no end record, data outside the chosen IC, a \"binary\" that is an\n"
    "object file or an archive, a binary larger than its IC, a chunk past the file.\n"
    "One line per finding on stdout: LINE n: <finding>, then a summary.\n"
    "\n"
    "Options:\n"
    "  --work FILE       the work file (\"%1\"); default: [Option] BatWork of the settings file\n"
    "  --settings FILE   settings file to use (its [Drives] section maps drive letters)\n"
    "  -h, --help        show this text\n"
    "\n"
    "Exit status: 0 nothing found, 1 something found, 2 usage error or unreadable script.\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "zarvo-r5-cli check: %s\nTry 'zarvo-r5-cli check --help'.\n", why.c_str());
  return 2;
}

}  // namespace

int RunCheck(const Args& args) {
  OptionParser parser(kHelp, Usage);
  std::optional<std::string> settingsOption;
  parser.addSettings(settingsOption);
  std::string work;
  std::vector<std::string> scripts;
  CLI::Option* workOption = parser.app().add_option("--work", work)->type_name("FILE");
  parser.app().add_option("script", scripts)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  if (auto status = parser.parse(args)) return *status;
  if (scripts.size() > 1) return Usage("more than one script given");
  const std::string script = scripts.empty() ? std::string() : scripts[0];
  const bool workGiven = workOption->count() > 0;
  if (script.empty()) return Usage("no script given");
  std::vector<std::string> lines;
  if (!ReadScriptOrSay("check", script, lines)) return 2;
  const Profile settings(ResolveSettingsPath(settingsOption, std::cerr));
  if (!workGiven) work = settings.readText("Option", "BatWork", "");
  const auto found = CheckScript(lines, settings, work);
  return PrintFindings(found, lines.size(), std::cout) > 0 ? 1 : 0;
}

}  // namespace zarvo::cli
