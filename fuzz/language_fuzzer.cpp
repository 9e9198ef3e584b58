// Feeds arbitrary bytes to the language-table reader as a whole file (a hand-edited
// English.ini is outside input): every key must come back, a key the file lacks with its
// English text, and nothing may fault whatever the file holds.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/language.h"
#include "scratch_dir.h"

namespace {

const std::string& LangRoot() {
  static const std::string root = [] {
    std::filesystem::create_directories(ScratchDir() / "Lang");
    return ScratchDir().string();
  }();
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = LangRoot();
  const std::string file = dir + "/Lang/English.ini";
  if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  const std::string found = zarvo::FindLanguageFile(dir, "English", {});
  if (found != file) std::abort();
  const auto texts = zarvo::ReadLanguageFile(found);
  if (texts.size() != zarvo::LanguageTable().size()) std::abort();
  for (const auto& t : texts) {
    if (t.key == nullptr || t.key->targets.empty()) std::abort();
  }
  // A name taken from the settings file must never leave the Lang folder.
  const std::string name(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  const std::string other = zarvo::FindLanguageFile(dir, name, {});
  if (!other.empty() && other.rfind(dir + "/Lang/", 0) != 0) std::abort();
  return 0;
}
