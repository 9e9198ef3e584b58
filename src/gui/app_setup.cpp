#include "gui/app_setup.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QPointer>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "gui/main_window.h"
#include "gui/pictures.h"

#ifndef ZARVO_DATA_DIR
#define ZARVO_DATA_DIR ""
#endif
#ifndef ZARVO_SOURCE_LANG_DIR
#define ZARVO_SOURCE_LANG_DIR ""
#endif
#ifndef ZARVO_BUILD_DIR
#define ZARVO_BUILD_DIR ""
#endif

namespace zarvo::gui {

namespace {

const char* kStyle = R"(
QWidget#MainForm { background: #EEF1F4; }
QTabWidget::pane { border: 1px solid #C8D0D8; border-radius: 4px; background: #F7F9FA; top: -1px; }
QTabBar::tab { padding: 4px 12px; border: 1px solid #C8D0D8; border-bottom: none; background: #E2E7EC;
               border-top-left-radius: 4px; border-top-right-radius: 4px; margin-right: 2px; }
QTabBar::tab:selected { background: #F7F9FA; }
QFrame#D1_Panel, QFrame#D2_Panel, QFrame#D3_Panel, QFrame#D4_Panel {
  background: #FFFFFF; border: 1px solid #C8D0D8; border-radius: 6px; }
QFrame#Control1 { background: #FFFFFF; border: 1px solid #C8D0D8; border-radius: 6px; }
QGroupBox { border: 1px solid #C8D0D8; border-radius: 5px; margin-top: 9px; padding-top: 3px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: #24292F; }
QLineEdit[role="sum"] { background: #E9EDF1; color: #24292F; }
QLabel[role="go"] { font-weight: bold; color: #1F7A37; }
QLabel[role="sign"] { font-weight: bold; color: #57606A; }
QLabel[role="hint"] { color: #57606A; padding: 12px; border: 1px dashed #C8D0D8; border-radius: 6px; background: #FFFFFF; }
QPlainTextEdit[role="pane"] { background: #FFFFFF; }
)";

int signalPipe[2] = {-1, -1};
bool pendingQuit = false;
QPointer<MainWindow> quitTarget;

void OnSignal(int) {
  const char b = 1;
  // Nothing else is safe inside a signal handler; the notifier does the rest.
  [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &b, 1);
}

}  // namespace

void SetUpApplication(QApplication& app) {
  // The task-bar name. No display name: X11 would append " — ZARVO R5" to every title, and
  // the titles are the program's own ("LoadDlg", "Error"); an untitled box shows this name.
  QApplication::setApplicationName("ZARVO R5");
  QFont font("DejaVu Sans", 9);
  font.setFamilies({"DejaVu Sans", "Noto Sans CJK TC", "Noto Sans CJK SC"});
  QApplication::setFont(font);
  app.setStyleSheet(kStyle);
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) icon.addPixmap(AppIconPixmap(size));
  QApplication::setWindowIcon(icon);
  InstallPictureAccessibility();
}

std::vector<std::string> DefaultLanguageDirs(const QString& programDir) {
  std::vector<std::string> dirs;
  // Installed: bin/zarvo-r5 beside share/zarvo-r5/Lang, wherever the tree was unpacked.
  const QString beside = QDir(programDir + "/../share/zarvo-r5/Lang").canonicalPath();
  if (!beside.isEmpty()) dirs.push_back(beside.toStdString());
  if (*ZARVO_DATA_DIR) dirs.push_back(std::string(ZARVO_DATA_DIR) + "/Lang");
  // A program in its build tree finds the tables of the source tree it was built from.
  const QString build = QDir(QString::fromUtf8(ZARVO_BUILD_DIR)).canonicalPath();
  const QString here = QDir(programDir).canonicalPath();
  if (*ZARVO_SOURCE_LANG_DIR && !build.isEmpty() && (here == build || here.startsWith(build + "/")))
    dirs.push_back(ZARVO_SOURCE_LANG_DIR);
  return dirs;
}

void InstallQuitOnSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char b;
    [[maybe_unused]] ssize_t n = ::read(signalPipe[0], &b, 1);
    if (quitTarget)
      quitTarget->requestQuit();
    else
      pendingQuit = true;
  });
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  // A closed terminal (SIGHUP) ends the program as SIGTERM does. A signal the program was
  // started with ignored (nohup, a background job) stays ignored.
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old = {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) sigaction(sig, &sa, nullptr);
  }
}

void SetQuitTarget(MainWindow* window) {
  quitTarget = window;
  if (pendingQuit && window != nullptr) window->requestQuit();
}

}  // namespace zarvo::gui
