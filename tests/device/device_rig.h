#pragma once
// A simulated bench for device tests: units from a slot list, the link over them, and the
// recording screen and counting clock every operation reports to.

#include <cstdint>
#include <string>

#include "base/profile.h"
#include "base/run_state.h"
#include "counting_clock.h"
#include "device/device_context.h"
#include "device/simulated_backend.h"
#include "device/usb_link.h"
#include "recording_ui.h"

namespace zarvo::test {

struct DeviceRig {
  explicit DeviceRig(const std::string& slots, Page page = Page::Batch) : backend(slots), link(backend) {
    ui.page = page;
  }
  explicit DeviceRig(const SimConfig& config, Page page = Page::Batch) : backend(config), link(backend) {
    ui.page = page;
  }

  DeviceContext ctx() { return {link, rs, profile, ui, clock}; }
  // The unit configuration the self test would have found, and the IC chosen.
  void configure(const std::string& deviceSize, uint32_t icSize) {
    rs.DeviceSize = deviceSize;
    rs.IcSize = rs.EmulationRange = icSize;
  }
  SimUnit& unit(int slot = 0) { return *backend.unit(slot); }
  int lamp() const { return ui.status().lamp(ui.page).seen(); }

  SimulatedBackend backend;
  UsbLink link;
  RunState rs;
  Profile profile;
  RecordingUi ui;
  CountingClock clock;
};

}  // namespace zarvo::test
