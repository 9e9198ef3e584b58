#include "base/settings_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "base/file_write.h"

namespace zarvo {
namespace {

// The lock files this process holds, with how often each is taken. POSIX record locks
// belong to the process and vanish when any descriptor of the file is closed, so each lock
// file is opened once and closed only when its last holder lets go.
struct Held {
  int fd = -1;
  int count = 0;
};
std::mutex gMutex;
std::map<std::string, Held> gHeld;

struct flock WholeFile(short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  return fl;
}

// The process that holds the lock, 0 when none does (any longer) or it cannot be told.
pid_t Holder(int fd) {
  struct flock fl = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_GETLK, &fl) != 0 || fl.l_type == F_UNLCK) return 0;
  return fl.l_pid;
}

enum class Try { Locked, Busy, NoLocks };

Try TryLock(int fd) {
  struct flock fl = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_SETLK, &fl) == 0) return Try::Locked;
  if (errno == EAGAIN || errno == EACCES || errno == EINTR) return Try::Busy;
  return Try::NoLocks;  // ENOLCK, EINVAL: a file system that keeps no locks
}

}  // namespace

std::string SettingsLock::LockPathFor(const std::string& settingsPath) { return FinalTarget(settingsPath) + ".lock"; }

SettingsLock::SettingsLock(const std::string& settingsPath, unsigned waitMs) {
  if (settingsPath.empty()) return;
  lockPath_ = LockPathFor(settingsPath);
  // Held across the wait: threads of one process take their turns, and a thread that finds
  // the lock already held by its process shares it.
  std::lock_guard guard(gMutex);
  if (auto it = gHeld.find(lockPath_); it != gHeld.end()) {
    ++it->second.count;
    locked_ = true;
    return;
  }
  const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  // A folder where no lock file can be made (read-only, or gone): nobody can lock there.
  if (fd < 0) return;
  using Steady = std::chrono::steady_clock;
  const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(waitMs);
  std::chrono::milliseconds pause(1);
  for (;;) {
    const Try t = TryLock(fd);
    if (t == Try::Locked) {
      gHeld[lockPath_] = Held{fd, 1};
      locked_ = true;
      return;
    }
    if (t == Try::NoLocks) {
      ::close(fd);
      return;
    }
    if (Steady::now() >= deadline) break;
    // A load holds the lock for milliseconds: short pauses, so a waiting run barely slows.
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(2)) pause *= 2;
  }
  const pid_t holder = Holder(fd);
  ::close(fd);
  reason_ = "in use by " + (holder > 0 ? "process " + std::to_string(holder) : std::string("another process")) +
            ": its lock " + lockPath_ + " was not free within " + std::to_string((waitMs + 999) / 1000) + " seconds";
  error_ = "The settings file " + settingsPath + " is " + reason_;
}

SettingsLock::~SettingsLock() {
  if (!locked_) return;
  std::lock_guard guard(gMutex);
  auto it = gHeld.find(lockPath_);
  if (it == gHeld.end() || --it->second.count > 0) return;
  struct flock fl = WholeFile(F_UNLCK);
  ::fcntl(it->second.fd, F_SETLK, &fl);
  ::close(it->second.fd);
  gHeld.erase(it);
}

}  // namespace zarvo
