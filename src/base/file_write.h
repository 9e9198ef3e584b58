#pragma once
// Every file the programs write for the user (settings, registry pointer, scripts, logs,
// reports) goes through WriteWholeFile, so a full disk, a kill or a crash part way never
// leaves half a file and the file stays as the user made it: a symbolic link keeps pointing
// at the file it names, the mode and owner stay, a read-only file is refused.

#include <string>
#include <string_view>

namespace zarvo {

struct FileWriteResult {
  int error = 0;          // 0: written; else the errno of the step that failed
  bool readOnly = false;  // refused before anything was written: the file's mode forbids it
  bool inPlace = false;   // written where it stands instead of replaced (see WriteWholeFile)
  std::string target;     // the file written: a symbolic link's final target

  bool ok() const { return error == 0; }
  // "the file is read-only", else the system's text for error.
  std::string reason() const;
};

// Gives path exactly the bytes of content. The bytes go to a temporary file beside the
// target (named target + ".tmp" + process id), which takes the target's mode and owner and
// is then renamed over it. The file is written in place instead (its space reserved first,
// so a full disk refuses before a byte changes) when the folder refuses a new file, when the
// owner cannot be kept, when the file has other hard links, or when it is no regular file
// (a device). A new file gets 0666 less the umask. Temporary files that dead processes left
// beside the target are removed first.
FileWriteResult WriteWholeFile(const std::string& path, std::string_view content);

// The file a path finally names: symbolic links followed one by one (a relative link from
// its own folder); the path itself when it is no link or a link cannot be read.
std::string FinalTarget(const std::string& path);

// Removes the temporary files being written at this moment. Safe inside a signal handler.
void RemoveTemporaryFiles();

// SIGINT, SIGTERM and SIGHUP (each unless ignored, as under nohup) remove the temporary
// files being written and then end the process as the signal would.
void RemoveTemporaryFilesOnSignals();

// Tests only: called with the temporary file's path after it was written in full and before
// the rename, so a test can end the process right there.
extern void (*gBeforeRenameForTesting)(const char* temporaryPath);

}  // namespace zarvo
