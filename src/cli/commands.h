#pragma once
// The sub-commands of zarvo-r5-cli. Each takes the arguments after its name and returns
// the exit status: 0 success, 1 a load or unit failure, 2 a usage error.

#include <string>
#include <vector>

namespace zarvo::cli {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const Args& args);
};

const std::vector<Command>& Commands();

}  // namespace zarvo::cli
