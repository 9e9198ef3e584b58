// The three format detectors and the silent detection that picks a format code. Each
// detector looks for evidence of its own format in the text; none of them changes it.
#include <cstring>
#include <string>

#include "base/quiet_ui.h"
#include "image/hex_text.h"
#include "image/image_buffer.h"
#include "image/readers.h"

namespace zarvo {

namespace {

// Shows the detector's message as its reporting mode asks and passes the result on.
bool Report(bool positive, int mode, Ui& ui, const char* yes, const char* no) {
  if (mode == 1 && !positive) ui.messageBox(no, "ERROR !", Icon::None, Buttons::Ok);
  if (mode == 2 && positive) ui.messageBox(yes, "Auto detect", Icon::None, Buttons::Ok);
  return positive;
}

// Sum of `count` bytes from position i, or -1 when any of them is not hexadecimal.
int64_t ByteSum(const hex::Text& t, size_t i, size_t count) {
  unsigned sum = 0, bad = 0;
  if (t.holds(i, i + 2 * count)) return hex::DecodeBytes(t.p + i, count, nullptr, sum) ? sum : -1;
  for (size_t k = 0; k < count; ++k, i += 2) {
    const unsigned hi = t.digit(i), lo = t.digit(i + 1);
    bad |= hi | lo;
    sum += (hi << 4 | lo) & 0xFF;
  }
  return (bad & hex::kBad) ? -1 : static_cast<int64_t>(sum);
}

// Sum of `count` digits, each taken as 0..15, or -1 when any is not hexadecimal.
int64_t NibbleSum(const hex::Text& t, size_t i, size_t count) {
  unsigned sum = 0, bad = 0;
  for (size_t k = 0; k < count; ++k) {
    const unsigned d = t.digit(i + k);
    bad |= d;
    sum += d & 0x0F;
  }
  return (bad & hex::kBad) ? -1 : static_cast<int64_t>(sum);
}

bool IsIntel(const hex::Text& t) {
  constexpr int kPassedLimit = 128;
  int passed = 0;
  for (size_t pos = 0; pos <= t.n;) {
    if (t.at(pos) != ':') {
      if (++passed >= kPassedLimit) return false;
      ++pos;
      continue;
    }
    const size_t q = pos;
    const int length = t.byteAt(q + 1);
    const uint8_t t7 = t.at(q + 7), t8 = t.at(q + 8);
    if (length <= 0 || t7 != '0' || t8 != '0') {
      pos = q + 1;
      continue;
    }
    const size_t sumPos = q + 9 + 2 * static_cast<size_t>(length);
    const int64_t sum = ByteSum(t, q + 1, static_cast<size_t>(length) + 4);
    const int checksum = t.byteAt(sumPos);
    if (sum >= 0 && checksum >= 0 && ((sum + checksum) & 0xFF) == 0) return true;
    pos = sumPos + 2;  // a wrong record is stepped over in one move, not counted
  }
  return false;
}

bool IsMotorola(const hex::Text& t) {
  size_t counted = 0;
  const uint8_t* const p = t.p;
  size_t pos = 0;
  while (pos < t.n) {
    const uint8_t c = p[pos];
    if (c != 'S' && c != '%') {
      ++pos;
      continue;
    }
    uint8_t a = 'S', b = t.at(pos + 1);
    size_t countPos = pos + 2;
    if (c == '%') {
      a = t.at(pos + 1);
      b = t.at(pos + 2);
      countPos = pos + 3;
    }
    if (a != 'S') return false;
    switch (b) {
      case '1': case '2': case '3': {
        const int count = t.byteAt(countPos);
        if (count < 0) return false;  // an "S1" with no count is stray text
        if (count == 0) {
          pos = countPos;
          break;
        }
        const int64_t sum = ByteSum(t, countPos, static_cast<size_t>(count));
        const int checksum = t.byteAt(countPos + 2 * static_cast<size_t>(count));
        if (sum < 0 || checksum < 0 || checksum != (~sum & 0xFF)) return false;
        if (checksum != 0) ++counted;
        pos = countPos + 2 * static_cast<size_t>(count) + 2;
        break;
      }
      // S6 is the 24-bit record count of files with more than 65535 records and, like S5,
      // is not checked.
      case '0': case '5': case '6': case '7': case '8': case '9':
        pos = countPos;
        break;
      default:
        return false;
    }
  }
  return counted > 0;
}

bool IsTektronix(const hex::Text& t) {
  const uint8_t* const p = t.p;
  size_t pos = 0;
  while (pos < t.n) {
    const void* hit = std::memchr(p + pos, '/', t.n - pos);
    if (hit == nullptr) return false;
    const size_t q = static_cast<size_t>(static_cast<const uint8_t*>(hit) - p);
    if (t.numberAt(q + 1, 4) < 0) {
      pos = q + 1;
      continue;
    }
    const int count = t.byteAt(q + 5);
    const int header = t.byteAt(q + 7);
    const int64_t headerSum = NibbleSum(t, q + 1, 6);
    if (count < 0 || header < 0 || headerSum < 0 || (headerSum & 0xFF) != header) return false;
    if (count == 0) return false;
    const size_t dataDigits = 2 * static_cast<size_t>(count);
    const int64_t dataSum = NibbleSum(t, q + 9, dataDigits);
    const int checksum = t.byteAt(q + 9 + dataDigits);
    if (dataSum >= 0 && checksum >= 0 && (dataSum & 0xFF) == checksum) return true;
    pos = q + 9 + dataDigits + 2;
  }
  return false;
}

struct Texts {
  const char* yes;
  const char* no;
};
constexpr Texts kIntelTexts{"This is Intel Hex format !", "File is not Intel Hex format !"};
constexpr Texts kMotorolaTexts{"This is Motorola Hex format !", "File is not Motorola Hex format !"};
constexpr Texts kTektronixTexts{"This is Tektronix Hex format !", "File is not Tektronix Hex format !"};

}  // namespace

bool DetectIntel(std::span<const uint8_t> text, int mode, Ui& ui) {
  return Report(IsIntel(hex::Text(text)), mode, ui, kIntelTexts.yes, kIntelTexts.no);
}

bool DetectMotorola(std::span<const uint8_t> text, int mode, Ui& ui) {
  return Report(IsMotorola(hex::Text(text)), mode, ui, kMotorolaTexts.yes, kMotorolaTexts.no);
}

bool DetectTektronix(std::span<const uint8_t> text, int mode, Ui& ui) {
  return Report(IsTektronix(hex::Text(text)), mode, ui, kTektronixTexts.yes, kTektronixTexts.no);
}

void AnnounceFormat(uint32_t code, Ui& ui) {
  const Texts* texts = code == kFormatIntel      ? &kIntelTexts
                       : code == kFormatMotorola ? &kMotorolaTexts
                       : code == kFormatTektronix ? &kTektronixTexts
                                                  : nullptr;
  if (texts != nullptr) Report(true, 2, ui, texts->yes, texts->no);
}

bool HoldsRecordsOf(std::span<const uint8_t> text, uint32_t format) {
  const hex::Text t(text);
  size_t pos = 0;
  while (pos < t.n) {
    size_t s = pos;
    while (s < t.n && (t.p[s] == ' ' || t.p[s] == '\t')) ++s;
    if (format == kFormatIntel && t.at(s) == ':') {
      const int length = t.byteAt(s + 1);
      if (length > 0 && t.at(s + 7) == '0' && t.at(s + 8) == '0') {
        const int64_t sum = ByteSum(t, s + 1, static_cast<size_t>(length) + 4);
        const int checksum = t.byteAt(s + 9 + 2 * static_cast<size_t>(length));
        if (sum >= 0 && checksum >= 0 && ((sum + checksum) & 0xFF) == 0) return true;
      }
    } else if (format == kFormatMotorola) {
      if (t.at(s) == '%') ++s;
      const uint8_t type = t.at(s + 1);
      if (t.at(s) == 'S' && type >= '1' && type <= '3') {
        const int count = t.byteAt(s + 2);
        if (count >= type - '0' + 3) {
          const int64_t sum = ByteSum(t, s + 2, static_cast<size_t>(count));
          const int checksum = t.byteAt(s + 2 + 2 * static_cast<size_t>(count));
          if (sum >= 0 && checksum >= 0 && checksum == (~sum & 0xFF)) return true;
        }
      }
    }
    // The next line: after a line feed, or a carriage return alone.
    while (pos < t.n && t.p[pos] != '\n' && t.p[pos] != '\r') ++pos;
    ++pos;
  }
  return false;
}

uint32_t RecordsFormatOf(std::span<const uint8_t> text) {
  if (HoldsRecordsOf(text, kFormatIntel)) return kFormatIntel;
  if (HoldsRecordsOf(text, kFormatMotorola)) return kFormatMotorola;
  return 0;
}

bool CheckChosenFormat(std::span<const uint8_t> text, uint32_t format, Ui& ui) {
  QuietUi quiet;
  switch (format) {
    case kFormatIntel:
      return DetectIntel(text, 0, quiet) || HoldsRecordsOf(text, kFormatIntel) || DetectIntel(text, 1, ui);
    case kFormatMotorola:
      return DetectMotorola(text, 0, quiet) || HoldsRecordsOf(text, kFormatMotorola) || DetectMotorola(text, 1, ui);
    default:
      return DetectTektronix(text, 1, ui);
  }
}

uint32_t DetectFormatOf(std::span<const uint8_t> text, Ui& ui) {
  if (DetectIntel(text, 0, ui)) return kFormatIntel;
  if (DetectMotorola(text, 0, ui)) return kFormatMotorola;
  if (DetectTektronix(text, 0, ui)) return kFormatTektronix;
  return kFormatBinary;
}

}  // namespace zarvo
