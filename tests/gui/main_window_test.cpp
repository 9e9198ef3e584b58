// The main window's start-up, settings on the controls, tabs, languages and close.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QImage>
#include <QTabWidget>

#include <fstream>

#include <gtest/gtest.h>

#include "app/settings_tables.h"
#include "gui/controls.h"
#include "gui/widget_ui.h"
#include "gui_rig.h"

namespace zarvo::test {
namespace {

using gui::RadioGroup;

// The keys of a settings file in the order they stand, as "Section/Key".
std::vector<std::string> KeyOrder(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> keys;
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') section = line.substr(1, line.find(']') - 1);
    else if (auto eq = line.find('='); eq != std::string::npos) keys.push_back(section + "/" + line.substr(0, eq));
  }
  return keys;
}

TEST(MainWindow, FirstStartShowsBuiltInCaptionsDashSumsAndTheSelfTest) {
  GuiRig rig;
  auto& w = rig.start();
  EXPECT_EQ(w.windowTitle(), "Zarvo R5 V1.20");
  EXPECT_EQ(w.size(), QSize(560, 498));
  EXPECT_EQ(QApplication::applicationName(), "ZARVO R5");
  auto* tabs = rig.find<QTabWidget>("PageControl");
  EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("視窗模式  "));
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(rig.find<QPushButton>("D1_Borwser")->text(), QString::fromUtf8("瀏覽"));
  for (const char* sum : {"Win_sum_1", "Win_sum_2", "Win_sum_3", "Win_sum_4"})
    EXPECT_EQ(rig.find<QLineEdit>(sum)->text(), "----------------") << sum;
  EXPECT_EQ(rig.find<QLineEdit>("Win_Source_1")->text(), "");  // "Name" of no file: empty
  EXPECT_EQ(rig.find<QLineEdit>("Win_Driver_1")->text(), "512K * 8bit");
  EXPECT_EQ(rig.find<QLineEdit>("Win_Driver_3")->text(), " ZARVO- R5 Device");
  EXPECT_FALSE(rig.find<QWidget>("D3_Panel")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("D2_Panel")->isVisible());
  EXPECT_NE(rig.paneText().find("Device Self Test ...."), std::string::npos);
  EXPECT_NE(rig.paneText().find("Self Test OK !!"), std::string::npos);
  // First start: the watch is on by default and device 1 has no file: it is off, no box.
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{});
  EXPECT_EQ(rig.find<RadioGroup>("WatchFile_option")->itemIndex(), 1);
  EXPECT_FALSE(w.fileTimer().isActive());

  rig.close();
  std::vector<std::string> expected;
  for (const SettingsWrite& s : SaveTable(ControlValues{})) {
    std::string k = s.section + "/" + s.key;
    if (std::find(expected.begin(), expected.end(), k) == expected.end()) expected.push_back(k);
  }
  EXPECT_EQ(KeyOrder(rig.settingsFile()), expected);
}

const char* kFullSettings =
    "[Option]\r\nLang=English\r\nBatWork=/tmp/work.bin\r\nBatFile=/tmp/none.bat\r\nRunMode=1\r\nSendPath=1\r\n"
    "WatchMode=1\r\nSourceMode=1\r\nSourceIndex=2\r\nSignalOption=1\r\nPulseDealyTime=1000\r\nMessageCheck=0\r\n"
    "ConfirmCheck=1\r\nResetCheck=1\r\n"
    "[Device1]\r\nCheck=1\r\nICType=5\r\nDataSet=1\r\nName=/tmp/a.hex\r\nSum=0012ABCD\r\nStartAddr=10\r\n"
    "[Device2]\r\nCheck=0\r\nICType=8\r\nDataSet=6\r\nName=/tmp/b.bin\r\nSum=00000001\r\nStartAddr=\r\n"
    "[Device3]\r\nCheck=1\r\nICType=0\r\nDataSet=2\r\nName=\r\nSum=\r\nStartAddr=2\r\n"
    "[Device4]\r\nCheck=0\r\nICType=9\r\nDataSet=0\r\nName=\r\nSum=\r\nStartAddr=\r\n";

