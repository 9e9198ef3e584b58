#pragma once
// What the program sets up around the main window: the application's name, font and style,
// the icon, where language tables are found besides StartDir/Lang, and the end on SIGINT,
// SIGTERM or SIGHUP, which closes the main window as a user would (settings saved).

#include <QString>

#include <string>
#include <vector>

class QApplication;

namespace zarvo::gui {

class MainWindow;

// Name "ZARVO R5", a font with CJK glyphs, the window style.
void SetUpApplication(QApplication& app);

// share/zarvo-r5/Lang beside the program's bin folder, the installed data folder's Lang, and
// the source tree's lang/ for a program that runs from its build tree.
std::vector<std::string> DefaultLanguageDirs(const QString& programDir);

// From now on SIGINT, SIGTERM and SIGHUP end the program as closing the main window does.
// Signals that arrive before the window exists are kept and acted on once SetQuitTarget
// names it (a window built with quitOnSignals names itself as its construction begins).
void InstallQuitOnSignals();
void SetQuitTarget(MainWindow* window);

}  // namespace zarvo::gui
