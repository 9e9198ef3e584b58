// The GUI suites run the real window offscreen: no display, no sleeps.
#include <QApplication>

#include <cstdlib>

#include <gtest/gtest.h>

#include "gui/app_setup.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  zarvo::gui::SetUpApplication(app);
  return RUN_ALL_TESTS();
}
