// Two programs on one settings file: a write waits for the other's lock instead of losing
// its keys, and a lock that stays taken fails with the file and the holder named.
#include "base/settings_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/profile.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::TempDir;

// A child process that runs body once the parent lets it go, so two children start at once
// or a child holds a lock exactly while the parent looks.
class Child {
 public:
  explicit Child(const std::function<int(int fromParent, int toParent)>& body) {
    if (::pipe(down_) != 0 || ::pipe(up_) != 0) std::abort();
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(down_[1]);
      ::close(up_[0]);
      char go = 0;
      if (::read(down_[0], &go, 1) != 1) std::_Exit(3);
      const int code = body(down_[0], up_[1]);
      std::fflush(nullptr);
      std::_Exit(code);
    }
    ::close(down_[0]);
    ::close(up_[1]);
  }
  ~Child() {
    if (pid_ > 0) wait();
    ::close(down_[1]);
    ::close(up_[0]);
  }
  void go() { send(); }
  void send() {
    const char c = 1;
    ASSERT_EQ(::write(down_[1], &c, 1), 1);
  }
  // Waits for the child's signal; false when it ended without one.
  bool heard() {
    char c = 0;
    return ::read(up_[0], &c, 1) == 1;
  }
  // The child's exit status (0: its checks passed).
  int wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0) {
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  }
  pid_t pid() const { return pid_; }

 private:
  int down_[2]{}, up_[2]{};
  pid_t pid_ = -1;
};

void Signal(int fd) {
  const char c = 1;
  if (::write(fd, &c, 1) != 1) std::_Exit(4);
}

void Await(int fd) {
  char c = 0;
  if (::read(fd, &c, 1) != 1) std::_Exit(5);
}

TEST(SettingsLock, SitsBesideTheFileALinkNamesAndIsSharedWithinTheProcess) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "real");
  const std::string target = dir.file("real/TovanHistory_1.ini");
  const std::string link = dir.file("TovanHistory_1.ini");
  std::filesystem::create_symlink(target, link);
  EXPECT_EQ(SettingsLock::LockPathFor(link), target + ".lock");

  const SettingsLock outer(link, 0);
  ASSERT_TRUE(outer.ok()) << outer.error();
  EXPECT_TRUE(std::filesystem::exists(target + ".lock"));
  // A write inside a load that holds the lock goes ahead.
  const SettingsLock inner(target, 0);
  EXPECT_TRUE(inner.ok()) << inner.error();
  Profile p(link);
  p.setLockWaitMs(0);
  EXPECT_TRUE(p.writeText("LoadDlg", "Name", "a.bin")) << p.lastError();

  EXPECT_TRUE(SettingsLock("", 0).ok());  // no file, no lock
  // A folder where no lock file can be made locks nothing (its writes fail on their own).
  EXPECT_TRUE(SettingsLock(dir.file("missing/TovanHistory_1.ini"), 0).ok());
}

TEST(SettingsLock, ALockHeldByAnotherProcessFailsNamingTheFileAndTheHolder) {
  TempDir dir;
  const std::string path = dir.writeText("TovanHistory_1.ini", "[LoadDlg]\nName=mine.bin\n");
  Child holder([&](int fromParent, int toParent) {
    const SettingsLock lock(path);
    if (!lock.ok()) return 1;
    Signal(toParent);
    Await(fromParent);  // held until the parent has looked
    return 0;
  });
  holder.go();
  ASSERT_TRUE(holder.heard());
  const std::string pid = std::to_string(holder.pid());

  const SettingsLock lock(path, 0);
  ASSERT_FALSE(lock.ok());
  EXPECT_EQ(lock.error(), "The settings file " + path + " is in use by process " + pid + ": its lock " + path +
                              ".lock was not free within 0 seconds");
  Profile p(path);
  p.setLockWaitMs(0);
  EXPECT_FALSE(p.writeText("LoadDlg", "Name", "other.bin"));
  EXPECT_EQ(p.lastError(), "Unable to write to " + path + ": in use by process " + pid + ": its lock " + path +
                               ".lock was not free within 0 seconds");
  EXPECT_EQ(test::ReadFileText(path), "[LoadDlg]\nName=mine.bin\n");

  holder.send();
  EXPECT_EQ(holder.wait(), 0);
  // The holder has gone: the lock is free again (also after a holder that was killed).
  EXPECT_TRUE(SettingsLock(path, 0).ok());
  EXPECT_TRUE(p.writeText("LoadDlg", "Name", "other.bin")) << p.lastError();
}

TEST(SettingsLock, TwoProcessesWritingOneFileAtOnceBothKeepEveryKey) {
  TempDir dir;
  const std::string path = dir.writeText("TovanHistory_1.ini", "[Option]\nLang=English\n");
  constexpr int kKeys = 60;
  auto writer = [&](char who) {
    return [&path, who](int, int) {
      Profile p(path);
      for (int i = 0; i < kKeys; ++i) {
        // Each write reads the file, sets its key and replaces the file: without the lock
        // the other writer's key of the same moment would be lost.
        if (!p.writeText(std::string("Run") + who, "Key" + std::to_string(i), std::to_string(i * 7))) return 1;
      }
      return 0;
    };
  };
  Child a(writer('A')), b(writer('B'));
  a.go();
  b.go();
  EXPECT_EQ(a.wait(), 0);
  EXPECT_EQ(b.wait(), 0);

  const Profile p(path);
  int lost = 0;
  for (const char* section : {"RunA", "RunB"})
    for (int i = 0; i < kKeys; ++i)
      if (p.readText(section, "Key" + std::to_string(i), "") != std::to_string(i * 7)) ++lost;
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(p.readText("Option", "Lang", ""), "English");
}

}  // namespace
}  // namespace zarvo
