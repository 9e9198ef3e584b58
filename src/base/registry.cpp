#include "base/registry.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/profile.h"

namespace zarvo {
namespace {

// Key paths match as the registry matches them: "SOFTWARE\ZARVO_R5\" and
// "software\zarvo_r5" are one key. Case is left to Profile; the trailing backslash goes here.
std::string SectionOf(const std::string& keyPath) {
  std::string s = keyPath;
  while (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty()) {
    out = 0.0;
    return true;
  }
  errno = 0;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  while (end != nullptr && (*end == ' ' || *end == '\t')) ++end;
  return errno == 0 && end != nullptr && *end == '\0' && end != text.c_str() && std::isfinite(out);
}

}  // namespace

bool RegistryStoredForm(const std::string& text, int kind, std::string& stored) {
  switch (static_cast<RegistryKind>(kind)) {
    case RegistryKind::String:
      stored = text;
      return true;
    case RegistryKind::Integer:
    case RegistryKind::Boolean: {
      int64_t v = 0;
      // Only decimal counts here; anything else stores 0, as the kind promises.
      if (text.find_first_of("xX") != std::string::npos || !Profile::parseInt(text, v)) v = 0;
      stored = kind == static_cast<int>(RegistryKind::Integer) ? std::to_string(v) : (v != 0 ? "1" : "0");
      return true;
    }
    case RegistryKind::Float: {
      double d = 0;
      if (!ParseDouble(text, d)) return false;
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.17g", d);
      stored = buf;
      return true;
    }
    case RegistryKind::Currency: {
      double d = 0;
      if (!ParseDouble(text, d) || std::fabs(d) > 922337203685477.0) return false;
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.4f", d);  // currency keeps four decimals
      stored = buf;
      return true;
    }
  }
  return false;
}

FileRegistry::FileRegistry(std::string file) : file_(std::move(file)) {}

std::string FileRegistry::DefaultFile(const char* xdgConfigHome, const char* home) {
  std::filesystem::path base;
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
    base = xdgConfigHome;
  } else if (home != nullptr && home[0] != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    return {};
  }
  return (base / "ZARVO_R5" / "registry.ini").string();
}

std::string FileRegistry::DefaultFile() { return DefaultFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")); }

std::string FileRegistry::ReadRegistryText(const std::string& keyPath, const std::string& valueName) const {
  // A line break cannot be part of a stored value, so it marks "missing" unambiguously.
  const std::string missing = "\n";
  std::string v = Profile(file_).readText(SectionOf(keyPath), valueName, missing);
  return v == missing ? "0" : v;
}

bool FileRegistry::WriteRegistryValue(const std::string& keyPath, const std::string& valueName,
                                      const std::string& text, int kind) {
  lastError_.clear();
  std::string stored;
  if (!RegistryStoredForm(text, kind, stored)) {
    lastError_ = "Unable to store \"" + text + "\" as registry kind " + std::to_string(kind);
    return false;
  }
  // One line per value: a line break would split the value and plant other keys.
  if (stored.find_first_of("\r\n") != std::string::npos || valueName.find_first_of("\r\n=[]") != std::string::npos ||
      valueName.empty() || SectionOf(keyPath).find_first_of("\r\n]") != std::string::npos) {
    lastError_ = "Unable to write to " + file_ + ": the value does not fit on one line";
    return false;
  }
  // The INI reader trims blanks and strips one pair of quotes; quoting keeps such texts whole.
  if (!stored.empty() && (stored.front() == ' ' || stored.front() == '\t' || stored.back() == ' ' ||
                          stored.back() == '\t' || stored.front() == '"' || stored.front() == '\'')) {
    stored = "\"" + stored + "\"";
  }
  if (file_.empty()) {
    lastError_ = "Unable to write to the registry file: no configuration directory (set HOME or XDG_CONFIG_HOME)";
    return false;
  }
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::path(file_).parent_path();
  if (!dir.empty()) std::filesystem::create_directories(dir, ec);
  if (ec) {
    lastError_ = "Unable to write to " + file_ + ": " + ec.message();
    return false;
  }
  Profile p(file_);
  if (!p.writeText(SectionOf(keyPath), valueName, stored)) {
    lastError_ = p.lastError();
    return false;
  }
  return true;
}

}  // namespace zarvo
