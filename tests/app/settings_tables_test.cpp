#include "app/settings_tables.h"

#include <gtest/gtest.h>

#include <map>

#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::ReadFileText;
using test::RecordingUi;
using test::TempDir;

std::vector<std::string> Controls(const std::vector<ControlAssignment>& as) {
  std::vector<std::string> out;
  for (const auto& a : as) out.push_back(a.control);
  return out;
}

// The last value each control was given, as the window is left after loading.
std::map<std::string, ControlValue> Final(const std::vector<ControlAssignment>& as) {
  std::map<std::string, ControlValue> out;
  for (const auto& a : as) out[a.control] = a.value;
  return out;
}

ControlValue Num(int64_t v) { return v; }
ControlValue Txt(const std::string& s) { return s; }

std::vector<ControlAssignment> LoadFrom(const TempDir& dir, const std::string& text) {
  return LoadSettings(Profile(dir.writeText("TovanHistory_1.ini", text)));
}

TEST(LoadSettings, AssignsFortyTwoRowsInTheirOrder) {
  std::vector<std::string> expected = {"Confirm_check", "Reset_Check"};
  for (const char* n : {"1", "2", "3", "4"}) {
    for (const char* c : {"Win_check_", "Win_Type_", "Win_set_", "Win_Source_", "Win_sum_", "Win_addr_", "Win_check_"}) {
      expected.push_back(std::string(c) + n);
    }
  }
  for (const char* c : {"work_file_bat", "BatFileName", "Sendto_option", "Sendto_path", "WatchFile_option",
                        "WatchFile_source", "DeviceFile", "Lang_Sel", "SetSignal", "Reset_Option", "DelayTime",
                        "Message_Switch"}) {
    expected.push_back(c);
  }
  ASSERT_EQ(expected.size(), 42u);
  EXPECT_EQ(Controls(LoadSettings(Profile())), expected);
  ASSERT_EQ(LoadTable().size(), 42u);
  EXPECT_EQ(LoadTable()[8].key, "Check");
  EXPECT_EQ(LoadTable()[39].key, "SignalOption");
}

TEST(LoadSettings, MissingFileGivesTheDefaults) {
  TempDir dir;
  const auto as = LoadSettings(Profile(dir.file("TovanHistory_1.ini")));
  const std::map<std::string, ControlValue> expected = {
      {"Confirm_check", Num(0)}, {"Reset_Check", Num(0)},      {"Win_Type_3", Num(9)},
      {"Win_set_3", Num(0)},     {"Win_Source_3", Txt("")},    {"Win_sum_3", Txt("")},
      {"Win_addr_3", Txt("")},   {"work_file_bat", Txt("")},   {"BatFileName", Txt("")},
      {"Sendto_option", Num(1)}, {"Sendto_path", Num(0)},      {"WatchFile_option", Num(0)},
      {"WatchFile_source", Num(0)}, {"DeviceFile", Txt("1")},  {"Lang_Sel", Txt("English")},
      {"SetSignal", Num(0)},     {"Reset_Option", Num(0)},     {"DelayTime", Txt("0000")},
      {"Message_Switch", Num(1)},
  };
  const auto got = Final(as);
  for (const auto& [control, value] : expected) EXPECT_EQ(got.at(control), value) << control;
  // The first read of "Check" ticks the panel, the second (default 0) unticks it again.
  EXPECT_EQ(as[2].value, Num(1));
  EXPECT_EQ(as[8].value, Num(0));
  EXPECT_EQ(got.at("Win_check_4"), Num(0));
  EXPECT_FALSE(std::filesystem::exists(dir.file("TovanHistory_1.ini")));  // reading creates nothing
}

TEST(LoadSettings, SecondCheckReadDecides) {
  TempDir dir;
  const auto as = LoadFrom(dir, "[Device1]\nCheck=1\n[Device2]\nCheck=0\n[Device3]\nCheck=7\n[Device4]\nCheck=x\n");
  const auto got = Final(as);
  EXPECT_EQ(got.at("Win_check_1"), Num(1));
  EXPECT_EQ(got.at("Win_check_2"), Num(0));
  EXPECT_EQ(got.at("Win_check_3"), Num(1));  // checked when non-zero
  // Malformed: the first read's default ticks, the second's unticks.
  EXPECT_EQ(as[2 + 3 * 7].value, Num(1));
  EXPECT_EQ(got.at("Win_check_4"), Num(0));
}

TEST(LoadSettings, ConfirmAndResetCheckAreReadAsTextThenInteger) {
  struct Case {
    const char* stored;
    int64_t checked;
  } cases[] = {
      {"1", 1}, {"0", 0}, {"2", 1}, {"-1", 1}, {"0x10", 1}, {" 1 ", 1},
      // Not an integer: taken as 0, the box stays unticked.
      {"yes", 0}, {"", 0}, {"1a", 0}, {"0x", 0},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("stored '") + c.stored + "'");
    const auto got = Final(LoadFrom(dir, std::string("[Option]\nConfirmCheck=") + c.stored + "\nResetCheck=" + c.stored + "\n"));
    EXPECT_EQ(got.at("Confirm_check"), Num(c.checked));
    EXPECT_EQ(got.at("Reset_Check"), Num(c.checked));
  }
}

