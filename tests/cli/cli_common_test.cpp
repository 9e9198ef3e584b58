#include "cli/cli_common.h"
#include "cli/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "app/settings_location.h"
#include "cli/console_ui.h"
#include "device/open_refusal.h"
#include "temp_dir.h"

namespace zarvo::cli {
namespace {

using test::TempDir;

// A command with --settings, a flag, a checked value and positionals, as the commands build theirs.
struct Parsed {
  std::optional<int> status;
  std::optional<std::string> settings;
  std::string value;
  bool flag = false;
  std::vector<std::string> rest;
  std::string usage;  // what the usage error said
};

Parsed ParseWith(const std::vector<std::string>& args) {
  Parsed p;
  OptionParser parser("HELP TEXT\n", [&p](const std::string& why) {
    p.usage = why;
    return 2;
  });
  parser.addSettings(p.settings);
  parser.app().add_flag("--flag", p.flag);
  parser.app().add_option("--value", p.value)->check(Check([](const std::string& v) {
    return v == "bad" ? std::string("is bad") : std::string();
  }));
  parser.app().add_option("rest", p.rest)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  p.status = parser.parse(args);
  return p;
}

TEST(OptionParser, TakesBothFormsAndTheLastOfARepeatedOption) {
  struct Case {
    std::vector<std::string> args;
    std::optional<std::string> settings;
    std::string value;
    bool flag;
    std::vector<std::string> rest;
  } cases[] = {
      {{"a.hex", "--settings", "/s.ini", "--flag"}, "/s.ini", "", true, {"a.hex"}},
      {{"--settings=/t.ini", "a.hex", "b.hex"}, "/t.ini", "", false, {"a.hex", "b.hex"}},
      {{"--settings", "/1.ini", "--settings=/2.ini"}, "/2.ini", "", false, {}},
      {{"--value=1", "--value", "2"}, std::nullopt, "2", false, {}},
      {{"--value", "-5"}, std::nullopt, "-5", false, {}},  // a negative number is a value
      {{}, std::nullopt, "", false, {}},
  };
  for (const Case& c : cases) {
    const Parsed p = ParseWith(c.args);
    EXPECT_EQ(p.status, std::nullopt) << p.usage;
    EXPECT_EQ(p.settings, c.settings);
    EXPECT_EQ(p.value, c.value);
    EXPECT_EQ(p.flag, c.flag);
    EXPECT_EQ(p.rest, c.rest);
  }
}

TEST(OptionParser, MistakesAreUsageErrorsThatNameTheOption) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"x", "--settings"}, "--settings"},
      {{"--settings="}, "--settings"},
      {{"--settingsx", "a"}, "--settingsx"},
      {{"--value", "bad"}, "--value: is bad"},
      {{"--value=bad", "--flag"}, "--value: is bad"},
      {{"-q"}, "-q"},
  };
  for (const Case& c : cases) {
    const Parsed p = ParseWith(c.args);
    EXPECT_EQ(p.status, 2) << c.says;
    EXPECT_NE(p.usage.find(c.says), std::string::npos) << p.usage;
  }
}

TEST(OptionParser, HelpEndsTheCommandWithStatusZero) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"a", "-h"}})
    EXPECT_EQ(ParseWith(args).status, 0);
}

TEST(ResetDelay, TakesWholeMillisecondsUpToTheLongestPulse) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"300", 300},  {"0", 0},          {"3000", 3000},   {"0250", 250},         {"50", 50},
      {"3001", {}},  {"5000", {}},      {"99999", {}},    {"abc", {}},           {"-5", {}},
      {"1e3", {}},   {" 300", {}},      {"300 ", {}},     {"+300", {}},          {"", {}},
      {"30.0", {}},  {"0x12", {}},
  };
  for (const auto& [text, ms] : cases) EXPECT_EQ(ResetDelay(text), ms) << "'" << text << "'";
}

TEST(ResolveSettingsPath, OptionWinsAndLeavesTheRegistryAlone) {
  TempDir start, cfg;
  start.writeText(kSettingsFileName, "");
  FileRegistry reg(cfg.file("ZARVO_R5/registry.ini"));
  std::ostringstream err;
  EXPECT_EQ(ResolveSettingsPath(std::string("/given.ini"), reg, start.path().string(), err, ""), "/given.ini");
  EXPECT_FALSE(std::filesystem::exists(reg.file()));
}

TEST(ResolveSettingsPath, WithoutOptionLocatesAsAtStartUp) {
  TempDir start, elsewhere, cfg;
  FileRegistry reg(cfg.file("ZARVO_R5/registry.ini"));
  std::ostringstream err;
  const std::string user = cfg.file("ZARVO_R5/" + std::string(kSettingsFileName));
  // Nothing anywhere: the user's own file, to be created by the first write.
  EXPECT_EQ(ResolveSettingsPath(std::nullopt, reg, start.path().string(), err, user), user);

  const std::string file = start.writeText(kSettingsFileName, "");
  EXPECT_EQ(ResolveSettingsPath(std::nullopt, reg, start.path().string(), err, user), file);
  EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, kRegistryPath), file);
  EXPECT_EQ(ResolveSettingsPath(std::nullopt, reg, elsewhere.path().string(), err, user), file);
  EXPECT_EQ(err.str(), "");
}

// A unit that cannot be opened for a cause of its own: after the pane's lines on stdout, the
// cause on stderr, counted so the command ends with 1.
TEST(ConsoleUnitProblem, TheCauseGoesToStderrAfterThePane) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(out && err);
  ConsoleUi ui(out, err);
  ui.appendMessage("      USB Device is not connect...");
  EXPECT_EQ(ui.unitProblems(), 0);
  ui.reportUnitProblem(OpenRefusalText(UsbError::AccessDenied));
  EXPECT_EQ(ui.unitProblems(), 1);
  auto text = [](std::FILE* f) {
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
    return s;
  };
  EXPECT_EQ(text(out), "      USB Device is not connect...\n");
  EXPECT_EQ(text(err),
            "zarvo-r5-cli: unit found but could not be opened (permission denied): install the udev rule "
            "70-zarvo-r5.rules (the package does; without it, as root: cp packaging/udev/70-zarvo-r5.rules "
            "/etc/udev/rules.d/ && udevadm control --reload) and replug the unit\n");
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace zarvo::cli
