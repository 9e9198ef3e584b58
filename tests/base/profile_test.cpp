#include "base/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "temp_dir.h"

namespace zarvo {
namespace {

using test::ReadFileText;
using test::TempDir;

TEST(Profile, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
  TempDir dir;
  Profile p(dir.file("TovanHistory_1.ini"));
  EXPECT_EQ(p.readText("LoadDlg", "Name", "None"), "None");
  EXPECT_EQ(p.readInt("LoadDlg", "UserFill", 255), 255);
  ASSERT_TRUE(p.writeInt("LoadDlg", "UserFill", 17));
  EXPECT_EQ(ReadFileText(p.path()), "[LoadDlg]\nUserFill=17\n");
}

TEST(Profile, SectionsAndKeysMatchWithoutRegardToCase) {
  TempDir dir;
  Profile p(dir.file("s.ini"));
  ASSERT_TRUE(p.writeInt("LoadDlg", "DistSAdd", 4096));
  EXPECT_EQ(p.readInt("loaddlg", "DistSadd", 0), 4096);
  ASSERT_TRUE(p.writeText("LOADDLG", "Format", "5"));
  EXPECT_EQ(p.readText("LoadDlg", "FORMAT", "0"), "5");
  ASSERT_TRUE(p.writeInt("LoadDlg", "distsadd", 1));
  // One key, kept in the spelling the file already had.
  EXPECT_EQ(ReadFileText(p.path()), "[LoadDlg]\nDistSAdd=1\nFormat=5\n");
}

TEST(Profile, SeveralKeysFromOneReadingGiveWhatEachReadGives) {
  TempDir dir;
  const std::string text =
      "[Language]\r\n0001 = \"Quoted\"\r\n[Other]\r\n0002=elsewhere\r\n[language]\r\n0002=second part\r\n"
      "0001=later, not taken\r\n; 0003=comment\r\n0004=" + std::string(3000, 'x') + "\r\n";
  const Profile p(dir.writeText("lang.ini", text));
  const std::vector<Profile::KeyDefault> keys = {{"0001", "a"}, {"0002", "b"}, {"0003", "c"}, {"0004", "d"}};
  const std::vector<std::string> got = p.readTexts("LANGUAGE", keys);
  ASSERT_EQ(got.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(got[i], p.readText("Language", keys[i].key, keys[i].def)) << i;
  EXPECT_EQ(got[0], "Quoted");
  EXPECT_EQ(got[1], "second part");
  EXPECT_EQ(got[2], "c");
  EXPECT_EQ(got[3].size(), Profile::kMaxValue);
  EXPECT_EQ(Profile(dir.file("none.ini")).readTexts("Language", keys)[1], "b");
}

TEST(Profile, IntegerForms) {
  struct Case {
    const char* text;
    int64_t expected;
  } cases[] = {
      {"42", 42}, {"0x1F", 31}, {"0X10", 16}, {"-3", -3}, {" 7 ", 7},
      {"12abc", -1}, {"", -1}, {"0x", -1}, {"abc", -1}, {"99999999999", -1},
  };
  TempDir dir;
  Profile p(dir.file("s.ini"));
  for (const Case& c : cases) {
    ASSERT_TRUE(p.writeText("S", "K", c.text));
    EXPECT_EQ(p.readInt("S", "K", -1), c.expected) << "text '" << c.text << "'";
  }
}

TEST(Profile, WritesKeepOtherLinesAndLineEnds) {
  TempDir dir;
  std::string path = dir.writeText("s.ini", "; comment\r\n[Other]\r\nx=1\r\n\r\n[Option]\r\nLang=English\r\n\r\n[Tail]\r\ny=2\r\n");
  Profile p(path);
  EXPECT_EQ(p.readText("Option", "Lang", ""), "English");
  ASSERT_TRUE(p.writeText("Option", "BatWork", "/tmp/a.hex"));
  ASSERT_TRUE(p.writeText("New", "k", "v"));
  EXPECT_EQ(ReadFileText(path),
            "; comment\r\n[Other]\r\nx=1\r\n\r\n[Option]\r\nLang=English\r\nBatWork=/tmp/a.hex\r\n\r\n"
            "[Tail]\r\ny=2\r\n[New]\r\nk=v\r\n");
  EXPECT_EQ(p.readText("Tail", "y", ""), "2");
}

TEST(Profile, LongValuesArriveCutTo2047Characters) {
  TempDir dir;
  Profile p(dir.file("s.ini"));
  ASSERT_TRUE(p.writeText("S", "K", std::string(5000, 'a')));
  EXPECT_EQ(p.readText("S", "K", "").size(), 2047u);
}

TEST(Profile, AReadOnlyFileIsRefusedAndNamedAndAnUnreadableOneIsNotRewrittenFromNothing) {
  TempDir dir;
  std::string path = dir.writeText("s.ini", "[S]\nK=1\n");
  ::chmod(path.c_str(), 0444);
  Profile p(path);
  EXPECT_FALSE(p.writeText("S", "K", "2"));
  EXPECT_EQ(p.lastError(), "Unable to write to " + path + ": the file is read-only");
  EXPECT_EQ(ReadFileText(path), "[S]\nK=1\n");

  // A settings path that names a folder: nothing is read, so nothing is written over it.
  Profile folder(dir.path().string());
  EXPECT_FALSE(folder.writeText("S", "K", "2"));
  EXPECT_NE(folder.lastError().find("cannot read it first"), std::string::npos) << folder.lastError();
}

TEST(Profile, AByteOrderMarkIsPassedOverAndKept) {
  TempDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  std::string path = dir.writeText("s.ini", bom + "[Option]\r\nLang=Chinese\r\n");
  Profile p(path);
  EXPECT_EQ(p.readText("Option", "Lang", "English"), "Chinese");
  ASSERT_TRUE(p.writeText("Option", "BatWork", "/w.hex"));
  EXPECT_EQ(ReadFileText(path), bom + "[Option]\r\nLang=Chinese\r\nBatWork=/w.hex\r\n");
}

TEST(Profile, RefusesNamesAndValuesThatWouldBreakTheLine) {
  TempDir dir;
  std::string path = dir.writeText("s.ini", "[Device1]\nName=/a.hex\n");
  Profile p(path);
  EXPECT_FALSE(p.writeText("Device1", "Name", "/b.hex\n[Option]\nLang=Evil"));
  EXPECT_NE(p.lastError().find("Unable to write to " + path), std::string::npos);
  EXPECT_FALSE(p.writeText("Device1", "Name", "/b.hex\r"));
  EXPECT_FALSE(p.writeText("Device1", "Na=me", "x"));
  EXPECT_FALSE(p.writeText("Device1", "", "x"));
  EXPECT_FALSE(p.writeText("Dev]ice1", "Name", "x"));
  EXPECT_EQ(ReadFileText(path), "[Device1]\nName=/a.hex\n");
}

TEST(Profile, FileWithBothLineEndsReadsAndWritesEveryKey) {
  TempDir dir;
  std::string path = dir.writeText("s.ini", "[Option]\r\nLang=Chinese\nBatWork=/w.hex\r\n[Device1]\nCheck=1\nName=/a.hex");
  Profile p(path);
  EXPECT_EQ(p.readText("Option", "Lang", ""), "Chinese");
  EXPECT_EQ(p.readText("Option", "BatWork", ""), "/w.hex");
  EXPECT_EQ(p.readText("Device1", "Name", ""), "/a.hex");  // last line without a line end
  ASSERT_TRUE(p.writeText("Device1", "Sum", "0000FF00"));
  ASSERT_TRUE(p.writeText("Option", "Lang", "English"));
  EXPECT_EQ(p.readText("Option", "Lang", ""), "English");
  EXPECT_EQ(p.readText("Option", "BatWork", ""), "/w.hex");
  EXPECT_EQ(p.readInt("Device1", "Check", 0), 1);
  EXPECT_EQ(p.readText("Device1", "Name", ""), "/a.hex");
  EXPECT_EQ(p.readText("Device1", "Sum", ""), "0000FF00");
}

TEST(Profile, WriteIntoMissingDirectoryFails) {
  TempDir dir;
  Profile p(dir.file("no/such/dir/s.ini"));
  EXPECT_FALSE(p.writeText("S", "K", "1"));
  EXPECT_FALSE(p.lastError().empty());
}

TEST(Profile, SeveralKeysInOneRewriteAllOrNone) {
  TempDir dir;
  std::string path = dir.writeText("s.ini", "[LoadDlg]\r\nName=old\r\n");
  Profile p(path);
  const Profile::Entry keys[] = {{"LoadDlg", "name", "new.hex"}, {"LoadDlg", "OK", "1"}, {"Device2", "OK", "1"}};
  ASSERT_TRUE(p.writeTexts(keys));
  EXPECT_EQ(ReadFileText(path), "[LoadDlg]\r\nName=new.hex\r\nOK=1\r\n[Device2]\r\nOK=1\r\n");

  // One entry that cannot be written keeps every other one out too.
  const Profile::Entry bad[] = {{"LoadDlg", "OK", "0"}, {"LoadDlg", "Name", "a\nb"}};
  EXPECT_FALSE(p.writeTexts(bad));
  EXPECT_EQ(p.readText("LoadDlg", "OK", ""), "1");
}

}  // namespace
}  // namespace zarvo
