#pragma once
// The firmware check: turns the load's own report on a file (FirmwareReport) into notes for
// the user, one sentence each: `image`'s warnings, `--strict` of `image` and `run`, and the
// findings of `check`. A file examined without a load (ExamineFirmware) is read by the same
// readers, in the same passes, as a load reads it, so the check warns exactly when the load
// itself has something to report.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/firmware_report.h"

namespace zarvo {

// What the image is for: the IC actually used (given or chosen by the file's length).
struct FirmwareTarget {
  uint32_t icSize = 0;     // bytes; 0 when unknown
  std::string icName;      // as the user wrote it ("/27256"), or the chosen switch
  int64_t chunk = 0;       // a batch line's /Nn; 0 for none
  // How the command that loads the file is told a format, for the advice of a warning:
  // false: "--format intel" (image); true: a batch line, which loads the detected format.
  bool batch = false;
};

struct FirmwareNotes {
  std::vector<std::string> notes;  // one sentence each, without a trailing full stop
  bool warnings() const { return !notes.empty(); }
};

FirmwareNotes CheckFirmware(const FirmwareReport& report, const FirmwareTarget& target);

// The report a load of `text` would give, without an image buffer or a settings file:
// format 0 detects as the load does (4, 5, 6 or binary); a HEX format the silent detector
// does not accept is refused (report.read false) as the load's check refuses it; a HEX
// format is read by its reader's two passes. shift as FirmwareReport::shift.
FirmwareReport ExamineFirmware(std::span<const uint8_t> text, uint32_t format, int64_t shift = 0);

// The report of a byte-format load: looksLike and kind for the file's text (the whole file,
// before any source start is applied).
void NoteByteFormat(FirmwareReport& report, std::span<const uint8_t> text);

}  // namespace zarvo
