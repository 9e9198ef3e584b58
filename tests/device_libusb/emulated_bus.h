#pragma once
// A USB bus emulated with umockdev for the libusb backend's tests: devices appear in a
// umockdev testbed (sysfs, udev properties, /dev/bus/usb nodes), and a unit's usbfs node
// answers the ioctls libusb sends (claim, release, submit, reap, discard) from a small model.
// The test binary links libumockdev-preload, which reroutes libusb's file and ioctl calls
// into the testbed.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace zarvo::test {

// One setup packet as it left the host.
struct ControlCall {
  uint8_t requestType;
  uint8_t request;
  uint16_t value;
  uint16_t index;
  uint16_t length;
  bool operator==(const ControlCall&) const = default;
};

// The unit behind one usbfs node. Its ioctls arrive on umockdev's handler thread, so every
// piece of state is guarded by one mutex.
class FakeUnit {
 public:
  explicit FakeUnit(uint8_t id) : id_(id) {}
  ~FakeUnit();
  FakeUnit(const FakeUnit&) = delete;
  FakeUnit& operator=(const FakeUnit&) = delete;

  // The 16 bytes a status request returns: the unit's id, then 1..15; or, once it reports
  // passing, a passed check with a configuration code and the id in byte 12.
  std::vector<uint8_t> statusBlock() const;
  void reportPassing(uint16_t configCode);

  // Fault injection, each for the next transfer only.
  void stallNext();              // the unit answers with a STALL
  void holdNext();               // the unit never answers; only a discard frees the transfer
  void shortenNext(int bytes);   // an IN transfer delivers only this many bytes
  void unplug();                 // every later submit fails as on a vanished device
  void claimedElsewhere();       // another program holds the interface: claims fail with EBUSY

  void setBulkInData(std::vector<uint8_t> data);

  std::vector<ControlCall> controls() const;
  std::vector<uint8_t> bulkOut() const;
  std::vector<int> claimed() const;
  std::vector<int> released() const;
  size_t discards() const;

  bool handle(UMockdevIoctlClient* client);

 private:
  bool submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  bool reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  bool discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg);

  uint8_t id_;
  int config_ = -1;
  mutable std::mutex mu_;
  bool stall_ = false;
  bool hold_ = false;
  int shorten_ = -1;
  bool unplugged_ = false;
  bool claimedElsewhere_ = false;
  std::vector<uint8_t> bulkIn_;
  std::vector<ControlCall> controls_;
  std::vector<uint8_t> bulkOut_;
  std::vector<int> claimed_;
  std::vector<int> released_;
  size_t discards_ = 0;
  std::vector<UMockdevIoctlData*> done_;    // answered, waiting to be reaped
  std::vector<UMockdevIoctlData*> flying_;  // held, waiting for a discard
};

struct BusDevice {
  int bus;
  std::string ports;  // "2" or "2.4": the port path below the root hub
  int address;
  uint16_t vendor;
  uint16_t product;
  uint8_t deviceClass = 0;  // 9 for a hub
};

class EmulatedBus {
 public:
  EmulatedBus();
  ~EmulatedBus();
  EmulatedBus(const EmulatedBus&) = delete;
  EmulatedBus& operator=(const EmulatedBus&) = delete;

  void addRootHub(int bus);
  // A device with one interface holding a bulk OUT (0x01) and a bulk IN (0x82) endpoint;
  // its usbfs node is served by the returned unit model.
  FakeUnit& addDevice(const BusDevice& dev, uint8_t id);
  // As on a machine without the udev rule: every user may read the bus (sysfs), only root
  // may open the devices' nodes (run as root, a test drops to another user to see it).
  void nodesForRootOnly();
  // Pulls a device added before: it leaves sysfs and /dev/bus/usb with a "remove" event.
  void removeDevice(const BusDevice& dev);

 private:
  static std::string SysPath(const BusDevice& dev);
  void add(const std::string& sysPath, int bus, int address, const std::string& descriptors);

  UMockdevTestbed* testbed_;
  std::vector<std::unique_ptr<FakeUnit>> units_;
  std::vector<UMockdevIoctlBase*> handlers_;
};

}  // namespace zarvo::test
