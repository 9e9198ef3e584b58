#include "batch/pane_files.h"

#include "base/file_write.h"
#include "base/files.h"

namespace zarvo {

bool ReadScriptFile(const std::string& path, std::vector<std::string>& lines, std::string* why,
                    bool* byteOrderMark) {
  // A read error part way is no shorter script: nothing of it is kept.
  std::string text;
  if (!ReadWholeText(path, text, why)) return false;
  lines.clear();
  size_t pos = 0;
  const bool marked = text.compare(0, kUtf8ByteOrderMark.size(), kUtf8ByteOrderMark) == 0;
  if (marked) pos = kUtf8ByteOrderMark.size();
  if (byteOrderMark != nullptr) *byteOrderMark = marked;
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

std::string PaneFileText(const std::vector<std::string>& lines, bool byteOrderMark) {
  std::string text = byteOrderMark ? std::string(kUtf8ByteOrderMark) : std::string();
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

bool WritePaneToFile(const std::vector<std::string>& lines, const std::string& chosenPath, const std::string& ext,
                     Ui& ui, bool byteOrderMark) {
  const std::string path = WithExtension(chosenPath, ext);
  // Whole or not at all: a full disk or a kill part way keeps the old file.
  const FileWriteResult written = WriteWholeFile(path, PaneFileText(lines, byteOrderMark));
  if (!written.ok()) {
    ui.appendMessage(path + OpenFailureText(written.error));
    ui.setLamp(kLampFail);
  }
  return written.ok();
}

}  // namespace zarvo
