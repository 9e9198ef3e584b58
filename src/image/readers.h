#pragma once
// The three HEX readers and their detectors. A reader runs twice over the same file text:
// MeasurePass learns the highest address, StorePass places and checks the bytes. The text
// is the file's bytes; positions at or past its end read as NUL (as the zero tail of the
// raw copy would) and nothing outside it is ever read. The HexImage is never written
// outside its bounds, whatever the file says.
//
// MeasurePass leaves `image` empty: only `last` (and `lowest`) are its result. A
// successful StorePass always has last < image.size(), so the bytes 0 .. last can be copied
// from it as they stand. Cut or garbled records of a known type are "FORMAT ERROR !", and
// data above addressLimit is "Out of buffer !", in both passes.

#include <cstdint>
#include <span>
#include <vector>

#include "base/ui.h"
#include "image/large_bytes.h"

namespace zarvo {

enum class Pass { Measure, Store };

// Addresses [begin, end) that file data took, in the order the records came: a record that
// follows the one before it extends that run.
struct DataRun {
  uint64_t begin = 0, end = 0;
};
void AddDataRun(std::vector<DataRun>& runs, uint64_t begin, uint64_t end);

struct HexResult {
  bool ok = false;
  LargeBytes image;            // the HexImage: at least K + 1024 bytes
  uint32_t lowest = 0;         // Motorola and Tektronix: lowest data address
  uint32_t last = 0;           // highest address written, inclusive (0 when none)
  std::vector<DataRun> data;   // store pass: where the file's data bytes went
};

// The highest address HEX data may take. The largest IC is 1 MiB and a destination at
// most 0xF00000, so nothing above this can reach a unit; a file that asks for more is
// "Out of buffer !" rather than an image of gigabytes. 256 MiB still holds files linked at
// high flash addresses.
inline constexpr uint32_t kHexAddressLimit = 0x0FFFFFFF;

struct HexOptions {
  uint32_t capacity = 0;  // K: the image size at the time of the call
  Pass pass = Pass::Store;
  uint8_t fillByte = 0;   // [LoadDlg] UserFill (the readers' default 0)
  bool fillFlag = false;  // [LoadDlg] UnuserFillCheck (default 0)
  uint32_t addressLimit = kHexAddressLimit;  // data above it: "Out of buffer !"
};

HexResult ReadIntelHex(std::span<const uint8_t> text, const HexOptions& opt, Ui& ui);
HexResult ReadMotorola(std::span<const uint8_t> text, const HexOptions& opt, Ui& ui);
HexResult ReadTektronix(std::span<const uint8_t> text, const HexOptions& opt, Ui& ui);

// Reporting modes: 0 silent, 1 check before reading a chosen format (negative message,
// title "ERROR !"), 2 auto detection inside a load (positive message, title "Auto detect").
bool DetectIntel(std::span<const uint8_t> text, int mode, Ui& ui);
bool DetectMotorola(std::span<const uint8_t> text, int mode, Ui& ui);
bool DetectTektronix(std::span<const uint8_t> text, int mode, Ui& ui);

// The mode-2 message the detectors give, run in order, when the first to accept the text
// is `code`'s; nothing for binary (3).
void AnnounceFormat(uint32_t code, Ui& ui);

// Intel, Motorola, Tektronix in this order, silent: 4, 5, 6, or 3 (binary).
uint32_t DetectFormatOf(std::span<const uint8_t> text, Ui& ui);

}  // namespace zarvo
