#pragma once
// One run of the program: the image buffer, the run-wide values and the settings file,
// with the screen and the clock it reports to. The desktop window owns one, the terminal
// program owns one, each test builds its own.

#include <string>

#include "base/clock.h"
#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"
#include "image/image_buffer.h"
#include "image/load_pipeline.h"

namespace zarvo {

class Session {
 public:
  Session(Ui& ui, Clock& clock, std::string settingsPath = {});

  Ui& ui() { return ui_; }
  Clock& clock() { return clock_; }
  RunState& state() { return state_; }
  ImageBuffer& image() { return image_; }
  Profile& profile() { return profile_; }
  LoadContext loadContext() { return {image_, state_, profile_, ui_}; }

 private:
  Ui& ui_;
  Clock& clock_;
  RunState state_;
  ImageBuffer image_;
  Profile profile_;
};

}  // namespace zarvo
