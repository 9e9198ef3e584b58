#include "app/settings_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

#include "temp_dir.h"

namespace zarvo {
namespace {

using test::TempDir;

// A registry in memory that records every write and can refuse them.
class MemoryRegistry : public Registry {
 public:
  std::string ReadRegistryText(const std::string& key, const std::string& name) const override {
    auto it = values.find(key + "|" + name);
    return it == values.end() ? "0" : it->second;
  }
  bool WriteRegistryValue(const std::string& key, const std::string& name, const std::string& text,
                          int kind) override {
    writes.push_back(name + "=" + text + " kind " + std::to_string(kind));
    if (refuse) {
      error_ = "Unable to write to the registry: access denied";
      return false;
    }
    values[key + "|" + name] = text;
    return true;
  }
  const std::string& lastError() const override { return error_; }

  std::map<std::string, std::string> values;
  std::vector<std::string> writes;
  bool refuse = false;

 private:
  std::string error_;
};

TEST(SettingsLocation, FileInStartDirWinsAndRewritesBothRegistryValuesInOrder) {
  TempDir dir;
  const std::string file = dir.writeText("TovanHistory_1.ini", "[Option]\nLang=English\n");
  MemoryRegistry reg;
  reg.values[std::string(kRegistryKey) + "|SYS"] = "/elsewhere";
  reg.values[std::string(kRegistryKey) + "|Path"] = "/elsewhere/TovanHistory_1.ini";
  std::ostringstream err;

  SettingsLocation loc = LocateSettings(dir.path().string(), reg, err);

  EXPECT_EQ(loc.startDir, dir.path().string());
  EXPECT_EQ(loc.settingsDir, dir.path().string());
  EXPECT_EQ(loc.settingsPath, file);
  EXPECT_EQ(reg.writes, (std::vector<std::string>{"SYS=" + dir.path().string() + " kind 0", "Path=" + file + " kind 0"}));
  EXPECT_EQ(err.str(), "");
}

TEST(SettingsLocation, WithoutFileTheRegistryPathIsUsedWhereverItIsAndNothingIsWritten) {
  TempDir start, other;
  MemoryRegistry reg;
  reg.values[std::string(kRegistryKey) + "|SYS"] = other.path().string();
  // The named file need not exist yet: its first write creates it.
  reg.values[std::string(kRegistryKey) + "|Path"] = other.file("TovanHistory_1.ini");
  std::ostringstream err;

  SettingsLocation loc = LocateSettings(start.path().string(), reg, err);

  EXPECT_EQ(loc.startDir, start.path().string());
  EXPECT_EQ(loc.settingsDir, other.path().string());
  EXPECT_EQ(loc.settingsPath, other.file("TovanHistory_1.ini"));
  EXPECT_TRUE(reg.writes.empty());
}

TEST(SettingsLocation, NeitherStartDirNorRegistryGivesTheFileInStartDirNeverAFileNamedZero) {
  TempDir start;
  for (const char* stored : {"", "0"}) {
    SCOPED_TRACE(std::string("Path '") + stored + "'");
    MemoryRegistry reg;
    if (stored[0] == '\0') reg.values[std::string(kRegistryKey) + "|Path"] = stored;
    std::ostringstream err;
    SettingsLocation loc = LocateSettings(start.path().string(), reg, err);
    EXPECT_EQ(loc.settingsPath, start.file("TovanHistory_1.ini"));
    EXPECT_EQ(loc.settingsDir, start.path().string());
    EXPECT_TRUE(reg.writes.empty());
  }
}

TEST(SettingsLocation, NeitherStartDirNorRegistryGivesTheUsersOwnFileWhenThereIsOne) {
  TempDir start, config;
  const std::string user = config.file("ZARVO_R5/TovanHistory_1.ini");
  for (const char* stored : {"", "0"}) {
    MemoryRegistry reg;
    if (stored[0] == '\0') reg.values[std::string(kRegistryKey) + "|Path"] = stored;
    std::ostringstream err;
    SettingsLocation loc = LocateSettings(start.path().string(), reg, err, user);
    EXPECT_EQ(loc.settingsPath, user);
    EXPECT_EQ(loc.settingsDir, config.file("ZARVO_R5"));
    EXPECT_TRUE(std::filesystem::is_directory(config.file("ZARVO_R5")));
    EXPECT_TRUE(reg.writes.empty());
  }
  // A start folder holding the file still wins, and is recorded.
  const std::string own = start.writeText("TovanHistory_1.ini", "");
  MemoryRegistry reg;
  std::ostringstream err;
  EXPECT_EQ(LocateSettings(start.path().string(), reg, err, user).settingsPath, own);
  EXPECT_EQ(reg.values[std::string(kRegistryKey) + "|Path"], own);
}

TEST(SettingsLocation, RefusedRegistryWriteIsReportedOnceAndStartUpGoesOn) {
  TempDir dir;
  const std::string file = dir.writeText("TovanHistory_1.ini", "");
  MemoryRegistry reg;
  reg.refuse = true;
  std::ostringstream err;

  SettingsLocation loc = LocateSettings(dir.path().string(), reg, err);

  EXPECT_EQ(loc.settingsPath, file);
  EXPECT_EQ(reg.writes.size(), 2u);  // both values were tried
  const std::string text = err.str();
  EXPECT_NE(text.find("Unable to write to the registry"), std::string::npos) << text;
  EXPECT_EQ(text.find("Unable", 1), std::string::npos) << "reported more than once: " << text;
}

TEST(SettingsLocation, ADirectoryNamedLikeTheFileIsNotASettingsFile) {
  TempDir dir, other;
  std::filesystem::create_directory(dir.path() / "TovanHistory_1.ini");
  MemoryRegistry reg;
  reg.values[std::string(kRegistryKey) + "|Path"] = other.file("TovanHistory_1.ini");
  std::ostringstream err;
  EXPECT_EQ(LocateSettings(dir.path().string(), reg, err).settingsPath, other.file("TovanHistory_1.ini"));
  EXPECT_TRUE(reg.writes.empty());
}

TEST(SettingsLocation, ARegistryPathWhoseFolderIsGoneCountsAsNoPath) {
  TempDir start, config, gone;
  const std::string user = config.file("ZARVO_R5/TovanHistory_1.ini");
  MemoryRegistry reg;
  reg.values[std::string(kRegistryKey) + "|Path"] = gone.file("deleted/TovanHistory_1.ini");
  std::ostringstream err;
  EXPECT_EQ(LocateSettings(start.path().string(), reg, err, user).settingsPath, user);

  // At close, too: the file that vanished is saved again where it was.
  SettingsLocation loc{start.path().string(), start.path().string(), start.file("TovanHistory_1.ini")};
  RelocateSettingsAtClose(loc, reg);
  EXPECT_EQ(loc.settingsPath, start.file("TovanHistory_1.ini"));
}

TEST(SettingsLocation, FileNameJoinsWithSlash) {
  EXPECT_EQ(SettingsFileIn("/home/u"), "/home/u/TovanHistory_1.ini");
  EXPECT_EQ(SettingsFileIn("/"), "/TovanHistory_1.ini");
  // No length limit: a deep start directory keeps its whole path.
  const std::string deep = "/" + std::string(300, 'd');
  EXPECT_EQ(SettingsFileIn(deep), deep + "/TovanHistory_1.ini");
}

TEST(SettingsLocation, FileRegistryRoundTripAcrossTwoStarts) {
  TempDir home, first, second;
  FileRegistry reg(home.file("ZARVO_R5/registry.ini"));
  const std::string file = first.writeText("TovanHistory_1.ini", "");
  std::ostringstream err;
  LocateSettings(first.path().string(), reg, err);
  SettingsLocation later = LocateSettings(second.path().string(), reg, err);
  EXPECT_EQ(later.settingsPath, file);
  EXPECT_EQ(later.settingsDir, first.path().string());
  EXPECT_EQ(err.str(), "");
}

TEST(SettingsLocationAtClose, VanishedFileIsLookedUpAgainInTheRegistry) {
  TempDir dir, other;
  MemoryRegistry reg;
  reg.values[std::string(kRegistryKey) + "|Path"] = other.file("TovanHistory_1.ini");
  SettingsLocation loc{dir.path().string(), dir.path().string(), dir.file("TovanHistory_1.ini")};

  RelocateSettingsAtClose(loc, reg);

  EXPECT_EQ(loc.settingsPath, other.file("TovanHistory_1.ini"));
  EXPECT_EQ(loc.settingsDir, other.file("TovanHistory_1.ini"));  // the same text, as the registry gives it
}

TEST(SettingsLocationAtClose, ExistingFileOrNoRegistryPathKeepsTheLocation) {
  TempDir dir;
  MemoryRegistry reg;
  reg.values[std::string(kRegistryKey) + "|Path"] = "/else/TovanHistory_1.ini";
  const std::string file = dir.writeText("TovanHistory_1.ini", "");
  SettingsLocation loc{dir.path().string(), dir.path().string(), file};
  RelocateSettingsAtClose(loc, reg);
  EXPECT_EQ(loc.settingsPath, file);

  MemoryRegistry empty;
  SettingsLocation gone{dir.path().string(), dir.path().string(), dir.file("vanished.ini")};
  RelocateSettingsAtClose(gone, empty);
  EXPECT_EQ(gone.settingsPath, dir.file("vanished.ini"));
  EXPECT_EQ(gone.settingsDir, dir.path().string());
}

}  // namespace
}  // namespace zarvo
