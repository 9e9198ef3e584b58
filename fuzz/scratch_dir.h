#pragma once
// One scratch folder per fuzzer process, removed when it exits. Memory-backed /dev/shm keeps
// the runs fast where it exists (every settings write syncs to disk).

#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path path = [] {
    char shm[] = "/dev/shm/zarvo_fuzz_XXXXXX";
    char tmp[] = "/tmp/zarvo_fuzz_XXXXXX";
    const char* dir = ::mkdtemp(shm);
    if (dir == nullptr) dir = ::mkdtemp(tmp);
    if (dir == nullptr) std::abort();
    static std::filesystem::path keep = dir;
    std::atexit([] { std::filesystem::remove_all(keep); });
    return keep;
  }();
  return path;
}
