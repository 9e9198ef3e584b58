#include "device/libusb_backend.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <tuple>
#include <vector>

namespace zarvo {
namespace {

constexpr uint8_t kRequestTypeIn = 0xC0;   // vendor, device, device-to-host
constexpr uint8_t kRequestTypeOut = 0x40;  // vendor, device, host-to-device

// Sorts "refused" apart from "link broken" so logs can tell a unit that said no from one
// that went away; the user-facing report is chosen above this layer.
UsbError Classify(int code) {
  switch (code) {
    case LIBUSB_ERROR_PIPE:
      return UsbError::Refused;
    case LIBUSB_ERROR_TIMEOUT:
      return UsbError::Timeout;
    case LIBUSB_ERROR_ACCESS:  // the node is there, this user may not open it (no udev rule)
      return UsbError::AccessDenied;
    case LIBUSB_ERROR_BUSY:  // another program has claimed the interface
      return UsbError::Busy;
    case LIBUSB_ERROR_NOT_FOUND:
    case LIBUSB_ERROR_NOT_SUPPORTED:
      return UsbError::NoDevice;
    default:  // NO_DEVICE, IO, OVERFLOW, INTERRUPTED, NO_MEM, OTHER
      return UsbError::LinkBroken;
  }
}

// One snapshot of the bus, freed on every path.
class DeviceList {
 public:
  explicit DeviceList(libusb_context* ctx) {
    const ssize_t n = libusb_get_device_list(ctx, &list_);
    if (n > 0) count_ = static_cast<size_t>(n);
  }
  ~DeviceList() {
    if (list_ != nullptr) libusb_free_device_list(list_, 1);
  }
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;

  struct Slot {
    libusb_device* dev;
    UnitIdentity id;
  };

  // The units, in slot order: by bus number, then port path; each with its port path and
  // address, which tell it apart from a unit plugged in its place later.
  std::vector<Slot> slots() const {
    // Ports are numbered from 1, so the zero padding puts a hub's port before its children.
    struct Entry {
      uint8_t bus;
      std::array<uint8_t, 8> ports;
      uint8_t address;
      int depth;
      libusb_device* dev;
    };
    std::vector<Entry> entries;
    for (size_t i = 0; i < count_; ++i) {
      libusb_device* dev = list_[i];
      libusb_device_descriptor desc{};
      // Only units take slots: on a machine with many other devices (keyboards, cameras,
      // adapters) they would otherwise fill all 15 and hide a unit behind them.
      if (libusb_get_device_descriptor(dev, &desc) != 0 || desc.idProduct != kProductId) continue;
      Entry e{libusb_get_bus_number(dev), {}, libusb_get_device_address(dev), 0, dev};
      e.depth = libusb_get_port_numbers(dev, e.ports.data(), static_cast<int>(e.ports.size()));
      if (e.depth < 0) {
        e.ports.fill(0);
        e.depth = 0;
      }
      entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
      return std::tie(a.bus, a.ports, a.address) < std::tie(b.bus, b.ports, b.address);
    });
    std::vector<Slot> out;
    out.reserve(entries.size());
    for (const Entry& e : entries) {
      // "1-4.2" as the kernel names it; a device whose ports cannot be read is known by its
      // address on the bus alone.
      std::string port = std::to_string(e.bus) + "-";
      for (int d = 0; d < e.depth; ++d) port += (d > 0 ? "." : "") + std::to_string(e.ports[static_cast<size_t>(d)]);
      if (e.depth == 0) port += "@" + std::to_string(e.address);
      out.push_back({e.dev, {port, e.address}});
    }
    return out;
  }

