#include "emulated_bus.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

constexpr size_t kSetupSize = 8;

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char two[3];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

// Device, configuration, interface and endpoint descriptors as sysfs shows them.
std::vector<uint8_t> Descriptors(uint16_t vendor, uint16_t product, uint8_t deviceClass) {
  auto lo = [](uint16_t v) { return static_cast<uint8_t>(v & 0xFF); };
  auto hi = [](uint16_t v) { return static_cast<uint8_t>(v >> 8); };
  std::vector<uint8_t> d = {0x12, 0x01, 0x00, 0x02, deviceClass, 0x00, 0x00, 0x40,
                            lo(vendor), hi(vendor), lo(product), hi(product),
                            0x00, 0x01, 0x00, 0x00, 0x00, 0x01};
  if (deviceClass == 0x09) {  // a hub: one interrupt IN endpoint
    const std::vector<uint8_t> rest = {0x09, 0x02, 0x19, 0x00, 0x01, 0x01, 0x00, 0xE0, 0x00,
                                       0x09, 0x04, 0x00, 0x00, 0x01, 0x09, 0x00, 0x00, 0x00,
                                       0x07, 0x05, 0x81, 0x03, 0x04, 0x00, 0x0C};
    d.insert(d.end(), rest.begin(), rest.end());
  } else {  // vendor interface 0 with bulk OUT 0x01 and bulk IN 0x82
    const std::vector<uint8_t> rest = {0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32,
                                       0x09, 0x04, 0x00, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x00,
                                       0x07, 0x05, 0x01, 0x02, 0x00, 0x02, 0x00,
                                       0x07, 0x05, 0x82, 0x02, 0x00, 0x02, 0x00};
    d.insert(d.end(), rest.begin(), rest.end());
  }
  return d;
}

std::string DevNode(int bus, int address) {
  char node[64];
  std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", bus, address);
  return node;
}

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer unit) {
  return static_cast<FakeUnit*>(unit)->handle(client) ? TRUE : FALSE;
}

usbdevfs_urb* Urb(UMockdevIoctlData* d) { return reinterpret_cast<usbdevfs_urb*>(d->data); }

}  // namespace

FakeUnit::~FakeUnit() {
  for (UMockdevIoctlData* d : done_) umockdev_ioctl_data_unref(d);
  for (UMockdevIoctlData* d : flying_) umockdev_ioctl_data_unref(d);
}

std::vector<uint8_t> FakeUnit::statusBlock() const {
  std::vector<uint8_t> s(16);
  if (config_ >= 0) {
    s = {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1, 0, static_cast<uint8_t>(config_ & 0xFF),
         static_cast<uint8_t>(config_ >> 8), id_, 0, 0, 0};
    return s;
  }
  s[0] = id_;
  for (size_t i = 1; i < s.size(); ++i) s[i] = static_cast<uint8_t>(i);
  return s;
}

void FakeUnit::reportPassing(uint16_t configCode) {
  std::lock_guard lock(mu_);
  config_ = configCode;
}

void FakeUnit::stallNext() { std::lock_guard lock(mu_); stall_ = true; }
void FakeUnit::holdNext() { std::lock_guard lock(mu_); hold_ = true; }
void FakeUnit::shortenNext(int bytes) { std::lock_guard lock(mu_); shorten_ = bytes; }
void FakeUnit::unplug() { std::lock_guard lock(mu_); unplugged_ = true; }
void FakeUnit::claimedElsewhere() { std::lock_guard lock(mu_); claimedElsewhere_ = true; }
void FakeUnit::setBulkInData(std::vector<uint8_t> data) { std::lock_guard lock(mu_); bulkIn_ = std::move(data); }
std::vector<ControlCall> FakeUnit::controls() const { std::lock_guard lock(mu_); return controls_; }
std::vector<uint8_t> FakeUnit::bulkOut() const { std::lock_guard lock(mu_); return bulkOut_; }
std::vector<int> FakeUnit::claimed() const { std::lock_guard lock(mu_); return claimed_; }
std::vector<int> FakeUnit::released() const { std::lock_guard lock(mu_); return released_; }
size_t FakeUnit::discards() const { std::lock_guard lock(mu_); return discards_; }

