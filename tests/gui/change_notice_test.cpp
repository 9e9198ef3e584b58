// The file watch in the window: a changed file brings up the notice; Yes runs only the
// watched device's panel and gives the check boxes back; "Don't show" turns notices off.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "gui/change_notice.h"
#include "gui/controls.h"
#include "gui/watch_host.h"
#include "gui/widget_ui.h"
#include "gui_rig.h"

namespace zarvo::test {
namespace {

void Touch(const std::string& path, time_t t) {
  const timespec times[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(ChangeNotice, AChangeShowsTheNoticeAndYesRunsOnlyTheWatchedPanel) {
  GuiRig rig;
  const std::string fw = rig.dir.write("fw.bin", ReadFileBytes(std::string(ZARVO_SAMPLES_DIR) + "/boot.bin"));
  Touch(fw, 1700000000);
  rig.languageDirs = {ZARVO_SOURCE_LANG_DIR};
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=0\r\nSourceIndex=2\r\nLang=English\r\n"
                                          "[LoadDlg]\r\nOK=1\r\n[Device1]\r\nCheck=1\r\nName=" + fw +
                                          "\r\n[Device2]\r\nCheck=0\r\nICType=5\r\nFormat=0\r\nName=" + fw + "\r\n");
  auto& w = rig.start();
  EXPECT_TRUE(rig.boxes.empty());
  EXPECT_TRUE(w.fileTimer().isActive());
  EXPECT_EQ(w.fileWatch().watchedPath(), fw);

  Touch(fw, 1700000100);
  w.fileWatch().timerTick();
  auto* notice = w.findChild<gui::ChangeNotice*>("ChangeNotice");
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->windowTitle(), "Device2");
  EXPECT_EQ(notice->size(), QSize(280, 120));
  EXPECT_TRUE(notice->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(notice->label()->text(), "File is Changed!!");
  EXPECT_TRUE(notice->label()->font().bold());
  Screenshot(notice, "change-notice");

  notice->findChild<QAbstractButton*>("Yes")->click();
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_1")->text(), "----------------");  // panel 1 did not run
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_2")->text(), "004E1FFD");
  // Nobody watches this run: what Auto Detect found is a pane line, not a box to click.
  EXPECT_TRUE(rig.boxTexts().empty()) << rig.boxTexts().front();
  EXPECT_NE(rig.paneText().find("Binary Code File"), std::string::npos);
  EXPECT_EQ(rig.unit(1)->mode, 0x1000);
  EXPECT_TRUE(rig.find<QCheckBox>("Win_check_1")->isChecked());
  EXPECT_FALSE(rig.find<QCheckBox>("Win_check_2")->isChecked());

  // A second change: "Don't show" turns the notices off; the watch goes on.
  Touch(fw, 1700000200);
  w.fileWatch().timerTick();
  notice = w.watchHost().notice();
  ASSERT_NE(notice, nullptr);
  notice->findChild<QAbstractButton*>("DontShow")->click();
  EXPECT_FALSE(rig.find<QCheckBox>("Message_Switch")->isChecked());
  EXPECT_TRUE(w.fileTimer().isActive());
  rig.close();
  EXPECT_NE(ReadFileText(rig.settingsFile()).find("MessageCheck=0"), std::string::npos);
}

TEST(ChangeNotice, ANewerChangeReplacesTheNoticeOnScreen) {
  GuiRig rig;
  const std::string fw = rig.dir.writeText("fw.hex", ":00000001FF\n");
  Touch(fw, 1700000000);
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=0\r\n[Device1]\r\nName=" + fw + "\r\n");
  auto& w = rig.start();
  for (time_t t : {1700000010, 1700000020}) {
    Touch(fw, t);
    w.fileWatch().timerTick();
  }
  QApplication::processEvents();
  int visible = 0;
  for (auto* n : w.findChildren<gui::ChangeNotice*>()) visible += n->isVisible() ? 1 : 0;
  EXPECT_EQ(visible, 1);
}

TEST(ChangeNotice, ANoticeThatFallsDueDuringARunShowsAtOnce) {
  GuiRig rig;
  rig.noticeSlideMs = 240;  // a slide needs the event loop, which a run holds
  const std::string fw = rig.dir.write("fw.bin", ReadFileBytes(std::string(ZARVO_SAMPLES_DIR) + "/boot.bin"));
  Touch(fw, 1700000000);
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=0\r\n[LoadDlg]\r\nOK=1\r\n[Device1]\r\nCheck=1\r\n"
                                          "ICType=5\r\nName=" + fw + "\r\n");
  auto& w = rig.start();
  ASSERT_TRUE(w.fileTimer().isActive());
  // The file changes while the run shows its first box; the tick comes inside that box.
  rig.onBox = [&](const gui::BoxRequest&) {
    if (w.watchHost().notice() != nullptr) return;
    Touch(fw, 1700000100);
    w.fileWatch().timerTick();
  };
  w.runClick();
  gui::ChangeNotice* notice = w.watchHost().notice();
  ASSERT_NE(notice, nullptr);
  const QRect area = notice->screen()->availableGeometry();
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->y(), area.bottom() + 1 - notice->height());
}

}  // namespace
}  // namespace zarvo::test
