#pragma once
// A Ui that records every call, for tests. Message boxes are answered from a queue of
// answers (default: OK / Yes, the default button).

#include <deque>
#include <string>
#include <vector>

#include "base/ui.h"

namespace zarvo::test {

struct BoxCall {
  std::string text;
  std::string title;
  Icon icon;
  Buttons buttons;
};

class RecordingUi : public Ui {
 public:
  Answer messageBox(const std::string& text, const std::string& title, Icon icon, Buttons buttons) override;
  void appendMessage(const std::string& text) override;
  void showMessagePage() override { ++messagePageShown; }
  Page activePage() const override { return page; }
  void processEvents() override { ++eventsProcessed; }
  void setUnitControls(const UnitControls& c) override { unitControls = c; ++unitControlCalls; }
  void setDriverText(int panel, const std::string& text) override;
  void setDriverRed(int panel, bool red) override;
  void setDriverPort(int panel, const std::string& port) override {
    if (panel >= 1 && panel <= 4) driverPort[panel] = port;
  }
  void setDeviceCheckTimer(bool running) override { timerCalls.push_back(running); }
  void setMainWindowEnabled(bool enabled) override { windowEnabledCalls.push_back(enabled); }
  void setPanelSum(int panel, const std::string& text) override;
  void setPanelType(int panel, int item) override;

  // The message pane's lines, split at "\n" as the pane shows them.
  std::vector<std::string> paneLines() const { return pane; }
  // Titles and texts of the boxes shown, in order.
  std::vector<std::string> boxTexts() const;
  // Every call in order, as one line each ("box:TEXT", "pane:TEXT", "lamp:3", "step:10", ...).
  std::vector<std::string> log;

  Page page = Page::Window;
  std::deque<Answer> answers;  // consumed by messageBox; empty: OK for Ok/OkCancel, Yes for YesNo
  std::vector<BoxCall> boxes;
  std::vector<std::string> pane;  // starts empty (no lines)
  int messagePageShown = 0;
  int eventsProcessed = 0;
  UnitControls unitControls;
  int unitControlCalls = 0;
  std::string driverText[5];
  bool driverRed[5] = {};
  std::string driverPort[5];
  std::vector<bool> timerCalls;
  std::vector<bool> windowEnabledCalls;
  std::string panelSum[5];
  int panelType[5] = {-1, -1, -1, -1, -1};
  std::vector<int> lampCalls;
  std::vector<int> stepCalls;

 protected:
  void statusChanged() override {}
};

}  // namespace zarvo::test