TEST(MainWindow, AFullSettingsFileRestoresEveryControlAndFiresTheReactionsInOrder) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", kFullSettings);
  rig.start();
  EXPECT_TRUE(rig.find<QCheckBox>("Confirm_check")->isChecked());
  EXPECT_TRUE(rig.find<QCheckBox>("Reset_Check")->isChecked());
  EXPECT_TRUE(rig.find<QCheckBox>("Win_check_1")->isChecked());
  EXPECT_FALSE(rig.find<QCheckBox>("Win_check_2")->isChecked());
  EXPECT_EQ(rig.find<QComboBox>("Win_Type_1")->currentText(), "    64K * 8 Bits");
  EXPECT_EQ(rig.find<QComboBox>("Win_set_1")->currentText(), "16 Bit_Even");
  EXPECT_EQ(rig.find<QComboBox>("Win_set_2")->currentText(), "32 Bit_4th");
  EXPECT_EQ(rig.find<QLineEdit>("Win_Source_2")->text(), "/tmp/b.bin");
  EXPECT_EQ(rig.find<QLineEdit>("Win_addr_1")->text(), "10");
  EXPECT_EQ(rig.find<QLineEdit>("work_file_bat")->text(), "/tmp/work.bin");
  EXPECT_EQ(rig.find<RadioGroup>("Sendto_path")->itemIndex(), 1);
  EXPECT_EQ(rig.find<RadioGroup>("WatchFile_source")->itemIndex(), 1);
  EXPECT_EQ(rig.find<RadioGroup>("WatchFile_option")->itemIndex(), 1);
  EXPECT_EQ(rig.find<QComboBox>("DeviceFile")->currentText(), "2");
  EXPECT_EQ(rig.find<RadioGroup>("SetSignal")->itemIndex(), 1);
  EXPECT_EQ(rig.find<RadioGroup>("Reset_Option")->itemIndex(), 1);
  EXPECT_EQ(rig.find<QLineEdit>("DelayTime")->text(), "1000");
  EXPECT_EQ(rig.window().session().state().ResetDelayMs, 300u);  // the field's value is not in force yet
  EXPECT_FALSE(rig.find<QCheckBox>("Message_Switch")->isChecked());
  EXPECT_TRUE(rig.boxes.empty());
  // "SignalOption" 1 drove the reset line of the ticked unit (panel 1) low, once; panel 2
  // is unticked.
  EXPECT_EQ(rig.unit(0)->resetHistory, std::vector<int>{0});
  EXPECT_TRUE(rig.unit(1)->resetHistory.empty());

  rig.close();
  // Saved back as read, but for the sums no run computed and the pulse in force.
  std::string expected = kFullSettings;
  for (const char* sum : {"Sum=0012ABCD", "Sum=00000001"}) expected.replace(expected.find(sum), strlen(sum), "Sum=----------------");
  for (int i = 0; i < 2; ++i) expected.replace(expected.find("Sum=\r"), 5, "Sum=----------------\r");
  expected.replace(expected.find("PulseDealyTime=1000"), 19, "PulseDealyTime=300");
  expected += "[Machine]\r\nSignal=0\r\n";  // the reset line's last level
  EXPECT_EQ(ReadFileText(rig.settingsFile()), expected);
}

TEST(MainWindow, SignalOptionZeroSendsNothingAtStartUp) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nSignalOption=0\r\nWatchMode=1\r\n[Device1]\r\nCheck=1\r\n");
  rig.start();
  EXPECT_TRUE(rig.unit(0)->resetHistory.empty());
  EXPECT_TRUE(rig.boxes.empty());
}

TEST(MainWindow, TabChangesStopAndRestartTheDeviceCheck) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  auto& w = rig.start();
  auto* tabs = rig.find<QTabWidget>("PageControl");
  EXPECT_TRUE(w.deviceCheck().isActive());
  tabs->setCurrentIndex(2);
  EXPECT_FALSE(w.deviceCheck().isActive());
  EXPECT_FALSE(rig.find<QWidget>("RunPanel")->isVisible());
  EXPECT_FALSE(rig.find<QWidget>("Control1")->isEnabled());
  tabs->setCurrentIndex(1);
  EXPECT_TRUE(w.deviceCheck().isActive());
  EXPECT_TRUE(rig.find<QWidget>("RunPanel")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("Reset_Button")->isEnabled());
}

TEST(MainWindow, APanelHidesOnTheTickAfterItsUnitLeavesAndShowsWhenOneArrives) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  auto& w = rig.start();
  rig.sim().detach(1);
  EXPECT_TRUE(rig.find<QWidget>("D2_Panel")->isVisible());  // until the next device check
  Q_EMIT w.deviceCheck().timeout({});
  EXPECT_FALSE(rig.find<QWidget>("D2_Panel")->isVisible());
  rig.sim().attach(1, 0x0080);
  rig.sim().attach(2, 0x0040);
  Q_EMIT w.deviceCheck().timeout({});
  EXPECT_TRUE(rig.find<QWidget>("D2_Panel")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("D3_Panel")->isVisible());
  rig.sim().detach(0);
  rig.sim().detach(1);
  rig.sim().detach(2);
  Q_EMIT w.deviceCheck().timeout({});
  EXPECT_FALSE(rig.find<QWidget>("D1_Panel")->isVisible());
  EXPECT_FALSE(rig.find<QWidget>("RunPanel")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("NoUnitHint")->isVisible());
}

