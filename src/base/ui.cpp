#include "base/ui.h"

namespace zarvo {

void Ui::setLamp(int state) {
  status_.setLamp(activePage(), state);
  statusChanged();
}

void Ui::setStepImage(int code) {
  status_.setStepImage(code);
  statusChanged();
}

void Ui::setProgress(ProgressBar bar, int value) {
  status_.setProgress(bar, value);
  statusChanged();
}

void Ui::addProgress(ProgressBar bar, int delta) {
  status_.addProgress(bar, delta);
  statusChanged();
}

void Ui::showAllLamps() {
  status_.showAllLamps();
  statusChanged();
}

}  // namespace zarvo
