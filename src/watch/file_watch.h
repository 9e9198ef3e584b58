#pragma once
// The file watch: every 3 s while it is on, the watched file's stamp is compared with the
// one last seen; a change slides in a notice that offers to run the file (the watched
// device's panel in window mode, or the batch script with the work file). Also the hand-off
// of a path given on the command line. The window implements WatchHost; the decisions live
// here, headless.

#include <string>
#include <vector>

#include "base/status_model.h"

namespace zarvo {

// What the watch reads and sets on the window. Setting an item or a check box runs that
// control's own reaction, as a user's change would (WatchFile_option's runs
// FileWatch::optionClick again).
class WatchHost {
 public:
  virtual ~WatchHost() = default;
  virtual int watchFileOption() const = 0;  // 0 on, 1 off
  virtual void setWatchFileOption(int item) = 0;
  virtual int watchFileSource() const = 0;  // 0 a device's file, 1 the batch work file
  virtual int sendtoPath() const = 0;       // 0 Win_Source_1, 1 work_file_bat
  virtual void setWatchFileSource(int item) = 0;
  virtual int sendtoOption() const = 0;     // 0 run after hand-off, 1 do not run
  virtual std::string deviceFileText() const = 0;
  virtual bool panelShown(int n) const = 0;
  virtual std::string sourceText(int n) const = 0;  // Win_Source_N
  virtual void setSourceText(int n, const std::string& text) = 0;
  virtual std::string workFileText() const = 0;     // work_file_bat
  virtual void setWorkFileText(const std::string& text) = 0;
  virtual bool messageSwitch() const = 0;
  virtual void setMessageSwitch(bool checked) = 0;
  virtual void setMessageSwitchEnabled(bool enabled) = 0;
  virtual void setDeviceFileEnabled(bool enabled) = 0;
  virtual void setFileTimer(bool running) = 0;
  virtual void setAutoRun(bool running) = 0;
  virtual Page activePage() const = 0;
  virtual void setActivePage(Page page) = 0;
  virtual bool panelChecked(int n) const = 0;
  virtual void setPanelChecked(int n, bool checked) = 0;
  // A box with the error icon titled "Error", over the main window or with no owner.
  virtual void errorBox(const std::string& text, bool owned) = 0;
  // A plain box with an OK button, captioned with the application title.
  virtual void plainBox(const std::string& text) = 0;
  // One notice at a time: a new one takes the place of one still on screen.
  virtual void showChangeNotice(const std::string& title, const std::string& text) = 0;
  // Starts a run as the Run picture does (on the page showing).
  virtual void runClick() = 0;
  // Lets pending window messages be processed.
  virtual void processEvents() = 0;
};

enum class NoticeChoice { Yes, No, DontShow };

class FileWatch {
 public:
  explicit FileWatch(WatchHost& host) : host_(host) {}

  // Start-up: the watched path is Win_Source_1 or the work file, and its stamp is noted.
  void startUp();
  // WatchFile_option's reaction: arms (or disarms) the watch.
  void optionClick();
  // FormShow's arming: as optionClick, but a watch of no file at all (a first start) goes
  // off without a box.
  void armAtStart();
  // The path of the device DeviceFile names, shown or not (its unit may come later); empty
  // when DeviceFile names no device.
  void selectWatchedDeviceFile();
  // The tick's test; a vanished file turns the watch off.
  bool fileChanged();
  // FileTimer's reaction.
  void timerTick();
  // DeviceFile's reaction: the new device's file, from its current stamp on, while the watch
  // follows a device's file.
  void deviceFileClick();
  // WatchFile_source (or Sendto_path) changed: a watch that is on follows the new source.
  void sourceClick();
  // Yes on the notice: the watched device's panel alone, or the batch script.
  void runChangedFile();
  void noticeAnswer(NoticeChoice choice);

  const std::string& watchedPath() const { return watchedPath_; }
  const std::string& watchedStamp() const { return watchedStamp_; }
  std::string& noticeText() { return noticeText_; }

  // While the settings load, arming waits: FormShow arms once every key is in place.
  void setLoading(bool loading) { loading_ = loading; }

 private:
  WatchHost& host_;
  std::string watchedPath_;
  std::string watchedStamp_ = "0";
  std::string noticeText_;
  bool loading_ = false;
  bool arming_ = false;  // the source mirror fires while arming sets it
  bool startArming_ = false;
};

// The hand-off of a path on the command line (args: the arguments after the program name).
void TakeHandedInPath(WatchHost& host, const std::vector<std::string>& args);

}  // namespace zarvo
