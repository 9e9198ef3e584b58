#include "model_roads.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/session.h"
#include "base/path_resolver.h"
#include "batch/batch_runner.h"
#include "counting_clock.h"
#include "device/self_test.h"
#include "device/simulated_backend.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "window_mode/run_sequence.h"

extern char** environ;

namespace zarvo::model {

namespace {

constexpr uint8_t kOldMemory = 0x5A;  // what the unit held before: the target's old image
constexpr uint16_t kTargetMode = 0x1000;

std::string Hex(uint64_t v, int digits) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(v));
  return buf;
}

// Device 1 a 512K x 8 unit (it raises DeviceMemorySize first), Device 2 the case's unit,
// holding an old image and serving it to the target.
std::unique_ptr<SimulatedBackend> Units(uint16_t code) {
  SimConfig config;
  config.slots[0] = {SimSlotKind::Unit, 0x0040};
  config.slots[1] = {SimSlotKind::Unit, code};
  auto backend = std::make_unique<SimulatedBackend>(config);
  SimUnit& u = *backend->unit(1);
  std::fill(u.memory.begin(), u.memory.end(), kOldMemory);
  u.mode = kTargetMode;
  return backend;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The last thing the road said: its last box or pane line.
std::string LastWord(const test::RecordingUi& ui) {
  std::string s;
  if (!ui.boxes.empty()) s += "box \"" + ui.boxes.back().text + "\" ";
  if (!ui.pane.empty()) s += "pane \"" + ui.pane.back() + "\"";
  return s;
}

// Compares a road's result with the model; a fault is one line naming the road and the case.
void Judge(const char* road, const Case& c, const Expectation& e, bool passed, const SimUnit& unit,
           const std::string& said, RoadReport& report) {
  if (e.outcome == Outcome::NoData) {
    ++report.noData;
    if (!kNoFileDataFails) return;
  }
  ++report.judged;
  auto fault = [&](const std::string& what) {
    report.faults.push_back(std::string(road) + ": " + what + " -- " + c.describe() + " -- " + said);
  };
  if (e.outcome != Outcome::Pass) {
    if (passed) return fault("passed, but " + e.why);
    if (unit.mode != kTargetMode) fault("failed and left the unit in mode " + Hex(unit.mode, 4));
    for (size_t a = 0; a < unit.memory.size(); ++a) {
      if (unit.memory[a] != kOldMemory) return fault("failed after changing the unit at 0x" + Hex(a, 6));
    }
    return;
  }
  if (!passed) return fault("failed, the model says it passes");
  if (unit.mode != kTargetMode) fault("passed but left the unit in mode " + Hex(unit.mode, 4));
  const size_t period = e.sent.size();
  for (size_t a = 0; a < unit.memory.size(); ++a) {
    const int want = e.sent[a % period];
    if (want >= 0 && unit.memory[a] != want) {
      return fault("unit 0x" + Hex(a, 6) + " holds " + Hex(unit.memory[a], 2) + ", the model " + Hex(static_cast<unsigned>(want), 2));
    }
  }
}

}  // namespace

ModelBench::ModelBench(std::string cli) : cli_(std::move(cli)) {
  std::string pattern =
      ((::access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path()) /
       "zarvo-model-XXXXXX")
          .string();
  if (::mkdtemp(pattern.data())) dir_ = pattern;
}

