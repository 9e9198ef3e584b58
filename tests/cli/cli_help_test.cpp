// Every command's --help against its golden text, and the usage errors of the unit
// commands' values.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::RunCli;
using test::TempDir;

std::string Golden(const std::string& name) {
  // Beside this file in the source tree, whatever folder the suite runs in.
  return test::ReadFileText(std::string(ZARVO_TEST_SOURCE_DIR) + "/cli/golden/" + name);
}

TEST(CliHelp, EveryCommandMatchesItsGoldenText) {
  TempDir dir;
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--help"}, "main_help.txt"},          {{"image", "--help"}, "image_help.txt"},
      {{"units", "--help"}, "units_help.txt"}, {{"blink", "-h"}, "blink_help.txt"},
      {{"reset", "--help"}, "reset_help.txt"}, {{"run", "--help"}, "run_help.txt"},
      {{"check", "-h"}, "check_help.txt"},
  };
  for (const auto& [args, golden] : cases) {
    const auto r = RunCli(dir, args);
    EXPECT_EQ(r.status, 0) << golden;
    EXPECT_EQ(r.out, Golden(golden)) << golden;
  }
}

TEST(CliHelp, ResetValuesAreCheckedWhereTheyAreParsed) {
  TempDir dir;
  ::setenv("ZARVO_R5_SIM", "512Kx8", 1);
  ::setenv("ZARVO_R5_SIM_DIR", dir.file("units").c_str(), 1);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--delay", "abc"}, {"--delay", "-5"}, {"--delay=-5"}, {"--delay", "1e3"}, {"--delay", " 300"},
           {"--delay", "3001"}, {"--delay", "5000"}, {"--delay", ""}, {"--delay"}, {"--polarity", "mid"},
           {"--pulse", "--bogus"}, {"stray"}}) {
    std::vector<std::string> all{"reset", "--pulse"};
    all.insert(all.end(), args.begin(), args.end());
    const auto r = RunCli(dir, all);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find("zarvo-r5-cli reset: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Usage: zarvo-r5-cli reset"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("units")));  // no unit was touched
  const auto r = RunCli(dir, {"reset", "--delay", "abc"});
  EXPECT_NE(r.err.find("--delay: 'abc' is not a pulse length"), std::string::npos) << r.err;
  ::unsetenv("ZARVO_R5_SIM");
  ::unsetenv("ZARVO_R5_SIM_DIR");
}

}  // namespace
}  // namespace zarvo
