#include "cli/cli_common.h"

#include <ostream>

#include "app/settings_location.h"
#include "batch/pane_files.h"

#include <cstdio>

namespace zarvo::cli {

bool TakeSettingsOption(std::vector<std::string>& args, std::optional<std::string>& settings, std::ostream& err) {
  static const std::string opt = "--settings";
  for (size_t i = 0; i < args.size();) {
    std::string value;
    size_t taken = 0;
    if (args[i] == opt) {
      if (i + 1 >= args.size()) {
        err << "zarvo-r5-cli: --settings needs a FILE\n";
        return false;
      }
      value = args[i + 1];
      taken = 2;
    } else if (args[i].rfind(opt + "=", 0) == 0) {
      value = args[i].substr(opt.size() + 1);
      taken = 1;
    } else {
      ++i;
      continue;
    }
    if (value.empty()) {
      err << "zarvo-r5-cli: --settings needs a FILE\n";
      return false;
    }
    settings = value;
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i + taken));
  }
  return true;
}

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
