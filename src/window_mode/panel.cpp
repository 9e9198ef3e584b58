#include "window_mode/panel.h"

#include "image/load_keys.h"

#include "image/tables.h"

namespace zarvo {

std::string TypeItemText(int item) {
  if (item == kAutoDetectItem) return kAutoDetectText;
  if (item < 0 || item > kAutoDetectItem) return {};
  return kIcSizeTable[static_cast<size_t>(item)].comboText;
}

std::string TypeTextToSwitch(std::string_view typeText) {
  for (const IcType& t : kIcSizeTable) {
    if (typeText == t.comboText) return t.shortSwitch;
  }
  return std::string(typeText);
}

std::optional<std::string> DataSetTextSwitch(std::string_view dataSetText) {
  for (const DataSet& d : kDataSetTable) {
    if (dataSetText == d.comboText) return std::string(d.switchText);
  }
  return std::nullopt;
}

void ApplyPanelSwitches(RunState& rs, std::string_view typeText, std::string_view dataSetText) {
  if (auto sw = DataSetTextSwitch(dataSetText)) {
    rs.DataSetSwitch = *sw;
    rs.SavedDataSetSwitch = *sw;
  }
  rs.IcSwitchText = TypeTextToSwitch(typeText);
  SetIcType(rs, rs.IcSwitchText);
}

AutoDetectChoice ChooseAutoDetect(uint64_t fileSize) {
  // A file larger than the largest IC gets the largest one: the unit holds no more, and
  // keeping an older, smaller range would emulate a part that cannot hold the file.
  const IcType& largest = kIcSizeTable.back();
  uint32_t range = largest.size;
  if (fileSize <= largest.size) {
    range = SmallestIcSize(static_cast<uint32_t>(fileSize)).value_or(largest.size);
  }
  AutoDetectChoice c;
  c.range = range;
  c.item = IcItemForSize(range).value_or(1);
  // The list's item 9 reads "   Auto Detect" rather than the 1024K row, which would leave
  // the run with no IC type at all; the run takes the row's own text instead.
  c.typeText = kIcSizeTable[static_cast<size_t>(c.item)].comboText;
  return c;
}

std::optional<uint32_t> ParseStartAddress(std::string_view text) { return ParseHexText(text); }

}  // namespace zarvo
