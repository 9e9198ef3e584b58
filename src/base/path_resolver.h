#pragma once
// Batch scripts name files the DOS way, D:\FIRMWARE\BOOT.HEX, and the parser upper-cases
// them. This turns such a name into a path on this machine: Z: is the filesystem root (as
// Wine maps it), other drive letters come from section [Drives] of the settings file
// (D=/home/me/firmware), backslashes become slashes, and each component is matched without
// regard to case so a script written on Windows runs unchanged. A name without a drive
// letter is already a path here and is used as it is.

#include <string>
#include <string_view>

#include "base/profile.h"

namespace zarvo {

class PathResolver {
 public:
  // The settings file holds the [Drives] section; it is read at every resolve.
  explicit PathResolver(const Profile& profile) : profile_(profile) {}

  // Whether text starts with a drive letter and ":".
  static bool HasDrive(std::string_view text);

  // The path on this machine. A component that matches nothing is kept as written (the
  // caller then finds no file). Fails, with error holding the reason, when the drive is
  // not mapped or a component matches more than one entry without regard to case.
  bool resolve(std::string_view name, std::string& path, std::string& error) const;

 private:
  const Profile& profile_;
};

}  // namespace zarvo
