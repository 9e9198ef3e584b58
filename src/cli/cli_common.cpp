#include "cli/cli_common.h"

#include <ostream>

#include "app/settings_location.h"
#include "batch/pane_files.h"

#include <cstdio>

namespace zarvo::cli {

std::string ResolveSettingsPath(const std::optional<std::string>& settingsOption, Registry& registry,
                                const std::string& startDir, std::ostream& err, const std::string& userFile) {
  if (settingsOption) return *settingsOption;
  return LocateSettings(startDir, registry, err, userFile).settingsPath;
}

std::string ResolveSettingsPath(const std::optional<std::string>& settingsOption, std::ostream& err) {
  if (settingsOption) return *settingsOption;
  FileRegistry registry(FileRegistry::DefaultFile());
  return ResolveSettingsPath(settingsOption, registry, CurrentDirectory(), err, UserSettingsFile());
}

bool ReadScriptOrSay(const char* command, const std::string& script, std::vector<std::string>& lines) {
  std::string why;
  if (ReadScriptFile(script, lines, &why)) return true;
  std::fprintf(stderr, "zarvo-r5-cli %s: cannot read script '%s': %s\n", command, script.c_str(), why.c_str());
  return false;
}

}  // namespace zarvo::cli
