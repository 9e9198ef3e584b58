// zarvo-r5-cli units | blink N | reset: list and test the attached units, identify one by
// its LED, drive the target's reset line on every unit.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/unit_hint.h"
#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/console_ui.h"
#include "cli/options.h"
#include "device/discovery.h"
#include "device/open_refusal.h"
#include "device/reset_line.h"
#include "device/self_test.h"
#include "device/usb_link.h"

namespace zarvo::cli {

namespace {

// Keeps the driver field texts so the listing can name each unit's configuration.
class UnitsUi : public ConsoleUi {
 public:
  void setDriverText(int panel, const std::string& text) override {
    if (panel >= 1 && panel <= 4) driver[panel] = text;
  }
  std::string driver[5];
};

constexpr const char* kResetHelp =
    "\n"
    "Drives the reset line of every attached unit's target (all of them, not only Devices 1\n"
    "to 4): sets it to its idle level, or pulses it.\n"
    "\n"
    "Options:\n"
    "  --pulse              pulse the line (the active level for the delay, then idle)\n"
    "                       instead of setting it to its idle level\n"
    "  --polarity high|low  high (\"Normal High\", the default): the line idles high and a\n"
    "                       pulse takes it low; low (\"Normal Low\"): the other way round\n"
    "  --delay MS           how long a pulse holds the active level: a whole number of\n"
    "                       milliseconds, 0 to 3000 (default 300)\n"
    "  --settings FILE      settings file to use\n"
    "  -h, --help           show this text\n";

int UsageError(const char* command, const char* usage, const std::string& why) {
  std::fprintf(stderr, "zarvo-r5-cli %s: %s\nUsage: zarvo-r5-cli %s\n", command, why.c_str(), usage);
  return 2;
}

constexpr const char* kDeviceNote =
    "\nDevice N is the N-th unit found, in USB bus and port order; its device path is its\n"
    "slot among the units (0 to 14), shown after each unit by 'units' with its port path.\n"
    "[Units] DeviceN=PORT in the settings file pins Device N to a port path (Device2=1-4.2);\n"
    "'units --pin' writes the current order as pins.\n";

// The parser of one unit command, with --settings, --help and its usage line.
struct UnitParser {
  UnitParser(const char* command, const char* usage, const std::string& more = {})
      : parser("Usage: zarvo-r5-cli " + std::string(usage) + "\n" + more + kDeviceNote,
               [command, usage](const std::string& why) { return UsageError(command, usage, why); }) {
    parser.addSettings(settingsOption);
  }
  // The exit status when the command ends here; else the settings file to use.
  std::optional<int> parse(const Args& args) {
    if (auto status = parser.parse(args)) return status;
    settings = ResolveSettingsPath(settingsOption, std::cerr);
    return std::nullopt;
  }
  OptionParser parser;
  std::optional<std::string> settingsOption;
  std::string settings;
};

// The units the environment asks for; a malformed ZARVO_R5_SIM would otherwise look like
// "no units attached", so it ends the command.
std::unique_ptr<UsbBackend> BackendOrSay(const char* command) {
  std::string error;
  auto backend = MakeBackendFromEnvironment(&error);
  if (!error.empty()) {
    std::fprintf(stderr, "zarvo-r5-cli %s: %s\n", command, error.c_str());
    return nullptr;
  }
  return backend;
}

}  // namespace

int RunUnits(const Args& args) {
  UnitParser cmd("units", "units [--pin] [--settings FILE]");
  bool pin = false;
  cmd.parser.app().add_flag("--pin", pin);
  if (auto status = cmd.parse(args)) return *status;
  auto backend = BackendOrSay("units");
  if (!backend) return 2;
  UnitsUi ui;
  SystemClock clock;
  Session s(ui, clock, std::move(backend), cmd.settings);
  DeviceContext ctx = s.deviceContext();
  const bool ok = SelfTest(ctx, true);
  s.link().close();
  const RunState& rs = s.state();
  const UnitPins pins = ReadUnitPins(s.profile());
  // Each unit's own configuration, as the self test read it (the driver fields hold only
  // four, and a fifth unit reports in panel 1's).
  auto configuration = [&rs](size_t p) {
    return rs.UnitDeviceSize[p].empty() ? std::string("untested") : rs.UnitDeviceSize[p];
  };
  auto port = [&rs](size_t p) { return rs.UnitIds[p].known() ? rs.UnitIds[p].port : std::string("unknown"); };
  for (int n = 1; n <= rs.UnitCount && n <= 4; ++n) {
    const auto p = static_cast<size_t>(n - 1);
    if (rs.UnitList[p] == 0) {
      std::printf("Device %d: absent (pinned to port %s, no unit there)\n", n, pins[p].c_str());
      continue;
    }
    std::printf("Device %d: %s (port %s, device path %d)\n", n, configuration(p).c_str(), port(p).c_str(),
                rs.UnitList[p] - 1);
  }
  for (int n = 5; n <= rs.UnitCount; ++n) {
    const auto p = static_cast<size_t>(n - 1);
    if (rs.UnitList[p] == 0) continue;
    std::printf("Unit on device path %d: %s (port %s), not used (only Device 1 to Device 4 are)\n",
                rs.UnitList[p] - 1, configuration(p).c_str(), port(p).c_str());
  }
  if (rs.UnitCount == 0) {
    std::printf("No unit attached.\n");
    std::fprintf(stderr, "zarvo-r5-cli units: %s Or try without hardware: ZARVO_R5_SIM=512Kx8,512Kx8 zarvo-r5-cli units\n",
                 NoUnitHint().c_str());
  }
  if (pin && rs.UnitCount > 0) {
    if (!WriteUnitPins(s.profile(), rs)) {
      std::fprintf(stderr, "zarvo-r5-cli units: cannot write the pins: %s\n", s.profile().lastError().c_str());
      return 1;
    }
    for (size_t p = 0; p < rs.UnitList.size(); ++p)
      if (rs.UnitList[p] != 0 && rs.UnitIds[p].known())
        std::printf("Pinned Device %zu to port %s in [%s] of %s\n", p + 1, rs.UnitIds[p].port.c_str(), kUnitsSection,
                    s.profile().path().c_str());
  }
  return ok && rs.UnitCount > 0 && ui.unitProblems() == 0 ? 0 : 1;
}

int RunBlink(const Args& args) {
  const char* usage = "blink N [--settings FILE]   (N = 1..4, the device number)";
  UnitParser cmd("blink", usage);
  std::vector<std::string> numbers;
  cmd.parser.app().add_option("N", numbers)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  if (auto status = cmd.parse(args)) return *status;
  if (numbers.size() != 1 || numbers[0].size() != 1 || numbers[0][0] < '1' || numbers[0][0] > '4')
    return UsageError("blink", usage, "give one device number 1..4");
  const int n = numbers[0][0] - '0';
  auto backend = BackendOrSay("blink");
  if (!backend) return 2;
  ConsoleUi ui;
  SystemClock clock;
  Session s(ui, clock, std::move(backend), cmd.settings);
  DeviceContext ctx = s.deviceContext();
  const bool ok = DeviceButtonClick(ctx, n);
  s.link().close();
  if (!ok) {
    std::fprintf(stderr, "zarvo-r5-cli blink: Device %d did not blink (not attached or not answering)\n", n);
    return 1;
  }
  std::printf("Device %d blinked.\n", n);
  return 0;
}

int RunReset(const Args& args) {
  UnitParser cmd("reset", "reset [--pulse] [--polarity high|low] [--delay MS] [--settings FILE]", kResetHelp);
  CLI::App& app = cmd.parser.app();
  bool pulse = false;
  std::string polarity = "high", delay;
  app.add_flag("--pulse", pulse);
  app.add_option("--polarity", polarity)->type_name("high|low")->check(Check([](const std::string& v) {
    return v == "high" || v == "low" ? std::string() : "'" + v + "' is neither high nor low";
  }));
  app.add_option("--delay", delay)->type_name("MS")->check(Check([](const std::string& v) {
    return ResetDelay(v) ? std::string()
                         : "'" + v + "' is not a pulse length: a whole number of milliseconds, 0 to " +
                               std::to_string(kMaxResetDelayMs);
  }));
  if (auto status = cmd.parse(args)) return *status;
  auto backend = BackendOrSay("reset");
  if (!backend) return 2;
  ConsoleUi ui;
  SystemClock clock;
  Session s(ui, clock, std::move(backend), cmd.settings);
  RunState& rs = s.state();
  rs.ResetPolarity = polarity == "low" ? 1 : 0;
  // Handed to the DelayTime edit's rule without leading zeros, which would there turn
  // "0250" into a 0 ms pulse.
  if (!delay.empty()) DelayTimeChanged(rs, std::to_string(*ResetDelay(delay)));
  DeviceContext ctx = s.deviceContext();
  const int count = RefreshUnitList(ctx);
  int failures = 0;
  // Every unit, not only those on device paths 0..3 as the window's RESET button does.
  for (int p = 0; p < count; ++p) {
    if (rs.UnitList[static_cast<size_t>(p)] == 0) {
      std::printf("Device %d: absent (pinned to a port without a unit)\n", p + 1);
      continue;
    }
    const bool ok = OpenListPosition(ctx, p) &&
                    (pulse ? PulseReset(ctx, rs.ResetIdleLevel()) : SetResetLine(ctx, rs.ResetIdleLevel()));
    std::printf("Device %d: %s %s\n", p + 1, pulse ? "reset pulse" : "reset line idle", ok ? "done" : "FAILED");
    if (!ok) {
      ++failures;
      ReportOpenRefusal(ctx);
    }
  }
  s.link().close();
  if (count == 0) std::printf("No unit attached.\n");
  return count > 0 && failures == 0 && ui.unitProblems() == 0 ? 0 : 1;
}

}  // namespace zarvo::cli