 private:
  libusb_device** list_ = nullptr;
  size_t count_ = 0;
};

struct BulkInterface {
  int number = -1;
  unsigned char epIn = 0;
  unsigned char epOut = 0;
};

// The first interface (alternate setting 0) with both a bulk IN and a bulk OUT endpoint.
bool FindBulkInterface(libusb_device* dev, BulkInterface& out) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(dev, &config) != 0 && libusb_get_config_descriptor(dev, 0, &config) != 0)
    return false;
  bool found = false;
  for (int i = 0; i < config->bNumInterfaces && !found; ++i) {
    const libusb_interface& intf = config->interface[i];
    if (intf.num_altsetting < 1) continue;
    const libusb_interface_descriptor& alt = intf.altsetting[0];
    BulkInterface b;
    b.number = alt.bInterfaceNumber;
    for (int e = 0; e < alt.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& ep = alt.endpoint[e];
      if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
      const bool in = (ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
      if (in && b.epIn == 0) b.epIn = ep.bEndpointAddress;
      if (!in && b.epOut == 0) b.epOut = ep.bEndpointAddress;
    }
    if (b.epIn != 0 && b.epOut != 0) {
      out = b;
      found = true;
    }
  }
  libusb_free_config_descriptor(config);
  return found;
}

class LibusbBackend final : public UsbBackend {
 public:
  // libusb reads a timeout of 0 as "wait for ever", which is exactly what must not happen.
  explicit LibusbBackend(unsigned timeoutMs) : timeoutMs_(std::max(timeoutMs, 1u)) {}

  ~LibusbBackend() override {
    close();
    if (ctx_ != nullptr) libusb_exit(ctx_);
  }

  LibusbBackend(const LibusbBackend&) = delete;
  LibusbBackend& operator=(const LibusbBackend&) = delete;

  std::optional<uint16_t> productId(int slot) override {
    libusb_device_descriptor desc{};
    if (!describeSlot(slot, desc)) return std::nullopt;
    return desc.idProduct;
  }

  bool open(int slot) override {
    close();
    if (!context()) return false;
    DeviceList list(ctx_);
    const std::optional<DeviceList::Slot> found = deviceIn(list, slot);
    if (!found) return false;
    libusb_device* dev = found->dev;
    // Claiming detaches the kernel driver, so a device of another product (someone's disk or
    // keyboard) is never touched.
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(dev, &desc) != 0 || desc.idProduct != kProductId)
      return fail(UsbError::NoDevice, "slot " + std::to_string(slot) + " holds no unit");
    BulkInterface bulk;
    if (!FindBulkInterface(dev, bulk)) return fail(UsbError::NoDevice, "the unit shows no bulk IN/OUT interface");

