#include "cli/cli_common.h"

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

TEST(SettingsOption, TakenOutOfTheArgumentsInBothForms) {
  struct Case {
    std::vector<std::string> args;
    std::optional<std::string> settings;
    std::vector<std::string> rest;
  } cases[] = {
      {{"a.hex", "--settings", "/s.ini", "-v"}, "/s.ini", {"a.hex", "-v"}},
      {{"--settings=/t.ini", "a.hex"}, "/t.ini", {"a.hex"}},
      {{"--settings", "/1.ini", "--settings=/2.ini"}, "/2.ini", {}},
      {{"a.hex", "--settingsx"}, std::nullopt, {"a.hex", "--settingsx"}},
      {{}, std::nullopt, {}},
  };
  for (Case& c : cases) {
    std::optional<std::string> got;
    std::ostringstream err;
    ASSERT_TRUE(TakeSettingsOption(c.args, got, err)) << err.str();
    EXPECT_EQ(got, c.settings);
    EXPECT_EQ(c.args, c.rest);
    EXPECT_EQ(err.str(), "");
  }
}

TEST(SettingsOption, MissingFileIsAUsageError) {
  for (std::vector<std::string> args : {std::vector<std::string>{"x", "--settings"}, {"--settings="}}) {
    std::optional<std::string> got;
    std::ostringstream err;
    EXPECT_FALSE(TakeSettingsOption(args, got, err));
    EXPECT_EQ(err.str(), "zarvo-r5-cli: --settings needs a FILE\n");
  }
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
