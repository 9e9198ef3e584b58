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

// The start-up steps: StartDir's own settings file when one is there (then both registry
// values are rewritten to it), else the registry's "Path". When the registry holds no
// usable path either, the file in StartDir is used and the first write creates it. A
// refused registry write is reported once on err; start-up goes on.
SettingsLocation LocateSettings(const std::string& startDir, Registry& registry, std::ostream& err);

// The close step: when no file exists at settingsPath any more, the registry's "Path" is
// taken again (and as SettingsDir, as the registry reading gives it). A registry without a
// usable path leaves the location as it was, so the save recreates the file there.
void RelocateSettingsAtClose(SettingsLocation& location, const Registry& registry);

}  // namespace zarvo
