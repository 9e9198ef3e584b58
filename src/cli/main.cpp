#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/file_write.h"
#include "cli/commands.h"

namespace {

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "zarvo-r5-cli " ZARVO_VERSION ": drive ZARVO R5 ROM emulator units from a terminal.\n\n"
               "Usage: zarvo-r5-cli COMMAND [OPTIONS]\n       zarvo-r5-cli --version\n\nCommands:\n");
  for (const auto& c : zarvo::cli::Commands()) std::fprintf(to, "  %-8s %s\n", c.name, c.summary);
  std::fprintf(to,
               "\nEvery command takes --settings FILE (use that settings file instead of locating one)\n"
               "and --help. Set ZARVO_R5_SIM to run on simulated units (see the README).\n");
}

}  // namespace

int main(int argc, char** argv) {
  // A load allocates and frees several blocks of megabytes (the file's copy, the HEX image,
  // the growing image). Kept on the heap instead of fresh mappings, a freed block is reused
  // by the next one instead of being faulted in page by page again.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  // Ended by a signal part way through a write, no temporary file is left behind.
  zarvo::RemoveTemporaryFilesOnSignals();
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  std::string name = argv[1];
  if (name == "--version" || name == "-V") {
    std::printf("zarvo-r5-cli %s\n", ZARVO_VERSION);
    return 0;
  }
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  for (const auto& c : zarvo::cli::Commands()) {
    if (name == c.name) return c.run(zarvo::cli::Args(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "zarvo-r5-cli: unknown command '%s'\n\n", name.c_str());
  PrintUsage(stderr);
  return 2;
}
