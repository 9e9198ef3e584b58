#include "device/discovery.h"

#include <algorithm>

#include "device/commands.h"
#include "device/open_refusal.h"
#include "device/self_test.h"
#include "device/usb_link.h"

namespace zarvo {

UnitPins ReadUnitPins(const Profile& profile) {
  UnitPins pins;
  for (size_t k = 0; k < pins.size(); ++k) {
    std::string port = profile.readText(kUnitsSection, "Device" + std::to_string(k + 1), "");
    const size_t first = port.find_first_not_of(" \t");
    const size_t last = port.find_last_not_of(" \t");
    pins[k] = first == std::string::npos ? std::string() : port.substr(first, last - first + 1);
  }
  return pins;
}

int NumberUnits(const std::array<uint8_t, 15>& found, const std::array<UnitIdentity, 15>& foundIds, int count,
                const UnitPins& pins, std::array<uint8_t, 15>& list, std::array<UnitIdentity, 15>& ids) {
  list.fill(0);
  ids.fill({});
  count = std::clamp(count, 0, static_cast<int>(found.size()));
  std::array<bool, 15> placed{};
  int span = 0;
  auto put = [&](size_t position, size_t k) {
    list[position] = found[k];
    ids[position] = foundIds[k];
    placed[k] = true;
    span = std::max(span, static_cast<int>(position) + 1);
  };
  // Pinned units first; a port pinned twice keeps the lower number.
  for (size_t position = 0; position < pins.size(); ++position) {
    if (pins[position].empty()) continue;
    for (size_t k = 0; k < static_cast<size_t>(count); ++k)
      if (!placed[k] && foundIds[k].port == pins[position]) {
        put(position, k);
        break;
      }
  }
  size_t next = 0;
  for (size_t k = 0; k < static_cast<size_t>(count); ++k) {
    if (placed[k]) continue;
    while (next < list.size() && (!pins[next].empty() || list[next] != 0)) ++next;
    if (next >= list.size()) break;  // every number is pinned or taken
    put(next, k);
  }
  return span;
}

bool WriteUnitPins(Profile& profile, const RunState& rs) {
  for (size_t k = 0; k < rs.UnitList.size(); ++k) {
    if (rs.UnitList[k] == 0 || !rs.UnitIds[k].known()) continue;
    if (!profile.writeText(kUnitsSection, "Device" + std::to_string(k + 1), rs.UnitIds[k].port)) return false;
  }
  return true;
}

int RefreshUnitList(DeviceContext& ctx) {
  ctx.link.close();
  std::array<uint8_t, 15> found{};
  std::array<UnitIdentity, 15> ids{};
  const int count = ctx.link.enumerate(found, &ids);
  return NumberUnits(found, ids, count, ReadUnitPins(ctx.profile), ctx.rs.UnitList, ctx.rs.UnitIds);
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
  for (size_t k = 0; k < 4; ++k) {
    ctx.rs.PanelPresent[k] = ctx.rs.UnitList[k] != 0;
    ctx.ui.setDriverPort(static_cast<int>(k) + 1, ctx.rs.UnitIds[k].port);
  }
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
  const int key = n >= 1 && n <= 4 ? ctx.rs.UnitList[static_cast<size_t>(n - 1)] : 0;
  // An empty entry (a pinned number whose unit is absent) names no unit, not the holes.
  if (key == 0) {
    ctx.link.close();
    return -1;
  }
  return FindPosition(ctx, key);
}

bool OpenByPathIndex(DeviceContext& ctx, int index) {
  ctx.link.close();
  return ctx.link.open(index);
}

bool OpenListPosition(DeviceContext& ctx, int position) {
  ctx.link.close();
  if (position < 0 || position >= static_cast<int>(ctx.rs.UnitList.size())) return ctx.link.open(-1);
  const auto p = static_cast<size_t>(position);
  return ctx.link.openUnit(ctx.rs.UnitIds[p], ctx.rs.UnitList[p] - 1);
}

bool BlinkLed(DeviceContext& ctx, int position, int count, bool* opened) {
  const bool open = OpenListPosition(ctx, position);
  if (opened != nullptr) *opened = open;
  if (!open) {
    ctx.ui.setLamp(kLampFail);
    return false;
  }
  for (int i = 0; i < count; ++i) {
    if (!SendLed(ctx.link, ctx.rs.BlinkState == 0 ? 1 : 0)) {
      SendLed(ctx.link, 0);
      ctx.rs.BlinkState = 0;
      return false;
    }
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
