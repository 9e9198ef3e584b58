#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>

#include "temp_dir.h"

namespace zarvo {
namespace {

TEST(Utf8, ValidTextIsUnchangedAndEveryOtherByteComesBackAsItWas) {
  struct Case {
    std::string bytes;
    bool valid;
    std::u16string text;
  } cases[] = {
      {"Line[1] : ZQ", true, u"Line[1] : ZQ"},
      {"\xE5\xB7\xA5\xE4\xBD\x9C", true, u"\u5DE5\u4F5C"},
      {"\xF0\x9F\x98\x80", true, u"\U0001F600"},
      {"caf\xE9.bin", false, u"caf\xDCE9.bin"},  // Latin-1
      {"\xC0\xAF", false, u"\xDCC0\xDCAF"},       // an overlong "/"
      {"\xED\xA0\x80", false, u"\xDCED\xDCA0\xDC80"},  // an encoded surrogate
      {"\xF4\x90\x80\x80", false, u"\xDCF4\xDC90\xDC80\xDC80"},  // past U+10FFFF
      {"\xE5\xB7", false, u"\xDCE5\xDCB7"},  // cut short
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
    EXPECT_EQ(BytesToUtf16(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(Utf16ToBytes(c.text), c.bytes) << c.bytes;
  }
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    const std::vector<uint8_t> r = test::RandomBytes(seed % 64, seed);
    const std::string bytes(r.begin(), r.end());
    EXPECT_EQ(Utf16ToBytes(BytesToUtf16(bytes)), bytes) << seed;
  }
  // A lone surrogate typed in (no escape) becomes U+FFFD.
  EXPECT_EQ(Utf16ToBytes(u"a\xD800" "b"), "a\xEF\xBF\xBD" "b");
}

}  // namespace
}  // namespace zarvo
