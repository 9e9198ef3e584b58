#pragma once
// A fresh directory for one test, removed with everything in it afterwards.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zarvo::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // Writes bytes or text to a file in the directory and returns its path.
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const;
  std::string writeText(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
// Seeded pseudo-random bytes (the same seed gives the same bytes everywhere).
std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed);

}  // namespace zarvo::test
