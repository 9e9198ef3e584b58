#include "cli/options.h"

#include <cstdio>
#include <utility>

namespace zarvo::cli {

OptionParser::OptionParser(std::string help, UsageSayer usage) : help_(std::move(help)), usage_(std::move(usage)) {
  app_.set_help_flag();
  // Set before any option is added: every option takes it over.
  app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app_.add_flag("-h,--help", helpAsked_);
}

void OptionParser::addSettings(std::optional<std::string>& into) {
  settings_ = &into;
  app_.add_option("--settings", settingsValue_)->type_name("FILE")->check(Check([](const std::string& v) {
    return v.empty() ? std::string("needs a FILE") : std::string();
  }));
}

std::optional<int> OptionParser::parse(const Args& args) {
  // The parser takes its arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app_.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return usage_(e.what());
  }
  if (helpAsked_) {
    std::fputs(help_.c_str(), stdout);
    return 0;
  }
  if (settings_ && app_.count("--settings") > 0) *settings_ = settingsValue_;
  return std::nullopt;
}

CLI::Validator Check(std::function<std::string(const std::string&)> fn) {
  return CLI::Validator([fn = std::move(fn)](std::string& value) { return fn(value); }, "");
}

std::optional<int> ResetDelay(const std::string& text) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const int ms = std::stoi(text);
  if (ms > kMaxResetDelayMs) return std::nullopt;
  return ms;
}

}  // namespace zarvo::cli
