#include "watch/file_watch.h"

#include "watch/file_stamp.h"

namespace zarvo {

void FileWatch::startUp() {
  watchedPath_ = host_.watchFileSource() == 0 ? host_.sourceText(1) : host_.workFileText();
  watchedStamp_ = FileStampText(watchedPath_);
}

void FileWatch::selectWatchedDeviceFile() {
  watchedPath_.clear();
  const std::string d = host_.deviceFileText();
  if (d.size() == 1 && d[0] >= '1' && d[0] <= '4' && host_.panelShown(d[0] - '0'))
    watchedPath_ = host_.sourceText(d[0] - '0');
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
    host_.errorBox("File does not exist !!", true);
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
  const std::string title = host_.watchFileSource() != 0 ? "Batch Mode" : "Device" + host_.deviceFileText();
  host_.showChangeNotice(title, noticeText_);
}

void FileWatch::deviceFileClick() {
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
  const std::string d = host_.deviceFileText();
  if (d.size() == 1 && d[0] >= '1' && d[0] <= '4') host_.setPanelChecked(d[0] - '0', true);
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
