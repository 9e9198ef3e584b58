#pragma once
// The settings file: one key of an INI file read or written at a time. Sections and keys
// match without regard to letter case. Nothing is cached: every read opens the file, every
// write reaches the disk at once through WriteWholeFile (whole or not at all; a link, the
// mode and the owner kept; a read-only file refused), under the file's SettingsLock, so two
// programs writing one file at once both keep their keys. Other lines (comments, unknown
// sections, order, line ends, a UTF-8 byte-order mark) are kept as they are.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/settings_lock.h"

namespace zarvo {

class Profile {
 public:
  static constexpr size_t kMaxValue = 2047;  // longer values arrive cut to this length

  explicit Profile(std::string path = {}) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }
  void setPath(std::string path) { path_ = std::move(path); }

  // The value, or def when the file, the section or the key is missing.
  std::string readText(const std::string& section, const std::string& key, const std::string& def) const;
  // Several keys of one section from one reading of the file, each as readText gives it.
  struct KeyDefault {
    std::string key, def;
  };
  std::vector<std::string> readTexts(const std::string& section, std::span<const KeyDefault> keys) const;
  // Decimal, or hexadecimal after "0x"; missing or malformed gives def.
  int64_t readInt(const std::string& section, const std::string& key, int64_t def) const;

  // Each returns false when the file cannot be written, or when the key or value would not
  // fit on one line (a line break, "=" in a key, "]" in a section); lastError() then names the file.
  bool writeText(const std::string& section, const std::string& key, const std::string& value);
  bool writeInt(const std::string& section, const std::string& key, int64_t value);

  // Several keys in one rewrite of the file: all of them reach the disk, or none.
  struct Entry {
    std::string section, key, value;
  };
  bool writeTexts(std::span<const Entry> entries);

  const std::string& lastError() const { return lastError_; }

  // How long a write waits for another program's lock on the file before it fails.
  unsigned lockWaitMs() const { return lockWaitMs_; }
  void setLockWaitMs(unsigned ms) { lockWaitMs_ = ms; }

  // Parses an integer as the settings file stores it: decimal or "0x" hexadecimal.
  static bool parseInt(const std::string& text, int64_t& out);

 private:
  std::string path_;
  std::string lastError_;
  unsigned lockWaitMs_ = SettingsLock::kDefaultWaitMs;
};

}  // namespace zarvo
