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
std::vector<T> Panels(const std::string& prefix, const std::string& builtIn) {
  return {{"D1_" + prefix, builtIn}, {"D2_" + prefix, builtIn}, {"D3_" + prefix, builtIn}, {"D4_" + prefix, builtIn}};
}

std::vector<LanguageKey> BuildTable() {
  return {
      {"0001", "Window Mode", {{"window_form", "視窗模式  "}}},
      {"0002", "Batch Mode", {{"bat_form", "批次模式  "}}},
      {"0003", "Option-1", {{"Setup1", "參數設定 -1  "}}},
      {"0004", "Option-2", {{"Setup2", "參數設定-2  "}}},
      {"0005", "Work Flow", {{"WinProc", " 工作流程 "}}},
      {"0006", "Download", {{"LedDownload", "下載程序  "}}},
      {"0007", "Load", {{"LedLoad", "檔案載入 "}}},
      {"0008", "Confirmcheck", {{"Confirm_check", "資料比對  "}}},
      {"0009", "ResetCheck", {{"Reset_Check", "重置訊號  "}}},
      {"0010", "Driver", Panels("Driver", "Driver ")},
      {"0011", "Type", Panels("Type", "Type ")},
      {"0012", "Set", Panels("Set", "DataSet ")},
      {"0013", "File Path", Panels("Source", "Source ")},
      {"0014", "Browse",
       {{"D1_Borwser", "瀏覽"}, {"D2_Borwser", "瀏覽"}, {"D3_Borwser", "瀏覽"}, {"D4_Borwser", "瀏覽"}}},
      {"0015", "Sum", {{"D1_Sum", "  Sum  "}, {"D2_Sum", "Sum"}, {"D3_Sum", "Sum "}, {"D4_Sum", "Sum "}}},
      {"0016", "Start Addr", Panels("Addr", "Start Addr ")},
      {"0017", "Reset", {{"Reset_Button", "RESET"}}},
      {"0018", "Reset Signal", {{"Reset_Option", " Reset Signal "}}},
      {"0019", "Go", {{"Go", "執行 "}}},
      {"0020", "Stop", {{"Stop", "停止"}}},
      {"0021", "WorkFile [%1]", {{"Bat_WorkFile", "工作檔案 [ % 1 ]     "}}},
      {"0022", "BAT File Path", {{"Bat_File", "批次檔案   "}}},
      {"0023", "Work File Browse", {{"Bat_LoadWork", "載入工作檔路徑"}}},
      {"0024", "BAT File Browse", {{"File_Load", "載入批次檔路徑 "}}},
      {"0025", "Command Mode", {{"Command_bat", "命令列  "}}},
      {"0026", "Message Mode", {{"Message_bat", "訊息列  "}}},
      {"0027", "Save As", {{"Com_save", "另存新檔"}, {"Save_bat", "&Save Log"}}},
      {"0028", "Clear All", {{"com_clear", "清除命令列"}, {"clear_bat", "&Clear All"}}},
      {"0029", "1. File Path Option", {{"Snedto_1", " 1. 檔案路徑傳送參數 "}}},
      {"0030", "a. After The Paogram Start Option", {{"Sendto_option", "a. 檔案名稱傳送後的啟動設定 "}}},
      {"0031", "Default Enable", {{"Sendto_option#0", "預設執行"}}},
      {"0032", "Default Disable", {{"Sendto_option#1", "預設不執行"}}},
      {"0033", "b. Setup The File Position", {{"Sendto_path", " b. 檔案路徑傳入的預設位置  "}}},
      {"0034", "Send to the file name to Window mode Device-1",
       {{"Sendto_path#0", "當檔案路徑由外部傳入時 , 傳到視窗模式的裝置1的工作檔名中 "}}},
      {"0035", "Send to the file name to Batch mode workfile [%1]",
       {{"Sendto_path#1", "當檔案路徑由外部傳入時 , 傳到批次模式的工作檔名 [ %1 ]  中  "}}},
      {"0036", "Watch File Option", {{"WatchFileOption", " 2. 監視檔案選項 "}}},
      {"0037", "a. ON / OFF", {{"WatchFile_option", " a. 啟動 / 關閉 "}}},
      {"0038", "ON", {{"WatchFile_option#0", "監視檔案功能 -- 開啟"}}},
      {"0039", "OFF", {{"WatchFile_option#1", "監視檔案功能 -- 關閉"}}},
      {"0040", "b. File Source", {{"WatchFile_source", " b. 檔案來源 "}}},
      {"0041", "1. The Window Mode's File is from Device", {{"WatchFile_source#0", "1. 視窗模式的工作檔案來自於裝置 "}}},
      {"0042", "2. The Batch Mode's File is from work file [%1]", {{"WatchFile_source#1", "2. 批次模式的工作檔案 [%1] "}}},
      {"0043", "Reset Pulse Setup", {{"TimeSetup", " Reset Pulse Setup "}}},
      {"0044", "1.Reset Signal Option", {{"SetSignal", " 1.Reset Signal Option "}}},
      {"0045", "2.Reset Pulse Dealy Time", {{"DelaySetup", " 2.Reset Pulse Dealy Time "}}},
      {"0046", "Setup the Delay Time (ms)", {{"Delay_Path", "設定執行Reset Pulse 時的延遲時間 ( 單位為ms )  "}}},
      {"0047", " Language Option ", {{"Language_Group", " Language Option "}}},
      {"0048", " Language ", {{"Name_File", "Language  "}}},
      {"0049", "Message Option", {{"Mess_OP", " Message Option "}}},
      {"0050", "Message Function ON/OFF", {{"Message_Switch", "  訊息開關 ( 打勾為開啟 )"}}},
      {"0051", "File is Changed!!", {{kNoticeTextTarget, ""}}},
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
