#include "cli/cli_common.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/settings_location.h"
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

}  // namespace
}  // namespace zarvo::cli
