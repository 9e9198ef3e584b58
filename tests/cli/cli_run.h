#pragma once
// Runs the built zarvo-r5-cli (path in ZARVO_CLI) and collects exit status and output.

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace zarvo::test {

struct CliResult {
  int status = -1;
  std::string out, err;
};

inline CliResult RunCli(const TempDir& dir, const std::vector<std::string>& args) {
  const char* cli = std::getenv("ZARVO_CLI");
  std::string cmd = cli ? cli : ZARVO_CLI_PATH;
  for (const std::string& a : args) cmd += " '" + a + "'";
  const std::string out = dir.file("cli.out"), err = dir.file("cli.err");
  cmd += " >" + out + " 2>" + err;
  const int raw = std::system(cmd.c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadFileText(out);
  r.err = ReadFileText(err);
  return r;
}

}  // namespace zarvo::test
