#pragma once
// Text as the system keeps it: bytes, mostly UTF-8, sometimes not (a Latin-1 script, a file
// name made on another machine). Screens hold UTF-16, so every byte that is not part of a
// valid UTF-8 sequence travels as one lone surrogate U+DC80..U+DCFF and comes back as the
// same byte: any byte string survives the way to a screen and back unchanged.

#include <string>
#include <string_view>

namespace zarvo {

bool IsValidUtf8(std::string_view bytes);

std::u16string BytesToUtf16(std::string_view bytes);
std::string Utf16ToBytes(std::u16string_view text);

}  // namespace zarvo
