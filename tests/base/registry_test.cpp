#include "base/registry.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace zarvo {
namespace {

using test::ReadFileText;
using test::TempDir;

TEST(FileRegistry, MissingFileKeyOrValueReadsZero) {
  TempDir dir;
  FileRegistry reg(dir.file("cfg/ZARVO_R5/registry.ini"));
  EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "Path"), "0");
  ASSERT_TRUE(reg.WriteRegistryValue(kRegistryKey, "SYS", "/home/u/roms", 0));
  EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "Path"), "0");
  EXPECT_EQ(reg.ReadRegistryText("SOFTWARE\\OTHER\\", "SYS"), "0");
  // An empty value exists: it is not "missing".
  ASSERT_TRUE(reg.WriteRegistryValue(kRegistryKey, "Path", "", 0));
  EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "Path"), "");
}

TEST(FileRegistry, FirstWriteCreatesDirectoryAndFileWithKeyAsSection) {
  TempDir dir;
  const std::string file = dir.file("cfg/ZARVO_R5/registry.ini");
  FileRegistry reg(file);
  ASSERT_TRUE(reg.WriteRegistryValue(kRegistryKey, "SYS", "/srv/roms", 0));
  ASSERT_TRUE(reg.WriteRegistryValue(kRegistryKey, "Path", "/srv/roms/TovanHistory_1.ini", 0));
  EXPECT_EQ(ReadFileText(file), "[SOFTWARE\\ZARVO_R5]\nSYS=/srv/roms\nPath=/srv/roms/TovanHistory_1.ini\n");
  // Key paths match without regard to case or a trailing backslash, like registry keys.
  EXPECT_EQ(reg.ReadRegistryText("software\\zarvo_r5", "path"), "/srv/roms/TovanHistory_1.ini");
  ASSERT_TRUE(reg.WriteRegistryValue("SOFTWARE\\ZARVO_R5", "PATH", "/x.ini", 0));
  EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "Path"), "/x.ini");
}

TEST(FileRegistry, StringsComeBackExactly) {
  TempDir dir;
  FileRegistry reg(dir.file("r.ini"));
  for (const std::string text : {"/dir with blanks/a.ini", " lead", "trail ", "\"quoted\"", "'single'", "a=b;c",
                                 "\"half", "C:\\ROMS\\TovanHistory_1.ini", "0"}) {
    ASSERT_TRUE(reg.WriteRegistryValue(kRegistryKey, "Path", text, 0)) << text;
    EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "Path"), text);
  }
}

TEST(FileRegistry, RefusesWhatWouldCorruptTheFile) {
  TempDir dir;
  FileRegistry reg(dir.file("r.ini"));
  ASSERT_TRUE(reg.WriteRegistryValue(kRegistryKey, "Path", "/good.ini", 0));
  // A line break would end the value and plant a second key.
  EXPECT_FALSE(reg.WriteRegistryValue(kRegistryKey, "Path", "/a.ini\nSYS=/evil", 0));
  EXPECT_FALSE(reg.WriteRegistryValue(kRegistryKey, "Path", "/a.ini\r", 0));
  EXPECT_FALSE(reg.WriteRegistryValue(kRegistryKey, "Pa=th", "x", 0));
  EXPECT_FALSE(reg.WriteRegistryValue(kRegistryKey, "", "x", 0));
  EXPECT_FALSE(reg.lastError().empty());
  EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "Path"), "/good.ini");
  EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "SYS"), "0");
}

TEST(FileRegistry, RefusedWriteNamesTheFile) {
  TempDir dir;
  // A regular file where the directory should be: refused even for root.
  const std::string blocker = dir.writeText("cfg", "not a directory");
  FileRegistry reg(blocker + "/ZARVO_R5/registry.ini");
  EXPECT_FALSE(reg.WriteRegistryValue(kRegistryKey, "SYS", "/x", 0));
  EXPECT_NE(reg.lastError().find("Unable to write to " + reg.file()), std::string::npos) << reg.lastError();
  EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "SYS"), "0");

  FileRegistry nowhere("");
  EXPECT_FALSE(nowhere.WriteRegistryValue(kRegistryKey, "SYS", "/x", 0));
  EXPECT_EQ(nowhere.ReadRegistryText(kRegistryKey, "SYS"), "0");
}

TEST(FileRegistry, StoredFormsOfTheKinds) {
  struct Case {
    const char* text;
    int kind;
    bool ok;
    const char* stored;
  } cases[] = {
      {"/a b", 0, true, "/a b"},    {"42", 1, true, "42"},     {"-7", 1, true, "-7"},
      {"abc", 1, true, "0"},        {"0x10", 1, true, "0"},    {"", 1, true, "0"},
      {"5", 2, true, "1"},          {"0", 2, true, "0"},       {"junk", 2, true, "0"},
      {"", 3, true, "0"},           {"2.5", 3, true, "2.5"},   {"x", 3, false, ""},
      {"1e999", 3, false, ""},      {"3.14", 4, true, "3.1400"}, {"", 4, true, "0.0000"},
      {"1", 5, false, ""},          {"1", -1, false, ""},
  };
  TempDir dir;
  FileRegistry reg(dir.file("r.ini"));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "' kind " + std::to_string(c.kind));
    std::string stored;
    ASSERT_EQ(RegistryStoredForm(c.text, c.kind, stored), c.ok);
    ASSERT_EQ(reg.WriteRegistryValue(kRegistryKey, "V", c.text, c.kind), c.ok);
    if (c.ok) {
      EXPECT_EQ(stored, c.stored);
      EXPECT_EQ(reg.ReadRegistryText(kRegistryKey, "V"), c.stored);
    }
  }
}

TEST(FileRegistry, DefaultFileFollowsXdgRules) {
  EXPECT_EQ(FileRegistry::DefaultFile("/xdg", "/home/u"), "/xdg/ZARVO_R5/registry.ini");
  EXPECT_EQ(FileRegistry::DefaultFile(nullptr, "/home/u"), "/home/u/.config/ZARVO_R5/registry.ini");
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  EXPECT_EQ(FileRegistry::DefaultFile("rel", "/home/u"), "/home/u/.config/ZARVO_R5/registry.ini");
  EXPECT_EQ(FileRegistry::DefaultFile("", "/home/u"), "/home/u/.config/ZARVO_R5/registry.ini");
  EXPECT_EQ(FileRegistry::DefaultFile(nullptr, nullptr), "");
}

}  // namespace
}  // namespace zarvo
