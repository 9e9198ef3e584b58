#include "base/file_write.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "child_process.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::ReadFileText;
using test::RunInChild;
using test::TempDir;
namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

bool TempsBeside(const TempDir& dir) {
  for (const auto& e : fs::directory_iterator(dir.path())) {
    if (e.path().filename().string().find(".tmp") != std::string::npos) return true;
  }
  return false;
}

TEST(FileWrite, ReplacesTheWholeFileKeepingItsMode) {
  for (mode_t mode : {0600, 0640, 0755, 0664}) {
    TempDir dir;
    const std::string path = dir.writeText("s.ini", std::string(5000, 'o'));
    ::chmod(path.c_str(), mode);
    const FileWriteResult r = WriteWholeFile(path, "new\n");
    ASSERT_TRUE(r.ok()) << r.reason();
    EXPECT_FALSE(r.inPlace);
    EXPECT_EQ(ReadFileText(path), "new\n");
    EXPECT_EQ(ModeOf(path), mode) << std::oct << mode;
    EXPECT_FALSE(TempsBeside(dir));
  }
  TempDir dir;
  const mode_t mask = ::umask(022);
  ASSERT_TRUE(WriteWholeFile(dir.file("fresh.bat"), "").ok());
  ::umask(mask);
  EXPECT_EQ(ModeOf(dir.file("fresh.bat")), 0644);
  EXPECT_EQ(ReadFileText(dir.file("fresh.bat")), "");
}

TEST(FileWrite, SymbolicLinksAreFollowedToTheFileTheyName) {
  TempDir dir;
  fs::create_directories(dir.file("real"));
  const std::string target = dir.writeText("real/settings.ini", "old");
  fs::create_symlink("real/settings.ini", dir.file("hop"));  // relative, from its own folder
  fs::create_symlink(dir.file("hop"), dir.file("TovanHistory_1.ini"));
  const FileWriteResult r = WriteWholeFile(dir.file("TovanHistory_1.ini"), "new");
  ASSERT_TRUE(r.ok()) << r.reason();
  EXPECT_EQ(r.target, dir.file("real/settings.ini"));
  EXPECT_TRUE(fs::is_symlink(dir.file("TovanHistory_1.ini")));
  EXPECT_TRUE(fs::is_symlink(dir.file("hop")));
  EXPECT_EQ(ReadFileText(target), "new");

  // A link whose file does not exist yet: the file is made where the link points.
  fs::create_symlink("real/later.ini", dir.file("dangling"));
  ASSERT_TRUE(WriteWholeFile(dir.file("dangling"), "made").ok());
  EXPECT_TRUE(fs::is_symlink(dir.file("dangling")));
  EXPECT_EQ(ReadFileText(dir.file("real/later.ini")), "made");

  fs::create_symlink("loop", dir.file("loop"));
  EXPECT_EQ(WriteWholeFile(dir.file("loop"), "x").error, ELOOP);
}

TEST(FileWrite, AReadOnlyFileIsRefusedEvenForRoot) {
  TempDir dir;
  const std::string path = dir.writeText("s.ini", "[Option]\n");
  ::chmod(path.c_str(), 0444);
  const FileWriteResult r = WriteWholeFile(path, "x");
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(r.readOnly);
  EXPECT_EQ(r.reason(), "the file is read-only");
  EXPECT_EQ(ReadFileText(path), "[Option]\n");
  EXPECT_EQ(ModeOf(path), 0444);
  EXPECT_FALSE(TempsBeside(dir));
}

