#include "cli/junit_report.h"

#include <cstdio>
#include <fstream>

#include <unistd.h>

namespace zarvo::cli {

std::string XmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
          out += '?';
        else
          out += static_cast<char>(c);
    }
  }
  return out;
}

bool WriteJUnit(const std::string& path, const std::string& suite, const std::vector<JUnitCase>& cases) {
  size_t failures = 0;
  double total = 0;
  for (const JUnitCase& c : cases) {
    failures += c.failed ? 1 : 0;
    total += c.seconds;
  }
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", total);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n  <testsuite name=\"" << XmlEscape(suite)
        << "\" tests=\"" << cases.size() << "\" failures=\"" << failures << "\" errors=\"0\" time=\"" << buf
        << "\">\n";
    for (const JUnitCase& c : cases) {
      std::snprintf(buf, sizeof buf, "%.3f", c.seconds);
      out << "    <testcase classname=\"" << XmlEscape(suite) << "\" name=\"" << XmlEscape(c.name) << "\" time=\""
          << buf << "\">\n";
      if (c.failed) out << "      <failure message=\"" << XmlEscape(c.message) << "\"/>\n";
      out << "      <system-out>";
      for (const std::string& l : c.output) out << XmlEscape(l) << "\n";
      out << "</system-out>\n    </testcase>\n";
    }
    out << "  </testsuite>\n</testsuites>\n";
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace zarvo::cli
