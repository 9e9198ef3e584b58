#include "app/settings_tables.h"

namespace zarvo {
namespace {

std::vector<LoadRow> BuildLoadTable() {
  using R = ReadAs;
  using K = ControlKind;
  std::vector<LoadRow> t = {
      {"Option", "ConfirmCheck", R::TextThenInteger, "0", 0, "Confirm_check", K::Checked, 0},
      {"Option", "ResetCheck", R::TextThenInteger, "0", 0, "Reset_Check", K::Checked, 0},
  };
  for (int d = 1; d <= 4; ++d) {
    const std::string sec = "Device" + std::to_string(d);
    const std::string n = std::to_string(d);
    t.push_back({sec, "Check", R::Integer, "", 1, "Win_check_" + n, K::Checked, 0});
    t.push_back({sec, "ICType", R::Integer, "", 9, "Win_Type_" + n, K::Item, 10});
    t.push_back({sec, "DataSet", R::Integer, "", 0, "Win_set_" + n, K::Item, 7});
    t.push_back({sec, "Name", R::Text, "", 0, "Win_Source_" + n, K::Text, 0});
    t.push_back({sec, "Sum", R::Text, "", 0, "Win_sum_" + n, K::Text, 0});
    t.push_back({sec, "StartAddr", R::Text, "", 0, "Win_addr_" + n, K::Text, 0});
    // Read again with default 0: this one decides, so a missing key leaves the panel unticked.
    t.push_back({sec, "Check", R::Integer, "", 0, "Win_check_" + n, K::Checked, 0});
  }
  const std::vector<LoadRow> tail = {
      {"Option", "BatWork", R::Text, "", 0, "work_file_bat", K::Text, 0},
      {"Option", "BatFile", R::Text, "", 0, "BatFileName", K::Text, 0},
      {"Option", "RunMode", R::Integer, "", 1, "Sendto_option", K::Item, 2},
      {"Option", "SendPath", R::Integer, "", 0, "Sendto_path", K::Item, 2},
      {"Option", "WatchMode", R::Integer, "", 0, "WatchFile_option", K::Item, 2},
      {"Option", "SourceMode", R::Integer, "", 0, "WatchFile_source", K::Item, 2},
      {"Option", "SourceIndex", R::Text, "1", 0, "DeviceFile", K::Text, 0},
      {"Option", "Lang", R::Text, "English", 0, "Lang_Sel", K::Text, 0},
      {"Option", "SignalOption", R::Integer, "", 0, "SetSignal", K::Item, 2},
      {"Option", "SignalOption", R::Integer, "", 0, "Reset_Option", K::Item, 2},
      {"Option", "PulseDealyTime", R::Text, "0000", 0, "DelayTime", K::Text, 0},
      {"Option", "MessageCheck", R::Integer, "", 1, "Message_Switch", K::Checked, 0},
  };
  t.insert(t.end(), tail.begin(), tail.end());
  return t;
}

ControlValue ReadRow(const Profile& profile, const LoadRow& row) {
  if (row.readAs == ReadAs::Text) return profile.readText(row.section, row.key, row.defaultText);

  int64_t v = row.defaultInt;
  if (row.readAs == ReadAs::Integer) {
    v = profile.readInt(row.section, row.key, row.defaultInt);
  } else if (!Profile::parseInt(profile.readText(row.section, row.key, row.defaultText), v)) {
    v = 0;  // "yes" or "on" in a hand-edited file: the box stays unticked, start-up goes on
  }
  if (row.kind == ControlKind::Checked) return int64_t{v != 0 ? 1 : 0};
  // An index the list does not have would select nothing or fault in the control.
  if (row.kind == ControlKind::Item && (v < 0 || v >= row.items)) return row.defaultInt;
  return v;
}

}  // namespace

const std::vector<LoadRow>& LoadTable() {
  static const std::vector<LoadRow> table = BuildLoadTable();
  return table;
}

std::vector<ControlAssignment> LoadSettings(const Profile& profile) {
  std::vector<ControlAssignment> out;
  out.reserve(LoadTable().size());
  for (const LoadRow& row : LoadTable()) out.push_back({row.control, ReadRow(profile, row)});
  return out;
}

std::vector<SettingsWrite> SaveTable(const ControlValues& v) {
  auto num = [](int64_t n) { return std::to_string(n); };
  std::vector<SettingsWrite> w = {
      {"Option", "Lang", v.langSel},
      {"Option", "BatWork", v.workFileBat},
      {"Option", "BatFile", v.batFileName},
      {"Option", "RunMode", num(v.sendtoOption)},
      {"Option", "SendPath", num(v.sendtoPath)},
      {"Option", "WatchMode", num(v.watchFileOption)},
      {"Option", "SourceMode", num(v.watchFileSource)},
      {"Option", "SourceIndex", v.deviceFile},
      {"Option", "SignalOption", num(v.setSignal)},
      {"Option", "PulseDealyTime", num(v.resetDelayMs)},
      {"Option", "MessageCheck", num(v.messageSwitch ? 1 : 0)},
      {"Option", "ConfirmCheck", v.confirmCheck ? "1" : "0"},
      {"Option", "ResetCheck", v.resetCheck ? "1" : "0"},
  };
  for (int d = 0; d < 4; ++d) {
    const std::string sec = "Device" + std::to_string(d + 1);
    const PanelControls& p = v.panels[static_cast<size_t>(d)];
    w.push_back({sec, "Check", num(p.check ? 1 : 0)});
    w.push_back({sec, "ICType", num(p.icType)});
    w.push_back({sec, "DataSet", num(p.dataSet)});
    w.push_back({sec, "Name", p.source});
    w.push_back({sec, "Sum", p.sum});
    w.push_back({sec, "StartAddr", p.startAddr});
    w.push_back({sec, "Check", num(p.check ? 1 : 0)});
  }
  return w;
}

bool SaveSettings(Profile& profile, const ControlValues& values, Ui& ui) {
  for (const SettingsWrite& w : SaveTable(values)) {
    if (!profile.writeText(w.section, w.key, w.value)) {
      ui.messageBox(profile.lastError(), "Error", Icon::Error, Buttons::Ok);
      return false;
    }
  }
  return true;
}

}  // namespace zarvo
