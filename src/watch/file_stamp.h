#pragma once
// A file's last-write time as the watch compares it: local time at the 2-second resolution
// of a DOS date-time, as text ("2026-12-09 16:49:14"; the date alone at exactly midnight),
// or "0" when no file is there (a folder does not count).

#include <string>

namespace zarvo {

std::string FileStampText(const std::string& path);

// Whether two stamp texts name different times. Texts that are no date-time ("0") are
// compared as they stand.
bool StampsDiffer(const std::string& a, const std::string& b);

}  // namespace zarvo
