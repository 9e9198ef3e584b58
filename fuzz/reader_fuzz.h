#pragma once
// The body shared by the three reader fuzzers: both passes over arbitrary bytes, as the
// load pipeline runs them, plus a store pass with an image too small for the file. Nothing
// may be read or written outside the text or the image, and a file that both passes accept
// must give the same highest address in each.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/readers.h"
#include "quiet_ui.h"

namespace zarvo::fuzz {

using test::QuietUi;

inline void Check(bool ok) {
  if (!ok) std::abort();
}

using Reader = HexResult (*)(std::span<const uint8_t>, const HexOptions&, Ui&);

inline int RunReader(Reader read, const uint8_t* data, size_t size) {
  // An exact copy, so a read one byte past the text is caught by the address sanitizer.
  const std::vector<uint8_t> text(data, data + size);
  QuietUi ui;
  constexpr uint32_t kStart = 4096;
  constexpr uint32_t kLargestStore = 128u << 10;
  const bool fillFlag = size % 2 == 1;
  const uint8_t fill = 0xA5;

  // Addresses are kept below 128 KiB so no input only measures the allocator: every fresh
  // page of a larger image costs more than the whole parse. Linear records 0 and 1 and
  // segments up to 0x1FFF still fit; a higher base is the refusal path.
  const uint32_t limit = kLargestStore - 1;
  const HexResult small = read(text, {kStart, Pass::Store, fill, fillFlag, limit}, ui);
  if (small.ok) Check(small.image.size() >= kStart + 1024u && small.last < small.image.size());

  const HexResult measured = read(text, {kStart, Pass::Measure, fill, fillFlag, limit}, ui);
  if (!measured.ok) return 0;
  Check(measured.last <= limit);
  const uint32_t k = std::max(kStart, measured.last + 1);
  const HexResult stored = read(text, {k, Pass::Store, fill, fillFlag, limit}, ui);
  if (stored.ok) {
    Check(stored.last == measured.last);
    Check(stored.image.size() >= uint64_t{k} + 1024);
  }
  return 0;
}

}  // namespace zarvo::fuzz
