// Where language tables are found, and the no-unit hint's rule path.
#include "app/language.h"

#include <gtest/gtest.h>

#include "app/unit_hint.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::TempDir;

TEST(LanguageFile, NamesAndTheLangFolderMatchWithoutRegardToCaseAnExactNameFirst) {
  TempDir start, installed;
  start.writeText("lang/Chinese.ini", "[Language]\r\n");
  installed.writeText("english.ini", "[Language]\r\n");
  installed.writeText("English.ini", "[Language]\r\n");
  const std::vector<std::string> fallback = {installed.path().string()};
  EXPECT_EQ(FindLanguageFile(start.path().string(), "chinese", fallback), start.file("lang/Chinese.ini"));
  EXPECT_EQ(FindLanguageFile(start.path().string(), "CHINESE", fallback), start.file("lang/Chinese.ini"));
  EXPECT_EQ(FindLanguageFile(start.path().string(), "English", fallback), installed.file("English.ini"));
  EXPECT_EQ(FindLanguageFile(start.path().string(), "Klingon", fallback), "");
  EXPECT_EQ(FindLanguageFile(start.path().string(), "../lang/Chinese", fallback), "");
}

TEST(UnitHint, NamesTheInstalledRuleElseTheOneToInstall) {
  TempDir dir;
  const std::vector<std::string> where = {dir.file("etc/70-zarvo-r5.rules"), dir.file("usr/70-zarvo-r5.rules")};
  EXPECT_EQ(InstalledUdevRule(where), "");
  EXPECT_NE(NoUnitHint(where).find("install packaging/udev/70-zarvo-r5.rules"), std::string::npos);
  dir.writeText("usr/70-zarvo-r5.rules", "x");
  EXPECT_EQ(NoUnitHint(where), "No ZARVO R5 unit found. Check the USB cable, the unit's power and the udev rule " +
                                   where[1] + " (replug a unit that was plugged in before the rule was installed).");
  EXPECT_EQ(UdevRuleLocations().front(), "/etc/udev/rules.d/70-zarvo-r5.rules");
  EXPECT_NE(std::find(UdevRuleLocations().begin(), UdevRuleLocations().end(), "/usr/lib/udev/rules.d/70-zarvo-r5.rules"),
            UdevRuleLocations().end());
}

}  // namespace
}  // namespace zarvo
