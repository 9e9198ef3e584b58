// zarvo-r5: the desktop program. Simulated units with ZARVO_R5_SIM, as in zarvo-r5-cli.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/settings_location.h"
#include "gui/app_setup.h"
#include "gui/main_window.h"

namespace {

constexpr const char* kHelp =
    "zarvo-r5 " ZARVO_VERSION ": the desktop program for ZARVO R5 ROM emulator units.\n"
    "\n"
    "Usage: zarvo-r5 [FILE]\n"
    "       zarvo-r5 --help | --version\n"
    "\n"
    "Opens the main window: window mode (four device panels), batch mode, and two option\n"
    "pages. FILE, when given (a file manager's \"Open with\" hands one in), goes to device 1's\n"
    "source field or to the batch work file, as Option-1 says; with \"run after hand-off\" on,\n"
    "the ticked panels run one second after start-up and the program then closes itself.\n"
    "Two or more arguments are refused with \"Too Many File....\".\n"
    "\n"
    "Files: TovanHistory_1.ini in the start folder, else the one the registry file\n"
    "$XDG_CONFIG_HOME/ZARVO_R5/registry.ini names, else $XDG_CONFIG_HOME/ZARVO_R5/\n"
    "TovanHistory_1.ini (~/.config when XDG_CONFIG_HOME is unset); captions from\n"
    "Lang/<language>.ini below the start folder, else the installed share/zarvo-r5/Lang.\n"
    "\n"
    "Environment: ZARVO_R5_SIM, ZARVO_R5_SIM_DIR and ZARVO_R5_SIM_FAIL run on simulated units\n"
    "as in zarvo-r5-cli; ZARVO_R5_SCREENSHOT=FILE.png saves a picture of the window as it\n"
    "closes; QT_QPA_PLATFORM=offscreen runs without a display.\n"
    "\n"
    "SIGINT, SIGTERM and SIGHUP close the program as closing its window does (settings\n"
    "saved), whatever box is open.\n"
    "Exit status: 0 after the window closed; 1 when the settings could not be saved then, or\n"
    "when the run after a hand-off failed or ran no panel; 2 for a malformed ZARVO_R5_SIM.\n";

}  // namespace

int main(int argc, char** argv) {
  // Asked before any window exists, so they work without a display.
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
    std::printf("zarvo-r5 %s\n", ZARVO_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  zarvo::gui::SetUpApplication(app);
  zarvo::gui::InstallQuitOnSignals();

  zarvo::gui::MainWindowOptions options;
  for (int i = 1; i < argc; ++i) options.args.emplace_back(argv[i]);
  options.userSettingsFile = zarvo::UserSettingsFile();
  options.languageDirs = zarvo::gui::DefaultLanguageDirs(QCoreApplication::applicationDirPath());
  std::string backendError;
  options.backend = zarvo::MakeBackendFromEnvironment(&backendError);
  options.quitOnSignals = true;
  if (!backendError.empty()) {
    std::fprintf(stderr, "zarvo-r5: %s\n", backendError.c_str());
    return 2;
  }

  zarvo::gui::MainWindow window(std::move(options));
  // exit, not quit: quit does nothing before the program's own loop runs, and a close can
  // come inside a box's loop even then; exit ends every loop that runs.
  QObject::connect(
      &window, &zarvo::gui::MainWindow::closed, &app, [&window] { QCoreApplication::exit(window.exitStatus()); },
      Qt::QueuedConnection);
  if (!window.quitRequested()) window.show();
  // Closed already, inside a box the first show brought up (a hand-off run ran in it): the
  // quit went to that box's loop, and the program's own would wait for good.
  if (window.hasClosed()) return window.exitStatus();
  const int status = app.exec();
  return window.exitStatus() != 0 ? window.exitStatus() : status;
}