TEST(LoadSettings, SignalOptionDrivesBothSetSignalAndResetOption) {
  TempDir dir;
  const auto as = LoadFrom(dir, "[Option]\nSignalOption=1\n");
  EXPECT_EQ(as[38].control, "SetSignal");
  EXPECT_EQ(as[38].value, Num(1));
  EXPECT_EQ(as[39].control, "Reset_Option");
  EXPECT_EQ(as[39].value, Num(1));
}

TEST(LoadSettings, ItemIndicesOutsideTheListGiveTheRowDefault) {
  TempDir dir;
  const auto got = Final(LoadFrom(dir,
                                  "[Device1]\nICType=10\nDataSet=7\n[Device2]\nICType=-1\nDataSet=6\n"
                                  "[Device3]\nICType=8\nDataSet=0x3\n"
                                  "[Option]\nRunMode=5\nSendPath=2\nWatchMode=-3\nSourceMode=1\nSignalOption=9\n"));
  EXPECT_EQ(got.at("Win_Type_1"), Num(9));
  EXPECT_EQ(got.at("Win_set_1"), Num(0));
  EXPECT_EQ(got.at("Win_Type_2"), Num(9));
  EXPECT_EQ(got.at("Win_set_2"), Num(6));
  EXPECT_EQ(got.at("Win_Type_3"), Num(8));
  EXPECT_EQ(got.at("Win_set_3"), Num(3));
  EXPECT_EQ(got.at("Sendto_option"), Num(1));
  EXPECT_EQ(got.at("Sendto_path"), Num(0));
  EXPECT_EQ(got.at("WatchFile_option"), Num(0));
  EXPECT_EQ(got.at("WatchFile_source"), Num(1));
  EXPECT_EQ(got.at("SetSignal"), Num(0));
  EXPECT_EQ(got.at("Reset_Option"), Num(0));
}

TEST(LoadSettings, TextsArriveAsTheyStandWhateverTheCaseOfSectionsAndKeys) {
  TempDir dir;
  const auto got = Final(LoadFrom(dir,
                                  "[OPTION]\r\nlang=Klingon\r\nPULSEDEALYTIME=1000\r\nsourceindex=3\r\n"
                                  "[device2]\r\nname=/roms/a b.hex\r\nSUM=0001FE00\r\nstartaddr=0000100\r\n"));
  EXPECT_EQ(got.at("Lang_Sel"), Txt("Klingon"));  // any name; it names the language file
  EXPECT_EQ(got.at("DelayTime"), Txt("1000"));
  EXPECT_EQ(got.at("DeviceFile"), Txt("3"));
  EXPECT_EQ(got.at("Win_Source_2"), Txt("/roms/a b.hex"));
  EXPECT_EQ(got.at("Win_sum_2"), Txt("0001FE00"));
  EXPECT_EQ(got.at("Win_addr_2"), Txt("0000100"));
}

TEST(SettingsFile, DistSaddAndDistSAddAreOneKey) {
  TempDir dir;
  Profile p(dir.file("TovanHistory_1.ini"));
  ASSERT_TRUE(p.writeInt("LoadDlg", "DistSAdd", 4096));  // as the load dialog writes it
  EXPECT_EQ(p.readInt("LoadDlg", "DistSadd", 0), 4096);  // as the loader reads it
  ASSERT_TRUE(p.writeInt("LoadDlg", "DistSadd", 8));
  EXPECT_EQ(ReadFileText(p.path()), "[LoadDlg]\nDistSAdd=8\n");
}

ControlValues Sample() {
  ControlValues v;
  v.confirmCheck = true;
  v.resetCheck = false;
  v.workFileBat = "/w/work.hex";
  v.batFileName = "/w/run.bat";
  v.sendtoOption = 0;
  v.sendtoPath = 1;
  v.watchFileOption = 1;
  v.watchFileSource = 1;
  v.deviceFile = "2";
  v.langSel = "Chinese";
  v.setSignal = 1;
  v.resetOption = 0;
  v.delayTime = "1000";
  v.resetDelayMs = 300;
  v.messageSwitch = false;
  for (int i = 0; i < 4; ++i) {
    PanelControls& p = v.panels[static_cast<size_t>(i)];
    p.check = i % 2 == 0;
    p.icType = i + 5;
    p.dataSet = i + 1;
    p.source = "/roms/dev" + std::to_string(i + 1) + ".hex";
    p.sum = "----------------";
    p.startAddr = "000000" + std::to_string(i);
  }
  return v;
}

