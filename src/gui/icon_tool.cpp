// Writes the application icon as a PNG of the given size (the build installs a 256 px one
// beside the SVG).
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

#include "gui/pictures.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: zarvo-r5-icon SIZE OUT.png\n");
    return 2;
  }
  return zarvo::gui::AppIconPixmap(std::atoi(argv[1])).save(argv[2]) ? 0 : 1;
}
