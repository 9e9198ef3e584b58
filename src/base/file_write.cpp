#include "base/file_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace zarvo {

void (*gBeforeRenameForTesting)(const char*) = nullptr;

namespace {

// The temporary files in the making, for a signal handler to remove: a slot is marked used
// only once its path is complete.
constexpr int kTempSlots = 4;
char gTempPath[kTempSlots][PATH_MAX];
volatile sig_atomic_t gTempUsed[kTempSlots];

int RegisterTemp(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kTempSlots; ++i) {
    if (gTempUsed[i]) continue;
    std::memcpy(gTempPath[i], path.c_str(), path.size() + 1);
    gTempUsed[i] = 1;
    return i;
  }
  return -1;
}

void ReleaseTemp(int slot) {
  if (slot >= 0) gTempUsed[slot] = 0;
}

std::string DirOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path finally names: symbolic links followed one by one (a relative link from
// its own folder). The final target need not exist: writing creates it.
int FollowLinks(std::string path, std::string& target) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      target = path;
      return 0;
    }
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    if (n < 0) return errno;
    const std::string link(buf, static_cast<size_t>(n));
    path = link.front() == '/' ? link : DirOf(path) + "/" + link;
  }
  return ELOOP;
}

bool AllDigits(const char* s) {
  if (*s == '\0') return false;
  for (; *s != '\0'; ++s) {
    if (*s < '0' || *s > '9') return false;
  }
  return true;
}

// The last target written and its folder's time after that write: a folder unchanged since
// holds no new leftover, so a settings file in a crowded start folder is not searched for
// them again at every key.
struct FolderSeen {
  std::string target;
  struct timespec mtime {};
};
FolderSeen gLastWrite;

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void RememberWrite(const std::string& target) {
  struct stat st {};
  if (::stat(DirOf(target).c_str(), &st) != 0) return;
  gLastWrite.target = target;
  gLastWrite.mtime = st.st_mtim;
}

// Removes "<name>.tmp<pid>" files beside the target whose process has ended (a kill or a
// crash part way through an earlier write).
void RemoveStaleTemps(const std::string& target) {
  const std::string dir = DirOf(target);
  struct stat dst {};
  if (target == gLastWrite.target && ::stat(dir.c_str(), &dst) == 0 && SameTime(dst.st_mtim, gLastWrite.mtime))
    return;
  const std::string prefix = BaseOf(target) + ".tmp";
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  const int dfd = ::dirfd(d);
  while (const dirent* e = ::readdir(d)) {
    if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
    const char* digits = e->d_name + prefix.size();
    if (!AllDigits(digits) || std::strlen(digits) > 9) continue;
    const pid_t pid = static_cast<pid_t>(std::atol(digits));
    if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    if (st.st_uid != ::geteuid() && ::geteuid() != 0) continue;
    ::unlinkat(dfd, e->d_name, 0);
  }
  ::closedir(d);
}

int WriteAll(int fd, std::string_view content, bool positioned) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = positioned ? ::pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done))
                                 : ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    done += static_cast<size_t>(n);
  }
  return 0;
}

// The target itself rewritten: for a regular file the space is reserved before the first
// byte changes, and a longer old content is cut after the new one.
int WriteInPlace(const std::string& target, const struct stat& st, std::string_view content) {
  const bool regular = S_ISREG(st.st_mode);
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (regular ? 0 : O_NONBLOCK));
  if (fd < 0) return errno;
  int err = 0;
  if (regular && static_cast<off_t>(content.size()) > st.st_size) {
    const int r = ::posix_fallocate(fd, 0, static_cast<off_t>(content.size()));
    if (r != 0 && r != EOPNOTSUPP && r != ENOSYS && r != EINVAL) err = r;
  }
  if (err == 0) err = WriteAll(fd, content, regular);
  if (err == 0 && regular && ::ftruncate(fd, static_cast<off_t>(content.size())) != 0) err = errno;
  if (err == 0 && regular && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  return err;
}

void SyncFolder(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

void OnCleanupSignal(int sig) {
  RemoveTemporaryFiles();
  // The handler was reset to the default on entry and the signal is not blocked.
  ::raise(sig);
}

}  // namespace

std::string FinalTarget(const std::string& path) {
  std::string target;
  return FollowLinks(path, target) == 0 ? target : path;
}

std::string FileWriteResult::reason() const {
  if (readOnly) return "the file is read-only";
  return std::strerror(error);
}

void RemoveTemporaryFiles() {
  for (int i = 0; i < kTempSlots; ++i) {
    if (gTempUsed[i]) ::unlink(gTempPath[i]);
  }
}

void RemoveTemporaryFilesOnSignals() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction sa {};
    sa.sa_handler = OnCleanupSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    ::sigaction(sig, &sa, nullptr);
  }
}

FileWriteResult WriteWholeFile(const std::string& path, std::string_view content) {
  FileWriteResult r;
  r.error = FollowLinks(path, r.target);
  if (r.error != 0) return r;
  const std::string& target = r.target;

  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) {
    r.error = errno;
    return r;
  }
  if (exists && S_ISDIR(st.st_mode)) {
    r.error = EISDIR;
    return r;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    r.inPlace = true;
    r.error = WriteInPlace(target, st, content);
    return r;
  }
  if (exists) {
    // The mode counts even for root: a file nobody may write is one the user protected.
    const int accessError = ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
    if (accessError == EROFS) {
      r.error = EROFS;
      return r;
    }
    if (accessError != 0 || (st.st_mode & 0222) == 0) {
      r.readOnly = true;
      r.error = EACCES;
      return r;
    }
    if (st.st_nlink > 1) {
      // A rename would leave the other names with the old text.
      r.inPlace = true;
      r.error = WriteInPlace(target, st, content);
      return r;
    }
  }

  RemoveStaleTemps(target);
  const std::string temp = target + ".tmp" + std::to_string(::getpid());
  const int slot = RegisterTemp(temp);
  auto fail = [&](int err, int fd) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    ReleaseTemp(slot);
    r.error = err;
    return r;
  };
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
  int fd = ::open(temp.c_str(), flags, exists ? 0600 : 0666);
  if (fd < 0 && errno == EEXIST) {
    // Left by an earlier process that had this process id.
    ::unlink(temp.c_str());
    fd = ::open(temp.c_str(), flags, exists ? 0600 : 0666);
  }
  if (fd < 0) {
    const int err = errno;
    ReleaseTemp(slot);
    if (exists && (err == EACCES || err == EPERM)) {
      r.inPlace = true;
      r.error = WriteInPlace(target, st, content);
      return r;
    }
    r.error = err;
    return r;
  }
  if (exists) {
    const bool sameOwner = st.st_uid == ::geteuid() && st.st_gid == ::getegid();
    if ((!sameOwner && ::fchown(fd, st.st_uid, st.st_gid) != 0) || ::fchmod(fd, st.st_mode & 07777) != 0) {
      // Renamed over, the file would change hands: written where it is, it keeps its owner.
      ::close(fd);
      ::unlink(temp.c_str());
      ReleaseTemp(slot);
      r.inPlace = true;
      r.error = WriteInPlace(target, st, content);
      return r;
    }
  }
  if (const int err = WriteAll(fd, content, false); err != 0) return fail(err, fd);
  if (::fsync(fd) != 0) return fail(errno, fd);
  if (::close(fd) != 0) return fail(errno, -1);
  if (gBeforeRenameForTesting != nullptr) gBeforeRenameForTesting(temp.c_str());
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno, -1);
  ReleaseTemp(slot);
  SyncFolder(DirOf(target));
  RememberWrite(target);
  return r;
}

}  // namespace zarvo