// Each panel's Driver field names its unit's USB port in its tooltip; a [Units] pin moves a
// unit to its number at the next device check, and a pinned port without a unit hides its panel.
TEST(MainWindow, DriverFieldsShowThePortPathAndPinsHoldTheNumbers) {
  GuiRig rig("-,512Kx8,512Kx16");
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  auto& w = rig.start();
  EXPECT_EQ(rig.find<QLineEdit>("Win_Driver_1")->toolTip(), "1-2");
  EXPECT_EQ(rig.find<QLineEdit>("Win_Driver_2")->toolTip(), "1-3");
  EXPECT_EQ(rig.find<QLineEdit>("Win_Driver_1")->text(), "512K * 8bit");
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[Units]\r\nDevice1=1-3\r\nDevice3=1-1\r\n");
  Q_EMIT w.deviceCheck().timeout({});
  EXPECT_EQ(rig.find<QLineEdit>("Win_Driver_1")->toolTip(), "1-3");
  EXPECT_EQ(rig.find<QLineEdit>("Win_Driver_2")->toolTip(), "1-2");
  EXPECT_FALSE(rig.find<QWidget>("D3_Panel")->isVisible());
  rig.sim().attach(0, 0x0080);
  Q_EMIT w.deviceCheck().timeout({});
  EXPECT_TRUE(rig.find<QWidget>("D3_Panel")->isVisible());
  EXPECT_EQ(rig.find<QLineEdit>("Win_Driver_3")->toolTip(), "1-1");
}

TEST(MainWindow, WithoutUnitsTheRunControlsHideOnEveryPage) {
  GuiRig rig("");
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  rig.start();
  auto* tabs = rig.find<QTabWidget>("PageControl");
  for (int page : {0, 1, 2, 3, 0}) {
    tabs->setCurrentIndex(page);
    EXPECT_FALSE(rig.find<QWidget>("RunPanel")->isVisible()) << page;
    EXPECT_FALSE(rig.find<QWidget>("Go")->isVisible()) << page;
    EXPECT_FALSE(rig.find<QWidget>("Reset_Button")->isEnabled()) << page;
    EXPECT_FALSE(rig.find<QWidget>("D1_Panel")->isVisible()) << page;
  }
  EXPECT_NE(rig.paneText().find("Self Test Fail !!"), std::string::npos);
  // The empty window page says what to check, until a unit arrives.
  tabs->setCurrentIndex(0);
  auto* hint = rig.find<QLabel>("NoUnitHint");
  EXPECT_TRUE(hint->isVisible());
  EXPECT_TRUE(hint->text().startsWith("No ZARVO R5 unit found. Check the USB cable, the unit's power and the udev rule"));
  EXPECT_TRUE(hint->text().contains("70-zarvo-r5.rules"));
  EXPECT_FALSE(rig.find<QWidget>("W_Pass")->isVisible());
  EXPECT_FALSE(rig.find<QWidget>("W_Wait")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("W_Fail")->isVisible());
}

TEST(MainWindow, TheNoUnitLineGoesWhenAUnitArrives) {
  GuiRig rig("");
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  auto& w = rig.start();
  EXPECT_TRUE(rig.find<QWidget>("NoUnitHint")->isVisible());
  rig.sim().attach(0, 0x0040);
  Q_EMIT w.deviceCheck().timeout({});
  EXPECT_FALSE(rig.find<QWidget>("NoUnitHint")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("D1_Panel")->isVisible());
}

TEST(MainWindow, AWatchedDevicesFileStaysWatchedWhileItsUnitIsNotPluggedIn) {
  GuiRig rig("512Kx8");
  const std::string fw = rig.dir.writeText("fw.hex", ":00000001FF\n");
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=0\r\nSourceIndex=2\r\n[Device2]\r\nName=" + fw + "\r\n");
  auto& w = rig.start();
  EXPECT_FALSE(rig.find<QWidget>("D2_Panel")->isVisible());
  EXPECT_TRUE(rig.boxes.empty());
  EXPECT_EQ(rig.find<RadioGroup>("WatchFile_option")->itemIndex(), 0);
  EXPECT_TRUE(w.fileTimer().isActive());
  EXPECT_EQ(w.fileWatch().watchedPath(), fw);
}

