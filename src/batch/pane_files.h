#pragma once
// The batch page's files: a script (.bat) read into command-pane lines, and a pane written
// out as a .bat or .log file, one pane line per file line, each ended by CR LF. Lines are
// bytes, written back exactly as they came (8-bit text included).

#include <string>
#include <string_view>
#include <vector>

#include "base/ui.h"

namespace zarvo {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Reads a script file: lines end at LF, a CR before the LF is dropped, and a last line
// without a line end is a line too. A UTF-8 byte-order mark at the start is no part of the
// first line; byteOrderMark says whether there was one. False when the file cannot be read
// whole (missing, no permission, a directory, a named pipe or another kind of file, a read
// error part way); why then says so ("Is a directory"), and lines are left as they were.
bool ReadScriptFile(const std::string& path, std::vector<std::string>& lines, std::string* why = nullptr,
                    bool* byteOrderMark = nullptr);

// The chosen path with ext (".bat", ".log") appended when it holds no "." anywhere.
std::string WithExtension(const std::string& path, const std::string& ext);

// The file's bytes: each line followed by CR LF (no lines: an empty file), after a UTF-8
// byte-order mark when asked.
std::string PaneFileText(const std::vector<std::string>& lines, bool byteOrderMark = false);

// WritePaneToFile: replaces the file at the chosen path (extension rule applied) with the
// lines, whole or not at all (WriteWholeFile). When it cannot be written, the old file stays,
// the path followed by the reason (" No such file or directory", " Permission denied",
// " write fail ...") is appended to the message pane, the lamp set to fail, and false returned.
bool WritePaneToFile(const std::vector<std::string>& lines, const std::string& chosenPath, const std::string& ext,
                     Ui& ui, bool byteOrderMark = false);

// The message-pane text for an open failure's errno (it begins with a blank).
std::string OpenFailureText(int err);

}  // namespace zarvo
