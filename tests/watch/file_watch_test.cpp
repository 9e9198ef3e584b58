// The file watch and the hand-off against a window that records what it is told; time
// stamps are set with utimensat, never waited for.
#include "watch/file_watch.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "temp_dir.h"
#include "watch/file_stamp.h"

namespace zarvo {
namespace {

using test::TempDir;

// A window: controls as fields; setting WatchFile_option runs the watch's reaction, as the
// desktop window's value-change signal does.
class FakeHost : public WatchHost {
 public:
  int watchFileOption() const override { return option; }
  void setWatchFileOption(int item) override {
    if (item == option) return;
    option = item;
    if (watch) watch->optionClick();
  }
  int watchFileSource() const override { return source; }
  int sendtoPath() const override { return sendto; }
  void setWatchFileSource(int item) override { source = sendto = item; }
  int sendtoOption() const override { return runAfter; }
  std::string deviceFileText() const override { return deviceFile; }
  bool panelShown(int n) const override { return shown[n - 1]; }
  std::string sourceText(int n) const override { return sources[n - 1]; }
  void setSourceText(int n, const std::string& t) override { sources[n - 1] = t; }
  std::string workFileText() const override { return work; }
  void setWorkFileText(const std::string& t) override { work = t; }
  bool messageSwitch() const override { return message; }
  void setMessageSwitch(bool on) override { message = on; }
  void setMessageSwitchEnabled(bool on) override { messageEnabled = on; }
  void setDeviceFileEnabled(bool) override {}
  void setFileTimer(bool on) override { timer = on; }
  void setAutoRun(bool on) override { autoRun = on; }
  Page activePage() const override { return page; }
  void setActivePage(Page p) override { page = p; }
  bool panelChecked(int n) const override { return checks[n - 1]; }
  void setPanelChecked(int n, bool on) override { checks[n - 1] = on; }
  void errorBox(const std::string& text, bool owned) override { boxes.push_back(text + (owned ? "" : " (no owner)")); }
  void plainBox(const std::string& text) override { boxes.push_back(text); }
  void showChangeNotice(const std::string& title, const std::string& text) override {
    notices.push_back(title + ": " + text);
  }
  void runClick() override {
    runs.push_back(std::string(page == Page::Batch ? "batch" : "window") + " " + std::to_string(checks[0]) +
                   std::to_string(checks[1]) + std::to_string(checks[2]) + std::to_string(checks[3]));
  }
  void processEvents() override {}

  FileWatch* watch = nullptr;
  int option = 1, source = 0, sendto = 0, runAfter = 1;
  std::string deviceFile = "1";
  bool shown[4] = {true, true, true, true};
  std::string sources[4];
  std::string work;
  bool message = true, messageEnabled = false, timer = false, autoRun = false;
  Page page = Page::Window;
  bool checks[4] = {true, false, true, false};
  std::vector<std::string> boxes, notices, runs;
};

struct Rig {
  Rig() { host.watch = &watch; watch.noticeText() = "File is Changed!!"; }
  // Sets the file's last-write time to 2026-03-01 10:00:00 local time plus seconds.
  void stamp(const std::string& path, int seconds) {
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 2;
    tm.tm_mday = 1;
    tm.tm_hour = 10;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm) + seconds;
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  // Turns the watch on as a user's click does.
  void arm() { host.setWatchFileOption(0); }

