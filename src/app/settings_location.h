#pragma once
// Where the settings file is. At start-up a settings file in the start directory wins and
// is remembered in the registry; otherwise the registry's "Path" names it. At close, a file
// that has vanished is looked up in the registry again before the settings are saved.

#include <iosfwd>
#include <string>

#include "base/registry.h"

namespace zarvo {

inline constexpr const char* kSettingsFileName = "TovanHistory_1.ini";

struct SettingsLocation {
  std::string startDir;      // StartDir: the current directory at start-up
  std::string settingsDir;   // SettingsDir: written to "SYS", otherwise unused
  std::string settingsPath;  // SettingsPath: every component opens the settings file by it
};

// dir + "/TovanHistory_1.ini", without doubling a trailing slash.
std::string SettingsFileIn(const std::string& dir);

// The process's current directory ("." when it cannot be read).
std::string CurrentDirectory();

// The user's own settings file: $XDG_CONFIG_HOME/ZARVO_R5/TovanHistory_1.ini, or
// ~/.config/ZARVO_R5/... (empty when neither variable helps).
std::string UserSettingsFile();

// The start-up steps: StartDir's own settings file when one is there (then both registry
// values are rewritten to it), else the registry's "Path". When the registry holds no
// usable path either ("0", or a path whose folder is gone), userFile is used (its folder is made; the first write creates the
// file), so a start from a launcher or from any terminal finds the same settings; with an
// empty userFile, the file in StartDir. A refused registry write is reported once on err;
// start-up goes on.
SettingsLocation LocateSettings(const std::string& startDir, Registry& registry, std::ostream& err,
                                const std::string& userFile = {});

// The close step: when no file exists at settingsPath any more, the registry's "Path" is
// taken again (and as SettingsDir, as the registry reading gives it). A registry without a
// usable path (as above) leaves the location as it was, so the save recreates the file there.
void RelocateSettingsAtClose(SettingsLocation& location, const Registry& registry);

}  // namespace zarvo
