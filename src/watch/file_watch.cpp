#include "watch/file_watch.h"

#include "watch/file_stamp.h"

namespace zarvo {

namespace {

// The device DeviceFile's text names: "1" to "4" exactly, else 0 (none).
int WatchedDevice(const std::string& text) {
  return text.size() == 1 && text[0] >= '1' && text[0] <= '4' ? text[0] - '0' : 0;
}

}  // namespace

void FileWatch::startUp() {
  watchedPath_ = host_.watchFileSource() == 0 ? host_.sourceText(1) : host_.workFileText();
  watchedStamp_ = FileStampText(watchedPath_);
}

void FileWatch::selectWatchedDeviceFile() {
  // A panel hides while its unit is unplugged, which says nothing about its file: the watch
  // stays on the file, and whether the panel runs is decided when a change comes.
  watchedPath_.clear();
  const int d = WatchedDevice(host_.deviceFileText());
  if (d != 0) watchedPath_ = host_.sourceText(d);
}

void FileWatch::armAtStart() {
  startArming_ = true;
  optionClick();
  startArming_ = false;
}

void FileWatch::optionClick() {
  if (host_.watchFileOption() == 1) {
    host_.setFileTimer(false);
    host_.setMessageSwitchEnabled(false);
    return;
  }
  if (loading_ || arming_) return;  // armed once all settings are in (FormShow)
  host_.setMessageSwitchEnabled(true);
  host_.setDeviceFileEnabled(true);
  arming_ = true;
  if (host_.sendtoPath() == 0) {
    host_.setWatchFileSource(0);
    selectWatchedDeviceFile();
  } else {
    host_.setWatchFileSource(1);
    watchedPath_ = host_.workFileText();
  }
  arming_ = false;
  const std::string stamp = FileStampText(watchedPath_);
  if (stamp == "0") {
    host_.setWatchFileOption(1);
    host_.setFileTimer(false);
    // A watch of no file at start-up (a first start: the watch is on by default and no file
    // was ever chosen) is simply off; a named file that is missing is worth the box.
    if (!(startArming_ && watchedPath_.empty())) host_.errorBox("File does not exist !!", true);
    return;
  }
  watchedStamp_ = stamp;
  host_.setFileTimer(true);
}

bool FileWatch::fileChanged() {
  if (FileStampText(watchedPath_) == "0") {
    host_.setWatchFileOption(1);
    host_.setFileTimer(false);
    const Page page = host_.activePage();
    if (page == Page::Window || page == Page::Batch) host_.errorBox("File does not exist !!", true);
    return false;
  }
  const std::string current = FileStampText(watchedPath_);
  if (watchedStamp_ == "0" && current == "0") return false;
  return StampsDiffer(watchedStamp_, current);
}

void FileWatch::timerTick() {
  if (host_.watchFileOption() != 0) {
    host_.setFileTimer(false);
    return;
  }
  if (!fileChanged()) return;
  watchedStamp_ = FileStampText(watchedPath_);
  if (watchedStamp_ == "0") {  // gone between the test and this read
    host_.errorBox("File is not exist !!", false);
    host_.setWatchFileOption(1);
    host_.setFileTimer(false);
    return;
  }
  if (!host_.messageSwitch()) return;  // recorded, nothing shown
  // The watched device's unit is not plugged in: nothing could run, the change is recorded.
  if (host_.watchFileSource() == 0) {
    const int d = WatchedDevice(host_.deviceFileText());
    if (d == 0 || !host_.panelShown(d)) return;
  }
  const std::string title = host_.watchFileSource() != 0 ? "Batch Mode" : "Device" + host_.deviceFileText();
  host_.showChangeNotice(title, noticeText_);
}

void FileWatch::deviceFileClick() {
  // DeviceFile names the watched file only while the watch follows a device's file; while it
  // follows the batch work file the choice waits for the source to change.
  if (host_.watchFileSource() != 0) return;
  selectWatchedDeviceFile();
  watchedStamp_ = FileStampText(watchedPath_);
}

void FileWatch::sourceClick() {
  // The watched file follows the choice at once: watching the old one would run the wrong
  // work when it changes.
  if (!loading_ && host_.watchFileOption() == 0) optionClick();
}

void FileWatch::runChangedFile() {
  if (host_.watchFileSource() != 0) {
    host_.setActivePage(Page::Batch);
    host_.runClick();
    return;
  }
  host_.setActivePage(Page::Window);
  bool saved[4];
  for (int n = 1; n <= 4; ++n) {
    saved[n - 1] = host_.panelChecked(n);
    host_.setPanelChecked(n, false);
  }
  if (const int d = WatchedDevice(host_.deviceFileText())) host_.setPanelChecked(d, true);
  host_.runClick();
  for (int n = 1; n <= 4; ++n) host_.setPanelChecked(n, saved[n - 1]);
}

void FileWatch::noticeAnswer(NoticeChoice choice) {
  if (choice == NoticeChoice::Yes) runChangedFile();
  if (choice == NoticeChoice::DontShow) host_.setMessageSwitch(false);
}

void TakeHandedInPath(WatchHost& host, const std::vector<std::string>& args) {
  if (args.empty()) return;
  if (args.size() >= 2) {
    // A path with blanks handed in without quotes arrives as several arguments.
    host.plainBox("Too Many File....\n");
    return;
  }
  const std::string& path = args[0];
  if (host.sendtoPath() == 1) {
    host.setWorkFileText(path);
    host.processEvents();
  } else if (host.sendtoPath() == 0) {
    host.setSourceText(1, path);
    host.processEvents();
  }
  if (host.sendtoOption() != 0)
    host.setAutoRun(false);
  else if (path != "0")
    host.setAutoRun(true);
}

}  // namespace zarvo
