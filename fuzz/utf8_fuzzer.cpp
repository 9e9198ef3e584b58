// Arbitrary bytes (file names, settings values, script lines) through the screen's UTF-16
// and back: the same bytes must come back, and only bytes that are no UTF-8 may travel as
// escapes.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = zarvo::BytesToUtf16(bytes);
  if (zarvo::Utf16ToBytes(text) != bytes) std::abort();
  // An escape is a low surrogate that does not end a pair.
  bool escaped = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool pairEnd = i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
    escaped = escaped || (text[i] >= 0xDC80 && text[i] <= 0xDCFF && !pairEnd);
  }
  if (escaped == zarvo::IsValidUtf8(bytes)) std::abort();
  return 0;
}
