#include "device/discovery.h"

#include "device/commands.h"
#include "device/open_refusal.h"
#include "device/self_test.h"
#include "device/usb_link.h"

namespace zarvo {

int RefreshUnitList(DeviceContext& ctx) {
  ctx.link.close();
  ctx.rs.UnitList.fill(0);
  return ctx.link.enumerate(ctx.rs.UnitList);
}

bool CheckUnits(DeviceContext& ctx) {
  ctx.rs.UnitCount = RefreshUnitList(ctx);
  ctx.rs.PanelPresent.fill(false);
  UnitControls c;
  if (ctx.rs.UnitCount == 0) {
    ctx.ui.setUnitControls(c);
    ctx.ui.setLamp(kLampFail);
    return false;
  }
  c.runPanel = true;
  c.bottomStrip = true;
  for (size_t k = 0; k < 4; ++k) ctx.rs.PanelPresent[k] = ctx.rs.UnitList[k] != 0;
  const Page page = ctx.ui.activePage();
  c.resetControls = page == Page::Window || page == Page::Batch;
  c.panels = ctx.rs.PanelPresent;
  ctx.ui.setUnitControls(c);
  return true;
}

int FindPosition(DeviceContext& ctx, int key) {
  ctx.link.close();
  int found = -1;
  for (int p = 0; p < ctx.rs.UnitCount && p < static_cast<int>(ctx.rs.UnitList.size()); ++p)
    if (ctx.rs.UnitList[static_cast<size_t>(p)] == key) found = p;
  return found;
}

int FindDevice(DeviceContext& ctx, int n) {
  return FindPosition(ctx, n >= 1 && n <= 4 ? ctx.rs.UnitList[static_cast<size_t>(n - 1)] : 0);
}

bool OpenByPathIndex(DeviceContext& ctx, int index) {
  ctx.link.close();
  return ctx.link.open(index);
}

bool BlinkLed(DeviceContext& ctx, int position, int count) {
  const int entry = position >= 0 && position < static_cast<int>(ctx.rs.UnitList.size())
                        ? ctx.rs.UnitList[static_cast<size_t>(position)]
                        : 0;
  if (!OpenByPathIndex(ctx, entry - 1)) {
    ctx.ui.setLamp(kLampFail);
    return false;
  }
  for (int i = 0; i < count; ++i) {
    if (!SendLed(ctx.link, ctx.rs.BlinkState == 0 ? 1 : 0)) return false;
    ctx.rs.BlinkState = ctx.rs.BlinkState == 0 ? 1 : 0;
    ctx.clock.sleepMs(100);
  }
  return true;
}

bool DeviceButtonClick(DeviceContext& ctx, int n) {
  SelfTest(ctx, false);
  const int p = FindDevice(ctx, n);
  if (p < 0) {
    ctx.ui.setLamp(kLampFail);
    return false;
  }
  if (BlinkLed(ctx, p, 10)) return true;
  ReportOpenRefusal(ctx);
  return false;
}

}  // namespace zarvo
