#pragma once
// What the core asks of the screen, done with the main window's widgets: message boxes
// through the window's box seam, lines appended to the message pane, the lamps, step
// pictures and progress bars drawn from the status model, the unit controls and the panel
// fields a run writes.

#include "base/ui.h"

namespace zarvo::gui {

class MainWindow;

class WidgetUi : public Ui {
 public:
  explicit WidgetUi(MainWindow& window) : w_(window) {}

  Answer messageBox(const std::string& text, const std::string& title, Icon icon, Buttons buttons) override;
  void appendMessage(const std::string& text) override;
  void showMessagePage() override;
  Page activePage() const override;
  void processEvents() override;
  void setUnitControls(const UnitControls& c) override;
  void setDriverText(int panel, const std::string& text) override;
  void setDriverRed(int panel, bool red) override;
  void setDriverPort(int panel, const std::string& port) override;
  void setDeviceCheckTimer(bool running) override;
  void setMainWindowEnabled(bool enabled) override;
  void setPanelSum(int panel, const std::string& text) override;
  void setPanelType(int panel, int item) override;

  // A box with no owner window ("File is not exist !!" of the watch tick).
  Answer unownedBox(const std::string& text, const std::string& title, Icon icon);

 protected:
  void statusChanged() override;

 private:
  MainWindow& w_;
};

}  // namespace zarvo::gui
