#pragma once
// What a firmware file would do to a download, found without a unit: a HEX file's checksum
// errors and missing end record, the addresses its data takes, and a "binary" that is in
// truth an object file or an archive. zarvo-r5-cli check and --strict use it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarvo::cli {

struct FileFindings {
  std::vector<std::string> notes;  // one sentence each, without a trailing full stop
  bool warnings = false;           // checksum errors or no end record: the load's own warnings
};

// Examines the file a line or the image command loads. format: 0 auto (detected), 3 binary,
// 4 Intel, 5 Motorola, 6 Tektronix (other codes count as binary). icSize 0 when unknown;
// icName is the switch as the user wrote it ("/27256"), for the messages. chunk 0 for none.
FileFindings CheckFirmwareFile(const std::string& path, int format, uint32_t icSize, const std::string& icName,
                               int64_t chunk = 0);
// The same for a file already read: `bytes` is its whole text.
FileFindings CheckFirmwareText(std::span<const uint8_t> bytes, int format, uint32_t icSize,
                               const std::string& icName, int64_t chunk = 0);

}  // namespace zarvo::cli
