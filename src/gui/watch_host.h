#pragma once
// The file watch's view of the main window: its option controls, panels, fields, timers and
// boxes, and the change notice (one at a time).

#include <QPointer>

#include "watch/file_watch.h"

namespace zarvo::gui {

class ChangeNotice;
class MainWindow;

class WindowWatchHost : public WatchHost {
 public:
  WindowWatchHost(MainWindow& window, int slideMs) : w_(window), slideMs_(slideMs) {}

  int watchFileOption() const override;
  void setWatchFileOption(int item) override;
  int watchFileSource() const override;
  int sendtoPath() const override;
  void setWatchFileSource(int item) override;
  int sendtoOption() const override;
  std::string deviceFileText() const override;
  bool panelShown(int n) const override;
  std::string sourceText(int n) const override;
  void setSourceText(int n, const std::string& text) override;
  std::string workFileText() const override;
  void setWorkFileText(const std::string& text) override;
  bool messageSwitch() const override;
  void setMessageSwitch(bool checked) override;
  void setMessageSwitchEnabled(bool enabled) override;
  void setDeviceFileEnabled(bool enabled) override;
  void setFileTimer(bool running) override;
  void setAutoRun(bool running) override;
  Page activePage() const override;
  void setActivePage(Page page) override;
  bool panelChecked(int n) const override;
  void setPanelChecked(int n, bool checked) override;
  void errorBox(const std::string& text, bool owned) override;
  void plainBox(const std::string& text) override;
  void showChangeNotice(const std::string& title, const std::string& text) override;
  void runClick() override;
  void processEvents() override;

  ChangeNotice* notice() const { return notice_; }

 private:
  MainWindow& w_;
  int slideMs_;
  QPointer<ChangeNotice> notice_;
};

}  // namespace zarvo::gui
