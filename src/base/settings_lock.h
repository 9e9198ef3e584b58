#pragma once
// Keeps two programs that share one settings file from writing over each other's keys. The
// settings file is replaced at every write (a new file renamed over it), so the lock cannot
// sit on the file itself: it is an exclusive advisory lock on "<file>.lock" beside the file
// a link finally names. Every read-modify-write of the file takes it (Profile), and a load
// holds it from its first [LoadDlg] write to its last read-back, so the keys it reads back
// are the ones it wrote. A process that holds the lock may take it again (a write inside a
// load goes ahead); another process waits for it, at most waitMs.

#include <string>

namespace zarvo {

class SettingsLock {
 public:
  static constexpr unsigned kDefaultWaitMs = 5000;

  explicit SettingsLock(const std::string& settingsPath, unsigned waitMs = kDefaultWaitMs);
  ~SettingsLock();
  SettingsLock(const SettingsLock&) = delete;
  SettingsLock& operator=(const SettingsLock&) = delete;

  // Whether the caller may go on: the lock is held, or the file cannot have one (no path,
  // a folder where no lock file can be made, a file system without locks) and nobody else
  // can hold it either.
  bool ok() const { return error_.empty(); }
  // Why not: names the settings file and the process that holds its lock.
  const std::string& error() const { return error_; }
  // The same without the file's name: "in use by process 1234: its lock ... was not free ...".
  const std::string& reason() const { return reason_; }

  // The lock file of a settings file.
  static std::string LockPathFor(const std::string& settingsPath);

 private:
  std::string lockPath_;
  bool locked_ = false;
  std::string error_;
  std::string reason_;
};

}  // namespace zarvo