TEST(SaveSettings, WritesInItsOrder) {
  std::vector<std::string> got;
  for (const auto& w : SaveTable(Sample())) got.push_back(w.section + ":" + w.key + "=" + w.value);
  std::vector<std::string> expected = {
      "Option:Lang=Chinese",        "Option:BatWork=/w/work.hex", "Option:BatFile=/w/run.bat",
      "Option:RunMode=0",           "Option:SendPath=1",          "Option:WatchMode=1",
      "Option:SourceMode=1",        "Option:SourceIndex=2",       "Option:SignalOption=1",
      "Option:PulseDealyTime=300",  // the delay in force, not the field's text
      "Option:MessageCheck=0",      "Option:ConfirmCheck=1",      "Option:ResetCheck=0",
  };
  for (int d = 1; d <= 4; ++d) {
    const std::string s = "Device" + std::to_string(d) + ":";
    const std::string check = d % 2 == 1 ? "1" : "0";
    expected.push_back(s + "Check=" + check);
    expected.push_back(s + "ICType=" + std::to_string(d + 4));
    expected.push_back(s + "DataSet=" + std::to_string(d));
    expected.push_back(s + "Name=/roms/dev" + std::to_string(d) + ".hex");
    expected.push_back(s + "Sum=----------------");
    expected.push_back(s + "StartAddr=000000" + std::to_string(d - 1));
    expected.push_back(s + "Check=" + check);
  }
  EXPECT_EQ(got, expected);
}

TEST(SaveSettings, WhatIsSavedLoadsBackAndResetOptionFollowsSignalOption) {
  TempDir dir;
  Profile p(dir.writeText("TovanHistory_1.ini", "; kept\r\n[LoadDlg]\r\nFormat=4\r\n"));
  RecordingUi ui;
  const ControlValues saved = Sample();
  ASSERT_TRUE(SaveSettings(p, saved, ui));
  EXPECT_TRUE(ui.boxes.empty());

  // What the load hands to each control, by name (the window applies it to its controls).
  std::map<std::string, ControlValue> loaded;
  for (const auto& a : LoadSettings(p)) loaded[a.control] = a.value;
  const auto flag = [](bool b) { return Num(b ? 1 : 0); };
  const std::vector<std::pair<std::string, ControlValue>> expected = {
      {"Lang_Sel", Txt(saved.langSel)},
      {"work_file_bat", Txt(saved.workFileBat)},
      {"BatFileName", Txt(saved.batFileName)},
      {"Sendto_option", Num(saved.sendtoOption)},
      {"Sendto_path", Num(saved.sendtoPath)},
      {"WatchFile_option", Num(saved.watchFileOption)},
      {"WatchFile_source", Num(saved.watchFileSource)},
      {"DeviceFile", Txt(saved.deviceFile)},
      {"SetSignal", Num(1)},
      {"Reset_Option", Num(1)},  // not saved: it follows SignalOption
      {"DelayTime", Txt("300")},
      {"Message_Switch", flag(saved.messageSwitch)},
      {"Confirm_check", flag(saved.confirmCheck)},
      {"Reset_Check", flag(saved.resetCheck)},
  };
  for (const auto& [control, value] : expected) {
    ASSERT_EQ(loaded.count(control), 1u) << control;
    EXPECT_EQ(loaded[control], value) << control;
  }
  for (size_t i = 0; i < 4; ++i) {
    const std::string n = std::to_string(i + 1);
    const PanelControls& panel = saved.panels[i];
    EXPECT_EQ(loaded["Win_check_" + n], flag(panel.check)) << i;
    EXPECT_EQ(loaded["Win_Type_" + n], Num(panel.icType)) << i;
    EXPECT_EQ(loaded["Win_set_" + n], Num(panel.dataSet)) << i;
    EXPECT_EQ(loaded["Win_Source_" + n], Txt(panel.source)) << i;
    EXPECT_EQ(loaded["Win_sum_" + n], Txt(panel.sum)) << i;
    EXPECT_EQ(loaded["Win_addr_" + n], Txt(panel.startAddr)) << i;
  }
  // Other owners' keys, comments and line ends survive the save.
  const std::string text = ReadFileText(p.path());
  EXPECT_EQ(text.rfind("; kept\r\n[LoadDlg]\r\nFormat=4\r\n", 0), 0u) << text;
  // The second "Check" lands on the first: one key per section.
  EXPECT_NE(text.find("[Device1]\r\nCheck=1\r\nICType=5\r\nDataSet=1\r\nName=/roms/dev1.hex\r\n"
                      "Sum=----------------\r\nStartAddr=0000000\r\n[Device2]"),
            std::string::npos)
      << text;
}

TEST(SaveSettings, RefusedWriteIsReportedOnceNamingTheFile) {
  TempDir dir;
  Profile p(dir.file("no/such/dir/TovanHistory_1.ini"));
  RecordingUi ui;
  EXPECT_FALSE(SaveSettings(p, Sample(), ui));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes[0].text.find("Unable to write to " + p.path()), std::string::npos) << ui.boxes[0].text;
}

}  // namespace
}  // namespace zarvo
