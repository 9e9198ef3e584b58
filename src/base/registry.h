#pragma once
// The two values that remember where the settings file lives, so that a start from another
// directory still finds it: "SYS" (the settings directory) and "Path" (the settings file),
// under the key SOFTWARE\ZARVO_R5\. Registry is the seam; FileRegistry keeps the values in a
// small INI file under the user's configuration directory, and a Windows build can put the
// real registry behind the same two calls.

#include <string>

namespace zarvo {

inline constexpr const char* kRegistryKey = "SOFTWARE\\ZARVO_R5\\";
inline constexpr const char* kRegistrySys = "SYS";
inline constexpr const char* kRegistryPath = "Path";

// The stored form of a written text.
enum class RegistryKind { String = 0, Integer = 1, Boolean = 2, Float = 3, Currency = 4 };

class Registry {
 public:
  virtual ~Registry() = default;

  // The value's string, or "0" when the key or the value is missing. Never creates the key.
  virtual std::string ReadRegistryText(const std::string& keyPath, const std::string& valueName) const = 0;

  // Writes the value, creating the key when absent. kind 0..4 (RegistryKind): 1 stores the
  // text as a decimal integer (0 if not a number), 2 as a boolean (that integer non-zero),
  // 3 as a floating-point number (empty counts as "0"), 4 as currency. Returns false when
  // the store refuses the write or the text cannot be stored in that kind; lastError() says why.
  virtual bool WriteRegistryValue(const std::string& keyPath, const std::string& valueName,
                                  const std::string& text, int kind) = 0;

  virtual const std::string& lastError() const = 0;
};

class FileRegistry : public Registry {
 public:
  // The file is created, with its directory, by the first write.
  explicit FileRegistry(std::string file);

  std::string ReadRegistryText(const std::string& keyPath, const std::string& valueName) const override;
  bool WriteRegistryValue(const std::string& keyPath, const std::string& valueName, const std::string& text,
                          int kind) override;
  const std::string& lastError() const override { return lastError_; }

  const std::string& file() const { return file_; }

  // $XDG_CONFIG_HOME/ZARVO_R5/registry.ini, or ~/.config/ZARVO_R5/registry.ini when that is
  // unset or not absolute (as the XDG rules say); empty when neither variable helps.
  static std::string DefaultFile(const char* xdgConfigHome, const char* home);
  // The same, from this process's environment.
  static std::string DefaultFile();

 private:
  std::string file_;
  std::string lastError_;
};

// The text as the given kind stores it ("42", "1", "2.5", "3.1400"); false when kind is not
// 0..4 or a floating-point or currency text is not a number.
bool RegistryStoredForm(const std::string& text, int kind, std::string& stored);

}  // namespace zarvo
