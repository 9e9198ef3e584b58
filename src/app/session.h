#pragma once
// One run of the program: the image buffer, the run-wide values and the settings file,
// with the screen and the clock it reports to. The desktop window owns one, the terminal
// program owns one, each test builds its own.

#include <memory>
#include <string>

#include "base/clock.h"
#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"
#include "device/device_context.h"
#include "device/usb_backend.h"
#include "device/usb_link.h"
#include "image/image_buffer.h"
#include "image/load_pipeline.h"

namespace zarvo {

class Session {
 public:
  // Talks to the units MakeBackendFromEnvironment chooses.
  Session(Ui& ui, Clock& clock, std::string settingsPath = {});
  // Talks to the given units (tests hand in a SimulatedBackend).
  Session(Ui& ui, Clock& clock, std::unique_ptr<UsbBackend> backend, std::string settingsPath = {});

  Ui& ui() { return ui_; }
  Clock& clock() { return clock_; }
  RunState& state() { return state_; }
  ImageBuffer& image() { return image_; }
  Profile& profile() { return profile_; }
  LoadContext loadContext() { return {image_, state_, profile_, ui_}; }
  UsbBackend& backend() { return *backend_; }
  UsbLink& link() { return link_; }
  DeviceContext deviceContext() { return {link_, state_, profile_, ui_, clock_}; }

 private:
  Ui& ui_;
  Clock& clock_;
  RunState state_;
  ImageBuffer image_;
  Profile profile_;
  std::unique_ptr<UsbBackend> backend_;
  UsbLink link_;  // after backend_: it closes its unit through it on destruction
};

}  // namespace zarvo
