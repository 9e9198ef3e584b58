#include "batch/pane_files.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace zarvo {

bool ReadScriptFile(const std::string& path, std::vector<std::string>& lines, std::string* why) {
  auto fail = [why](int err) {
    if (why != nullptr) *why = std::strerror(err);
    return false;
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno != 0 ? errno : EINVAL;
    ::close(fd);
    return fail(err);
  }
  // A read error part way is no shorter script: nothing of it is kept.
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      return fail(err);
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  lines.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (nl == std::string::npos) break;
    pos = nl + 1;
  }
  return true;
}

std::string WithExtension(const std::string& path, const std::string& ext) {
  return path.find('.') == std::string::npos ? path + ext : path;
}

std::string OpenFailureText(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: return " No such file or directory";
    case EMFILE:
    case ENFILE: return " Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return " Permission denied";
    case EINVAL: return " Invalid access code";
    default: return " write fail ...";
  }
}

bool WritePaneToFile(const std::vector<std::string>& lines, const std::string& chosenPath, const std::string& ext,
                     Ui& ui) {
  const std::string path = WithExtension(chosenPath, ext);
  // Truncate on open: a shorter text over an older, longer file must not leave the old
  // file's tail behind it.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    ui.appendMessage(path + OpenFailureText(errno));
    ui.setLamp(kLampFail);
    return false;
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  // A full disk or a lost mount must not pass for a saved file.
  size_t done = 0;
  bool ok = true;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    ui.appendMessage(path + " write fail ...");
    ui.setLamp(kLampFail);
  }
  return ok;
}

}  // namespace zarvo
