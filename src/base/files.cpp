#include "base/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace zarvo {

std::string JoinPath(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadWholeText(const std::string& path, std::string& text, std::string* why) {
  auto fail = [why](const std::string& reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return fail(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return fail(std::strerror(EISDIR));
  if (!S_ISREG(st.st_mode)) return fail("not a regular file");
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail(std::strerror(errno));
  // Swapped for something else between the look and the open.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail("not a regular file");
  }
  std::string got;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      return fail(std::strerror(err));
    }
    if (n == 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  text = std::move(got);
  return true;
}

}  // namespace zarvo
