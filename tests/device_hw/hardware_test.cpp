// Against a real unit on this machine's USB bus, through libusb: the self test, a download
// and read-back verify of a 64K image, and a reset pulse. Skipped unless ZARVO_R5_HW=1 (a
// bench with a unit attached; the udev rule or root gives access).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "base/run_state.h"
#include "counting_clock.h"
#include "device/discovery.h"
#include "device/libusb_backend.h"
#include "device/reset_line.h"
#include "device/self_test.h"
#include "device/transfer.h"
#include "device/usb_link.h"
#include "image/image_buffer.h"
#include "image/tables.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

class Hardware : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* hw = std::getenv("ZARVO_R5_HW");
    if (hw == nullptr || std::strcmp(hw, "1") != 0) GTEST_SKIP() << "set ZARVO_R5_HW=1 with a unit attached";
    backend_ = MakeLibusbBackend();
    link_ = std::make_unique<UsbLink>(*backend_);
  }
  DeviceContext ctx() { return {*link_, rs_, profile_, ui_, clock_}; }

  std::unique_ptr<UsbBackend> backend_;
  std::unique_ptr<UsbLink> link_;
  RunState rs_;
  test::TempDir dir_;
  Profile profile_{dir_.file("TovanHistory_1.ini")};
  test::RecordingUi ui_;
  SystemClock clock_;
};

TEST_F(Hardware, SelfTestDownloadVerifyAndResetPulse) {
  DeviceContext dev = ctx();
  ASSERT_TRUE(SelfTest(dev, true));
  ASSERT_GT(rs_.UnitCount, 0) << "no unit found";
  EXPECT_FALSE(rs_.DeviceSize.empty());

  // A 64K image of a known pattern, downloaded to Device 1 and read back.
  ImageBuffer image;
  SetIcType(rs_, "/512");
  ASSERT_TRUE(image.resize(0x10000, rs_, ui_));
  for (uint32_t i = 0; i < 0x10000; ++i) image.data()[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  const int position = FindDevice(dev, 1);
  ASSERT_GE(position, 0);
  ASSERT_TRUE(OpenByPathIndex(dev, rs_.UnitList[0] - 1));
  const auto geometry = GeometryFor(rs_);
  ASSERT_TRUE(geometry.has_value());
  ASSERT_TRUE(Download(dev, image, *geometry)) << (ui_.pane.empty() ? "" : ui_.pane.back());
  rs_.VerifyMismatch = false;
  ASSERT_TRUE(ReadBackVerify(dev, image, *geometry));
  EXPECT_FALSE(rs_.VerifyMismatch);

  rs_.ResetDelayMs = 300;
  EXPECT_TRUE(PulseReset(dev, rs_.ResetIdleLevel()));
  EXPECT_EQ(ui_.status().lamp(Page::Window).seen(), kLampPass);
}

}  // namespace
}  // namespace zarvo
