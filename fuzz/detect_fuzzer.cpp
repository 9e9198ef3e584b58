// Arbitrary bytes through the three detectors in every reporting mode: no read outside the
// text, the silent choice agrees with the detectors one by one, and a mode never changes
// the answer.
#include <cstdint>
#include <vector>

#include "image/image_buffer.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarvo;
  const std::vector<uint8_t> text(data, data + size);
  fuzz::QuietUi ui;
  bool found[3] = {};
  int i = 0;
  for (auto detect : {DetectIntel, DetectMotorola, DetectTektronix}) {
    found[i] = detect(text, 0, ui);
    fuzz::Check(detect(text, 1, ui) == found[i] && detect(text, 2, ui) == found[i]);
    ++i;
  }
  const uint32_t expected =
      found[0] ? kFormatIntel : found[1] ? kFormatMotorola : found[2] ? kFormatTektronix : kFormatBinary;
  fuzz::Check(DetectFormatOf(text, ui) == expected);
  return 0;
}
