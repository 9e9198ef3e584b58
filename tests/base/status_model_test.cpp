#include "base/status_model.h"

#include <gtest/gtest.h>

#include <string>

namespace zarvo {
namespace {

std::string Steps(const StatusModel& m) {
  return {m.step(0).seen(), m.step(1).seen(), m.step(2).seen()};
}

TEST(StatusModel, LampOfThePageShowingAndProgressAlwaysFull) {
  StatusModel m;
  m.setLamp(Page::Window, kLampFail);
  EXPECT_EQ(m.lamp(Page::Window).seen(), kLampFail);
  EXPECT_EQ(m.lamp(Page::Batch).seen(), kLampPass);
  EXPECT_EQ(m.progress(ProgressBar::Window), 100);

  m.setProgress(ProgressBar::Window, 10);
  m.setLamp(Page::Setup1, kLampFail);  // no lamp on an option page, the bar still fills
  EXPECT_EQ(m.lamp(Page::Window).seen(), kLampFail);
  EXPECT_EQ(m.lamp(Page::Batch).seen(), kLampPass);
  EXPECT_EQ(m.progress(ProgressBar::Window), 100);

  m.setLamp(Page::Batch, kLampWait);
  EXPECT_FALSE(m.lamp(Page::Batch).pass);
  EXPECT_TRUE(m.lamp(Page::Batch).wait);
  m.setLamp(Page::Batch, 7);  // other values change no picture
  EXPECT_EQ(m.lamp(Page::Batch).seen(), kLampWait);
}

TEST(StatusModel, StepCodes) {
  struct Case {
    int code;
    const char* after;  // from "nnn", the frames seen after the code
  } cases[] = {
      {0, "nnn"},   {1, "wnn"},   {2, "nwn"},   {3, "nnw"},   {10, "pnn"}, {20, "npn"},
      {30, "nnp"},  {100, "fnn"}, {200, "nfn"}, {300, "nnf"}, {5, "nnn"},  {11, "nnn"},
      {-1, "nnn"},  {1000, "nnn"},
  };
  for (const Case& c : cases) {
    StatusModel m;
    m.setStepImage(c.code);
    EXPECT_EQ(Steps(m), c.after) << "code " << c.code;
  }
}

TEST(StatusModel, StepSequenceAndPictureSets) {
  StatusModel m;
  m.setStepImage(1);
  m.setStepImage(10);
  EXPECT_EQ(Steps(m), "pnn");
  const StepPictures& s = m.step(0);
  EXPECT_FALSE(s.n);
  EXPECT_FALSE(s.w);
  EXPECT_TRUE(s.p && s.f && s.o);
  m.setStepImage(100);
  m.setStepImage(200);
  EXPECT_EQ(Steps(m), "ffn");
  EXPECT_TRUE(m.step(0).f && m.step(0).o && !m.step(0).p);
  m.setStepImage(0);
  EXPECT_EQ(Steps(m), "nnn");
}

// Every code of the step table applied over a mixed state (download working, verify passed,
// reset failed): a code touches only its own frame, and a code outside the table none.
TEST(StatusModel, EveryStepCodeOverAMixedState) {
  struct Case {
    int code;
    const char* after;
  } cases[] = {
      {0, "nnn"},   {1, "wpf"},   {2, "wwf"},   {3, "wpw"},   {10, "ppf"},  {20, "wpf"},
      {30, "wpp"},  {100, "fpf"}, {200, "wff"}, {300, "wpf"}, {4, "wpf"},   {5, "wpf"},
      {11, "wpf"},  {40, "wpf"},  {110, "wpf"}, {301, "wpf"}, {400, "wpf"}, {1000, "wpf"},
      {-1, "wpf"},  {-10, "wpf"}, {-100, "wpf"},
  };
  for (const Case& c : cases) {
    StatusModel m;
    m.setStepImage(1);
    m.setStepImage(20);
    m.setStepImage(300);
    ASSERT_EQ(Steps(m), "wpf");
    m.setStepImage(c.code);
    EXPECT_EQ(Steps(m), c.after) << "code " << c.code;
    EXPECT_EQ(m.lastCall().kind, StatusCall::Step);
    EXPECT_EQ(m.lastCall().value, c.code);
  }
}

// Which of the five pictures each kind of code leaves visible, for every frame.
TEST(StatusModel, PictureSetsPerKind) {
  auto set = [](const StepPictures& s) {
    return std::string{s.n ? 'n' : '-', s.w ? 'w' : '-', s.p ? 'p' : '-', s.f ? 'f' : '-', s.o ? 'o' : '-'};
  };
  for (int frame = 0; frame < 3; ++frame) {
    const int unit = frame + 1;
    StatusModel m;
    EXPECT_EQ(set(m.step(frame)), "nwpfo");
    m.setStepImage(unit);
    EXPECT_EQ(set(m.step(frame)), "-wpfo");
    m.setStepImage(unit * 10);
    EXPECT_EQ(set(m.step(frame)), "--pfo");
    m.setStepImage(unit * 100);
    EXPECT_EQ(set(m.step(frame)), "---fo");
    m.setStepImage(unit);  // a failed step can work again
    EXPECT_EQ(set(m.step(frame)), "-wpfo");
    m.setStepImage(0);
    EXPECT_EQ(set(m.step(frame)), "nwpfo");
  }
}

TEST(StatusModel, LastCallNamesTheOperation) {
  StatusModel m;
  EXPECT_EQ(m.lastCall().kind, StatusCall::None);
  m.setLamp(Page::Setup2, kLampWait);
  EXPECT_EQ(m.lastCall().kind, StatusCall::Lamp);
  EXPECT_EQ(m.lastCall().value, kLampWait);
  m.addProgress(ProgressBar::Batch, -3);
  EXPECT_EQ(m.lastCall().kind, StatusCall::Progress);
  EXPECT_EQ(m.lastCall().bar, ProgressBar::Batch);
  EXPECT_EQ(m.lastCall().value, 0);
}

TEST(StatusModel, ProgressIsClamped) {
  StatusModel m;
  m.setProgress(ProgressBar::Batch, 10);
  m.addProgress(ProgressBar::Batch, 95);
  EXPECT_EQ(m.progress(ProgressBar::Batch), 100);
  m.addProgress(ProgressBar::Batch, -500);
  EXPECT_EQ(m.progress(ProgressBar::Batch), 0);
}

}  // namespace
}  // namespace zarvo
