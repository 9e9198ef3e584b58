#include "cli/commands.h"

namespace zarvo::cli {

// Each command lives in its own cmd_*.cpp file.
int RunImage(const Args& args);
int RunUnits(const Args& args);
int RunBlink(const Args& args);
int RunReset(const Args& args);
int RunScript(const Args& args);
int RunCheck(const Args& args);

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands{
      {"image", "load a firmware file and write the image it makes", RunImage},
      {"units", "self test the attached units and list Device 1..4", RunUnits},
      {"blink", "blink Device N's LED to find it", RunBlink},
      {"reset", "set (or pulse) the target reset line on every unit", RunReset},
      {"run", "run a batch script on the attached units", RunScript},
      {"check", "check a batch script without touching a unit", RunCheck},
  };
  return commands;
}

}  // namespace zarvo::cli
