#include "base/profile.h"

#include "base/file_write.h"
#include "base/settings_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace zarvo {
namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool equalNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct Lines {
  std::vector<std::string> lines;  // without line ends
  bool crlf = false;
  bool finalNewline = true;
  bool byteOrderMark = false;  // a UTF-8 mark before the first line, kept on save
};

// The whole file as text; false (errno set) when it cannot be opened or read.
bool readAll(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  char buf[16384];
  bool ok = true;
  int err = 0;
  for (;;) {
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ok = false;
      err = errno;
    }
    if (got <= 0) break;
    text.append(buf, static_cast<size_t>(got));
  }
  ::close(fd);
  errno = err;
  return ok;
}

bool readLines(const std::string& path, Lines& out) {
  std::string text;
  if (!readAll(path, text)) return false;
  size_t pos = 0;
  if (text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
    out.byteOrderMark = true;
    pos = kByteOrderMark.size();
  }
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      out.crlf = true;
    }
    out.lines.push_back(std::move(line));
    if (nl == std::string::npos) {
      out.finalNewline = false;
      break;
    }
    pos = nl + 1;
  }
  return true;
}

// "[name]" with optional blanks; returns whether the line is a section header.
bool sectionName(const std::string& line, std::string& name) {
  std::string t = trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = trim(t.substr(1, close - 1));
  return true;
}

// "key=value"; comment lines (";" or "#") are not keys.
bool keyValue(const std::string& line, std::string& key, std::string& value) {
  std::string t = trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = trim(line.substr(0, eq));
  value = trim(line.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return true;
}

// Sets one key in the lines: replaced in place (keeping the spelling the file has), added
// after the last non-blank line of its section, or added with a new section at the end.
void setKey(Lines& f, const Profile::Entry& e) {
  bool inSection = false, sectionSeen = false;
  size_t insertAt = 0;
  for (size_t i = 0; i < f.lines.size(); ++i) {
    std::string name, k, v;
    if (sectionName(f.lines[i], name)) {
      if (inSection) break;
      inSection = equalNoCase(name, e.section);
      if (inSection) {
        sectionSeen = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (!inSection) continue;
    if (keyValue(f.lines[i], k, v) && equalNoCase(k, e.key)) {
      f.lines[i] = k + "=" + e.value;
      return;
    }
    if (!trim(f.lines[i]).empty()) insertAt = i + 1;
  }
  const std::string entry = e.key + "=" + e.value;
  if (sectionSeen) {
    f.lines.insert(f.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
  } else {
    f.lines.push_back("[" + e.section + "]");
    f.lines.push_back(entry);
  }
  f.finalNewline = true;
}

}  // namespace

bool Profile::parseInt(const std::string& raw, int64_t& out) {
  std::string t = trim(raw);
  if (t.empty()) return false;
  bool neg = false;
  size_t i = 0;
  if (t[0] == '-' || t[0] == '+') {
    neg = t[0] == '-';
    i = 1;
  }
  int base = 10;
  if (t.size() > i + 1 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) return false;
  uint64_t v = 0;
  for (; i < t.size(); ++i) {
    int d;
    char c = t[i];
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  out = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The key lines of every section of that name, in file order: the first that sets a key
// gives its value.
Pairs SectionPairs(const Lines& f, const std::string& section) {
  Pairs out;
  bool inSection = false;
  std::string name, k, v;
  for (const std::string& line : f.lines) {
    if (sectionName(line, name)) {
      inSection = equalNoCase(name, section);
      continue;
    }
    if (inSection && keyValue(line, k, v)) {
      if (v.size() > Profile::kMaxValue) v.resize(Profile::kMaxValue);
      out.emplace_back(k, v);
    }
  }
  return out;
}

std::optional<std::string> Lookup(const Pairs& pairs, const std::string& key) {
  for (const auto& [k, v] : pairs) {
    if (equalNoCase(k, key)) return v;
  }
  return std::nullopt;
}

}  // namespace

std::string Profile::readText(const std::string& section, const std::string& key, const std::string& def) const {
  Lines f;
  if (path_.empty() || !readLines(path_, f)) return def;
  return Lookup(SectionPairs(f, section), key).value_or(def);
}

std::vector<std::string> Profile::readTexts(const std::string& section, std::span<const KeyDefault> keys) const {
  Lines f;
  const bool read = !path_.empty() && readLines(path_, f);
  std::vector<std::string> out;
  out.reserve(keys.size());
  const Pairs pairs = read ? SectionPairs(f, section) : Pairs{};
  for (const KeyDefault& k : keys) out.push_back(Lookup(pairs, k.key).value_or(k.def));
  return out;
}

int64_t Profile::readInt(const std::string& section, const std::string& key, int64_t def) const {
  const std::string missing = "\x01";
  std::string text = readText(section, key, missing);
  int64_t v;
  if (text == missing || !parseInt(text, v)) return def;
  return v;
}

bool Profile::writeInt(const std::string& section, const std::string& key, int64_t value) {
  return writeText(section, key, std::to_string(value));
}

bool Profile::writeText(const std::string& section, const std::string& key, const std::string& value) {
  const Entry one[] = {{section, key, value}};
  return writeTexts(one);
}

bool Profile::writeTexts(std::span<const Entry> entries) {
  lastError_.clear();
  if (path_.empty()) {
    lastError_ = "Unable to write to settings file: no path";
    return false;
  }
  for (const Entry& e : entries) {
    // A line break inside a name or value would end the line early and plant other keys.
    if (e.value.find_first_of("\r\n") != std::string::npos || e.key.find_first_of("\r\n=") != std::string::npos ||
        e.key.empty() || e.section.find_first_of("\r\n]") != std::string::npos) {
      lastError_ = "Unable to write to " + path_ + ": the key or value does not fit on one line";
      return false;
    }
  }
  // The one read-modify-write of the file: another program's write waits for it, and it
  // for theirs, so neither rewrites the file from a reading that misses the other's keys.
  const SettingsLock lock(path_, lockWaitMs_);
  if (!lock.ok()) {
    lastError_ = "Unable to write to " + path_ + ": " + lock.reason();
    return false;
  }
  Lines f;
  if (!readLines(path_, f) && errno != ENOENT) {
    // Rewritten from nothing, every other key of the file would be lost.
    lastError_ = "Unable to write to " + path_ + ": cannot read it first: " + std::strerror(errno);
    return false;
  }
  for (const Entry& e : entries) setKey(f, e);

  const char* eol = f.crlf ? "\r\n" : "\n";
  std::string text;
  if (f.byteOrderMark) text += kByteOrderMark;
  for (size_t i = 0; i < f.lines.size(); ++i) {
    text += f.lines[i];
    if (i + 1 < f.lines.size() || f.finalNewline) text += eol;
  }

  const FileWriteResult written = WriteWholeFile(path_, text);
  if (!written.ok()) lastError_ = "Unable to write to " + path_ + ": " + written.reason();
  return written.ok();
}

}  // namespace zarvo
