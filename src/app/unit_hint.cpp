#include "app/unit_hint.h"

#include <filesystem>
#include <system_error>

#include "base/files.h"

#ifndef ZARVO_INSTALL_UDEV_DIR
#define ZARVO_INSTALL_UDEV_DIR ""
#endif

namespace zarvo {

std::vector<std::string> UdevRuleLocations() {
  std::vector<std::string> dirs = {"/etc/udev/rules.d"};
  if (*ZARVO_INSTALL_UDEV_DIR) dirs.emplace_back(ZARVO_INSTALL_UDEV_DIR);
  for (const char* d : {"/usr/lib/udev/rules.d", "/lib/udev/rules.d"}) {
    if (dirs[dirs.size() - 1] != d) dirs.emplace_back(d);
  }
  std::vector<std::string> out;
  for (const std::string& d : dirs) out.push_back(JoinPath(d, kUdevRuleName));
  return out;
}

std::string InstalledUdevRule(const std::vector<std::string>& locations) {
  for (const std::string& path : locations)
    if (IsRegularFile(path)) return path;
  return {};
}

std::string NoUnitHint(const std::vector<std::string>& locations) {
  const std::string rule = InstalledUdevRule(locations);
  if (!rule.empty())
    return "No ZARVO R5 unit found. Check the USB cable, the unit's power and the udev rule " + rule +
           " (replug a unit that was plugged in before the rule was installed).";
  return std::string("No ZARVO R5 unit found. Check the USB cable, the unit's power and the udev rule: without "
                     "root, install packaging/udev/") +
         kUdevRuleName + " (see the README) and replug the unit.";
}

}  // namespace zarvo
