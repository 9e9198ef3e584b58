#include "device/simulated_backend.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

namespace zarvo {

std::string SimRequest::text() const {
  char buf[48];
  if (kind == 'W' || kind == 'R')
    std::snprintf(buf, sizeof buf, "%c %u%s", kind, count, failed ? " FAIL" : flipped ? " FLIP" : "");
  else
    std::snprintf(buf, sizeof buf, "%c %04X %04X%s", kind, value, index, failed ? " FAIL" : "");
  return buf;
}

SimUnit::SimUnit(int slot, uint16_t code, const std::string& dir)
    : configCode(code), memory(SimMemorySize(code), 0xFF), slot_(slot) {
  if (dir.empty()) return;
  std::error_code made;
  std::filesystem::create_directories(dir, made);  // a folder that does not exist yet is made
  const std::string base = (std::filesystem::path(dir) / ("unit" + std::to_string(slot + 1))).string();
  const std::string binPath = base + ".bin";
  // A unit keeps what it held in the last run; a missing or odd-sized file is made whole.
  // The file is never cut first: another process may be writing it right now.
  // Not handed to programs this one starts: a child would keep the unit's lock.
  bin_ = std::fopen(binPath.c_str(), "rb+e");
  if (!bin_) bin_ = std::fopen(binPath.c_str(), "wb+e");
  if (!bin_) {
    fileError = "cannot write " + binPath;
  } else {
    const size_t got = readMemory();
    struct stat st {};
    const bool whole = ::fstat(::fileno(bin_), &st) == 0 && static_cast<uint64_t>(st.st_size) == memory.size();
    // Made whole only while nobody holds the unit; the holder's file is as it must be.
    if (!whole && ::flock(::fileno(bin_), LOCK_EX | LOCK_NB) == 0) {
      std::fill(memory.begin() + static_cast<std::ptrdiff_t>(got), memory.end(), uint8_t{0xFF});
      if (std::fseek(bin_, 0, SEEK_SET) != 0 || std::fwrite(memory.data(), 1, memory.size(), bin_) != memory.size() ||
          std::fflush(bin_) != 0 || ::ftruncate(::fileno(bin_), static_cast<off_t>(memory.size())) != 0)
        fileError = "cannot write " + binPath;
      ::flock(::fileno(bin_), LOCK_UN);
    }
  }
  logFile_ = std::fopen((base + ".log").c_str(), "ae");
  if (!logFile_) fileError = "cannot write " + base + ".log";
}

size_t SimUnit::readMemory() {
  if (!bin_ || std::fseek(bin_, 0, SEEK_SET) != 0) return 0;
  const size_t got = std::fread(memory.data(), 1, memory.size(), bin_);
  std::clearerr(bin_);
  std::fill(memory.begin() + static_cast<std::ptrdiff_t>(got), memory.end(), uint8_t{0xFF});
  return got;
}

bool SimUnit::acquire() {
  if (!bin_) return true;
  if (::flock(::fileno(bin_), LOCK_EX | LOCK_NB) != 0) return errno != EWOULDBLOCK;
  readMemory();  // what the last holder left, in this process or another
  return true;
}

void SimUnit::release() {
  if (bin_) ::flock(::fileno(bin_), LOCK_UN);
}

SimUnit::~SimUnit() {
  if (bin_) std::fclose(bin_);
  if (logFile_) std::fclose(logFile_);
}

std::vector<std::string> SimUnit::logLines() const {
  std::vector<std::string> lines;
  lines.reserve(log.size());
  for (const SimRequest& r : log) lines.push_back(r.text());
  return lines;
}

void SimUnit::failNext(char kind, uint32_t nth, SimFaultAction action) {
  const auto k = static_cast<unsigned char>(kind) & 0x7F;
  faults_.push_back({kind, counts_[k] + nth, action});
}

std::array<uint8_t, 16> SimUnit::statusBlock() const {
  std::array<uint8_t, 16> s{};
  auto put = [&s](size_t at, uint16_t v) {
    s[at] = static_cast<uint8_t>(v & 0xFF);
    s[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  put(0, state);
  put(2, failAddress);
  put(4, failData);
  put(6, page);
  put(8, static_cast<uint16_t>(resetLevel));
  put(10, configCode);
  return s;
}

std::optional<SimFaultAction> SimUnit::injected(char kind) {
  const auto k = static_cast<unsigned char>(kind) & 0x7F;
  const uint32_t n = ++counts_[k];
  for (const Pending& f : faults_)
    if (f.kind == kind && f.at == n) return f.action;
  return std::nullopt;
}

void SimUnit::hang() {
  // A unit that does not answer keeps the caller waiting as long as the link lets it.
  std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
  lastError = UsbError::Timeout;
}

void SimUnit::record(const SimRequest& r) {
  log.push_back(r);
  if (logFile_) {
    std::fprintf(logFile_, "%s\n", r.text().c_str());
    std::fflush(logFile_);
  }
}

void SimUnit::persist(uint32_t offset, uint32_t n) {
  if (!bin_) return;
  if (std::fseek(bin_, static_cast<long>(offset), SEEK_SET) != 0 ||
      std::fwrite(memory.data() + offset, 1, n, bin_) != n || std::fflush(bin_) != 0)
    fileError = "cannot write unit" + std::to_string(slot_ + 1) + ".bin";
}

bool SimUnit::control(char letter, uint16_t value, uint16_t index, uint8_t* data, uint16_t length) {
  SimRequest r{letter, value, index, 0, false};
  bool ok = true;
  const std::optional<SimFaultAction> fault = injected(letter);
  if (fault == SimFaultAction::Hang) {
    hang();
    r.failed = true;
    record(r);
    return false;
  }
  if (fault) {
    ok = false;
  } else {
    switch (letter) {
      case 'B': {
        const auto s = statusBlock();
        if (data) std::memcpy(data, s.data(), std::min<size_t>(length, s.size()));
        break;
      }
      case 'C':
        block_ = index;
        pending_ = 0;
        break;
      case 'L':
      case 'F':
        ok = value == 0x8000 && index > 0;
        pending_ = ok ? letter : 0;
        pendingLength_ = index;
        break;
      case 'S':
        mode = value;
        break;
      case 'T':
        ok = value <= 1;
        if (ok) {
          resetLevel = value;
          resetHistory.push_back(value);
        }
        break;
      case 'U':
        ok = value <= 1;
        if (ok) {
          led = value == 1;
          ledHistory.push_back(value);
        }
        break;
      default:
        ok = false;
    }
  }
  lastError = ok ? UsbError::None : UsbError::Refused;
  r.failed = !ok;
  record(r);
  return ok;
}

bool SimUnit::bulk(char kind, const uint8_t* from, uint8_t* to, uint32_t n) {
  SimRequest r{kind, 0, 0, n, false};
  const bool write = kind == 'W';
  const std::optional<SimFaultAction> fault = injected(kind);
  // Without an announced load (write) or read of exactly this length the unit moves nothing.
  const bool announced = pending_ == (write ? 'L' : 'F') && n == pendingLength_;
  pending_ = 0;
  if (fault == SimFaultAction::Hang) {
    hang();
    r.failed = true;
    record(r);
    return false;
  }
  const bool shortTransfer = fault == SimFaultAction::Fail;
  if (announced) {
    const uint32_t moved = shortTransfer ? n / 2 : n;
    const auto size = static_cast<uint32_t>(memory.size());
    uint32_t offset = static_cast<uint32_t>((static_cast<uint64_t>(block_) * n) % size);
    for (uint32_t done = 0; done < moved;) {
      const uint32_t piece = std::min(moved - done, size - offset);
      if (write) {
        std::memcpy(memory.data() + offset, from + done, piece);
        persist(offset, piece);
      } else {
        std::memcpy(to + done, memory.data() + offset, piece);
      }
      done += piece;
      offset = (offset + piece) % size;
    }
    if (fault == SimFaultAction::Flip && n > 0) {
      // The middle byte of the block arrives inverted: in the memory, or in the host's copy.
      const uint32_t at = static_cast<uint32_t>((static_cast<uint64_t>(block_) * n + n / 2) % size);
      if (write) {
        memory[at] = static_cast<uint8_t>(~memory[at]);
        persist(at, 1);
      } else {
        to[n / 2] = static_cast<uint8_t>(~to[n / 2]);
      }
      r.flipped = true;
    }
  }
  lastError = !announced ? UsbError::Refused : shortTransfer ? UsbError::Short : UsbError::None;
  r.failed = lastError != UsbError::None;
  record(r);
  return !r.failed;
}

bool SimUnit::bulkWrite(const uint8_t* data, uint32_t n) { return bulk('W', data, nullptr, n); }

bool SimUnit::bulkRead(uint8_t* data, uint32_t n) { return bulk('R', nullptr, data, n); }

SimulatedBackend::SimulatedBackend(const SimConfig& config, std::string error) : error_(std::move(error)) {
  build(config);
}

SimulatedBackend::SimulatedBackend(const std::string& slots) {
  SimConfig config;
  if (!ParseSimSlots(slots, config, error_)) return;
  build(config);
}

void SimulatedBackend::build(const SimConfig& config) {
  configured_ = config.slots;
  dir_ = config.dir;
  timeoutMs_ = config.timeoutMs;
  for (int i = 0; i < kSlotCount; ++i) place(i, configured_[static_cast<size_t>(i)]);
  for (const SimFault& f : config.faults)
    if (SimUnit* u = unit(f.slot)) u->failNext(f.kind, f.nth, f.action);
  followSlotsFile();
}

void SimulatedBackend::place(int slot, const SimSlot& entry) {
  const auto i = static_cast<size_t>(slot);
  if (units_[i]) {
    if (open_ == slot) {
      open_ = -1;
      pulledWhileOpen_ = true;
    }
    units_[i].reset();
  }
  slots_[i] = entry;
  if (entry.kind != SimSlotKind::Unit) return;
  units_[i] = std::make_unique<SimUnit>(slot, entry.configCode, dir_);
  plug_[i] = ++plugs_;
  units_[i]->timeoutMs = timeoutMs_;
  if (!units_[i]->fileError.empty() && error_.empty()) error_ = units_[i]->fileError;
}

SimUnit* SimulatedBackend::attach(int slot, uint16_t configCode) {
  if (slot < 0 || slot >= kSlotCount || slots_[static_cast<size_t>(slot)].kind != SimSlotKind::Empty) return nullptr;
  place(slot, {SimSlotKind::Unit, configCode});
  return unit(slot);
}

void SimulatedBackend::detach(int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  place(slot, {});
}

void SimulatedBackend::followSlotsFile() {
  if (dir_.empty()) return;
  std::string text;
  if (std::FILE* f = std::fopen((std::filesystem::path(dir_) / "slots").c_str(), "rb")) {
    char buf[512];
    for (size_t got; (got = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, got);
    std::fclose(f);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty()) text = "-";  // an empty file: every slot empty
  }
  if (text == slotsText_) return;
  std::array<SimSlot, kSlotCount> wanted = configured_;
  std::string error;
  if (!text.empty() && !ParseSlotList(text, wanted, error)) return;  // half-written, or wrong: wait for the next
  slotsText_ = text;
  for (int i = 0; i < kSlotCount; ++i) {
    const SimSlot& want = wanted[static_cast<size_t>(i)];
    const SimSlot& have = slots_[static_cast<size_t>(i)];
    if (want.kind != have.kind || want.configCode != have.configCode) place(i, want);
  }
}

SimUnit* SimulatedBackend::unit(int slot) {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  return units_[static_cast<size_t>(slot)].get();
}

SimUnit* SimulatedBackend::current() {
  followSlotsFile();
  SimUnit* u = open_ >= 0 ? unit(open_) : nullptr;
  // An open device of another product refuses what only a unit answers; a unit pulled out
  // while open leaves a broken link, as libusb reports a device that is gone.
  if (!u) lastError_ = open_ >= 0 ? UsbError::Refused : pulledWhileOpen_ ? UsbError::LinkBroken : UsbError::NoDevice;
  return u;
}

bool SimulatedBackend::settle(const SimUnit& u, bool ok) {
  lastError_ = u.lastError;
  return ok;
}

int SimulatedBackend::slotAt(int devicePath) const {
  if (devicePath < 0) return -1;
  int k = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!units_[static_cast<size_t>(slot)]) continue;
    if (k++ == devicePath) return slot;
  }
  return -1;
}

std::string SimulatedBackend::PortOf(int slot) { return "1-" + std::to_string(slot + 1); }

std::vector<UnitIdentity> SimulatedBackend::identities() {
  followSlotsFile();
  std::vector<UnitIdentity> ids;
  for (int slot = 0; slot < kSlotCount; ++slot)
    if (units_[static_cast<size_t>(slot)]) ids.push_back({PortOf(slot), plug_[static_cast<size_t>(slot)]});
  return ids;
}

UnitIdentity SimulatedBackend::openIdentity() const {
  if (open_ < 0 || !units_[static_cast<size_t>(open_)]) return {};
  return {PortOf(open_), plug_[static_cast<size_t>(open_)]};
}

std::optional<uint16_t> SimulatedBackend::productId(int devicePath) {
  if (devicePath < 0 || devicePath >= kSlotCount) return std::nullopt;
  followSlotsFile();
  if (slotAt(devicePath) < 0) return std::nullopt;
  return kProductId;
}

bool SimulatedBackend::open(int devicePath) {
  close();
  const int slot = productId(devicePath) ? slotAt(devicePath) : -1;
  if (slot < 0) {
    lastError_ = UsbError::NoDevice;
    return false;
  }
  if (SimUnit* u = unit(slot)) {
    if (u->openError != UsbError::None || !u->acquire()) {
      lastError_ = u->openError != UsbError::None ? u->openError : UsbError::Busy;
      return false;
    }
  }
  open_ = slot;
  pulledWhileOpen_ = false;
  lastError_ = UsbError::None;
  return true;
}

void SimulatedBackend::close() {
  if (SimUnit* u = unit(open_)) u->release();
  open_ = -1;
  pulledWhileOpen_ = false;
}

bool SimulatedBackend::controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length) {
  SimUnit* u = current();
  return u && settle(*u, u->control(static_cast<char>(request), value, index, data, length));
}

bool SimulatedBackend::controlOut(uint8_t request, uint16_t value, uint16_t index) {
  return controlIn(request, value, index, nullptr, 0);
}

bool SimulatedBackend::bulkWrite(const uint8_t* data, uint32_t n) {
  SimUnit* u = current();
  return u && settle(*u, u->bulkWrite(data, n));
}

bool SimulatedBackend::bulkRead(uint8_t* data, uint32_t n) {
  SimUnit* u = current();
  return u && settle(*u, u->bulkRead(data, n));
}

std::string SimulatedBackend::describe() const {
  return error_.empty() ? "simulated units" : "simulated units (" + error_ + ")";
}

}  // namespace zarvo