    libusb_device_handle* handle = nullptr;
    if (const int rc = libusb_open(dev, &handle); rc != 0) return failCode(rc, "libusb_open");
    libusb_set_auto_detach_kernel_driver(handle, 1);  // not supported everywhere; claiming tells
    if (const int rc = libusb_claim_interface(handle, bulk.number); rc != 0) {
      libusb_close(handle);
      return failCode(rc, "libusb_claim_interface");
    }
    handle_ = handle;
    bulk_ = bulk;
    openId_ = found->id;
    return succeed();
  }

  void close() override {
    if (handle_ == nullptr) return;
    libusb_release_interface(handle_, bulk_.number);
    libusb_close(handle_);
    handle_ = nullptr;
    bulk_ = BulkInterface{};
    openId_ = {};
  }

  std::vector<UnitIdentity> identities() override {
    std::vector<UnitIdentity> ids;
    if (!context()) return ids;
    DeviceList list(ctx_);
    for (const DeviceList::Slot& s : list.slots()) ids.push_back(s.id);
    return ids;
  }

  UnitIdentity openIdentity() const override { return openId_; }

  bool controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length) override {
    if (!isOpen()) return false;
    const int rc = libusb_control_transfer(handle_, kRequestTypeIn, request, value, index, data, length, timeoutMs_);
    if (rc < 0) return failCode(rc, "control IN");
    if (rc < length) return fail(UsbError::Short, "control IN returned " + std::to_string(rc) + " of " + std::to_string(length) + " bytes");
    return succeed();
  }

  bool controlOut(uint8_t request, uint16_t value, uint16_t index) override {
    if (!isOpen()) return false;
    const int rc = libusb_control_transfer(handle_, kRequestTypeOut, request, value, index, nullptr, 0, timeoutMs_);
    if (rc < 0) return failCode(rc, "control OUT");
    return succeed();
  }

  bool bulkWrite(const uint8_t* data, uint32_t n) override {
    // libusb's buffer is not const, but an OUT transfer only reads it.
    return bulk(bulk_.epOut, const_cast<uint8_t*>(data), n, "bulk write");
  }

  bool bulkRead(uint8_t* data, uint32_t n) override { return bulk(bulk_.epIn, data, n, "bulk read"); }

  UsbError lastError() const override { return lastError_; }
  std::string lastErrorDetail() const override { return detail_; }
  std::string describe() const override { return "libusb"; }

 private:
  // Made on first use, and again after a failure, so a machine whose USB file system shows up
  // late still works.
  bool context() {
    if (ctx_ != nullptr) return true;
    if (const int rc = libusb_init(&ctx_); rc != 0) {
      ctx_ = nullptr;
      return failCode(rc, "libusb_init");
    }
    return true;
  }

  // The device in a slot of the list, or nothing; its device pointer lives as long as the list.
  std::optional<DeviceList::Slot> deviceIn(const DeviceList& list, int slot) {
    if (slot < 0 || slot >= kSlotCount) {
      fail(UsbError::NoDevice, "slot " + std::to_string(slot) + " is out of range");
      return std::nullopt;
    }
    std::vector<DeviceList::Slot> slots = list.slots();
    if (static_cast<size_t>(slot) >= slots.size()) {
      fail(UsbError::NoDevice, "slot " + std::to_string(slot) + " is empty");
      return std::nullopt;
    }
    return slots[static_cast<size_t>(slot)];
  }

  bool describeSlot(int slot, libusb_device_descriptor& desc) {
    if (!context()) return false;
    DeviceList list(ctx_);
    const std::optional<DeviceList::Slot> found = deviceIn(list, slot);
    if (!found) return false;
    if (const int rc = libusb_get_device_descriptor(found->dev, &desc); rc != 0) return failCode(rc, "device descriptor");
    return succeed();
  }

  bool bulk(unsigned char endpoint, uint8_t* data, uint32_t n, const char* what) {
    if (!isOpen()) return false;
    if (n > static_cast<uint32_t>(INT_MAX)) return fail(UsbError::Short, std::string(what) + ": block too large");
    int moved = 0;
    const int rc = libusb_bulk_transfer(handle_, endpoint, data, static_cast<int>(n), &moved, timeoutMs_);
    if (rc < 0) return failCode(rc, what);
    if (static_cast<uint32_t>(moved) < n)
      return fail(UsbError::Short, std::string(what) + " moved " + std::to_string(moved) + " of " + std::to_string(n) + " bytes");
    return succeed();
  }

  bool isOpen() {
    if (handle_ != nullptr) return true;
    return fail(UsbError::NoDevice, "no unit is open");
  }

  bool succeed() {
    lastError_ = UsbError::None;
    detail_.clear();
    return true;
  }
  bool fail(UsbError e, std::string detail) {
    lastError_ = e;
    detail_ = std::move(detail);
    return false;
  }
  bool failCode(int code, const char* what) {
    return fail(Classify(code), std::string(what) + ": " + libusb_error_name(code));
  }

  unsigned timeoutMs_;
  libusb_context* ctx_ = nullptr;
  libusb_device_handle* handle_ = nullptr;
  BulkInterface bulk_;
  UnitIdentity openId_;
  UsbError lastError_ = UsbError::None;
  std::string detail_;
};

}  // namespace

std::unique_ptr<UsbBackend> MakeLibusbBackend(unsigned timeoutMs) { return std::make_unique<LibusbBackend>(timeoutMs); }

}  // namespace zarvo
