#pragma once
// Everything the core asks of a screen. The desktop window draws it with widgets, the
// terminal prints it, tests record it. Lamps, step pictures and progress bars are kept as a
// model here (StatusModel) so every front end shows the same state; a front end only
// renders status() when statusChanged() is called.

#include <array>
#include <string>

#include "base/status_model.h"

namespace zarvo {

enum class Icon { None, Error, Warning, Information };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

// What CheckUnits shows and hides when the unit list changes.
struct UnitControls {
  bool runPanel = false;       // RunPanel and its Go label shown and enabled
  bool resetControls = false;  // Reset_Button and Reset_Option enabled
  bool bottomStrip = false;    // Control1 enabled
  std::array<bool, 4> panels{};  // D1_Panel .. D4_Panel shown and enabled
};

class Ui {
 public:
  virtual ~Ui() = default;

  // A modal message box. An empty title is a box without a title.
  virtual Answer messageBox(const std::string& text, const std::string& title = "",
                            Icon icon = Icon::None, Buttons buttons = Buttons::Ok) = 0;

  // Adds text at the end of the message pane of the batch page; each "\n" in it starts a
  // new line. Written whatever page is showing.
  virtual void appendMessage(const std::string& text) = 0;

  // Why a unit could not be opened, when that is a cause of its own ("unit busy: used by
  // another program", permission denied): said after the failure text of the road that
  // needed the unit. The window writes it as a message-pane line; the terminal on stderr.
  virtual void reportUnitProblem(const std::string& text) { appendMessage(text); }

  // Switches the batch page's inner pages to the message pane (Message_bat).
  virtual void showMessagePage() {}

  // The main window's page that is showing.
  virtual Page activePage() const = 0;

  // Lets pending window messages be processed (paint, input, timers).
  virtual void processEvents() {}

  // Unit presence (CheckUnits) and the driver fields Win_Driver_1..4 (panel 1..4).
  virtual void setUnitControls(const UnitControls&) {}
  virtual void setDriverText(int /*panel*/, const std::string& /*text*/) {}
  virtual void setDriverRed(int /*panel*/, bool /*red*/) {}
  // The port path of the unit a panel stands for (empty: no unit), as the driver field's tooltip.
  virtual void setDriverPort(int /*panel*/, const std::string& /*port*/) {}

  // The DeviceCheck timer, stopped while a window-mode run works.
  virtual void setDeviceCheckTimer(bool /*running*/) {}
  // The whole main window is disabled while a run works.
  virtual void setMainWindowEnabled(bool /*enabled*/) {}

  // Window-mode panel fields written by a run: Win_sum_N and Win_Type_N (panel 1..4).
  virtual void setPanelSum(int /*panel*/, const std::string& /*text*/) {}
  virtual void setPanelType(int /*panel*/, int /*item*/) {}

  // Lamps, step pictures and progress bars.
  void setLamp(int state);
  void setStepImage(int code);
  void setProgress(ProgressBar bar, int value);
  void addProgress(ProgressBar bar, int delta);
  void showAllLamps();
  const StatusModel& status() const { return status_; }

 protected:
  virtual void statusChanged() {}

 private:
  StatusModel status_;
};

}  // namespace zarvo
