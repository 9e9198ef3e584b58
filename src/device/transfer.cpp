#include "device/transfer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "device/commands.h"
#include "device/usb_link.h"

namespace zarvo {

namespace {

constexpr uint32_t kBlockUnit = 8192;

// The blocks send image bytes 0 .. need-1; an image shorter than that (a 16-bit unit sends
// twice the IC size) is grown with its fill byte first, so no byte past it is ever sent.
bool CoverImage(DeviceContext& ctx, ImageBuffer& image, uint64_t need) {
  if (need <= image.size()) return true;
  const uint32_t old = image.size();
  if (need > 0xFFFFFFFFu - 2048 || !image.resize(static_cast<uint32_t>(need), ctx.rs, ctx.ui)) {
    ctx.ui.setLamp(kLampFail);
    return false;
  }
  std::fill(image.data() + old, image.data() + image.size(), static_cast<uint8_t>(image.request().fillByte));
  return true;
}

void AbortDownload(DeviceContext& ctx, const char* text) {
  ctx.ui.messageBox(text, "", Icon::Information, Buttons::Ok);
  LedOffOrReport(ctx);
  ctx.ui.setLamp(kLampFail);
}

void AbortVerify(DeviceContext& ctx, const char* text) {
  ctx.ui.appendMessage(text);
  ctx.ui.setLamp(kLampFail);
  LedOffOrReport(ctx);
}

// Counts each differing address of the unit's memory once, though the verify's passes read
// some addresses more than once, and keeps the first difference read.
class DifferenceCounter {
 public:
  explicit DifferenceCounter(uint32_t span) : span_(span) {}
  void add(uint64_t address, const uint8_t* sent, const uint8_t* got, uint32_t n) {
    if (seen_.empty()) seen_.assign(std::max<uint32_t>(span_, 1), false);
    for (uint32_t j = 0; j < n; ++j) {
      if (sent[j] == got[j]) continue;
      const auto a = static_cast<uint32_t>((address + j) % seen_.size());
      if (diff_.count == 0) diff_ = {0, a, sent[j], got[j]};
      if (!seen_[a]) {
        seen_[a] = true;
        ++diff_.count;
      }
    }
  }
  VerifyDifference result() const { return diff_; }

