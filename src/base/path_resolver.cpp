#include "base/path_resolver.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/files.h"
#include "base/text.h"

namespace zarvo {
namespace {

namespace fs = std::filesystem;

// The entry of dir that is component: the exact name first, else the one entry that
// matches without regard to case; none keeps the component as written.
bool MatchComponent(const std::string& dir, const std::string& component, std::string& out, std::string& error) {
  std::error_code ec;
  const std::string exact = JoinPath(dir, component);
  if (component == "." || component == ".." || fs::symlink_status(exact, ec).type() != fs::file_type::not_found) {
    out = exact;
    return true;
  }
  std::vector<std::string> found;
  for (fs::directory_iterator it(dir.empty() ? "/" : dir, ec), endIt; !ec && it != endIt; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (EqualNoCase(entry, component)) found.push_back(entry);
  }
  if (found.size() > 1) {
    std::sort(found.begin(), found.end());
    error = JoinPath(dir, component) + " matches more than one file:";
    for (const std::string& f : found) error += " " + JoinPath(dir, f);
    return false;
  }
  out = JoinPath(dir, found.empty() ? component : found.front());
  return true;
}

}  // namespace

bool PathResolver::HasDrive(std::string_view text) {
  return text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
}

bool PathResolver::resolve(std::string_view name, std::string& path, std::string& error) const {
  error.clear();
  if (!HasDrive(name)) {
    path = std::string(name);
    return true;
  }
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  std::string root;
  if (letter == 'Z') {
    root = "/";
  } else {
    root = profile_.readText("Drives", std::string(1, letter), "");
    if (root.empty()) {
      error = std::string("drive ") + letter + ": is not mapped; add " + letter +
              "=<directory> to section [Drives] of the settings file " + profile_.path();
      return false;
    }
  }
  // A drive-relative name (D:FILE) starts at the drive's directory as well.
  std::string current = root;
  std::string_view rest = name.substr(2);
  size_t pos = 0;
  while (pos <= rest.size()) {
    size_t sep = rest.find_first_of("\\/", pos);
    if (sep == std::string_view::npos) sep = rest.size();
    const std::string component(rest.substr(pos, sep - pos));
    if (!component.empty() && !MatchComponent(current, component, current, error)) return false;
    pos = sep + 1;
  }
  path = current;
  return true;
}

}  // namespace zarvo
