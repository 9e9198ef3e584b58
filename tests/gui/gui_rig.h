#pragma once
// A bench for the desktop window: the real MainWindow, offscreen, on simulated units, with a
// counting clock (blinks and pulses never sleep), its own start folder and registry file, and
// every message box and file dialog answered by the test.

#include <QApplication>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "counting_clock.h"
#include "device/simulated_backend.h"
#include "gui/main_window.h"
#include "temp_dir.h"

namespace zarvo::test {

class GuiRig {
 public:
  // slots: a ZARVO_R5_SIM-style list ("512Kx8,512Kx8").
  explicit GuiRig(std::string slots = "512Kx8,512Kx8") : slots_(std::move(slots)) {}
  ~GuiRig();

  // Builds the window (start-up runs); args are the command line after the program name.
  gui::MainWindow& start(std::vector<std::string> args = {});
  gui::MainWindow& window() { return *window_; }
  // Closes the window as a user would (the settings are saved) and destroys it.
  void close();

  template <typename W>
  W* find(const char* name) {
    return window_->findChild<W*>(QString::fromUtf8(name));
  }
  SimUnit* unit(int slot) { return sim_->unit(slot); }
  SimulatedBackend& sim() { return *sim_; }

  std::string settingsFile() const { return dir.file("TovanHistory_1.ini"); }
  std::string paneText() const;  // RichEdit2
  std::vector<std::string> boxTexts() const;

  TempDir dir;                       // the start folder
  TempDir config;                    // the registry file's folder
  CountingClock clock;
  std::deque<Answer> answers;        // for message boxes; empty: the default button
  std::vector<gui::BoxRequest> boxes;
  std::function<void(const gui::BoxRequest&)> onBox;  // runs while a box is up
  std::deque<QString> files;         // for file dialogs; empty: cancelled
  std::vector<gui::FileRequest> fileRequests;
  std::vector<std::string> languageDirs;
  bool realBoxes = false;            // real QMessageBoxes instead of answers from the queue
  int noticeSlideMs = 0;             // the change notice's slide (0: placed at once)
  std::function<void(SimulatedBackend&)> prepare;  // runs on the units before start-up

 private:
  std::string slots_;
  std::unique_ptr<FileRegistry> registry_;
  SimulatedBackend* sim_ = nullptr;
  std::unique_ptr<gui::MainWindow> window_;
};

// Runs f once the next modal dialog is up (a load dialog's exec), then lets exec go on.
void WhenModal(std::function<void(QWidget*)> f);

// Sends the keys to the widget one by one, as typing would.
void TypeKeys(QWidget* w, const QString& keys);

// Widgets Qt builds inside its own controls (a combo's edit, scroll bars, viewports, tab
// bars), which the control itself stands for.
bool QtInternal(const QWidget* w);

// Writes a PNG of the widget into the build tree's screenshots folder; returns its path.
std::string Screenshot(QWidget* w, const std::string& name);

}  // namespace zarvo::test
