#pragma once
// A bench for window-mode runs: simulated units, the link over them, a settings file in a
// temporary directory, and a screen that records every lamp, step code, progress move and
// repaint in the order the run produced them.

#include <functional>
#include <string>
#include <vector>

#include "base/profile.h"
#include "base/run_state.h"
#include "counting_clock.h"
#include "device/simulated_backend.h"
#include "device/usb_link.h"
#include "image/image_buffer.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "window_mode/run_sequence.h"

namespace zarvo::test {

// Logs "lamp:N", "step:N", "progress:N" and "repaint" besides what RecordingUi logs.
class StatusRecordingUi : public RecordingUi {
 public:
  void processEvents() override {
    RecordingUi::processEvents();
    log.push_back("repaint");
    if (onRepaint) onRepaint();
  }
  std::function<void()> onRepaint;
  void setDriverText(int panel, const std::string& text) override {
    RecordingUi::setDriverText(panel, text);
    if (onDriverText) onDriverText(panel, text);
  }
  std::function<void(int panel, const std::string& text)> onDriverText;

  // The step codes in order.
  std::vector<int> steps() const { return stepCalls; }
  // The lamp the window page shows; the frames seen as "nwpf" letters.
  int windowLamp() const { return status().lamp(Page::Window).seen(); }
  std::string stepsSeen() const {
    return {status().step(0).seen(), status().step(1).seen(), status().step(2).seen()};
  }

 protected:
  void statusChanged() override {
    const StatusCall& c = status().lastCall();
    switch (c.kind) {
      case StatusCall::Lamp:
        lampCalls.push_back(c.value);
        log.push_back("lamp:" + std::to_string(c.value));
        break;
      case StatusCall::Step:
        stepCalls.push_back(c.value);
        log.push_back("step:" + std::to_string(c.value));
        break;
      case StatusCall::Progress:
        log.push_back("progress:" + std::to_string(c.value));
        break;
      case StatusCall::None: break;
    }
  }
};

struct WindowRig {
  explicit WindowRig(const std::string& slots) : backend(slots), link(backend) { init(); }
  explicit WindowRig(const SimConfig& config) : backend(config), link(backend) { init(); }

  WindowModeContext ctx() { return {DeviceContext{link, rs, profile, ui, clock}, image}; }
  SimUnit& unit(int slot) { return *backend.unit(slot); }

  // A panel ticked and shown, with a file, a type item and a data-set text.
  PanelValues& panel(int n, const std::string& file, int typeItem, const std::string& dataSet = "  8 Bit Every") {
    PanelValues& p = panels[static_cast<size_t>(n - 1)];
    p.ticked = true;
    p.visible = true;
    p.source = file;
    p.typeItem = typeItem;
    p.typeText = TypeItemText(typeItem);
    p.dataSetText = dataSet;
    return p;
  }
  // The load keys the load dialog leaves for a device: fill 0xFF on, binary, from 0. The
  // file is written in one piece: a write per key would reach the disk a dozen times.
  void dialogKeys(int n, const std::string& file) {
    settings_ += "[Device" + std::to_string(n) + "]\nName=" + file +
                 "\nUserFill=255\nUnuserFillCheck=1\nFormat=3\nSourceSAdd=0\nDistSAdd=0\n";
    dir.writeText("TovanHistory_1.ini", "[LoadDlg]\nOK=1\n" + settings_);
  }

  WindowRunResult run() {
    WindowModeContext c = ctx();
    return RunWindowMode(c, panels, options);
  }

  TempDir dir;
  SimulatedBackend backend;
  UsbLink link;
  RunState rs;
  Profile profile;
  StatusRecordingUi ui;
  CountingClock clock;
  ImageBuffer image;
  Panels panels;
  RunOptions options;

 private:
  std::string settings_;
  void init() {
    ui.page = Page::Window;
    profile.setPath(dir.file("TovanHistory_1.ini"));
  }
};

}  // namespace zarvo::test
