#pragma once
// The main window's captions by language: 51 keys ("0001".."0051") in section "Language" of
// a file <name>.ini. Each key names the controls it sets (a page, a group box, a label, a
// button, a radio group's caption or one of its items, or the change notice's text), its
// English text for a file that lacks the key. The window's built-in captions are the ones it
// builds its controls with.

#include <string>
#include <vector>

namespace zarvo {

// A control a language key sets. "Sendto_option#0" is item 0 of the radio group
// Sendto_option; "NoticeText" is the change notice's text.
struct LanguageTarget {
  std::string control;
};

struct LanguageKey {
  std::string key;      // "0001" .. "0051"
  std::string english;  // the text when the file lacks the key
  std::vector<LanguageTarget> targets;
};

inline constexpr const char* kNoticeTextTarget = "NoticeText";

// The 51 keys in key order.
const std::vector<LanguageKey>& LanguageTable();

// One key's text and the controls it goes to (the first control gets the text, the others
// copy it).
struct LanguageText {
  const LanguageKey* key;
  std::string text;
};

// Where the table of a language lives: startDir/Lang/<name>.ini when that file exists, else
// the same name in each fallback folder in turn (the installed data folder, the source
// tree's lang/ for a program run from its build tree). Names match without regard to case
// ("chinese" finds Chinese.ini), an exact match first. Empty when no file exists.
std::string FindLanguageFile(const std::string& startDir, const std::string& name,
                             const std::vector<std::string>& fallbackDirs);

// Reads all 51 keys of a language file in key order, with the English text for a missing key.
std::vector<LanguageText> ReadLanguageFile(const std::string& path);

// Lang_Sel's choice: the language to apply for the text it shows, or empty for none (only
// "English" and "Chinese", exactly as written, choose a language).
std::string LanguageChoice(const std::string& langSelText);

}  // namespace zarvo
