#pragma once
// Small file-system helpers every subsystem uses.

#include <string>

namespace zarvo {

// dir/name with one "/" between; an empty dir gives name.
std::string JoinPath(const std::string& dir, const std::string& name);

// Whether path names a regular file (after symbolic links); false for an empty path.
bool IsRegularFile(const std::string& path);

// The whole of a regular file, read through interruptions by signals. False, with the
// reason in why, when it is no regular file or cannot be read to its end: nothing of a file
// that fails part way is handed out. A named pipe is refused before it is opened (opening
// it would wait for a writer).
bool ReadWholeText(const std::string& path, std::string& text, std::string* why = nullptr);

}  // namespace zarvo
