#include "child_process.h"

#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace zarvo::test {

int RunInChild(const std::function<int()>& body, pid_t* pidOut) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int code = body();
    std::fflush(nullptr);
    std::_Exit(code);
  }
  if (pidOut != nullptr) *pidOut = pid;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return status;
}

bool DropRoot(const std::string& dir) {
  if (::geteuid() != 0) return true;
  constexpr uid_t kNobody = 65534;
  std::error_code ec;
  if (::chown(dir.c_str(), kNobody, kNobody) != 0) return false;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir, ec)) {
    if (::lchown(e.path().c_str(), kNobody, kNobody) != 0) return false;
  }
  return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

namespace {

bool WriteProcFile(const char* path, const std::string& text) {
  FILE* f = std::fopen(path, "w");
  if (f == nullptr) return false;
  const bool ok = std::fputs(text.c_str(), f) >= 0;
  return std::fclose(f) == 0 && ok;
}

// A mount namespace of the child's own: directly as root, else inside a user namespace in
// which this user is root.
bool OwnMountNamespace() {
  if (::unshare(CLONE_NEWNS) == 0) return true;
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  return ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && WriteProcFile("/proc/self/setgroups", "deny") &&
         WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
         WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

}  // namespace

void SmallDisk(const std::string& dir, size_t bytes) {
  const std::string size = "size=" + std::to_string(bytes);
  const bool ownNamespace = OwnMountNamespace();
  if (ownNamespace && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
      ::mount("tmpfs", dir.c_str(), "tmpfs", 0, size.c_str()) == 0)
    return;
  ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
  const rlimit limit{bytes / 2, bytes / 2};
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace zarvo::test
