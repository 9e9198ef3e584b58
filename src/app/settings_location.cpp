#include "app/settings_location.h"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "base/files.h"

namespace zarvo {
namespace {

// "0" is what the registry reads for a missing value; taking it as a file name would
// scatter a settings file called "0" into whatever directory the program starts from. A
// path whose folder was deleted is as unusable: every save there would fail.
bool UsablePath(const std::string& path) {
  if (path.empty() || path == "0") return false;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  return folder.empty() || std::filesystem::is_directory(folder, ec);
}

}  // namespace

std::string SettingsFileIn(const std::string& dir) {
  if (!dir.empty() && dir.back() == '/') return dir + kSettingsFileName;
  return JoinPath(dir, kSettingsFileName);
}

std::string CurrentDirectory() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::current_path(ec);
  return ec ? std::string(".") : p.string();
}

std::string UserSettingsFile() {
  const std::string registryFile = FileRegistry::DefaultFile();
  if (registryFile.empty()) return {};
  return (std::filesystem::path(registryFile).parent_path() / kSettingsFileName).string();
}

SettingsLocation LocateSettings(const std::string& startDir, Registry& registry, std::ostream& err,
                                const std::string& userFile) {
  SettingsLocation loc;
  loc.startDir = startDir;
  loc.settingsDir = startDir;
  loc.settingsPath = SettingsFileIn(startDir);

  if (IsRegularFile(loc.settingsPath)) {
    // Both values are tried even when the first is refused; one report is enough.
    bool sysOk = registry.WriteRegistryValue(kRegistryKey, kRegistrySys, loc.settingsDir, 0);
    std::string firstError = sysOk ? std::string() : registry.lastError();
    bool pathOk = registry.WriteRegistryValue(kRegistryKey, kRegistryPath, loc.settingsPath, 0);
    if (!pathOk && firstError.empty()) firstError = registry.lastError();
    if (!sysOk || !pathOk) {
      err << firstError << " (a start from another directory will not find " << loc.settingsPath << ")\n";
    }
    return loc;
  }

  std::string dir = registry.ReadRegistryText(kRegistryKey, kRegistrySys);
  std::string path = registry.ReadRegistryText(kRegistryKey, kRegistryPath);
  if (UsablePath(path)) {
    loc.settingsDir = dir;
    loc.settingsPath = path;
  } else if (!userFile.empty()) {
    const std::filesystem::path user(userFile);
    std::error_code ec;
    std::filesystem::create_directories(user.parent_path(), ec);
    loc.settingsDir = user.parent_path().string();
    loc.settingsPath = userFile;
  }
  return loc;
}

void RelocateSettingsAtClose(SettingsLocation& location, const Registry& registry) {
  if (IsRegularFile(location.settingsPath)) return;
  std::string path = registry.ReadRegistryText(kRegistryKey, kRegistryPath);
  if (!UsablePath(path)) return;
  location.settingsPath = path;
  location.settingsDir = path;
}

}  // namespace zarvo