TEST(MainWindow, LanguageFileNamesMatchWithoutRegardToCase) {
  GuiRig rig;
  rig.dir.writeText("lang/Chinese.ini", "[Language]\r\n0002=\xE6\x89\xB9\xE6\xAC\xA1\r\n");
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nLang=chinese\r\n");
  rig.start();
  EXPECT_EQ(rig.find<QTabWidget>("PageControl")->tabText(1), QString::fromUtf8("批次"));
  EXPECT_EQ(rig.find<QComboBox>("Lang_Sel")->currentText(), "chinese");  // the saved text stays
}

TEST(MainWindow, AnUnknownConfigurationShowsNotConnectInRedOnPanelOneAndTheDeviceButtonBlinks) {
  GuiRig rig;
  rig.prepare = [](SimulatedBackend& sim) { sim.unit(1)->configCode = 0x0042; };
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  rig.start();
  EXPECT_NE(rig.paneText().find("Error !! This is not ZarvoR5 series ...!!"), std::string::npos);
  auto* driver = rig.find<QLineEdit>("Win_Driver_1");
  EXPECT_EQ(driver->text(), "Not connect");
  EXPECT_TRUE(driver->property("notConnected").toBool());
  EXPECT_TRUE(rig.find<QWidget>("W_Fail")->isVisible() && !rig.find<QWidget>("W_Pass")->isVisible());

  rig.unit(0)->ledHistory.clear();
  rig.find<QAbstractButton>("Win_device_1")->click();
  EXPECT_EQ(rig.unit(0)->ledHistory.size(), 10u);
  EXPECT_EQ(rig.clock.sleeps.size(), 10u);
}

TEST(MainWindow, LanguageTables) {
  GuiRig rig;
  rig.dir.writeText("Lang/English.ini", "[Language]\r\n0001=Windows\r\n");
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nLang=English\r\n");
  auto& w = rig.start();
  auto* tabs = rig.find<QTabWidget>("PageControl");
  // A table holding only "0001": that key from the file, every other one in English.
  EXPECT_EQ(tabs->tabText(0), "Windows");
  EXPECT_EQ(tabs->tabText(1), "Batch Mode");
  EXPECT_EQ(rig.find<QLabel>("D3_Type")->text(), "Type");
  EXPECT_EQ(rig.find<QAbstractButton>("Sendto_path_1")->text(), "Send to the file name to Batch mode workfile [%1]");
  EXPECT_EQ(rig.find<RadioGroup>("Sendto_path")->itemIndex(), 0);  // items keep their selection
  EXPECT_EQ(w.noticeText(), "File is Changed!!");
  // Typed in lower case, "chinese" chooses nothing; "Chinese" applies Chinese.ini.
  rig.dir.writeText("Lang/Chinese.ini", "[Language]\r\n0002=\xE6\x89\xB9\xE6\xAC\xA1\r\n");
  auto* lang = rig.find<QComboBox>("Lang_Sel");
  lang->setCurrentText("chinese");
  EXPECT_EQ(tabs->tabText(1), "Batch Mode");
  lang->setCurrentText("Chinese");
  EXPECT_EQ(tabs->tabText(1), QString::fromUtf8("批次"));
}

TEST(MainWindow, WithoutALangFolderTheBuiltInCaptionsStayAndTheNoticeTextIsEmpty) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nLang=English\r\n");
  auto& w = rig.start();
  EXPECT_EQ(rig.find<QTabWidget>("PageControl")->tabText(1), QString::fromUtf8("批次模式  "));
  EXPECT_EQ(w.noticeText(), "");
}

