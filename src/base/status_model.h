#pragma once
// Which lamp pictures, step pictures and progress positions are visible. Two lamp sets
// (window page W_Pass/W_Wait/W_Fail, batch page Pass/Wait/Fail), each three stacked
// pictures with pass on top; three step frames of five stacked pictures each.

#include <array>
#include <cstddef>

namespace zarvo {

enum class Page { Window = 0, Batch = 1, Setup1 = 2, Setup2 = 3 };
enum class ProgressBar { Window = 1, Batch = 2 };  // ProgressBar1, ProgressBar2

enum LampState { kLampPass = 1, kLampWait = 2, kLampFail = 3 };

struct LampPictures {
  bool pass = true, wait = true, fail = true;
  // 1 pass, 2 wait, 3 fail: the topmost visible picture.
  int seen() const { return pass ? kLampPass : wait ? kLampWait : kLampFail; }
};

// Step frames: 0 load and download (prog_*), 1 verify (confirm_*), 2 reset (erace_*).
// Pictures from top to bottom: _n idle, _w working, _p passed, _f failed, _o.
struct StepPictures {
  bool n = true, w = true, p = true, f = true, o = true;
  // What the frame shows: 'n' idle, 'w' working, 'p' passed, 'f' failed.
  char seen() const { return n ? 'n' : w ? 'w' : p ? 'p' : 'f'; }
};

// The last operation applied, so a recorder can log the sequence of lamp and step codes a
// work flow produced (Ui only says that the status changed).
struct StatusCall {
  enum Kind { None, Lamp, Step, Progress } kind = None;
  int value = 0;  // lamp state or step code as given; for Progress the bar's new position
  ProgressBar bar = ProgressBar::Window;
};

class StatusModel {
 public:
  static constexpr int kProgressMax = 100;

  // Sets the lamp of the page showing (no lamp on the option pages); every call, whatever
  // the state and the page, fills ProgressBar1.
  void setLamp(Page showing, int state);
  // 0 all idle; 1/2/3 working; 10/20/30 passed; 100/200/300 failed; other codes nothing.
  void setStepImage(int code);
  void setProgress(ProgressBar bar, int value);
  void addProgress(ProgressBar bar, int delta);
  // Start-up: all six lamp pictures visible again (pass is seen), bars untouched.
  void showAllLamps() { windowLamp_ = batchLamp_ = LampPictures{}; }

  const LampPictures& lamp(Page page) const { return page == Page::Batch ? batchLamp_ : windowLamp_; }
  const StepPictures& step(int frame) const { return steps_.at(static_cast<std::size_t>(frame)); }
  int progress(ProgressBar bar) const { return bar == ProgressBar::Window ? progress1_ : progress2_; }
  const StatusCall& lastCall() const { return last_; }

 private:
  LampPictures windowLamp_, batchLamp_;
  std::array<StepPictures, 3> steps_{};
  int progress1_ = 0, progress2_ = 0;
  StatusCall last_;
};

}  // namespace zarvo
