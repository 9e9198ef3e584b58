#include "base/status_model.h"

#include <algorithm>

namespace zarvo {

void StatusModel::setLamp(Page showing, int state) {
  last_ = {StatusCall::Lamp, state, ProgressBar::Window};
  LampPictures* lamp = showing == Page::Window  ? &windowLamp_
                       : showing == Page::Batch ? &batchLamp_
                                                : nullptr;
  if (lamp != nullptr) {
    switch (state) {
      case kLampPass: *lamp = {true, true, true}; break;
      case kLampWait: *lamp = {false, true, true}; break;
      case kLampFail: *lamp = {false, false, true}; break;
      default: break;
    }
  }
  progress1_ = kProgressMax;
}

void StatusModel::setStepImage(int code) {
  last_ = {StatusCall::Step, code, ProgressBar::Window};
  if (code == 0) {
    steps_.fill(StepPictures{});
    return;
  }
  int frame = -1;
  int kind = 0;  // 1 working, 2 passed, 3 failed
  for (int s = 0; s < 3; ++s) {
    if (code == s + 1) frame = s, kind = 1;
    if (code == (s + 1) * 10) frame = s, kind = 2;
    if (code == (s + 1) * 100) frame = s, kind = 3;
  }
  if (frame < 0) return;
  StepPictures& st = steps_[static_cast<size_t>(frame)];
  st = StepPictures{false, kind == 1, kind <= 2, true, true};
}

void StatusModel::setProgress(ProgressBar bar, int value) {
  int v = std::clamp(value, 0, kProgressMax);
  (bar == ProgressBar::Window ? progress1_ : progress2_) = v;
  last_ = {StatusCall::Progress, v, bar};
}

void StatusModel::addProgress(ProgressBar bar, int delta) { setProgress(bar, progress(bar) + delta); }

}  // namespace zarvo
