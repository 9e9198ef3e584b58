#pragma once
// The batch page's files: a script (.bat) read into command-pane lines, and a pane written
// out as a .bat or .log file, one pane line per file line, each ended by CR LF.

#include <string>
#include <vector>

#include "base/ui.h"

namespace zarvo {

// Reads a script file: lines end at LF, a CR before the LF is dropped, and a last line
// without a line end is a line too. False when the file cannot be read whole (missing, no
// permission, a directory or another kind of file, a read error part way); why then says
// so ("Is a directory"), and lines are left as they were.
bool ReadScriptFile(const std::string& path, std::vector<std::string>& lines, std::string* why = nullptr);

// The chosen path with ext (".bat", ".log") appended when it holds no "." anywhere.
std::string WithExtension(const std::string& path, const std::string& ext);

// WritePaneToFile: writes the lines to the chosen path (extension rule applied), replacing
// the whole of an existing file. When the file cannot be opened or written, appends the
// path followed by the reason (" No such file or directory", " Permission denied", ...) to
// the message pane, sets the lamp to fail and returns false.
bool WritePaneToFile(const std::vector<std::string>& lines, const std::string& chosenPath, const std::string& ext,
                     Ui& ui);

// The message-pane text for an open failure's errno (it begins with a blank).
std::string OpenFailureText(int err);

}  // namespace zarvo
