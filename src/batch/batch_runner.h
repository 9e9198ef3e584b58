#pragma once
// The batch script runner: each command line of the command pane is parsed and run on the
// unit it names (find, load, download, verify, reset, back to the target), with its results
// in the message pane, the batch progress bar and the batch lamp.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/path_resolver.h"
#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"
#include "device/device_context.h"
#include "device/transfer.h"
#include "image/image_buffer.h"

namespace zarvo {

// What one command line did, for reports such as a JUnit file.
struct LineResult {
  bool ok = false;        // the line ended with "Success!!": the unit holds the image
  VerifyDifference difference;  // where its verify found the unit differing (count 0: not)
  bool differs() const { return difference.count > 0; }
};

struct BatchContext {
  DeviceContext dev;  // the unit link, run-wide values, settings file, screen and clock
  ImageBuffer& image;
  const PathResolver& resolver;
  std::string addrText;  // panel 1's address edit Win_addr_1, for the saved start text
  // Called around every command line (0-based index), for reports such as a JUnit file:
  // when it starts, once its image is loaded (after the range and sum line, before anything
  // goes to the unit), and when it ends.
  std::function<void(int index)> lineStarted = {};
  std::function<void(int index)> lineLoaded = {};
  std::function<void(int index, const LineResult& result)> lineEnded = {};
};

// What a run did, for callers that need a result (the terminal's exit status).
struct BatchSummary {
  int commandLines = 0;  // lines that were run (not blank)
  int failedLines = 0;   // lines that did not reach "Success!!"
  int mismatchLines = 0; // of those, lines whose verify found a difference
  bool noScript = false; // "No bat code...."
};

// Runs every line of the script. The Ui's page showing must be the batch page.
BatchSummary RunBatch(BatchContext& ctx, const std::vector<std::string>& script);

// Runs line index (0-based) after ParseBatchLine; parseError is the parser's refusal, if any.
// A verify that found a difference, or a reset-line switch that failed, fails the line.
bool RunBatchLine(BatchContext& ctx, int index, const std::string& line, const std::string& parseError,
                  LineResult* result = nullptr);

// Finds Device n and blinks it; not found: "\nError!! USB Device-n is not connect...", fail lamp.
bool FindBatchUnit(BatchContext& ctx, int n);

// The chunk switch /Nn: checks the file holds chunk n of the IC size and, when no start
// switch was given, makes the start text "/S" + the chunk's offset in decimal.
bool ApplyChunk(BatchContext& ctx, int64_t n);

}  // namespace zarvo
