#include "cli/commands.h"

namespace zarvo::cli {

// Each command lives in its own cmd_*.cpp file.
int RunImage(const Args& args);

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands{
      {"image", "load a firmware file and write the image it makes", RunImage},
  };
  return commands;
}

}  // namespace zarvo::cli
