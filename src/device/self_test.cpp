#include "device/self_test.h"

#include <string>

#include "device/commands.h"
#include "device/discovery.h"
#include "device/open_refusal.h"
#include "device/unit_config.h"
#include "device/usb_link.h"

namespace zarvo {

namespace {

constexpr char kFailText[] = "Self Test Fail !!";

class Reporter {
 public:
  Reporter(Ui& ui, bool on) : ui_(ui), on_(on) {}
  void line(const std::string& text) {
    if (on_) ui_.appendMessage(text);
  }
  void indented(const std::string& text) { line("      " + text); }

 private:
  Ui& ui_;
  bool on_;
};

}  // namespace

bool SelfTest(DeviceContext& ctx, bool withMessages) {
  Reporter out(ctx.ui, withMessages);
  ctx.ui.showMessagePage();
  out.line("Device Self Test ....");
  CheckUnits(ctx);
  ctx.rs.UnitDeviceSize.fill({});
  ctx.rs.UnitTestedId.fill({});
  for (int i = 0; i < ctx.rs.UnitCount; ++i) {
    // A Device number pinned to a port without a unit: nothing to test there.
    if (ctx.rs.UnitList[static_cast<size_t>(i)] == 0) continue;
    // Driver fields exist for panels 1..4; later units report in panel 1's field.
    const int panel = i <= 3 ? i + 1 : 1;
    if (!OpenListPosition(ctx, i)) {
      out.indented("USB Device is not connect...");
      out.line(kFailText);
      ctx.ui.setDriverText(panel, "Not connect");
      ctx.ui.setDriverRed(panel, true);
      ctx.ui.setLamp(kLampFail);
      // Quiet, the caller's road says the cause after its own failure text.
      if (withMessages) ReportOpenRefusal(ctx);
      return false;
    }
    out.indented("USB Device is open !");
    ctx.ui.setDriverRed(panel, false);
    ctx.ui.setLamp(kLampPass);

    StatusBlock status;
    if (!ReadStatus(ctx.link, status.bytes)) {
      out.indented("Error 42! Command Fail");
      out.line(kFailText);
      ctx.ui.setLamp(kLampFail);
      return false;
    }
    if (!status.passed()) {
      out.indented("Error !! Check State Fail");
      if (status.hasAddress()) out.indented("Error !! Address : 0x" + status.addressHex());
      if (status.hasData()) out.indented("Error !! Data      : 0x" + status.dataHex());
      ctx.ui.setLamp(kLampFail);
      out.line(kFailText);
      return false;
    }
    out.indented("Buffer Page   : 0x" + status.pageHex());
    out.indented(ctx.rs.ResetPolarity == 1 ? "Reset Status : Low" : "Reset Status : High");

    const UnitConfig* config = ConfigByCode(status.configCode());
    if (!config) {
      out.indented("Error !! This is not ZarvoR5 series ...!!");
      out.line(kFailText);
      ctx.ui.setDriverText(1, "Not connect");
      ctx.ui.setLamp(kLampFail);
      return false;
    }
    // Only ever raised, and only from an unset (below one block) value.
    if (ctx.rs.DeviceMemorySize < config->raiseThreshold && ctx.rs.DeviceMemorySize < config->capacity)
      ctx.rs.DeviceMemorySize = config->capacity;
    ctx.ui.setDriverText(panel, config->deviceSize);
    ctx.rs.DeviceSize = config->deviceSize;
    if (i < static_cast<int>(ctx.rs.UnitDeviceSize.size())) {
      ctx.rs.UnitDeviceSize[static_cast<size_t>(i)] = config->deviceSize;
      ctx.rs.UnitTestedId[static_cast<size_t>(i)] = ctx.rs.UnitIds[static_cast<size_t>(i)];
    }
    out.indented(std::string("Device Size    : ") + config->deviceSize);
    out.line("Self Test OK !!");
  }
  if (ctx.rs.UnitCount == 0) ctx.ui.appendMessage(kFailText);
  return true;
}

}  // namespace zarvo
