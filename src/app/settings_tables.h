#pragma once
// The main window's settings: which keys LoadSettings reads, in which order, into which
// controls, and what SaveSettings writes back at close. The order is part of the behaviour:
// a window applies each assignment to its control one by one, and a control given a new
// value runs its reaction as a user's change would (SendPath and SourceMode mirror each
// other, SignalOption drives the reset line), so a later row can undo an earlier one.

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "base/profile.h"
#include "base/ui.h"

namespace zarvo {

enum class ReadAs {
  Text,
  Integer,
  TextThenInteger,  // read as text, then converted; a text that is no integer counts as 0
};

// What the value is to its control.
enum class ControlKind {
  Text,     // an edit field's text
  Item,     // the item index of a radio group or drop-down list
  Checked,  // a check box: 1 checked (the value read was non-zero), 0 not
};

struct LoadRow {
  std::string section;
  std::string key;
  ReadAs readAs;
  std::string defaultText;  // for Text and TextThenInteger
  int64_t defaultInt;       // for Integer
  std::string control;
  ControlKind kind;
  int items;  // Item controls: the number of items; an index outside 0..items-1 gives the default
};

// The 42 rows in the order they are read.
const std::vector<LoadRow>& LoadTable();

using ControlValue = std::variant<std::string, int64_t>;

struct ControlAssignment {
  std::string control;
  ControlValue value;  // text for Text controls, an integer for Item and Checked ones
};

// Reads the rows from the settings file; the result has one assignment per row, in order.
std::vector<ControlAssignment> LoadSettings(const Profile& profile);

// One device panel's controls (Win_check_N, Win_Type_N, Win_set_N, Win_Source_N, Win_sum_N,
// Win_addr_N).
struct PanelControls {
  bool check = false;
  int icType = 9;  // the tenth item, automatic detection
  int dataSet = 0;
  std::string source;
  std::string sum;
  std::string startAddr;
};

// The values of the controls the settings touch, as the window holds them at close.
struct ControlValues {
  bool confirmCheck = false;         // Confirm_check
  bool resetCheck = false;           // Reset_Check
  std::array<PanelControls, 4> panels;
  std::string workFileBat;           // work_file_bat
  std::string batFileName;           // BatFileName
  int sendtoOption = 1;              // Sendto_option
  int sendtoPath = 0;                // Sendto_path
  int watchFileOption = 0;           // WatchFile_option
  int watchFileSource = 0;           // WatchFile_source
  std::string deviceFile = "1";      // DeviceFile
  std::string langSel = "English";   // Lang_Sel
  int setSignal = 0;                 // SetSignal
  int resetOption = 0;               // Reset_Option (follows SetSignal, never saved)
  std::string delayTime = "0000";    // DelayTime's text
  int64_t resetDelayMs = 300;        // ResetDelayMs, the reset pulse delay in force (what is saved)
  bool messageSwitch = true;         // Message_Switch
};

struct SettingsWrite {
  std::string section;
  std::string key;
  std::string value;  // integers already in decimal
};

// What SaveSettings writes, in order.
std::vector<SettingsWrite> SaveTable(const ControlValues& values);

// Writes SaveTable in order. A refused write is reported through ui (naming the file) and
// ends the save.
bool SaveSettings(Profile& profile, const ControlValues& values, Ui& ui);

}  // namespace zarvo
