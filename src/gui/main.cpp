// zarvo-r5: the desktop program. Simulated units with ZARVO_R5_SIM, as in zarvo-r5-cli.
#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "app/settings_location.h"
#include "device/simulated_backend.h"
#include "gui/app_setup.h"
#include "gui/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  zarvo::gui::SetUpApplication(app);
  zarvo::gui::InstallQuitOnSignals();

  zarvo::gui::MainWindowOptions options;
  for (int i = 1; i < argc; ++i) options.args.emplace_back(argv[i]);
  options.userSettingsFile = zarvo::UserSettingsFile();
  options.languageDirs = zarvo::gui::DefaultLanguageDirs(QCoreApplication::applicationDirPath());
  options.backend = zarvo::MakeBackendFromEnvironment();
  if (auto* sim = dynamic_cast<zarvo::SimulatedBackend*>(options.backend.get()); sim && !sim->error().empty()) {
    std::fprintf(stderr, "zarvo-r5: %s\n", sim->error().c_str());
    return 2;
  }

  zarvo::gui::MainWindow window(std::move(options));
  zarvo::gui::SetQuitTarget(&window);
  QObject::connect(&window, &zarvo::gui::MainWindow::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  if (window.quitRequested()) return app.exec();
  window.show();
  const int status = app.exec();
  zarvo::gui::SetQuitTarget(nullptr);
  return status;
}
