#pragma once
// What to tell a user when no unit answers: the cable, the power, and the udev rule that lets
// a user without root reach the units, named where it is installed on this machine.

#include <string>
#include <vector>

namespace zarvo {

inline constexpr const char* kUdevRuleName = "70-zarvo-r5.rules";

// Where the rule may be installed: the administrator's folder, this build's install prefix,
// and the system folders a package uses.
std::vector<std::string> UdevRuleLocations();

// The first of the locations that holds the rule, or empty when none does.
std::string InstalledUdevRule(const std::vector<std::string>& locations = UdevRuleLocations());

// "No ZARVO R5 unit found. Check ..." naming the installed rule, or, when there is none, the
// rule in the source tree's packaging/udev folder and how to install it.
std::string NoUnitHint(const std::vector<std::string>& locations = UdevRuleLocations());

}  // namespace zarvo
