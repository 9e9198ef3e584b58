#pragma once
// A reference model of the image rules, written from the description of the system and kept
// apart from src/image: random firmware files (binary, Intel HEX, S19/S28/S37, Tektronix,
// with gaps and high addresses), random load and unit settings, and what each road must
// make of them: the IC image, the bytes every pass sends to a unit, or a failure.
//
// Seeded and deterministic: the same seed draws the same case on every machine (no
// standard-library distributions, whose results differ between libraries).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::model {

enum class Kind { Binary, Intel, S19, S28, S37, Tektronix };

struct Segment {
  uint32_t address = 0;
  std::vector<uint8_t> bytes;
};

struct Firmware {
  Kind kind = Kind::Binary;
  std::vector<Segment> segments;  // a binary: one segment at 0, the file's bytes
  std::string text;               // the file as written
  bool hex() const { return kind != Kind::Binary; }
  bool motorola() const { return kind == Kind::S19 || kind == Kind::S28 || kind == Kind::S37; }
  uint32_t length() const { return static_cast<uint32_t>(text.size()); }
  const char* extension() const;   // "BIN", "HEX", "S19", "S28", "S37", "TEK"
  const char* formatSwitch() const;  // the batch switch of its format
  const char* formatName() const;    // the image command's --format value
  int formatCode() const;            // the load dialog's format item
};

struct Case {
  uint64_t seed = 0;
  Firmware firmware;
  int ic = -1;        // IC table row 0 (2K) .. 9 (1024K); -1: chosen from the file's length
  int lane = 0;       // data-set table row 0 (every byte) .. 6 (32-bit 4th)
  bool fill = true;   // "Fill unused with" (batch lines always fill)
  uint8_t fillByte = 0xFF;
  bool formatGiven = true;   // the format is named; otherwise Auto Detect finds it
  uint32_t windowStart = 0;  // a window-mode panel's start address (binaries only)
  uint32_t chunk = 0;        // a batch /Nn (0: none)
  int64_t start = -1;        // a batch /S value (-1: none)
  uint32_t imageStart = 0;   // the image command's --source-start (binaries only)
  bool verify = false;
  bool reset = false;
  bool okKey = true;          // [LoadDlg] OK=1 in the settings (else the key is missing)
  uint16_t unit = 0x0040;     // configuration code of the unit written
  std::string describe() const;
};

Case DrawCase(uint64_t seed);

inline constexpr uint32_t IcRowSize(int row) { return 2048u << row; }
// The smallest IC row holding n bytes; nothing above 1 MiB.
std::optional<int> SmallestIcRow(uint64_t n);

enum class Outcome {
  Pass,    // the road ends in a pass and the unit (or output file) holds the model's bytes
  Fail,    // the road fails, and no unit is touched
  NoData,  // not one byte of the file within the IC window: the road must fail
};

struct Expectation {
  Outcome outcome = Outcome::Fail;
  std::string why;           // for a failure, the rule that makes it
  uint32_t icSize = 0;
  std::vector<int> ic;       // the IC image: a byte, or -1 where the image keeps what it held
  // The bytes each download pass sends (unit address a holds sent[a % sent.size()]).
  std::vector<int> sent;
  bool whole() const;        // every IC byte known (a CRC of it can be checked)
};

// What the window-mode run (panel of the case's unit), a batch line and the image command
// must give for the case.
Expectation ExpectWindow(const Case& c);
Expectation ExpectBatch(const Case& c);
Expectation ExpectImage(const Case& c);

// The batch line the case runs as (file D:\FW.<ext>, the unit as Device 2).
std::string BatchLine(const Case& c);
// The short switch of an IC row ("/16" .. "/080").
const char* IcSwitch(int row);
// The data-set combo text and switch of a lane row.
const char* LaneComboText(int row);
const char* LaneSwitch(int row);

// CRC-32 (IEEE, bit by bit) of the known bytes of an IC image.
uint32_t Crc32(const std::vector<int>& bytes);

}  // namespace zarvo::model
