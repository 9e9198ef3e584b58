// Placeholder until the libusb backend lands: no slot holds a device.
#include "device/libusb_backend.h"

namespace zarvo {
namespace {

class NoUnits final : public UsbBackend {
 public:
  std::optional<uint16_t> productId(int) override { return std::nullopt; }
  bool open(int) override { return false; }
  void close() override {}
  bool controlIn(uint8_t, uint16_t, uint16_t, uint8_t*, uint16_t) override { return false; }
  bool controlOut(uint8_t, uint16_t, uint16_t) override { return false; }
  bool bulkWrite(const uint8_t*, uint32_t) override { return false; }
  bool bulkRead(uint8_t*, uint32_t) override { return false; }
  std::string describe() const override { return "no USB layer"; }
};

}  // namespace

std::unique_ptr<UsbBackend> MakeLibusbBackend() { return std::make_unique<NoUnits>(); }

}  // namespace zarvo