ModelBench::~ModelBench() {
  std::error_code ec;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

void ModelBench::run(const Case& c, RoadReport& report) {
  const std::string file = dir_ + "/FW." + c.firmware.extension();
  WriteText(file, c.firmware.text);
  window(c, file, report);
  batch(c, file, report);
  if (!cli_.empty()) image(c, file, report);
  std::filesystem::remove(file);
}

void ModelBench::window(const Case& c, const std::string& file, RoadReport& report) {
  test::RecordingUi ui;
  ui.page = Page::Window;
  test::CountingClock clock;
  auto backend = Units(c.unit);
  SimulatedBackend* sim = backend.get();
  const std::string settings = dir_ + "/window.ini";
  WriteText(settings, std::string(c.okKey ? "[LoadDlg]\nOK=1\n" : "") + "[Device2]\nName=" + file +
                          "\nUserFill=" + std::to_string(c.fillByte) + "\nUnuserFillCheck=" + (c.fill ? "1" : "0") +
                          "\nFormat=" + std::to_string(c.formatGiven ? c.firmware.formatCode() : 0) +
                          "\nSourceSAdd=0\nDistSAdd=0\n");
  Session session(ui, clock, std::move(backend), settings);
  Panels panels;
  PanelValues& p = panels[1];
  p.ticked = p.visible = true;
  p.source = file;
  p.typeItem = c.ic >= 0 && c.ic < 9 ? c.ic : kAutoDetectItem;
  p.typeText = TypeItemText(p.typeItem);
  p.dataSetText = LaneComboText(c.lane);
  p.startAddress = Hex(c.firmware.hex() ? 0 : c.windowStart, 7);
  RunOptions options;
  options.confirm = c.verify;
  options.reset = c.reset;
  WindowModeContext ctx{session.deviceContext(), session.image()};
  const WindowRunResult r = RunWindowMode(ctx, panels, options);
  Judge("window mode", c, ExpectWindow(c), r.outcome[1] == PanelOutcome::Passed, *sim->unit(1), LastWord(ui), report);
  std::filesystem::remove(settings);
}

void ModelBench::batch(const Case& c, const std::string& file, RoadReport& report) {
  (void)file;  // the line names it as D:\FW.<ext>
  test::RecordingUi ui;
  ui.page = Page::Batch;
  test::CountingClock clock;
  auto backend = Units(c.unit);
  SimulatedBackend* sim = backend.get();
  const std::string settings = dir_ + "/batch.ini";
  WriteText(settings, "[Drives]\nD=" + dir_ + "\n");
  Session session(ui, clock, std::move(backend), settings);
  PathResolver resolver(session.profile());
  DeviceContext dev = session.deviceContext();
  SelfTest(dev, false);
  BatchContext ctx{dev, session.image(), resolver, "0000000"};
  ui.setLamp(kLampPass);
  const BatchSummary s = RunBatch(ctx, {BatchLine(c)});
  Judge("batch", c, ExpectBatch(c), s.commandLines == 1 && s.failedLines == 0, *sim->unit(1), LastWord(ui), report);
  std::filesystem::remove(settings);
}

void ModelBench::image(const Case& c, const std::string& file, RoadReport& report) {
  const Expectation e = ExpectImage(c);
  if (e.outcome == Outcome::NoData) {
    ++report.noData;
    if (!kNoFileDataFails) return;
  }
  ++report.judged;
  const std::string out = dir_ + "/out.img", stdoutFile = dir_ + "/out.txt";
  std::vector<std::string> args{cli_, "image", file, "-o", out, "--dataset", LaneSwitch(c.lane), "--fill", Hex(c.fillByte, 2)};
  if (!c.fill) args.push_back("--no-fill");
  if (c.ic >= 0) args.insert(args.end(), {"--ic", IcSwitch(c.ic)});
  if (c.formatGiven) args.insert(args.end(), {"--format", c.firmware.formatName()});
  if (c.formatGiven && !c.firmware.hex() && c.imageStart > 0) args.insert(args.end(), {"--source-start", Hex(c.imageStart, 1)});

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, cli_.c_str(), &actions, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  const bool passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;

  std::string said;
  {
    std::ifstream in(stdoutFile);
    std::getline(in, said, '\0');
  }
  auto fault = [&](const std::string& what) {
    report.faults.push_back("image: " + what + " -- " + c.describe() + " -- " + said);
  };
  if (e.outcome != Outcome::Pass) {
    if (passed) fault("passed, but " + e.why);
  } else if (!passed) {
    fault("failed, the model says it passes");
  } else {
    const std::vector<uint8_t> got = test::ReadFileBytes(out);
    if (got.size() != e.icSize) {
      fault("wrote " + std::to_string(got.size()) + " bytes, the IC has " + std::to_string(e.icSize));
    } else {
      for (size_t j = 0; j < got.size(); ++j) {
        if (e.ic[j] >= 0 && got[j] != e.ic[j]) {
          fault("byte 0x" + Hex(j, 6) + " is " + Hex(got[j], 2) + ", the model " + Hex(static_cast<unsigned>(e.ic[j]), 2));
          break;
        }
      }
    }
    if (e.whole() && said.find("\nCRC32: " + Hex(Crc32(e.ic), 8) + "\n") == std::string::npos)
      fault("no CRC32 line with the model's " + Hex(Crc32(e.ic), 8));
  }
  std::filesystem::remove(out);
}

}  // namespace zarvo::model
