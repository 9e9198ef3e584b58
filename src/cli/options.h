#pragma once
// The one option parser of zarvo-r5-cli's commands: each command declares its options,
// their values and how each value is checked; parsing takes "--option value" and
// "--option=value", lets the last of a repeated option win, and turns every mistake into a
// usage error (exit status 2) that names the option. -h and --help show the command's own
// help text.

#include <functional>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace zarvo::cli {

// Says why the arguments cannot be used, in the command's own form; returns 2.
using UsageSayer = std::function<int(const std::string& why)>;

class OptionParser {
 public:
  OptionParser(std::string help, UsageSayer usage);

  CLI::App& app() { return app_; }

  // --settings FILE; an empty FILE is a usage error.
  void addSettings(std::optional<std::string>& into);

  // Parses args. std::nullopt when the command goes on, else its exit status: 0 after
  // printing the help text, 2 after a usage error.
  std::optional<int> parse(const Args& args);

 private:
  CLI::App app_;
  std::string help_;
  UsageSayer usage_;
  bool helpAsked_ = false;
  std::optional<std::string>* settings_ = nullptr;
  std::string settingsValue_;
};

// A value check for an option: fn returns the reason a value is refused, or "" to take it.
CLI::Validator Check(std::function<std::string(const std::string&)> fn);

// reset --delay MS: one to four decimal digits, 0 to kMaxResetDelayMs (the longest pulse the
// DelayTime edit keeps). No sign, blank or exponent.
inline constexpr int kMaxResetDelayMs = 3000;
std::optional<int> ResetDelay(const std::string& text);

}  // namespace zarvo::cli
