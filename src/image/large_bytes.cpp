#include "image/large_bytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels refuse it and fault page by page
#endif

#if defined(__SANITIZE_ADDRESS__)
#define ZARVO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZARVO_ADDRESS_SANITIZER 1
#endif
#endif

namespace zarvo {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kPage = 4096;
constexpr size_t kSmallest = size_t{1} << 20;

constexpr size_t kLargestSpare = size_t{64} << 20;

size_t RoundUp(size_t bytes, size_t to) { return (bytes + to - 1) & ~(to - 1); }

// The last block given back, kept for the next request of the same mapped size: a load
// reads the file once for the check and once for the load, and the second read then
// finds its pages present.
struct Spare {
  std::mutex lock;
  void* block = nullptr;
  size_t size = 0;
};

Spare& TheSpare() {
  static Spare spare;
  return spare;
}

void* TakeSpare(size_t size) {
  Spare& s = TheSpare();
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.block == nullptr || s.size != size) return nullptr;
  void* block = s.block;
  s.block = nullptr;
  return block;
}

}  // namespace

bool MapsLargeBlock(size_t bytes) {
#ifdef ZARVO_ADDRESS_SANITIZER
  (void)bytes;
  return false;
#else
  return bytes >= kSmallest;
#endif
}

void* MapLargeBlock(size_t bytes) {
  if (bytes > SIZE_MAX / 2) return nullptr;
  const size_t size = RoundUp(bytes, kHugePage);
  if (void* spare = TakeSpare(size)) return spare;
  // One huge page more than needed, so the block can start on a 2 MiB boundary; the
  // ends on either side are given back at once.
  const size_t span = size + kHugePage;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto base = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t start = RoundUp(base, kHugePage);
  const size_t head = start - base, tail = span - head - size;
  if (head > 0) ::munmap(raw, head);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(start + size), tail);
  void* block = reinterpret_cast<void*>(start);
  // Both are hints: without huge pages or the populate call the block still works, only
  // slower to touch the first time.
  ::madvise(block, size, MADV_HUGEPAGE);
  ::madvise(block, RoundUp(bytes, kPage), MADV_POPULATE_WRITE);
  return block;
}

void UnmapLargeBlock(void* p, size_t bytes) {
  size_t size = RoundUp(bytes, kHugePage);
  if (size <= kLargestSpare) {
    Spare& s = TheSpare();
    std::lock_guard<std::mutex> hold(s.lock);
    std::swap(p, s.block);
    std::swap(size, s.size);
  }
  if (p != nullptr) ::munmap(p, size);
}

InputFile::InputFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t InputFile::length() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool InputFile::read(uint8_t* into, size_t count) {
  while (count > 0) {
    const ssize_t got = ::read(fd_, into, count);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    into += got;
    count -= static_cast<size_t>(got);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, LargeBytes& into) {
  InputFile file(path);
  const int64_t length = file.length();
  if (length < 0) return false;
  try {
    into.clear();
    into.resize(static_cast<size_t>(length));  // not zeroed: the read fills it
  } catch (const std::exception&) {
    return false;
  }
  return file.read(into.data(), into.size());
}

}  // namespace zarvo
