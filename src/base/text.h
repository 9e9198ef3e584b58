#pragma once
// Small text helpers every subsystem uses: 8-bit text, the C locale's idea of letters and
// white space (settings keys, batch switches and file names are ASCII).

#include <string>
#include <string_view>

namespace zarvo {

// Without the white space (blank, tab, CR, LF, VT, FF) at either end.
std::string Trim(std::string_view text);

std::string Upper(std::string text);
std::string Lower(std::string text);

// Equal when compared letter by letter without regard to case.
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace zarvo