 private:
  uint32_t span_;
  std::vector<bool> seen_;  // allocated at the first difference only
  VerifyDifference diff_;
};

}  // namespace

bool Geometry::fits() const {
  return config != nullptr && passes > 0 && static_cast<uint64_t>(blocksPerPass()) * blockLength <= config->span;
}

namespace {

// The configuration of the unit at a position, or of the last unit tested without one. The
// unit is the one the list holds there now: the self test may have read it at another
// position (the list renumbered since), and a unit it never read has none.
const UnitConfig* ConfigFor(const RunState& rs, int position) {
  if (position < 0) return ConfigByDeviceSize(rs.DeviceSize);
  const auto p = static_cast<size_t>(position);
  if (p >= rs.UnitDeviceSize.size()) return nullptr;
  const UnitIdentity& id = rs.UnitIds[p];
  // Units the layer cannot tell apart count only at the position they were tested at.
  if (!id.known()) return rs.UnitTestedId[p].known() ? nullptr : ConfigByDeviceSize(rs.UnitDeviceSize[p]);
  for (size_t q = 0; q < rs.UnitTestedId.size(); ++q)
    if (rs.UnitTestedId[q] == id) return ConfigByDeviceSize(rs.UnitDeviceSize[q]);
  return nullptr;
}

}  // namespace

std::optional<Geometry> GeometryFor(const RunState& rs, int position) {
  const UnitConfig* c = ConfigFor(rs, position);
  if (!c) return std::nullopt;
  Geometry g;
  g.config = c;
  g.passes = rs.EmulationRange == 0 ? 1 : c->span / rs.EmulationRange;
  g.blocks = rs.IcSize / kBlockUnit;
  g.blockLength = c->blockLength;
  return g;
}

uint32_t UnitMemoryFor(const RunState& rs, int position) {
  const UnitConfig* c = ConfigFor(rs, position);
  return c ? c->capacity : rs.DeviceMemorySize;
}

const char* DownloadRefusal(const std::optional<Geometry>& g) {
  if (!g) return kNothingDownloadedUnknownSize;
  if (!g->fits()) return kNothingDownloadedIcTooLarge;
  return nullptr;
}

bool Download(DeviceContext& ctx, ImageBuffer& image, const Geometry& g) {
  const uint32_t n = g.blocksPerPass();
  const uint32_t len = g.blockLength;
  if (g.passes > 0 && !CoverImage(ctx, image, static_cast<uint64_t>(n) * len)) return false;
  if (!LedOnOrReport(ctx)) return false;
  // Block numbers travel in the 16-bit index; the unit maps them modulo its memory.
  uint32_t k = 0;
  for (uint32_t r = 0; r < g.passes; ++r) {
    for (uint32_t i = 0; i < n; ++i, ++k) {
      if (!SelectBlock(ctx.link, static_cast<uint16_t>(k))) {
        AbortDownload(ctx, "Error 43! Command Fail !!");
        return false;
      }
      if (!AnnounceLoad(ctx.link, static_cast<uint16_t>(len))) {
        AbortDownload(ctx, "Error 53! Command Fail !!");
        return false;
      }
      if (!ctx.link.bulkWrite(image.data() + static_cast<size_t>(i) * len, len)) {
        AbortDownload(ctx, " Read Data Fail");
        return false;
      }
    }
  }
  LedOffOrReport(ctx);
  return true;
}

VerifyResult ReadBackVerify(DeviceContext& ctx, ImageBuffer& image, const Geometry& g) {
  VerifyResult result;
  const uint32_t n = g.blocksPerPass();
  const uint32_t len = g.blockLength;
  if (!CoverImage(ctx, image, static_cast<uint64_t>(n) * len)) return result;
  // One block-sized buffer for the whole verify.
  std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[std::max<uint32_t>(len, 1)]);
  if (!buf) {
    ctx.ui.messageBox("Not enough memory to allocate buffer\n", "", Icon::Information, Buttons::Ok);
    ctx.ui.appendMessage("Error !! Not enough memory to Verify buffer");
    ctx.ui.setLamp(kLampFail);
    return result;
  }
  if (!LedOnOrReport(ctx)) return result;
  DifferenceCounter differences(g.config ? g.config->span : 0);
  uint32_t k = 0;
  for (uint64_t r = 0; r <= g.passes; ++r) {
    for (uint32_t i = 0; i < n; ++i, ++k) {
      std::memset(buf.get(), 0xFF, len);
      if (!SelectBlock(ctx.link, static_cast<uint16_t>(k))) {
        AbortVerify(ctx, "Error 43!! Verify Command Fail !!");
        return result;
      }
      if (!AnnounceRead(ctx.link, static_cast<uint16_t>(len))) {
        AbortVerify(ctx, "Error 46!! Verify Command Fail !!");
        return result;
      }
      if (!ctx.link.bulkRead(buf.get(), len)) {
        AbortVerify(ctx, "Error !! Verify read Fail !!");
        return result;
      }
      const uint8_t* sent = image.data() + static_cast<size_t>(i) * len;
      if (std::memcmp(buf.get(), sent, len) != 0) {
        ctx.rs.VerifyMismatch = true;
        // The unit maps block numbers as it maps them on the way in: modulo its memory.
        differences.add(static_cast<uint64_t>(static_cast<uint16_t>(k)) * len, sent, buf.get(), len);
      }
    }
  }
  buf.reset();
  const Page page = ctx.ui.activePage();
  if (page == Page::Batch) {
    if (ctx.rs.VerifyMismatch) {
      ctx.ui.appendMessage("Error !! Verify check error ...");
      ctx.ui.setLamp(kLampFail);
    } else {
      ctx.ui.appendMessage("Verify check OK ...");
    }
  } else if (page == Page::Window && ctx.rs.VerifyMismatch) {
    ctx.ui.setLamp(kLampFail);
  }
  LedOffOrReport(ctx);
  result.ok = true;
  result.difference = differences.result();
  return result;
}

}  // namespace zarvo
