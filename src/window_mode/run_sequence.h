#pragma once
// The window-mode run: every ticked, visible device panel in turn, Device 1 first. For each
// panel the source file is checked, the unit is found, identified by its LED and opened,
// and RunPanelWorkFlow loads the file, downloads it, optionally verifies it and holds the
// target in reset around the download, then hands the unit's memory to the target.
//
// The desktop window copies its controls into Panels and RunOptions, calls these, and keeps
// the Panels it passed (an Auto Detect choice is written back into them). Everything else
// reaches the screen through Ui: lamps, step pictures, ProgressBar1, message boxes,
// Win_sum_N (setPanelSum), Win_Type_N (setPanelType), the DeviceCheck timer and the main
// window's enabled state.

#include <array>
#include <functional>

#include "device/device_context.h"
#include "device/transfer.h"
#include "image/image_buffer.h"
#include "window_mode/panel.h"

namespace zarvo {

struct WindowModeContext {
  DeviceContext device;  // link, run state, settings, screen, clock
  ImageBuffer& image;
};

enum class PanelOutcome { NotRun, Passed, Failed };

struct WindowRunResult {
  std::array<PanelOutcome, kPanelCount> outcome{};
  // Where the read-back differed from the image (count 0: it did not, or no verify ran);
  // such a panel failed.
  std::array<VerifyDifference, kPanelCount> difference{};
  // A preparation step (no file name, missing file, unit not found) ended the whole run.
  bool endedEarly = false;
  bool anyRun() const;
  bool allPassed() const;  // every panel that ran passed
};

// What one panel's work flow needs beyond the device's load parameters, which the caller
// has already put into image.request() and rs.StartText.
struct PanelJob {
  int panel = 1;  // 1..4
  std::string workFile;
  std::string startAddress;  // the panel's hexadecimal start address, without "0x"
  std::string typeText;
  std::string dataSetText;
};

// The loop over the panels. Panels whose Auto Detect choice was made get their type item
// and text replaced, so the next run uses the chosen type.
WindowRunResult RunWindowMode(WindowModeContext& ctx, Panels& panels, const RunOptions& options);

// One panel's work flow on the open unit; true when the unit holds the image and every
// step it ran agreed. A verify difference, or a reset-line step that failed, fails it; the
// difference goes to *difference when given.
bool RunPanelWorkFlow(WindowModeContext& ctx, const PanelJob& job, const RunOptions& options,
                      VerifyDifference* difference = nullptr);

// The box a window-mode verify that found a difference ends its panel with.
inline constexpr const char* kVerifyErrorText = "Error !! Verify check error ...";

// The Run picture: window page runs the panels with the main window disabled and DeviceCheck
// stopped; any other page sets the pass lamp and runs the batch script through runBatch.
WindowRunResult RunClick(WindowModeContext& ctx, Panels& panels, const RunOptions& options,
                         const std::function<void()>& runBatch);

// The body of the AutoRun tick (the caller has already stopped AutoRun): with Sendto_option
// at item 0 the panels run. Returns true: the caller then closes the main window, which
// saves the settings and ends the program.
bool AutoRunTick(WindowModeContext& ctx, Panels& panels, const RunOptions& options, int sendtoOption,
                 WindowRunResult* result = nullptr);

}  // namespace zarvo
