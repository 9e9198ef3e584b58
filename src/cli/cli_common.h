#pragma once
// What every zarvo-r5-cli command shares: the --settings option and finding the settings
// file. Without the option a command finds the file as the desktop program does at
// start-up, from the current directory and the registry pointer (which it then updates);
// with it, that file is used and the registry pointer is left alone.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "base/registry.h"

namespace zarvo::cli {

// The settings file a command uses: the option's file, or the one located from startDir
// through registry, else userFile (the desktop program's rule).
std::string ResolveSettingsPath(const std::optional<std::string>& settingsOption, Registry& registry,
                                const std::string& startDir, std::ostream& err, const std::string& userFile);

// Reads a script for a command; false after saying on stderr why it cannot be read.
bool ReadScriptOrSay(const char* command, const std::string& script, std::vector<std::string>& lines);

// The same from the current directory, the user's registry file and the user's settings file.
std::string ResolveSettingsPath(const std::optional<std::string>& settingsOption, std::ostream& err);

}  // namespace zarvo::cli
