#include "batch/pane_files.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace zarvo {

bool ReadScriptFile(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return false;
  const std::string text = ss.str();
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
