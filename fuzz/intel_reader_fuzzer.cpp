// Arbitrary bytes through the Intel HEX reader's measure and store passes.
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return zarvo::fuzz::RunReader(zarvo::ReadIntelHex, data, size);
}