bool FakeUnit::handle(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const gulong request = umockdev_ioctl_client_get_request(client);
  std::lock_guard lock(mu_);
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
      const guint32 caps = USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION |
                           USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT |
                           USBDEVFS_CAP_ZERO_PACKET;
      std::memcpy(d->data, &caps, sizeof caps);
      umockdev_ioctl_data_unref(d);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
      if (claimedElsewhere_) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        return true;
      }
      if (request == USBDEVFS_DISCONNECT_CLAIM) {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_disconnect_claim), nullptr);
        claimed_.push_back(static_cast<int>(reinterpret_cast<usbdevfs_disconnect_claim*>(d->data)->interface));
        umockdev_ioctl_data_unref(d);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
      }
      [[fallthrough]];
    case USBDEVFS_RELEASEINTERFACE: {
      UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned int), nullptr);
      unsigned int number = 0;
      std::memcpy(&number, d->data, sizeof number);
      umockdev_ioctl_data_unref(d);
      (request == USBDEVFS_CLAIMINTERFACE ? claimed_ : released_).push_back(static_cast<int>(number));
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:  // no kernel driver is bound, so there is nothing to detach or attach
      umockdev_ioctl_client_complete(client, -1, ENODATA);
      return true;
    case USBDEVFS_SUBMITURB:
      return submit(client, arg);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      return reap(client, arg);
    case USBDEVFS_DISCARDURB:
      return discard(client, arg);
    default:
      umockdev_ioctl_client_complete(client, -1, ENOTTY);
      return true;
  }
}

bool FakeUnit::submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  if (unplugged_) {
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return true;
  }
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  usbdevfs_urb* urb = Urb(urbData);
  const size_t length = static_cast<size_t>(urb->buffer_length);
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer), length, nullptr);
  uint8_t* bytes = buffer->data;

  if (hold_) {
    hold_ = false;
    flying_.push_back(urbData);
    umockdev_ioctl_data_unref(buffer);
    umockdev_ioctl_client_complete(client, 0, 0);
    return true;
  }

  int status = 0;
  size_t actual = 0;
  const bool in = (urb->endpoint & 0x80) != 0;
  if (urb->type == USBDEVFS_URB_TYPE_CONTROL && length >= kSetupSize) {
    ControlCall call{bytes[0], bytes[1], static_cast<uint16_t>(bytes[2] | bytes[3] << 8),
                     static_cast<uint16_t>(bytes[4] | bytes[5] << 8), static_cast<uint16_t>(bytes[6] | bytes[7] << 8)};
    controls_.push_back(call);
    if (stall_) {
      status = -EPIPE;
    } else if ((call.requestType & 0x80) != 0) {
      const std::vector<uint8_t> block = statusBlock();
      actual = std::min<size_t>({call.length, block.size(), length - kSetupSize});
      if (shorten_ >= 0) actual = std::min(actual, static_cast<size_t>(shorten_));
      std::memcpy(bytes + kSetupSize, block.data(), actual);
    }
  } else if (urb->type == USBDEVFS_URB_TYPE_BULK) {
    if (stall_) {
      status = -EPIPE;
    } else if (in) {
      actual = std::min(length, bulkIn_.size());
      if (shorten_ >= 0) actual = std::min(actual, static_cast<size_t>(shorten_));
      if (actual > 0) std::memcpy(bytes, bulkIn_.data(), actual);
      bulkIn_.erase(bulkIn_.begin(), bulkIn_.begin() + static_cast<std::ptrdiff_t>(actual));
    } else {
      bulkOut_.insert(bulkOut_.end(), bytes, bytes + length);
      actual = length;
    }
  } else {
    status = -EINVAL;
  }
  stall_ = false;
  shorten_ = -1;
  urb->status = status;
  urb->actual_length = static_cast<int>(actual);
  done_.push_back(urbData);
  umockdev_ioctl_data_unref(buffer);
  umockdev_ioctl_client_complete(client, 0, 0);
  return true;
}

bool FakeUnit::reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  if (done_.empty()) {
    umockdev_ioctl_client_complete(client, -1, EAGAIN);
    return true;
  }
  UMockdevIoctlData* urbData = done_.front();
  done_.erase(done_.begin());
  UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
  umockdev_ioctl_data_set_ptr(slot, 0, urbData);
  umockdev_ioctl_client_complete(client, 0, 0);
  umockdev_ioctl_data_unref(slot);
  umockdev_ioctl_data_unref(urbData);
  return true;
}

bool FakeUnit::discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  gulong address = 0;
  std::memcpy(&address, arg->data, sizeof address);
  for (auto it = flying_.begin(); it != flying_.end(); ++it) {
    if ((*it)->client_addr != address) continue;
    Urb(*it)->status = -ENOENT;
    Urb(*it)->actual_length = 0;
    done_.push_back(*it);
    flying_.erase(it);
    ++discards_;
    umockdev_ioctl_client_complete(client, 0, 0);
    return true;
  }
  umockdev_ioctl_client_complete(client, -1, EINVAL);
  return true;
}