TEST(MainWindow, ResetOptionAndSetSignalMirrorEachOther) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[Device1]\r\nCheck=1\r\n[Device2]\r\nCheck=1\r\n");
  rig.start();
  rig.find<RadioGroup>("SetSignal")->setItemIndex(1);
  EXPECT_EQ(rig.find<RadioGroup>("Reset_Option")->itemIndex(), 1);
  EXPECT_TRUE(rig.find<RadioGroup>("Reset_Option")->isEnabled());
  EXPECT_EQ(rig.unit(0)->resetHistory, std::vector<int>{0});
  EXPECT_EQ(rig.unit(1)->resetHistory, std::vector<int>{0});
  rig.find<RadioGroup>("Reset_Option")->setItemIndex(0);
  EXPECT_EQ(rig.find<RadioGroup>("SetSignal")->itemIndex(), 0);
  EXPECT_EQ(rig.unit(0)->resetHistory, (std::vector<int>{0, 1}));
  // RESET pulses the ticked units: idle, active, wait, idle.
  rig.clock.sleeps.clear();
  rig.find<QAbstractButton>("Reset_Button")->click();
  EXPECT_EQ(rig.unit(0)->resetHistory, (std::vector<int>{0, 1, 1, 0, 1}));
  EXPECT_EQ(rig.clock.sleeps, (std::vector<uint32_t>{300, 300}));
  // DelayTime: a four-character value outside 300..3000 becomes "0000".
  auto* delay = rig.find<QLineEdit>("DelayTime");
  delay->setText("5000");
  EXPECT_EQ(delay->text(), "0000");
  EXPECT_EQ(rig.window().session().state().ResetDelayMs, 0u);
  delay->setText("250");
  EXPECT_EQ(rig.window().session().state().ResetDelayMs, 250u);
}

TEST(MainWindow, TextFromTheSettingsFileIsKeptWholeAndTheLimitsAreForTyping) {
  GuiRig rig;
  const std::string name = rig.dir.file("caf\xE9.bin");  // a name that is no UTF-8
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nPulseDealyTime=12345\r\n[Device1]\r\n"
                                          "StartAddr=00010000\r\nName=" + name + "\r\n");
  rig.start();
  auto* addr = rig.find<QLineEdit>("Win_addr_1");
  EXPECT_EQ(addr->text(), "00010000");
  EXPECT_EQ(rig.find<QLineEdit>("DelayTime")->text(), "12345");
  EXPECT_EQ(gui::S(rig.find<QLineEdit>("Win_Source_1")->text()), name);
  TypeKeys(addr, "1");  // already past the limit: typing adds nothing
  EXPECT_EQ(addr->text(), "00010000");
  Screenshot(&rig.window(), "window-kept-settings-text");
  rig.close();
  const std::string saved = ReadFileText(rig.settingsFile());
  EXPECT_NE(saved.find("\r\nStartAddr=00010000\r\nName=" + name + "\r\n"), std::string::npos) << saved;

  GuiRig fresh;
  fresh.start();
  TypeKeys(fresh.find<QLineEdit>("Win_addr_1"), "123456789");
  EXPECT_EQ(fresh.find<QLineEdit>("Win_addr_1")->text(), "1234567");
  auto* delay = fresh.find<QLineEdit>("DelayTime");
  delay->clear();
  TypeKeys(delay, "12345");
  EXPECT_EQ(delay->text(), "1234");
}

TEST(MainWindow, AQuitRequestClosesAnOpenBoxAndTheWindowSavingTheSettings) {
  GuiRig rig;
  rig.realBoxes = true;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  auto& w = rig.start();
  WhenModal([&w](QWidget*) { w.requestQuit(); });
  EXPECT_EQ(w.ui().messageBox("Hold on", "", Icon::None, Buttons::OkCancel), Answer::Cancel);
  QApplication::processEvents();  // the close that was queued
  EXPECT_FALSE(w.isVisible());
  EXPECT_NE(ReadFileText(rig.settingsFile()).find("[Device4]"), std::string::npos);
  // Later boxes are answered at once with the choice that does least.
  EXPECT_EQ(w.ui().messageBox("Again", "", Icon::None, Buttons::YesNo), Answer::No);
}

TEST(MainWindow, Screenshots) {
  for (const char* lang : {"English", "Chinese"}) {
    GuiRig rig("512Kx8,1024Kx8,512Kx16,512Kx8");
    rig.languageDirs = {ZARVO_SOURCE_LANG_DIR};
    rig.dir.writeText("TovanHistory_1.ini", std::string("[Option]\r\nWatchMode=1\r\nLang=") + lang +
                                                "\r\n[Device1]\r\nCheck=1\r\nICType=5\r\nDataSet=1\r\nName=" +
                                                ZARVO_SAMPLES_DIR + "/boot.hex\r\n");
    auto& w = rig.start();
    auto* tabs = rig.find<QTabWidget>("PageControl");
    static const char* kPage[4] = {"window", "batch", "option1", "option2"};
    for (int page = 0; page < 4; ++page) {
      tabs->setCurrentIndex(page);
      QApplication::processEvents();
      const std::string path = Screenshot(&w, std::string(kPage[page]) + "-" + lang);
      EXPECT_FALSE(QImage(QString::fromStdString(path)).isNull()) << path;
    }
  }
}

}  // namespace
}  // namespace zarvo::test
