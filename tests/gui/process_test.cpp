// The real zarvo-r5 binary, offscreen on simulated units: SIGTERM, SIGINT and SIGHUP end it
// as closing the window does (settings saved, exit status 0), whatever box is open, and a
// malformed unit list is refused before any window.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace zarvo::test {
namespace {

struct Program {
  pid_t pid = -1;
  // Starts zarvo-r5 in dir with the environment additions and arguments; its stderr goes to
  // dir/stderr.txt.
  Program(const TempDir& dir, const std::vector<std::string>& env, const std::vector<std::string>& args) {
    pid = fork();
    if (pid == 0) {
      if (chdir(dir.path().c_str()) != 0) _exit(126);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
      for (const std::string& e : env) putenv(strdup(e.c_str()));
      std::vector<char*> argv{const_cast<char*>(ZARVO_GUI_PATH)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      freopen("/dev/null", "w", stdout);
      freopen(dir.file("stderr.txt").c_str(), "w", stderr);
      execv(ZARVO_GUI_PATH, argv.data());
      _exit(127);
    }
  }
  // Waits for the program to end (at most the limit); -1 when it did not, or died of a signal.
  int wait(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
};

// Waits until a file holds the text (the program has got that far).
bool WaitFor(const std::string& path, const std::string& text) {
  for (int i = 0; i < 1000; ++i) {
    if (ReadFileText(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(Process, SigtermAndSigintCloseTheWindowAndSaveTheSettings) {
  for (int sig : {SIGTERM, SIGINT}) {
    TempDir dir;
    dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[Device1]\r\nCheck=1\r\n");
    std::filesystem::create_directories(dir.file("units"));
    Program p(dir, {"ZARVO_R5_SIM=512Kx8", "ZARVO_R5_SIM_DIR=" + dir.file("units")}, {});
    // The self test's status request shows that start-up has reached its last steps.
    ASSERT_TRUE(WaitFor(dir.file("units/unit1.log"), "B 0000 0000"));
    kill(p.pid, sig);
    EXPECT_EQ(p.wait(std::chrono::seconds(20)), 0) << sig;
    const std::string saved = ReadFileText(dir.file("TovanHistory_1.ini"));
    EXPECT_NE(saved.find("Lang=English"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Sum=----------------"), std::string::npos) << saved;
  }
}

TEST(Process, ASignalDuringStartUpStillSavesAndEndsWithZero) {
  TempDir dir;
  Program p(dir, {"ZARVO_R5_SIM=512Kx8"}, {});
  kill(p.pid, SIGTERM);
  const int status = p.wait(std::chrono::seconds(20));
  // Killed before the handler was installed, the program never ran: nothing to save then.
  if (status == 0) {
    EXPECT_NE(ReadFileText(dir.file("TovanHistory_1.ini")).find("[Device4]"), std::string::npos);
  }
}

TEST(Process, AHandedInFileRunsAndTheProgramClosesByItselfWhenAsked) {
  // The device's format is set (as a confirmed load dialog leaves it): automatic detection
  // would stop the unattended run at its box until someone answers it.
  const std::string hex = std::string(ZARVO_SAMPLES_DIR) + "/boot.hex";
  const std::string bin = std::string(ZARVO_SAMPLES_DIR) + "/boot.bin";
  for (int runMode : {0, 1}) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("units"));
    dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nRunMode=" + std::to_string(runMode) +
                                            "\r\n[LoadDlg]\r\nOK=1\r\n[Device1]\r\nCheck=1\r\nICType=5\r\nFormat=4\r\n");
    Program p(dir, {"ZARVO_R5_SIM=512Kx8", "ZARVO_R5_SIM_DIR=" + dir.file("units")}, {hex});
    if (runMode == 0) {
      // Run after hand-off: one second later the panel runs, then the program ends itself.
      EXPECT_EQ(p.wait(std::chrono::seconds(30)), 0);
      const std::vector<uint8_t> file = ReadFileBytes(bin);
      const std::vector<uint8_t> unit = ReadFileBytes(dir.file("units/unit1.bin"));
      ASSERT_GE(unit.size(), file.size());
      EXPECT_TRUE(std::equal(file.begin(), file.end(), unit.begin()));
      const std::string saved = ReadFileText(dir.file("TovanHistory_1.ini"));
      EXPECT_NE(saved.find("DataSet=0\r\nName=" + hex + "\r\nSum=004E1FFD\r\n"),
                std::string::npos) << saved;
    } else {
      // Not run: the program stays open with the path placed, until it is told to end.
      ASSERT_TRUE(WaitFor(dir.file("units/unit1.log"), "B 0000 0000"));
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // past AutoRun's second
      EXPECT_EQ(ReadFileText(dir.file("units/unit1.log")).find("W 8192"), std::string::npos);
      kill(p.pid, SIGTERM);
      EXPECT_EQ(p.wait(std::chrono::seconds(20)), 0);
      EXPECT_NE(ReadFileText(dir.file("TovanHistory_1.ini")).find("Name=" + hex + "\r\n"), std::string::npos);
    }
  }
}

TEST(Process, ASignalEndsTheProgramInsideABoxThatStartUpShows) {
  struct Case {
    const char* what;
    int sig;
    std::string settings, fail, waitFor;
    int args;
  } cases[] = {
      // Two arguments: "Too Many File...." right after the self test.
      {"too many files", SIGTERM, "[Option]\r\nWatchMode=1\r\n", "", "B 0000 0000", 2},
      {"too many files, terminal closed", SIGHUP, "[Option]\r\nWatchMode=1\r\n", "", "B 0000 0000", 2},
      // The reset line refused while the settings load: "Error !! Set low pulse fail ".
      {"set low fails", SIGINT, "[Option]\r\nWatchMode=1\r\nSignalOption=1\r\n[Device1]\r\nCheck=1\r\n", "0:T:1", "FAIL", 0},
      // The watch names device 2's missing file: "File does not exist !!" at the first show.
      {"watched file missing", SIGTERM, "[Option]\r\nWatchMode=0\r\nSourceIndex=2\r\n[Device2]\r\nName=/gone.hex\r\n", "",
       "B 0000 0000", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::filesystem::create_directories(dir.file("units"));
    dir.writeText("TovanHistory_1.ini", c.settings);
    std::vector<std::string> env = {"ZARVO_R5_SIM=512Kx8,512Kx8", "ZARVO_R5_SIM_DIR=" + dir.file("units")};
    if (!c.fail.empty()) env.push_back("ZARVO_R5_SIM_FAIL=" + c.fail);
    const std::vector<std::string> args(static_cast<size_t>(c.args), dir.file("a.bin"));
    Program p(dir, env, args);
    ASSERT_TRUE(WaitFor(dir.file("units/unit1.log"), c.waitFor));
    kill(p.pid, c.sig);
    EXPECT_EQ(p.wait(std::chrono::seconds(20)), 0);
    EXPECT_NE(ReadFileText(dir.file("TovanHistory_1.ini")).find("[Device4]"), std::string::npos);
  }
}

TEST(Process, AHandOffRunInsideABoxOfTheFirstShowStillEndsTheProgram) {
  // The watch names device 2's missing file: "File does not exist !!" stays open while
  // the hand-off's run, a second later, runs and closes the window.
  const std::string bin = std::string(ZARVO_SAMPLES_DIR) + "/boot.bin";
  TempDir dir;
  std::filesystem::create_directories(dir.file("units"));
  dir.writeText("TovanHistory_1.ini",
                "[Option]\r\nWatchMode=0\r\nRunMode=0\r\nSourceIndex=2\r\n[LoadDlg]\r\nOK=1\r\n"
                "[Device1]\r\nCheck=1\r\nICType=5\r\nFormat=3\r\n[Device2]\r\nName=" + dir.file("gone.hex") + "\r\n");
  Program p(dir, {"ZARVO_R5_SIM=512Kx8,512Kx8", "ZARVO_R5_SIM_DIR=" + dir.file("units")}, {bin});
  EXPECT_EQ(p.wait(std::chrono::seconds(30)), 0);
  const std::vector<uint8_t> file = ReadFileBytes(bin);
  const std::vector<uint8_t> unit = ReadFileBytes(dir.file("units/unit1.bin"));
  ASSERT_GE(unit.size(), file.size());
  EXPECT_TRUE(std::equal(file.begin(), file.end(), unit.begin()));
}

// A first start: no [LoadDlg] OK and the device's format on Auto Detect. The handed-in
// file runs without a box (the detection goes to the message pane) and the program closes.
TEST(Process, AHandedInFileRunsOnAFreshSettingsFileWithoutStoppingAtABox) {
  const std::string hex = std::string(ZARVO_SAMPLES_DIR) + "/boot.hex";
  const std::string bin = std::string(ZARVO_SAMPLES_DIR) + "/boot.bin";
  TempDir dir;
  std::filesystem::create_directories(dir.file("units"));
  dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nRunMode=0\r\n[Device1]\r\nCheck=1\r\nICType=5\r\n");
  Program p(dir, {"ZARVO_R5_SIM=512Kx8", "ZARVO_R5_SIM_DIR=" + dir.file("units")}, {hex});
  ASSERT_EQ(p.wait(std::chrono::seconds(30)), 0);
  const std::vector<uint8_t> file = ReadFileBytes(bin);
  const std::vector<uint8_t> unit = ReadFileBytes(dir.file("units/unit1.bin"));
  ASSERT_GE(unit.size(), file.size());
  EXPECT_TRUE(std::equal(file.begin(), file.end(), unit.begin()));
}

TEST(Process, ASaveThatFailsOnTheSignalRoadSaysSoAndEndsNonZero) {
  TempDir dir;
  const std::string settings = dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  chmod(settings.c_str(), 0444);  // read-only: refused even for root
  std::filesystem::create_directories(dir.file("units"));
  Program p(dir, {"ZARVO_R5_SIM=512Kx8", "ZARVO_R5_SIM_DIR=" + dir.file("units")}, {});
  ASSERT_TRUE(WaitFor(dir.file("units/unit1.log"), "B 0000 0000"));
  kill(p.pid, SIGTERM);
  EXPECT_EQ(p.wait(std::chrono::seconds(20)), 1);
  EXPECT_NE(ReadFileText(dir.file("stderr.txt")).find("Unable to write to " + settings + ": the file is read-only"),
            std::string::npos)
      << ReadFileText(dir.file("stderr.txt"));
  EXPECT_EQ(ReadFileText(settings), "[Option]\r\nWatchMode=1\r\n");
}

TEST(Process, AHandOffRunThatRanNothingEndsWithStatusOne) {
  // Run after hand-off, but no panel ticked: the unit holds nothing, and the status says so.
  TempDir dir;
  dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nRunMode=0\r\n[Device1]\r\nCheck=0\r\n");
  Program p(dir, {"ZARVO_R5_SIM=512Kx8"}, {std::string(ZARVO_SAMPLES_DIR) + "/boot.hex"});
  EXPECT_EQ(p.wait(std::chrono::seconds(30)), 1);
}

TEST(Process, AMalformedUnitListIsRefused) {
  TempDir dir;
  Program p(dir, {"ZARVO_R5_SIM=512Kx9"}, {});
  EXPECT_EQ(p.wait(std::chrono::seconds(20)), 2);
}

}  // namespace
}  // namespace zarvo::test
