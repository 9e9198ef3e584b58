#include <cstdio>

#include "cli/commands.h"

namespace zarvo::cli {

int RunImage(const Args&) {
  std::fprintf(stderr, "zarvo-r5-cli image: not built yet\n");
  return 1;
}

}  // namespace zarvo::cli