EmulatedBus::EmulatedBus() : testbed_(umockdev_testbed_new()) {
  if (testbed_ == nullptr) ADD_FAILURE() << "umockdev testbed could not be made";
}

EmulatedBus::~EmulatedBus() {
  g_object_unref(testbed_);
  for (UMockdevIoctlBase* h : handlers_) g_object_unref(h);
}

void EmulatedBus::nodesForRootOnly() {
  gchar* dir = umockdev_testbed_get_root_dir(testbed_);  // the caller's to free
  const std::filesystem::path root = dir;
  g_free(dir);
  std::error_code ec;
  // The root takes the event sockets a udev monitor makes, whoever runs it.
  std::filesystem::permissions(root, std::filesystem::perms(01777), ec);
  for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec)) {
    if (e.is_socket()) {  // umockdev's own ways in, which every user of the testbed needs
      std::filesystem::permissions(e.path(), std::filesystem::perms(0777), ec);
      continue;
    }
    const bool node = e.path().string().find("/dev/bus/usb/") != std::string::npos && !e.is_directory();
    const auto perms = e.is_directory() ? std::filesystem::perms(0755)
                       : node           ? std::filesystem::perms(::geteuid() == 0 ? 0600 : 0)
                                        : std::filesystem::perms(0644);
    std::filesystem::permissions(e.path(), perms, ec);
  }
}

void EmulatedBus::addRootHub(int bus) {
  std::ostringstream path;
  path << "/devices/usb" << bus;
  add(path.str(), bus, 1, Hex(Descriptors(0x1D6B, 0x0002, 0x09)));
}

FakeUnit& EmulatedBus::addDevice(const BusDevice& dev, uint8_t id) {
  units_.push_back(std::make_unique<FakeUnit>(id));
  FakeUnit& unit = *units_.back();
  // The handler goes on before the device appears, so the node answers from the first open.
  UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
  g_signal_connect(handler, "handle-ioctl", G_CALLBACK(OnIoctl), &unit);
  handlers_.push_back(handler);
  GError* error = nullptr;
  if (!umockdev_testbed_attach_ioctl(testbed_, DevNode(dev.bus, dev.address).c_str(), handler, &error)) {
    ADD_FAILURE() << (error != nullptr ? error->message : "attach_ioctl failed");
    g_clear_error(&error);
  }
  add(SysPath(dev), dev.bus, dev.address, Hex(Descriptors(dev.vendor, dev.product, dev.deviceClass)));
  return unit;
}

std::string EmulatedBus::SysPath(const BusDevice& dev) {
  // The sysfs name is "<bus>-<ports>", below the hubs "<bus>-<leading ports>" up to the root.
  std::ostringstream path;
  path << "/devices/usb" << dev.bus;
  for (size_t dot = dev.ports.find('.'); dot != std::string::npos; dot = dev.ports.find('.', dot + 1))
    path << '/' << dev.bus << '-' << dev.ports.substr(0, dot);
  path << '/' << dev.bus << '-' << dev.ports;
  return path.str();
}

void EmulatedBus::removeDevice(const BusDevice& dev) {
  const std::string path = "/sys" + SysPath(dev);
  umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
  umockdev_testbed_remove_device(testbed_, path.c_str());
}

void EmulatedBus::add(const std::string& sysPath, int bus, int address, const std::string& descriptors) {
  const std::string node = DevNode(bus, address);
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "E: BUSNUM=%03d\nE: DEVNUM=%03d\n", bus, address);
  // "\\n" is umockdev's escape for the newline that ends a sysfs attribute's value.
  std::ostringstream record;
  record << "P: " << sysPath << "\n"
         << "N: " << node.substr(5) << "\n"
         << "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
         << numbers
         << "E: DEVNAME=" << node << "\n"
         << "A: busnum=" << bus << "\\n\n"
         << "A: devnum=" << address << "\\n\n"
         << "A: bConfigurationValue=1\\n\n"
         << "A: speed=480\\n\n"
         << "H: descriptors=" << descriptors << "\n";
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, record.str().c_str(), &error)) {
    ADD_FAILURE() << (error != nullptr ? error->message : "add_from_string failed");
    g_clear_error(&error);
  }
}

}  // namespace zarvo::test
