// How the window looks: every caption set fits its controls, and a tour of the pages and
// states written as pictures. Offscreen the pictures are the widgets' own rendering; under
// Xvfb (scripts/screenshots.sh, QT_QPA_PLATFORM=xcb) they are what the X server shows, and
// the titles are read back from the X server.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QtTest/QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "gui/change_notice.h"
#include "gui/controls.h"
#include "gui/pictures.h"
#include "gui/watch_host.h"
#include "gui_rig.h"

namespace zarvo::test {
namespace {

const std::string kSamples = ZARVO_SAMPLES_DIR;

bool OnX11() { return QGuiApplication::platformName() == "xcb"; }

// What of the shown controls below root is cut: a control outside its parent, a caption
// narrower than its text, a sum field that cannot show its 16 dashes.
std::vector<std::string> Clipped(QWidget* root) {
  std::vector<std::string> out;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisible() || w->isWindow() || QtInternal(w)) continue;
    const std::string name = (w->objectName().isEmpty() ? std::string(w->metaObject()->className())
                                                        : w->objectName().toStdString());
    QWidget* parent = w->parentWidget();
    // Inside the parent's border (a frame's border is drawn over what lies on it).
    const auto* frame = qobject_cast<const QFrame*>(parent);
    const QRect room = frame != nullptr && !qobject_cast<const QLabel*>(parent) ? frame->contentsRect() : parent->rect();
    if (!room.contains(w->geometry()))
      out.push_back(name + " lies outside " + parent->objectName().toStdString());
    int need = 0;
    if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap() && !l->text().isEmpty()) need = l->sizeHint().width();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      // A push button's hint has a style minimum; its caption is what must show.
      need = qobject_cast<QPushButton*>(w) ? b->fontMetrics().horizontalAdvance(QString(b->text()).remove('&')) + 6
                                           : b->sizeHint().width();
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) need = g->minimumSizeHint().width();
    if (auto* e = qobject_cast<QLineEdit*>(w); e && e->objectName().startsWith("Win_sum_"))
      need = e->fontMetrics().horizontalAdvance("----------------") + 8;
    if (need > w->width() + 1) out.push_back(name + " is " + std::to_string(w->width()) + " wide, needs " + std::to_string(need));
  }
  return out;
}

std::string ShotDir() {
  const char* dir = std::getenv("ZARVO_SCREENSHOT_TOUR_DIR");
  return dir != nullptr && *dir ? dir : std::string(ZARVO_SCREENSHOT_DIR) + "/tour";
}

// A picture of a window: from the X server under Xvfb, else the widget's own rendering.
// Names carry the scale factor ("@2x").
std::string Shot(QWidget* w, const std::string& name) {
  QDir().mkpath(QString::fromStdString(ShotDir()));
  const double scale = w->devicePixelRatioF();
  const std::string path = ShotDir() + "/" + name + (scale > 1.01 ? "@" + std::to_string(int(scale + 0.5)) + "x" : "") + ".png";
  QWidget* win = w->window();
  QPixmap pm;
  if (OnX11()) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(win)) << name;
    QApplication::processEvents();
    pm = win->screen()->grabWindow(win->winId());
  } else {
    pm = win->grab();
  }
  EXPECT_TRUE(pm.save(QString::fromStdString(path))) << path;
  return path;
}

// The title the X server holds for a window (what a window manager shows).
std::string X11Title(QWidget* w) {
  const std::string cmd = "xprop -id " + std::to_string(w->winId()) + " _NET_WM_NAME 2>/dev/null";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  const size_t a = out.find('"'), b = out.rfind('"');
  return a != std::string::npos && b > a ? out.substr(a + 1, b - a - 1) : out;
}

struct CaptionSet {
  const char* name;
  const char* lang;  // a language no table exists for gives the built-in captions
};
const CaptionSet kSets[] = {{"builtin", "Klingon"}, {"english", "English"}, {"chinese", "Chinese"}};

std::string Settings(const char* lang, const std::string& extra = "") {
  return std::string("[Option]\r\nWatchMode=1\r\nLang=") + lang + "\r\n[LoadDlg]\r\nOK=1\r\n[Device1]\r\nCheck=1\r\nICType=5\r\nDataSet=1\r\nName=" +
         kSamples + "/boot.bin\r\n[Device2]\r\nName=" + kSamples + "/boot.hex\r\n" + extra;
}

