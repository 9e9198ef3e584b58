#pragma once
// The three HEX readers and their detectors. A reader runs twice over the same file text:
// MeasurePass learns the highest address, StorePass places and checks the bytes. The text
// is the file's bytes; positions at or past its end read as NUL (as the zero tail of the
// raw copy would) and nothing outside it is ever read. The HexImage is never written
// outside its bounds, whatever the file says.
//
// MeasurePass leaves `image` empty: only `last` (and `lowest`) are its result. A
// successful StorePass always has last < image.size(), so the bytes 0 .. last can be copied
// from it as they stand. Cut or garbled records of a known type are "FORMAT ERROR !".
// Data above addressLimit is not loaded: the reader keeps what lies below it and reports
// the rest in its findings, so a stray record near 4 GiB costs no memory for the gap.

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

// Data addresses from first to last, both inclusive; 64-bit, since an Intel record near
// the top of a linear window can run past 4 GiB.
struct AddressRange {
  uint64_t first = 0;
  uint64_t last = 0;
};

// What a reader found in the file besides the image: the load's own report, from which
// every warning about a file is made (the firmware check).
struct ReadFindings {
  size_t badSums = 0;       // records with a wrong checksum (store pass)
  size_t firstBadLine = 0;  // the line of the first of them, 1-based; 0 when none
  bool endRecord = false;   // an end record was read (Intel 01, S7/S8/S9, Tektronix count 0)
  // The addresses the loaded data took, ascending, adjacent records merged.
  std::vector<AddressRange> data;
  size_t overlaps = 0;       // records that changed bytes an earlier record had placed (store pass)
  uint64_t firstOverlap = 0; // the address of the first byte so changed
  bool dropped = false;      // data lay above the address limit and was not loaded
  AddressRange droppedRange; // its lowest and highest address

  bool anyData() const { return !data.empty(); }
};

struct HexResult {
  bool ok = false;
  LargeBytes image;            // the HexImage: at least K + 1024 bytes
  uint32_t lowest = 0;         // Motorola and Tektronix: lowest data address
  uint32_t last = 0;           // highest address written, inclusive (0 when none)
  std::vector<DataRun> data;   // store pass: where the file's loaded data bytes went
  ReadFindings findings;
};

// The highest address HEX data may take. A batch start switch selects decoded bytes from
// at most 0xFFFFFFF on, so nothing above this can reach a unit; data above it is left out
// of the image (and reported) rather than making an image of gigabytes. 256 MiB still holds
// files linked at high flash addresses.
inline constexpr uint32_t kHexAddressLimit = 0x0FFFFFFF;

struct HexOptions {
  uint32_t capacity = 0;  // K: the image size at the time of the call
  Pass pass = Pass::Store;
  uint8_t fillByte = 0;   // [LoadDlg] UserFill (the readers' default 0)
  bool fillFlag = false;  // [LoadDlg] UnuserFillCheck (default 0)
  uint32_t addressLimit = kHexAddressLimit;  // data above it is left out and reported
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

// True when the text holds at least one data record of Intel (4) or Motorola (5) format
// with a right checksum at the start of a line: evidence of the format that the detectors
// miss, such as records after a long comment header.
bool HoldsRecordsOf(std::span<const uint8_t> text, uint32_t format);
// 4 or 5 by HoldsRecordsOf, Intel first; 0 for neither.
uint32_t RecordsFormatOf(std::span<const uint8_t> text);

// The check before a reader runs on a format the user chose (4, 5 or 6): the format's
// detector, or for Intel and Motorola records of that format with right checksums (the
// user's word and the records together are evidence enough). A refusal shows the
// detector's negative message (reporting mode 1).
bool CheckChosenFormat(std::span<const uint8_t> text, uint32_t format, Ui& ui);

// Intel, Motorola, Tektronix in this order, silent: 4, 5, 6, or 3 (binary).
uint32_t DetectFormatOf(std::span<const uint8_t> text, Ui& ui);

}  // namespace zarvo
