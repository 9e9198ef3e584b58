#include "app/language.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "base/files.h"
#include "base/profile.h"
#include "base/text.h"

namespace zarvo {
namespace {

using T = LanguageTarget;

// Four device labels that copy panel 1's caption.
std::vector<T> Panels(const std::string& prefix) {
  return {{"D1_" + prefix}, {"D2_" + prefix}, {"D3_" + prefix}, {"D4_" + prefix}};
}

std::vector<LanguageKey> BuildTable() {
  return {
      {"0001", "Window Mode", {{"window_form"}}},
      {"0002", "Batch Mode", {{"bat_form"}}},
      {"0003", "Option-1", {{"Setup1"}}},
      {"0004", "Option-2", {{"Setup2"}}},
      {"0005", "Work Flow", {{"WinProc"}}},
      {"0006", "Download", {{"LedDownload"}}},
      {"0007", "Load", {{"LedLoad"}}},
      {"0008", "Confirmcheck", {{"Confirm_check"}}},
      {"0009", "ResetCheck", {{"Reset_Check"}}},
      {"0010", "Driver", Panels("Driver")},
      {"0011", "Type", Panels("Type")},
      {"0012", "Set", Panels("Set")},
      {"0013", "File Path", Panels("Source")},
      {"0014", "Browse",
       {{"D1_Borwser"}, {"D2_Borwser"}, {"D3_Borwser"}, {"D4_Borwser"}}},
      {"0015", "Sum", {{"D1_Sum"}, {"D2_Sum"}, {"D3_Sum"}, {"D4_Sum"}}},
      {"0016", "Start Addr", Panels("Addr")},
      {"0017", "Reset", {{"Reset_Button"}}},
      {"0018", "Reset Signal", {{"Reset_Option"}}},
      {"0019", "Go", {{"Go"}}},
      {"0020", "Stop", {{"Stop"}}},
      {"0021", "WorkFile [%1]", {{"Bat_WorkFile"}}},
      {"0022", "BAT File Path", {{"Bat_File"}}},
      {"0023", "Work File Browse", {{"Bat_LoadWork"}}},
      {"0024", "BAT File Browse", {{"File_Load"}}},
      {"0025", "Command Mode", {{"Command_bat"}}},
      {"0026", "Message Mode", {{"Message_bat"}}},
      {"0027", "Save As", {{"Com_save"}, {"Save_bat"}}},
      {"0028", "Clear All", {{"com_clear"}, {"clear_bat"}}},
      {"0029", "1. File Path Option", {{"Snedto_1"}}},
      {"0030", "a. After The Paogram Start Option", {{"Sendto_option"}}},
      {"0031", "Default Enable", {{"Sendto_option#0"}}},
      {"0032", "Default Disable", {{"Sendto_option#1"}}},
      {"0033", "b. Setup The File Position", {{"Sendto_path"}}},
      {"0034", "Send to the file name to Window mode Device-1",
       {{"Sendto_path#0"}}},
      {"0035", "Send to the file name to Batch mode workfile [%1]",
       {{"Sendto_path#1"}}},
      {"0036", "Watch File Option", {{"WatchFileOption"}}},
      {"0037", "a. ON / OFF", {{"WatchFile_option"}}},
      {"0038", "ON", {{"WatchFile_option#0"}}},
      {"0039", "OFF", {{"WatchFile_option#1"}}},
      {"0040", "b. File Source", {{"WatchFile_source"}}},
      {"0041", "1. The Window Mode's File is from Device", {{"WatchFile_source#0"}}},
      {"0042", "2. The Batch Mode's File is from work file [%1]", {{"WatchFile_source#1"}}},
      {"0043", "Reset Pulse Setup", {{"TimeSetup"}}},
      {"0044", "1.Reset Signal Option", {{"SetSignal"}}},
      {"0045", "2.Reset Pulse Dealy Time", {{"DelaySetup"}}},
      {"0046", "Setup the Delay Time (ms)", {{"Delay_Path"}}},
      {"0047", " Language Option ", {{"Language_Group"}}},
      {"0048", " Language ", {{"Name_File"}}},
      {"0049", "Message Option", {{"Mess_OP"}}},
      {"0050", "Message Function ON/OFF", {{"Message_Switch"}}},
      {"0051", "File is Changed!!", {{kNoticeTextTarget}}},
  };
}

// dir/name when it exists, else the entry of dir whose name matches without regard to case
// ("chinese.ini" finds Chinese.ini, as settings keys and batch paths match); empty if none.
std::string Entry(const std::string& dir, const std::string& name, bool wantFile) {
  std::error_code ec;
  const std::string exact = JoinPath(dir, name);
  if (wantFile ? std::filesystem::is_regular_file(exact, ec) : std::filesystem::is_directory(exact, ec)) return exact;
  std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (!EqualNoCase(entry, name)) continue;
    const std::string path = JoinPath(dir, entry);
    if (wantFile ? std::filesystem::is_regular_file(path, ec) : std::filesystem::is_directory(path, ec)) return path;
  }
  return {};
}

}  // namespace

const std::vector<LanguageKey>& LanguageTable() {
  static const std::vector<LanguageKey> table = BuildTable();
  return table;
}

std::string FindLanguageFile(const std::string& startDir, const std::string& name,
                             const std::vector<std::string>& fallbackDirs) {
  // A name that climbs out of the folder ("../x") or is empty names no table.
  if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return {};
  const std::string file = name + ".ini";
  if (const std::string lang = Entry(startDir, "Lang", false); !lang.empty()) {
    if (std::string path = Entry(lang, file, true); !path.empty()) return path;
  }
  for (const std::string& dir : fallbackDirs) {
    if (dir.empty()) continue;
    if (std::string path = Entry(dir, file, true); !path.empty()) return path;
  }
  return {};
}

std::vector<LanguageText> ReadLanguageFile(const std::string& path) {
  // All 51 keys from one reading of the file.
  std::vector<Profile::KeyDefault> wanted;
  for (const LanguageKey& k : LanguageTable()) wanted.push_back({k.key, k.english});
  std::vector<std::string> texts = Profile(path).readTexts("Language", wanted);
  std::vector<LanguageText> out;
  out.reserve(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) out.push_back({&LanguageTable()[i], std::move(texts[i])});
  return out;
}

std::string LanguageChoice(const std::string& langSelText) {
  if (langSelText == "English" || langSelText == "Chinese") return langSelText;
  return {};
}

}  // namespace zarvo