TEST(FileWrite, AFolderThatRefusesNewFilesGetsTheFileWrittenInPlace) {
  TempDir dir;
  fs::create_directories(dir.file("ro"));
  const std::string path = dir.writeText("ro/TovanHistory_1.ini", std::string(300, 'o'));
  ::chmod(path.c_str(), 0600);
  const int status = RunInChild([&] {
    CHILD_CHECK(test::DropRoot(dir.path().string()));
    CHILD_CHECK(::chmod(dir.file("ro").c_str(), 0555) == 0);
    const FileWriteResult r = WriteWholeFile(path, "short");
    CHILD_CHECK(r.ok());
    CHILD_CHECK(r.inPlace);
    return 0;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFileText(path), "short");  // the longer old text cut after the new one
  EXPECT_EQ(ModeOf(path), 0600);
}

TEST(FileWrite, OwnerAndHardLinksAreKept) {
  TempDir dir;
  const std::string path = dir.writeText("a.ini", "old");
  ::link(path.c_str(), dir.file("b.ini").c_str());
  FileWriteResult r = WriteWholeFile(path, "new");
  ASSERT_TRUE(r.ok()) << r.reason();
  EXPECT_TRUE(r.inPlace);
  EXPECT_EQ(ReadFileText(dir.file("b.ini")), "new");

  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  const std::string other = dir.writeText("other.ini", "old");
  ASSERT_EQ(::chown(other.c_str(), 1234, 4321), 0);
  r = WriteWholeFile(other, "new");
  ASSERT_TRUE(r.ok()) << r.reason();
  EXPECT_FALSE(r.inPlace);
  struct stat st {};
  ::stat(other.c_str(), &st);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 4321u);
}

TEST(FileWrite, AFullDiskKeepsTheOldFileWrittenInPlaceToo) {
  // The rename road's full disk: PaneFiles.AFullDiskKeepsTheOldScriptAndSaysSo.
  TempDir dir;
  fs::create_directories(dir.file("disk"));
  const std::string path = dir.file("disk/script.bat");
  const int status = RunInChild([&] {
    test::SmallDisk(dir.file("disk"), 64 * 1024);
    const std::string old(30 * 1024, 'o');
    CHILD_CHECK(WriteWholeFile(path, old).ok());
    // A second name: written in place, and the space is asked for before a byte changes.
    CHILD_CHECK(::link(path.c_str(), dir.file("disk/second.bat").c_str()) == 0);
    const FileWriteResult r = WriteWholeFile(path, std::string(70 * 1024, 'n'));
    CHILD_CHECK(!r.ok() && r.inPlace);
    CHILD_CHECK(ReadFileText(path) == old);
    return 0;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(FileWrite, AKillBeforeTheRenameLeavesTheOldFileAndTheNextWriteRemovesTheLeftover) {
  TempDir dir;
  const std::string path = dir.file("rep.xml");
  ASSERT_TRUE(WriteWholeFile(path, "old report").ok());  // this process has written here before
  pid_t child = 0;
  const int status = RunInChild(
      [&] {
        gBeforeRenameForTesting = [](const char*) { ::raise(SIGKILL); };
        WriteWholeFile(path, std::string(100000, 'n'));
        return 0;
      },
      &child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_EQ(ReadFileText(path), "old report");
  const std::string left = path + ".tmp" + std::to_string(child);
  ASSERT_TRUE(fs::exists(left));
  // Another process's temporary file that is still being written stays.
  const std::string live = dir.writeText("rep.xml.tmp1", "pid 1 lives");
  ASSERT_TRUE(WriteWholeFile(path, "new report").ok());
  EXPECT_FALSE(fs::exists(left));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_EQ(ReadFileText(path), "new report");
}

TEST(FileWrite, ASignalPartWayRemovesTheTemporaryFileAndEndsTheProcess) {
  TempDir dir;
  const std::string path = dir.writeText("TovanHistory_1.ini", "old");
  const int status = RunInChild([&] {
    RemoveTemporaryFilesOnSignals();
    gBeforeRenameForTesting = [](const char*) { ::raise(SIGTERM); };
    WriteWholeFile(path, "new");
    return 0;
  });
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_EQ(ReadFileText(path), "old");
  EXPECT_FALSE(TempsBeside(dir));
}

}  // namespace
}  // namespace zarvo
