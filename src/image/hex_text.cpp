#include "image/hex_text.h"

#include <new>
#include <stdexcept>

namespace zarvo::hex {

bool GrowImage(LargeBytes& image, uint64_t size, uint8_t value, Ui& ui) {
  if (size <= image.size()) return true;
  // A file's addresses may ask for more than this machine can give; that is a message,
  // not an abort.
  if (size > image.max_size()) {
    MemoryError(ui);
    return false;
  }
  try {
    image.resize(static_cast<size_t>(size), value);
  } catch (const std::bad_alloc&) {
    MemoryError(ui);
    return false;
  } catch (const std::length_error&) {
    MemoryError(ui);
    return false;
  }
  return true;
}

bool StartImage(HexResult& r, const HexOptions& opt, uint8_t fill, Ui& ui) {
  r.image.clear();
  return opt.pass != Pass::Store || GrowImage(r.image, uint64_t{opt.capacity} + kImageSlack, fill, ui);
}

}  // namespace zarvo::hex

namespace zarvo {

void AddDataRun(std::vector<DataRun>& runs, uint64_t begin, uint64_t end) {
  if (!runs.empty() && runs.back().end == begin) {
    runs.back().end = end;
    return;
  }
  runs.push_back({begin, end});
}

}  // namespace zarvo
