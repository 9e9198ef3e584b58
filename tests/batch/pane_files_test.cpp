#include "batch/pane_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "child_process.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::ReadFileText;
using test::RecordingUi;
using test::TempDir;

TEST(PaneFiles, ScriptLinesSplitAtCrLfOrLf) {
  TempDir dir;
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadScriptFile(dir.writeText("a.bat", "ZQ D:\\A /BIN\r\n\r\n  \r\nZQ %1\n"), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"ZQ D:\\A /BIN", "", "  ", "ZQ %1"}));
  ASSERT_TRUE(ReadScriptFile(dir.writeText("b.bat", "one\ntwo"), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
  ASSERT_TRUE(ReadScriptFile(dir.writeText("c.bat", ""), lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(ReadScriptFile(dir.file("missing.bat"), lines));
}

TEST(PaneFiles, ScriptBytesAreKeptAMarkIsReportedAndOnlyRegularFilesAreRead) {
  TempDir dir;
  std::vector<std::string> lines;
  bool marked = true;
  ASSERT_TRUE(ReadScriptFile(dir.writeText("latin.bat", "ZQ D:\\CAF\xE9.BIN\r\n"), lines, nullptr, &marked));
  EXPECT_EQ(lines, std::vector<std::string>{"ZQ D:\\CAF\xE9.BIN"});
  EXPECT_FALSE(marked);
  ASSERT_TRUE(ReadScriptFile(dir.writeText("marked.bat", "\xEF\xBB\xBFZQ %1\r\n"), lines, nullptr, &marked));
  EXPECT_EQ(lines, std::vector<std::string>{"ZQ %1"});
  EXPECT_TRUE(marked);

  // A named pipe would hold the open until something writes to it.
  ASSERT_EQ(::mkfifo(dir.file("pipe.bat").c_str(), 0600), 0);
  std::string why;
  EXPECT_FALSE(ReadScriptFile(dir.file("pipe.bat"), lines, &why));
  EXPECT_EQ(why, "not a regular file");
  EXPECT_EQ(lines, std::vector<std::string>{"ZQ %1"});
}

TEST(PaneFiles, ExtensionOnlyWhenThePathHasNoDot) {
  EXPECT_EQ(WithExtension("/x/script", ".bat"), "/x/script.bat");
  EXPECT_EQ(WithExtension("/x/old.dir/script", ".bat"), "/x/old.dir/script");
  EXPECT_EQ(WithExtension("/x/run.log", ".log"), "/x/run.log");
}

TEST(PaneFiles, WritesCrLfLinesAndReplacesALongerFileWhole) {
  TempDir dir;
  RecordingUi ui;
  const std::string path = dir.writeText("run.log", std::string(500, 'O') + "\r\nOLD TAIL\r\n");
  ASSERT_TRUE(WritePaneToFile({" ", "Line[1] : ", "Success!!"}, dir.file("run"), ".log", ui));
  EXPECT_EQ(ReadFileText(path), " \r\nLine[1] : \r\nSuccess!!\r\n");
  EXPECT_TRUE(ui.pane.empty());
}

TEST(PaneFiles, AnEmptyPaneIsAnEmptyFileAndAMarkedScriptKeepsItsMark) {
  EXPECT_EQ(PaneFileText({}), "");
  EXPECT_EQ(PaneFileText({""}), "\r\n");
  EXPECT_EQ(PaneFileText({"caf\xE9"}, true), "\xEF\xBB\xBF" "caf\xE9\r\n");
  TempDir dir;
  RecordingUi ui;
  const std::string path = dir.writeText("a.bat", "ZQ %1\r\n");
  ASSERT_TRUE(WritePaneToFile({}, path, ".bat", ui));
  EXPECT_EQ(ReadFileText(path), "");
}

TEST(PaneFiles, AFullDiskKeepsTheOldScriptAndSaysSo) {
  TempDir dir;
  std::filesystem::create_directories(dir.file("disk"));
  const std::string path = dir.file("disk/boot.bat");
  std::vector<std::string> old, longer;
  for (int i = 0; i < 500; ++i) old.push_back("ZQ D:\\FIRMWARE\\PART" + std::to_string(i) + ".HEX /INTEL_HEX /27512 /16BIT_EVEN /#1 /V");
  for (int i = 0; i < 800; ++i) longer.push_back("ZQ D:\\FIRMWARE\\PART" + std::to_string(i) + ".HEX /INTEL_HEX /27512 /16BIT_EVEN /#2 /V");
  const int status = test::RunInChild([&] {
    test::SmallDisk(dir.file("disk"), 64 * 1024);
    RecordingUi ui;
    CHILD_CHECK(WritePaneToFile(old, path, ".bat", ui));
    CHILD_CHECK(!WritePaneToFile(longer, path, ".bat", ui));
    CHILD_CHECK(ui.pane == std::vector<std::string>{path + " write fail ..."});
    CHILD_CHECK(ReadFileText(path) == PaneFileText(old));
    CHILD_CHECK(std::filesystem::directory_iterator(dir.file("disk"))->path() == path);  // no leftover
    return 0;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(PaneFiles, OpenFailuresNameThePathAndTheReason) {
  TempDir dir;
  RecordingUi ui;
  ui.page = Page::Batch;
  EXPECT_FALSE(WritePaneToFile({"x"}, dir.file("nodir/run"), ".log", ui));
  EXPECT_EQ(ui.pane, (std::vector<std::string>{dir.file("nodir/run.log") + " No such file or directory"}));
  EXPECT_EQ(ui.status().lamp(Page::Batch).seen(), kLampFail);
  EXPECT_FALSE(std::filesystem::exists(dir.file("nodir")));

  ui.pane.clear();
  std::filesystem::create_directory(dir.file("logs.d"));
  EXPECT_FALSE(WritePaneToFile({"x"}, dir.file("logs.d"), ".log", ui));  // a directory
  EXPECT_EQ(ui.pane, (std::vector<std::string>{dir.file("logs.d") + " Permission denied"}));

  if (::geteuid() != 0) {  // root writes through any mode
    ui.pane.clear();
    std::filesystem::create_directory(dir.file("ro"));
    ::chmod(dir.file("ro").c_str(), 0555);
    EXPECT_FALSE(WritePaneToFile({"x"}, dir.file("ro/a.bat"), ".bat", ui));
    EXPECT_EQ(ui.pane, (std::vector<std::string>{dir.file("ro/a.bat") + " Permission denied"}));
  }
  ui.pane.clear();
  const std::string locked = dir.writeText("locked.bat", "ZQ %1\r\n");
  ::chmod(locked.c_str(), 0444);
  EXPECT_FALSE(WritePaneToFile({"x"}, locked, ".bat", ui));
  EXPECT_EQ(ui.pane, (std::vector<std::string>{locked + " Permission denied"}));
  EXPECT_EQ(ReadFileText(locked), "ZQ %1\r\n");
  EXPECT_EQ(OpenFailureText(EMFILE), " Too many open files");
  EXPECT_EQ(OpenFailureText(EINVAL), " Invalid access code");
  EXPECT_EQ(OpenFailureText(ENOSPC), " write fail ...");
}

TEST(PaneFiles, AFullDiskIsNoSuccess) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TempDir dir;
  std::filesystem::create_symlink("/dev/full", dir.file("full.log"));
  RecordingUi ui;
  EXPECT_FALSE(WritePaneToFile({"x"}, dir.file("full.log"), ".log", ui));
  EXPECT_EQ(ui.pane, (std::vector<std::string>{dir.file("full.log") + " write fail ..."}));
}

}  // namespace
}  // namespace zarvo
