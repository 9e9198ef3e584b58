#include "watch/file_stamp.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <tuple>

namespace zarvo {

namespace {

using DateTime = std::tuple<int, int, int, int, int, int>;

bool Parse(const std::string& text, DateTime& out) {
  int y, mo, d, h = 0, mi = 0, s = 0;
  char tail;
  const int n = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail);
  if (n != 3 && n != 6) return false;
  out = {y, mo, d, h, mi, s};
  return true;
}

}  // namespace

std::string FileStampText(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return "0";
  std::time_t t = st.st_mtime;
  std::tm tm{};
  if (::localtime_r(&t, &tm) == nullptr) return "0";
  tm.tm_sec &= ~1;  // a DOS date-time counts seconds in twos
  char buf[96];
  if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

bool StampsDiffer(const std::string& a, const std::string& b) {
  DateTime x, y;
  if (Parse(a, x) && Parse(b, y)) return x != y;
  return a != b;
}

}  // namespace zarvo
