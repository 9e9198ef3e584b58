#include "image/hex_text.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace zarvo::hex {

size_t LineAt(const Text& t, size_t pos) {
  size_t line = 1;
  const size_t end = pos < t.n ? pos : t.n;
  for (size_t i = 0; i < end; ++i) {
    const uint8_t c = t.p[i];
    if (c == '\n' || (c == '\r' && t.at(i + 1) != '\n')) ++line;
  }
  return line;
}

void FindingsKeeper::StartMap() {
  mapped_ = true;
  for (const AddressRange& r : f_.data) Mark(r.first, r.last - r.first + 1);
}

void FindingsKeeper::Mark(uint64_t base, uint64_t count) {
  const uint64_t words = (base + count + 63) / 64;
  if (map_.size() < words) map_.resize(static_cast<size_t>(words), 0);
  for (uint64_t a = base; a < base + count; ++a) map_[a / 64] |= uint64_t{1} << (a % 64);
}

void FindingsKeeper::placeCompared(uint8_t* image, uint64_t base, const uint8_t* src, uint64_t count) {
  bool changed = false;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t a = base + i;
    if (!changed && Marked(a) && image[a] != src[i]) {
      changed = true;
      if (f_.overlaps == 0) f_.firstOverlap = a;
    }
    image[a] = src[i];
  }
  if (changed) ++f_.overlaps;
}

void FindingsKeeper::finish() {
  if (!unsorted_) return;
  auto& d = f_.data;
  std::sort(d.begin(), d.end(), [](const AddressRange& a, const AddressRange& b) { return a.first < b.first; });
  size_t out = 0;
  for (size_t i = 0; i < d.size(); ++i) {
    if (out > 0 && d[i].first <= d[out - 1].last + 1) {
      d[out - 1].last = std::max(d[out - 1].last, d[i].last);
    } else {
      d[out++] = d[i];
    }
  }
  d.resize(out);
}

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
