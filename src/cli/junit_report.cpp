#include "cli/junit_report.h"

#include <cstdio>

#include "base/file_write.h"
#include "base/utf8.h"

namespace zarvo::cli {

namespace {

// Bytes that are no UTF-8 become the Latin-1 characters of the same value: the report
// stays well-formed UTF-8 and every byte stays visible.
std::string AsUtf8(const std::string& text) {
  if (IsValidUtf8(text)) return text;
  std::u16string u = BytesToUtf16(text);
  for (char16_t& c : u) {
    if (c >= 0xDC80 && c <= 0xDCFF) c = static_cast<char16_t>(c - 0xDC00);
  }
  return Utf16ToBytes(u);
}

bool Write(const std::string& path, const std::string& xml, std::string* why) {
  const FileWriteResult written = WriteWholeFile(path, xml);
  if (!written.ok() && why != nullptr) *why = written.reason();
  return written.ok();
}

std::string Seconds(double s) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", s);
  return buf;
}

}  // namespace

std::string XmlEscape(const std::string& raw) {
  const std::string text = AsUtf8(raw);
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

bool WriteJUnit(const std::string& path, const std::string& suite, const std::vector<JUnitCase>& cases,
                std::string* why) {
  size_t failures = 0;
  double total = 0;
  for (const JUnitCase& c : cases) {
    failures += c.failed ? 1 : 0;
    total += c.seconds;
  }
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n  <testsuite name=\"" +
                    XmlEscape(suite) + "\" tests=\"" + std::to_string(cases.size()) + "\" failures=\"" +
                    std::to_string(failures) + "\" errors=\"0\" time=\"" + Seconds(total) + "\">\n";
  for (const JUnitCase& c : cases) {
    out += "    <testcase classname=\"" + XmlEscape(suite) + "\" name=\"" + XmlEscape(c.name) + "\" time=\"" +
           Seconds(c.seconds) + "\">\n";
    if (c.failed) out += "      <failure message=\"" + XmlEscape(c.message) + "\"/>\n";
    out += "      <system-out>";
    for (const std::string& l : c.output) out += XmlEscape(l) + "\n";
    out += "</system-out>\n    </testcase>\n";
  }
  out += "  </testsuite>\n</testsuites>\n";
  return Write(path, out, why);
}

bool WriteUnfinishedJUnit(const std::string& path, const std::string& suite, std::string* why) {
  const std::string name = XmlEscape(suite);
  const std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n  <testsuite name=\"" + name +
                          "\" tests=\"1\" failures=\"0\" errors=\"1\" time=\"0.000\">\n    <testcase classname=\"" +
                          name + "\" name=\"run\" time=\"0.000\">\n      <error message=\"the run did not finish\"/>\n"
                          "    </testcase>\n  </testsuite>\n</testsuites>\n";
  return Write(path, out, why);
}

}  // namespace zarvo::cli
