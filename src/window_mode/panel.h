#pragma once
// What the window-mode run reads from the four device panels and the work-flow group, and
// how a panel's type and data-set texts become the switches the load and download use.
// The desktop window copies its controls into these values before a run; a run hands its
// results back through Ui (Win_sum_N, Win_Type_N) and by updating the values it was given.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/run_state.h"

namespace zarvo {

// The source edit's initial text, trailing blank included.
inline constexpr const char* kSourcePlaceholder = "Please select source file ";
// Item 9 of Win_Type_N: the type is chosen from the file size when the run starts.
inline constexpr int kAutoDetectItem = 9;
inline constexpr int kPanelCount = 4;

// One device panel, D1_Panel .. D4_Panel.
struct PanelValues {
  bool ticked = false;   // Win_check_N
  bool visible = false;  // the panel is shown: its unit is attached (the run sets it afresh)
  std::string source = kSourcePlaceholder;   // Win_Source_N
  int typeItem = kAutoDetectItem;            // Win_Type_N item index
  std::string typeText = "   Auto Detect";   // Win_Type_N text
  std::string dataSetText = "  8 Bit Every"; // Win_set_N text
  std::string startAddress = "0000000";      // Win_addr_N, hexadecimal without prefix
};
using Panels = std::array<PanelValues, kPanelCount>;

// The check boxes of the work-flow group; the reset polarity comes from RunState.
struct RunOptions {
  bool confirm = false;  // Confirm_check: read back and compare after the download
  bool reset = false;    // Reset_Check: hold the target in reset around the download
  // Nobody watches the run (a hand-off auto-run, a watch "Yes" run): what Auto Detect finds
  // goes to the message pane instead of a box.
  bool unattended = false;
};

// Text of a Win_Type_N item: rows 0..8 of the IC table, "   Auto Detect" for 9, empty else.
std::string TypeItemText(int item);
// Short IC switch for a type text ("1024K * 8 Bits" included, though no item carries it);
// any other text, "   Auto Detect" among them, comes back unchanged.
std::string TypeTextToSwitch(std::string_view typeText);
// Switch of a data-set text, or nothing when the text names no data set.
std::optional<std::string> DataSetTextSwitch(std::string_view dataSetText);

// Turns the panel's type and data-set texts into the run's switches: the type switch sets
// IcSize and EmulationRange; a known data set becomes DataSetSwitch and the saved copy the
// window-mode load restores, an unknown one leaves both as they were.
void ApplyPanelSwitches(RunState& rs, std::string_view typeText, std::string_view dataSetText);

// The Auto Detect choice for a file of fileSize bytes: the smallest IC that holds it.
struct AutoDetectChoice {
  uint32_t range = 0;    // the new EmulationRange
  int item = 0;          // the item Win_Type_N is set to
  std::string typeText;  // the type text the run then uses
};
AutoDetectChoice ChooseAutoDetect(uint64_t fileSize);

// The panel's start address (hexadecimal digits, at most 8; empty means 0), or nothing
// when the text is not such a number.
std::optional<uint32_t> ParseStartAddress(std::string_view text);

}  // namespace zarvo
