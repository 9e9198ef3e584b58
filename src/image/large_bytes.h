#pragma once
// Byte buffers of megabytes: the image, a HEX reader's image, the raw copy of a file. On a
// virtual machine every fresh 4 KiB page costs a trap, and a 3 MB HEX file touched page by
// page costs more than decoding it. Blocks of 1 MiB and more are therefore mapped on their
// own, in 2 MiB pages where the kernel offers them, and faulted in with one call. Smaller
// blocks, and every block under the address sanitizer (which must see each allocation),
// come from operator new.
//
// The allocator leaves new elements uninitialised when the container asks for a default
// value (resize(n)), so a buffer that is read into at once is not zeroed first; resize(n, v)
// still writes v.

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace zarvo {

// Maps `bytes` (rounded up) on their own; null when the mapping fails. Pages are present on
// return when the kernel can fault them in ahead.
void* MapLargeBlock(size_t bytes);
// Unmaps a block MapLargeBlock gave for the same `bytes`.
void UnmapLargeBlock(void* p, size_t bytes);
// True when blocks of `bytes` are mapped rather than taken from operator new.
bool MapsLargeBlock(size_t bytes);

template <typename T>
class LargeAllocator {
 public:
  using value_type = T;
  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}

  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    const size_t bytes = n * sizeof(T);
    if (MapsLargeBlock(bytes)) {
      // No fallback: deallocate must know where a block came from by its size alone.
      if (void* p = MapLargeBlock(bytes)) return static_cast<T*>(p);
      throw std::bad_alloc();
    }
    return static_cast<T*>(::operator new(bytes));
  }
  void deallocate(T* p, size_t n) noexcept {
    const size_t bytes = n * sizeof(T);
    if (MapsLargeBlock(bytes)) UnmapLargeBlock(p, bytes);
    else ::operator delete(p);
  }
  // Default-initialisation: resize(n) leaves bytes as the allocation gave them.
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <typename U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

using LargeBytes = std::vector<uint8_t, LargeAllocator<uint8_t>>;

// A file opened for reading, read with plain read calls straight into the caller's buffer.
class InputFile {
 public:
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool opened() const { return fd_ >= 0; }
  // The length of a regular file; -1 for anything else.
  int64_t length() const;
  // Exactly `count` bytes from where the last read ended; false on an error or a file cut
  // shorter since its length was taken.
  bool read(uint8_t* into, size_t count);

 private:
  int fd_;
};

// The whole regular file into `into`; false when it cannot be opened or read whole.
bool ReadWholeFile(const std::string& path, LargeBytes& into);

}  // namespace zarvo
