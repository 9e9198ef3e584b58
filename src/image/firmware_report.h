#pragma once
// What the last load found in its file, kept with the image it made: the format it was read
// as, the HEX reader's findings, and for a byte format what the bytes look like. Every
// warning about a file (the firmware check) is made from this report, never from the texts
// of the messages the load showed.

#include <cstdint>
#include <string>

#include "image/readers.h"

namespace zarvo {

struct FirmwareReport {
  // The file was read through: its format accepted and, for HEX, the reader done. Placing
  // it may still fail (an IC window that holds none of its data).
  bool read = false;
  uint32_t format = 0;    // the format it was read as: 4, 5, 6, or a byte format's code
  uint32_t detected = 3;  // the silent detection's code: 4, 5, 6, or 3
  uint64_t length = 0;    // the file's length in bytes
  ReadFindings findings;  // HEX formats: what the reader found
  // Image offset = file data address + shift (the destination, less a start switch or a
  // chunk's offset that selects decoded bytes from there on).
  int64_t shift = 0;
  // Byte formats: one past the last image offset the file's bytes took.
  uint64_t placedEnd = 0;
  // Byte formats: the text is made of Intel (4) or Motorola (5) records all the same; 0 when not.
  uint32_t looksLike = 0;
  // Byte formats: what the first bytes say the file is ("an ELF object file ..."); empty when
  // nothing is known.
  std::string kind;

  bool isHex() const { return format == 4 || format == 5 || format == 6; }
};

}  // namespace zarvo
