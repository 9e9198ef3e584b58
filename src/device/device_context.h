#pragma once
// What every unit operation needs: the link to the open unit, the run-wide values, the
// settings file, the screen and the clock.

#include "base/clock.h"
#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"

namespace zarvo {

class UsbLink;

struct DeviceContext {
  UsbLink& link;
  RunState& rs;
  Profile& profile;
  Ui& ui;
  Clock& clock;
};

}  // namespace zarvo
