#pragma once
// The run-wide values the main window keeps for the whole run: IC and range values, the
// values a parsed batch line leaves, the unit list, the reset settings. One plain struct,
// owned by the Session; subsystem functions take it by reference.

#include <array>
#include <cstdint>
#include <string>

namespace zarvo {

// Which physical unit a device is: where it sits on the bus and which plug-in it is.
struct UnitIdentity {
  std::string port;   // "1-4.2": bus number, then the port path below the root hub; empty: unknown
  uint32_t plug = 0;  // given anew every time a device arrives (the USB address on a real bus)
  bool known() const { return !port.empty(); }
  bool operator==(const UnitIdentity&) const = default;
};

struct RunState {
  // IC size, emulation range, unit memory, image high-water mark.
  uint32_t IcSize = 0;
  uint32_t EmulationRange = 0;
  uint32_t DeviceMemorySize = 0;  // raised by the self test, never lowered
  uint32_t SizeHighWater = 0;     // largest count passed to Resize, IC or memory size chosen
  uint32_t SizeHighWaterMax = 0;  // largest target ever grown to (GrowToHighWater)

  // Values of the parsed batch line (reset before every line).
  bool KeywordFound = false;
  std::string SourceFileName = "0";
  std::string BatchFormatText = "0";
  std::string IcSwitchText;
  std::string UnitText = "1";
  std::string DataSetSwitch = "/8BIT_Every";
  std::string ResetSwitch = "0";
  std::string ChunkText = "0";
  std::string StartText = "/S0000000";
  std::string VerifySwitch;

  // The saved copies that window-mode loads restore.
  std::string SavedFormatText = "0";
  std::string SavedIcSwitchText;
  std::string SavedDataSetSwitch = "/8BIT_Every";
  std::string SavedStartText;

  // The batch work file ("%1", the edit work_file_bat).
  std::string WorkFile;

  // Units: entry k holds device-path index + 1 of the unit numbered Device k + 1, 0 for none
  // (a pinned port without its unit leaves a hole). UnitIds[k] is that unit's identity when
  // the list was made: every open for Device k + 1 looks for that unit, so a unit pulled since
  // is "not connect" rather than whichever unit now sits at its device path.
  std::array<uint8_t, 15> UnitList{};
  std::array<UnitIdentity, 15> UnitIds{};
  int UnitCount = 0;
  std::array<bool, 4> PanelPresent{};
  std::string DeviceSize;  // "512K * 8bit", "1024K * 8bit" or "512K * 16bit": the last unit tested
  // Each unit's own configuration text by its UnitList position in the last self test (empty:
  // not tested), and the unit it was read from: a list refreshed since (a unit pulled or
  // plugged) may hold that unit at another position, or a unit no self test read. A download
  // uses the configuration of the unit it writes.
  std::array<std::string, 15> UnitDeviceSize{};
  std::array<UnitIdentity, 15> UnitTestedId{};
  bool VerifyMismatch = false;
  int BlinkState = 0;  // LED level last sent by a blink

  // Reset line: Reset_Option item (0 "Normal High", 1 "Normal Low") and the pulse length.
  int ResetPolarity = 0;
  uint32_t ResetDelayMs = 300;

  // Load dialog and pipeline.
  int SelectedDevice = 0;  // 1..4 when a device panel asked, other values for none
  bool LoadCancelled = false;
  // Per device panel: the file and format whose Auto Detect box was last shown, so the box
  // comes once per file rather than at every run.
  std::array<std::string, 4> DetectionShown{};

  // Idle level of the reset line: 1 for "Normal High", 0 for "Normal Low"; active is the opposite.
  int ResetIdleLevel() const { return ResetPolarity == 1 ? 0 : 1; }
  int ResetActiveLevel() const { return 1 - ResetIdleLevel(); }
};

}  // namespace zarvo
