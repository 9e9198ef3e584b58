// Two batch runs in two processes that share one settings file: every line loads its own
// file, whatever the other run writes to [LoadDlg] meanwhile.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "base/settings_lock.h"
#include "batch/batch_runner.h"
#include "counting_clock.h"
#include "device/self_test.h"
#include "device/simulated_backend.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::CountingClock;
using test::RecordingUi;
using test::TempDir;

constexpr int kLines = 200;
constexpr int kFiles = 10;

// One batch run on a simulated 512K x 8 unit of its own, with the given settings file.
struct BatchProcess {
  explicit BatchProcess(const std::string& settings) {
    ui.page = Page::Batch;
    SimConfig config;
    config.slots[0] = {SimSlotKind::Unit, 0x0040};
    session = std::make_unique<Session>(ui, clock, std::make_unique<SimulatedBackend>(config), settings);
    resolver = std::make_unique<PathResolver>(session->profile());
    dev = std::make_unique<DeviceContext>(session->deviceContext());
  }
  // The SUM each line showed, in order ("?" for a line without one), and the summary.
  BatchSummary run(const std::vector<std::string>& script, std::vector<std::string>& sums) {
    if (!SelfTest(*dev, false)) return {};
    BatchContext ctx{*dev, session->image(), *resolver, "0000000"};
    ctx.lineStarted = [&](int) { sums.push_back("?"); };
    ctx.lineLoaded = [&](int) { sums.back() = session->image().sumText(); };
    ui.setLamp(kLampPass);
    return RunBatch(ctx, script);
  }
  RecordingUi ui;
  CountingClock clock;
  std::unique_ptr<Session> session;
  std::unique_ptr<PathResolver> resolver;
  std::unique_ptr<DeviceContext> dev;
};

// A folder for the shared settings file in memory where the machine has one: the runs
// rewrite it some thousand times, and a disk's syncs would make that slow.
std::filesystem::path FastFolder(const TempDir& fallback) {
  std::string tmpl = "/dev/shm/zarvo-test-XXXXXX";
  if (std::filesystem::is_directory("/dev/shm") && ::mkdtemp(tmpl.data()) != nullptr) return tmpl;
  return fallback.path();
}

TEST(SharedSettings, TwoRunsAtOnceEachLoadOnlyTheirOwnFiles) {
  TempDir dir;
  const std::filesystem::path fast = FastFolder(dir);
  const std::string settings = (fast / "TovanHistory_1.ini").string();
  {
    Profile p(settings);
    ASSERT_TRUE(p.writeText("Drives", "D", dir.path().string()));
  }
  // Run A loads small files, run B 64 KiB ones: a line that took the other run's file would
  // show another range and sum.
  std::map<char, std::vector<std::string>> scripts;
  for (const char who : {'A', 'B'}) {
    for (int k = 0; k < kFiles; ++k) {
      const size_t size = who == 'A' ? 2048 - 16 * static_cast<size_t>(k) : 65536 - 100 * static_cast<size_t>(k);
      dir.write(std::string(1, who) + std::to_string(k) + ".bin", test::RandomBytes(size, static_cast<uint32_t>(who * 100 + k)));
    }
    for (int i = 0; i < kLines; ++i)
      scripts[who].push_back(std::string("ZQ D:\\") + who + std::to_string(i % kFiles) + ".BIN /BIN /V");
  }

  // Each file's sum from a run alone, on a settings file of its own.
  std::map<char, std::vector<std::string>> expected;
  for (const char who : {'A', 'B'}) {
    const std::string alone = dir.file(std::string("alone") + who + ".ini");
    Profile(alone).writeText("Drives", "D", dir.path().string());
    BatchProcess reference(alone);
    std::vector<std::string> sums;
    const std::vector<std::string> first(scripts[who].begin(), scripts[who].begin() + kFiles);
    ASSERT_EQ(reference.run(first, sums).failedLines, 0);
    expected[who] = sums;
  }
  ASSERT_NE(expected['A'][0], expected['B'][0]);

  // The two runs, started at the same moment; each checks its own lines and reports the
  // first wrong one on stderr.
  std::map<char, pid_t> children;
  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  std::fflush(nullptr);
  for (const char who : {'A', 'B'}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(gate[1]);
      char go;
      while (::read(gate[0], &go, 1) < 0) {
      }
      BatchProcess run(settings);
      std::vector<std::string> sums;
      const BatchSummary summary = run.run(scripts[who], sums);
      int wrong = 0;
      for (size_t i = 0; i < sums.size(); ++i) {
        if (sums[i] == expected[who][i % kFiles]) continue;
        if (wrong++ == 0)
          std::fprintf(stderr, "run %c line %zu: SUM %s, its file's is %s\n", who, i + 1, sums[i].c_str(),
                       expected[who][i % kFiles].c_str());
      }
      if (summary.commandLines != kLines || summary.failedLines != 0 || sums.size() != kLines) {
        std::fprintf(stderr, "run %c: %d lines, %d failed, %zu sums\n", who, summary.commandLines,
                     summary.failedLines, sums.size());
        for (const std::string& box : run.ui.boxTexts()) std::fprintf(stderr, "  box: %s\n", box.c_str());
        wrong = wrong == 0 ? 1 : wrong;
      }
      std::fflush(nullptr);
      std::_Exit(wrong == 0 ? 0 : 1);
    }
    children[who] = pid;
  }
  ::close(gate[0]);
  ::close(gate[1]);  // both children start now
  for (const auto& [who, pid] : children) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << who << " (see its stderr above)";
  }
  if (fast != dir.path()) std::filesystem::remove_all(fast);
}

