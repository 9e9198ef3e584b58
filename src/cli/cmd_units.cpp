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
#include "device/discovery.h"
#include "device/reset_line.h"
#include "device/self_test.h"
#include "device/simulated_backend.h"
#include "device/usb_link.h"

namespace zarvo::cli {

namespace {

struct Options {
  std::string settings;
  std::vector<std::string> rest;
};

int UsageError(const char* command, const char* usage, const std::string& why) {
  std::fprintf(stderr, "zarvo-r5-cli %s: %s\nUsage: zarvo-r5-cli %s\n", command, why.c_str(), usage);
  return 2;
}

// Takes --settings, --help and the options in `valued` with their values; returns the exit
// status when the command ends here (after --help, or on a usage error).
std::optional<int> TakeOptions(const char* command, Args args, Options& o, const char* usage,
                               const std::vector<std::string>& valued = {}) {
  std::optional<std::string> settings;
  if (!TakeSettingsOption(args, settings, std::cerr)) return 2;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::printf("Usage: zarvo-r5-cli %s\n", usage);
      std::printf("\nDevice N is the N-th unit found, in USB bus and port order; its device path is its\n"
                  "slot among the units (0 to 14), shown after each unit by 'units' with its port path.\n"
                  "[Units] DeviceN=PORT in the settings file pins Device N to a port path (Device2=1-4.2);\n"
                  "'units --pin' writes the current order as pins.\n");
      return 0;
    }
    bool takesValue = false;
    for (const std::string& v : valued) takesValue = takesValue || a == v;
    if (takesValue) {
      if (i + 1 >= args.size()) return UsageError(command, usage, a + " needs a value");
      o.rest.push_back(a);
      o.rest.push_back(args[++i]);
    } else {
      o.rest.push_back(a);
    }
  }
  o.settings = ResolveSettingsPath(settings, std::cerr);
  return std::nullopt;
}

// A malformed ZARVO_R5_SIM would otherwise look like "no units attached".
bool BackendUsable(Session& s, const char* command) {
  auto* sim = dynamic_cast<SimulatedBackend*>(&s.backend());
  if (sim && !sim->error().empty()) {
    std::fprintf(stderr, "zarvo-r5-cli %s: %s\n", command, sim->error().c_str());
    return false;
  }
  return true;
}

}  // namespace

int RunUnits(const Args& args) {
  const char* usage = "units [--pin] [--settings FILE]";
  Options o;
  if (auto status = TakeOptions("units", args, o, usage)) return *status;
  bool pin = false;
  for (const std::string& a : o.rest) {
    if (a != "--pin") return UsageError("units", usage, "unexpected '" + a + "'");
    pin = true;
  }
  ConsoleUi ui;
  SystemClock clock;
  Session s(ui, clock, o.settings);
  if (!BackendUsable(s, "units")) return 2;
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
  return ok && rs.UnitCount > 0 ? 0 : 1;
}

int RunBlink(const Args& args) {
  const char* usage = "blink N [--settings FILE]   (N = 1..4, the device number)";
  Options o;
  if (auto status = TakeOptions("blink", args, o, usage)) return *status;
  if (o.rest.size() != 1 || o.rest[0].size() != 1 || o.rest[0][0] < '1' || o.rest[0][0] > '4')
    return UsageError("blink", usage, "give one device number 1..4");
  const int n = o.rest[0][0] - '0';
  ConsoleUi ui;
  SystemClock clock;
  Session s(ui, clock, o.settings);
  if (!BackendUsable(s, "blink")) return 2;
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
  const char* usage = "reset [--pulse] [--polarity high|low] [--delay MS] [--settings FILE]";
  Options o;
  if (auto status = TakeOptions("reset", args, o, usage, {"--polarity", "--delay"})) return *status;
  bool pulse = false;
  int polarity = 0;
  std::string delay;
  for (size_t i = 0; i < o.rest.size(); ++i) {
    const std::string& a = o.rest[i];
    if (a == "--pulse") {
      pulse = true;
    } else if (a == "--polarity" && (o.rest[i + 1] == "high" || o.rest[i + 1] == "low")) {
      polarity = o.rest[++i] == "low" ? 1 : 0;
    } else if (a == "--delay") {
      delay = o.rest[++i];
    } else {
      return UsageError("reset", usage, "unexpected '" + (a == "--polarity" ? o.rest[i + 1] : a) + "'");
    }
  }
  ConsoleUi ui;
  SystemClock clock;
  Session s(ui, clock, o.settings);
  if (!BackendUsable(s, "reset")) return 2;
  RunState& rs = s.state();
  rs.ResetPolarity = polarity;
  if (!delay.empty()) {
    // The same rule as the DelayTime edit: four digits outside 300..3000 become 0 ms.
    const std::string shown = DelayTimeChanged(rs, delay);
    if (shown != delay) std::fprintf(stderr, "zarvo-r5-cli reset: delay %s ms is outside 300..3000, using 0 ms\n", delay.c_str());
  }
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
    if (!ok) ++failures;
  }
  s.link().close();
  if (count == 0) std::printf("No unit attached.\n");
  return count > 0 && failures == 0 ? 0 : 1;
}

}  // namespace zarvo::cli