TEST(Look, EveryCaptionSetFitsEveryPageAndTheLoadDialog) {
  for (const CaptionSet& set : kSets) {
    SCOPED_TRACE(set.name);
    GuiRig rig("512Kx8,1024Kx8,512Kx16,512Kx8");
    rig.languageDirs = {ZARVO_SOURCE_LANG_DIR};
    rig.dir.writeText("TovanHistory_1.ini", Settings(set.lang));
    auto& w = rig.start();
    auto* tabs = rig.find<QTabWidget>("PageControl");
    for (int page = 0; page < 4; ++page) {
      tabs->setCurrentIndex(page);
      QApplication::processEvents();
      EXPECT_EQ(Clipped(&w), std::vector<std::string>{}) << "page " << page;
    }
    tabs->setCurrentIndex(0);
    WhenModal([](QWidget* dlg) {
      EXPECT_EQ(Clipped(dlg), std::vector<std::string>{});
      static_cast<QDialog*>(dlg)->reject();
    });
    rig.find<QAbstractButton>("D1_Borwser")->click();
  }
}

void Touch(const std::string& path, time_t t) {
  const timespec times[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(Look, ScreenshotTour) {
  static const char* kPage[4] = {"window", "batch", "option1", "option2"};
  for (const CaptionSet& set : kSets) {
    GuiRig rig("512Kx8,1024Kx8,512Kx16,512Kx8");
    rig.languageDirs = {ZARVO_SOURCE_LANG_DIR};
    rig.dir.writeText("TovanHistory_1.ini", Settings(set.lang, "[Drives]\r\nD=" + kSamples + "\r\n"));
    auto& w = rig.start();
    if (OnX11()) {
      EXPECT_EQ(X11Title(&w), "Zarvo R5 V1.20");
    }
    auto* tabs = rig.find<QTabWidget>("PageControl");
    for (int page = 0; page < 4; ++page) {
      tabs->setCurrentIndex(page);
      QApplication::processEvents();
      Shot(&w, std::string(kPage[page]) + "-" + set.name);
    }
    if (std::string(set.name) != "english") continue;

    // A run's end on both mode pages, then the load dialog of panel 2.
    tabs->setCurrentIndex(0);
    rig.find<QCheckBox>("Confirm_check")->setChecked(true);
    Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
    EXPECT_EQ(rig.find<QLineEdit>("Win_sum_1")->text().size(), 8);
    Shot(&w, "window-run-end");
    tabs->setCurrentIndex(1);
    rig.find<QPlainTextEdit>("RichEdit1")->setPlainText("ZQ D:\\BOOT.BIN /BIN /27512 /#1 /V\nZQ D:\\BOOT.HEX /INTEL_HEX /27512 /#2 /V");
    Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
    Shot(&w, "batch-run-end");
    tabs->setCurrentIndex(0);
    WhenModal([](QWidget* dlg) {
      if (OnX11()) {
        EXPECT_EQ(X11Title(dlg), "LoadDlg");
      }
      Shot(dlg, "load-dialog");
      static_cast<QDialog*>(dlg)->reject();
    });
    rig.find<QAbstractButton>("D2_Borwser")->click();

    // A notice: the watched file changes.
    const std::string fw = rig.dir.write("fw.bin", ReadFileBytes(kSamples + "/boot.bin"));
    Touch(fw, 1700000000);
    tabs->setCurrentIndex(0);
    rig.find<QLineEdit>("Win_Source_1")->setText(QString::fromStdString(fw));
    rig.find<gui::RadioGroup>("WatchFile_option")->setItemIndex(0);
    Touch(fw, 1700000100);
    w.fileWatch().timerTick();
    gui::ChangeNotice* notice = w.watchHost().notice();
    ASSERT_NE(notice, nullptr);
    Shot(notice, "notice");
    if (OnX11()) {
      // Its whole frame on the screen, at the work area's bottom right corner.
      const QRect area = notice->screen()->availableGeometry();
      EXPECT_TRUE(area.contains(notice->frameGeometry())) << notice->frameGeometry().y();
    }
  }
  GuiRig none("");
  none.dir.writeText("TovanHistory_1.ini", Settings("Klingon"));
  auto& w = none.start();
  QApplication::processEvents();
  Shot(&w, "no-unit");
}

}  // namespace
}  // namespace zarvo::test