TEST(SharedSettings, ALineWhoseSettingsStayLockedFailsNamingTheFileAndTheHolder) {
  TempDir dir;
  const std::string settings = dir.file("TovanHistory_1.ini");
  ASSERT_TRUE(Profile(settings).writeText("Drives", "D", dir.path().string()));
  dir.write("a.bin", test::RandomBytes(2048, 3));
  int up[2], down[2];
  ASSERT_EQ(::pipe(up), 0);
  ASSERT_EQ(::pipe(down), 0);
  std::fflush(nullptr);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {  // another program, in the middle of its load
    const SettingsLock lock(settings);
    char c = lock.ok() ? 1 : 0;
    if (::write(up[1], &c, 1) != 1 || ::read(down[0], &c, 1) != 1) std::_Exit(2);
    std::_Exit(0);
  }
  char held = 0;
  ASSERT_EQ(::read(up[0], &held, 1), 1);
  ASSERT_EQ(held, 1);

  BatchProcess run(settings);
  run.session->profile().setLockWaitMs(0);
  std::vector<std::string> sums;
  const BatchSummary summary = run.run({"ZQ D:\\A.BIN /BIN"}, sums);
  EXPECT_EQ(summary.failedLines, 1);
  EXPECT_EQ(run.ui.pane.back().find("Success!!"), std::string::npos);
  ASSERT_FALSE(run.ui.boxes.empty());
  EXPECT_EQ(run.ui.boxes.back().text, "The settings file " + settings + " is in use by process " +
                                          std::to_string(holder) + ": its lock " + settings +
                                          ".lock was not free within 0 seconds");
  auto* sim = dynamic_cast<SimulatedBackend*>(&run.session->backend());
  ASSERT_NE(sim, nullptr);
  EXPECT_EQ(sim->unit(0)->memory, std::vector<uint8_t>(0x80000, 0xFF));  // nothing downloaded

  const char c = 1;
  ASSERT_EQ(::write(down[1], &c, 1), 1);
  int status = 0;
  while (::waitpid(holder, &status, 0) < 0) {
  }
  for (int fd : {up[0], up[1], down[0], down[1]}) ::close(fd);
}

}  // namespace
}  // namespace zarvo