  TempDir dir;
  FakeHost host;
  FileWatch watch{host};
};

TEST(FileStamp, TwoSecondSlotsMidnightAndMissingFiles) {
  Rig r;
  const std::string f = r.dir.writeText("fw.hex", ":00000001FF\n");
  r.stamp(f, 0);
  EXPECT_EQ(FileStampText(f), "2026-03-01 10:00:00");
  r.stamp(f, 1);
  EXPECT_EQ(FileStampText(f), "2026-03-01 10:00:00");  // the same 2-second slot
  r.stamp(f, -10 * 3600);
  EXPECT_EQ(FileStampText(f), "2026-03-01");  // exactly midnight: the date alone
  EXPECT_EQ(FileStampText(r.dir.file("none")), "0");
  EXPECT_EQ(FileStampText(r.dir.path().string()), "0");  // a folder is no file
  EXPECT_FALSE(StampsDiffer("2026-03-01", "2026-03-01 00:00:00"));
  EXPECT_TRUE(StampsDiffer("2026-03-01 10:00:00", "2026-03-01 10:00:02"));
  EXPECT_TRUE(StampsDiffer("0", "2026-03-01"));
}

TEST(FileWatch, ArmsOnTheWatchedDevicesFileAndReportsOneChangePerSlot) {
  Rig r;
  r.host.sources[1] = r.dir.writeText("dev2.hex", "x");
  r.stamp(r.host.sources[1], 0);
  r.host.deviceFile = "2";
  r.arm();
  EXPECT_TRUE(r.host.timer);
  EXPECT_TRUE(r.host.messageEnabled);
  EXPECT_EQ(r.watch.watchedPath(), r.host.sources[1]);

  r.watch.timerTick();
  EXPECT_TRUE(r.host.notices.empty());
  r.stamp(r.host.sources[1], 1);  // a second write within the same slot
  r.watch.timerTick();
  EXPECT_TRUE(r.host.notices.empty());
  r.stamp(r.host.sources[1], 4);
  r.watch.timerTick();
  r.watch.timerTick();
  EXPECT_EQ(r.host.notices, std::vector<std::string>{"Device2: File is Changed!!"});

  // Yes: only the watched device's panel runs, and the check boxes come back as they were.
  r.host.page = Page::Setup1;
  r.watch.noticeAnswer(NoticeChoice::Yes);
  EXPECT_EQ(r.host.runs, std::vector<std::string>{"window 0100"});
  EXPECT_EQ(r.host.page, Page::Window);
  EXPECT_TRUE(r.host.checks[0] && !r.host.checks[1] && r.host.checks[2] && !r.host.checks[3]);
}

TEST(FileWatch, WithMessagesOffAChangeIsRecordedAndNothingShown) {
  Rig r;
  r.host.sendto = r.host.source = 1;
  r.host.work = r.dir.writeText("work.bin", "x");
  r.stamp(r.host.work, 0);
  r.arm();
  r.host.message = false;
  r.stamp(r.host.work, 10);
  r.watch.timerTick();
  EXPECT_TRUE(r.host.notices.empty());
  r.host.message = true;  // switched on later: the earlier change is not reported
  r.watch.timerTick();
  EXPECT_TRUE(r.host.notices.empty());
  r.stamp(r.host.work, 20);
  r.watch.timerTick();
  EXPECT_EQ(r.host.notices, std::vector<std::string>{"Batch Mode: File is Changed!!"});
  r.watch.noticeAnswer(NoticeChoice::DontShow);
  EXPECT_FALSE(r.host.message);
  EXPECT_TRUE(r.host.timer);  // the watch keeps running
  r.watch.noticeAnswer(NoticeChoice::Yes);
  EXPECT_EQ(r.host.runs, std::vector<std::string>{"batch 1010"});
}

TEST(FileWatch, ArmingFailsWithoutAFileAndAVanishedFileTurnsTheWatchOff) {
  struct Case {
    const char* name;
    std::function<void(Rig&)> set;
  };
  const std::vector<Case> cases = {
      {"empty device file", [](Rig&) {}},
      {"device 3's file missing", [](Rig& r) {
         r.host.sources[2] = r.dir.file("d3.hex");
         r.host.deviceFile = "3";
       }},
      {"DeviceFile not a device", [](Rig& r) {
         r.host.sources[0] = r.dir.writeText("d1.hex", "x");
         r.host.deviceFile = "01";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    c.set(r);
    r.arm();
    EXPECT_EQ(r.host.option, 1);
    EXPECT_FALSE(r.host.timer);
    EXPECT_FALSE(r.host.messageEnabled);
    EXPECT_EQ(r.host.boxes, std::vector<std::string>{"File does not exist !!"});
  }

  for (Page page : {Page::Window, Page::Setup2}) {
    Rig r;
    r.host.sources[0] = r.dir.writeText("d1.hex", "x");
    r.arm();
    std::filesystem::remove(r.host.sources[0]);
    r.host.page = page;
    r.watch.timerTick();
    EXPECT_EQ(r.host.option, 1);
    EXPECT_FALSE(r.host.timer);
    // The box only over the mode pages.
    EXPECT_EQ(r.host.boxes.size(), page == Page::Window ? 1u : 0u);
  }
}

TEST(FileWatch, AtStartAWatchOfNoFileIsOffWithoutABoxAndAMissingNamedFileStillSays) {
  Rig empty;
  empty.host.option = 0;  // WatchMode 0 of a first start, device 1 without a file
  empty.watch.armAtStart();
  EXPECT_EQ(empty.host.option, 1);
  EXPECT_FALSE(empty.host.timer);
  EXPECT_TRUE(empty.host.boxes.empty());
  Rig missing;
  missing.host.option = 0;
  missing.host.sources[0] = missing.dir.file("gone.hex");
  missing.watch.armAtStart();
  EXPECT_EQ(missing.host.boxes, std::vector<std::string>{"File does not exist !!"});
}

TEST(FileWatch, AHiddenPanelKeepsTheWatchOnItsFileAndItsChangesWaitForTheUnit) {
  Rig r;
  r.host.sources[2] = r.dir.writeText("d3.hex", "x");
  r.stamp(r.host.sources[2], 0);
  r.host.deviceFile = "3";
  r.host.shown[2] = false;  // its unit is not plugged in yet
  r.arm();
  EXPECT_EQ(r.host.option, 0);
  EXPECT_TRUE(r.host.timer);
  EXPECT_TRUE(r.host.boxes.empty());
  EXPECT_EQ(r.watch.watchedPath(), r.host.sources[2]);
  r.stamp(r.host.sources[2], 10);
  r.watch.timerTick();
  EXPECT_TRUE(r.host.notices.empty());  // nothing could run: recorded only
  r.host.shown[2] = true;               // the unit arrives
  r.stamp(r.host.sources[2], 20);
  r.watch.timerTick();
  EXPECT_EQ(r.host.notices, std::vector<std::string>{"Device3: File is Changed!!"});
}

TEST(FileWatch, DeviceFileMovesTheWatchOnlyWhileItFollowsADevice) {
  Rig r;
  r.host.work = r.dir.writeText("w.bin", "x");
  r.host.sources[1] = r.dir.writeText("d2.hex", "x");
  r.host.sendto = r.host.source = 1;
  r.arm();
  ASSERT_EQ(r.watch.watchedPath(), r.host.work);
  r.host.deviceFile = "2";
  r.watch.deviceFileClick();
  EXPECT_EQ(r.watch.watchedPath(), r.host.work);
  r.host.sendto = r.host.source = 0;
  r.watch.deviceFileClick();
  EXPECT_EQ(r.watch.watchedPath(), r.host.sources[1]);
}

TEST(FileWatch, LoadingDefersArmingAndAChangedSourceFollowsAtOnce) {
  Rig r;
  r.watch.setLoading(true);
  r.arm();  // WatchMode 0 read while the rest is still to come
  EXPECT_FALSE(r.host.timer);
  EXPECT_TRUE(r.host.boxes.empty());
  r.watch.setLoading(false);
  r.host.sources[0] = r.dir.writeText("d1.hex", "x");
  r.watch.optionClick();  // FormShow
  EXPECT_TRUE(r.host.timer);
  EXPECT_EQ(r.watch.watchedPath(), r.host.sources[0]);

  r.host.work = r.dir.writeText("w.bin", "x");
  r.host.sendto = r.host.source = 1;
  r.watch.sourceClick();
  EXPECT_EQ(r.watch.watchedPath(), r.host.work);
  // Choosing another device reads its stamp: the choice is not itself a change.
  r.host.sendto = r.host.source = 0;
  r.host.sources[3] = r.dir.writeText("d4.hex", "x");
  r.host.deviceFile = "4";
  r.watch.deviceFileClick();
  EXPECT_EQ(r.watch.watchedPath(), r.host.sources[3]);
  r.watch.timerTick();
  EXPECT_TRUE(r.host.notices.empty());
}

TEST(HandOff, ArgumentsAndOptions) {
  struct Case {
    std::vector<std::string> args;
    int sendto, runAfter;
    std::string source1, work;
    bool autoRun;
    std::vector<std::string> boxes;
  };
  const std::vector<Case> cases = {
      {{}, 0, 0, "", "", false, {}},
      {{"/fw/a.hex"}, 0, 0, "/fw/a.hex", "", true, {}},
      {{"/fw/a.hex"}, 1, 0, "", "/fw/a.hex", true, {}},
      {{"/fw/a.hex"}, 0, 1, "/fw/a.hex", "", false, {}},
      {{"0"}, 0, 0, "0", "", false, {}},
      {{"/my", "fw.hex"}, 0, 0, "", "", false, {"Too Many File....\n"}},
  };
  for (const Case& c : cases) {
    FakeHost h;
    h.sendto = h.source = c.sendto;
    h.runAfter = c.runAfter;
    TakeHandedInPath(h, c.args);
    EXPECT_EQ(h.sources[0], c.source1);
    EXPECT_EQ(h.work, c.work);
    EXPECT_EQ(h.autoRun, c.autoRun);
    EXPECT_EQ(h.boxes, c.boxes);
  }
}

}  // namespace
}  // namespace zarvo
