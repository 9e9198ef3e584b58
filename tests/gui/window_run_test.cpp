// Runs from the window page on simulated units: files chosen through the load dialog's
// widgets, Run clicked, the units' memory, sums, step pictures and lamps afterwards.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdio>

#include <gtest/gtest.h>

#include "gui/controls.h"
#include "gui/pictures.h"
#include "gui_rig.h"

namespace zarvo::test {
namespace {

const std::string kBin = std::string(ZARVO_SAMPLES_DIR) + "/boot.bin";
const std::string kHex = std::string(ZARVO_SAMPLES_DIR) + "/boot.hex";

std::string SumText(const std::vector<uint8_t>& bytes) {
  uint32_t sum = 0;
  for (uint8_t b : bytes) sum += b;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", sum);
  return buf;
}

// The unit holds the file at 0, the fill byte up to 64K, and that 64K again and again.
void ExpectMirroredImage(const SimUnit& unit, const std::vector<uint8_t>& file, uint8_t fill) {
  ASSERT_EQ(unit.memory.size(), 0x80000u);
  for (size_t i = 0; i < unit.memory.size(); ++i) {
    const size_t j = i % 0x10000;
    const uint8_t want = j < file.size() ? file[j] : fill;
    ASSERT_EQ(unit.memory[i], want) << "at " << i;
  }
}

void Click(QWidget* w, const char* name) { w->findChild<QAbstractButton*>(name)->click(); }

TEST(WindowRun, TwoUnitsRunFromFilesChosenThroughTheLoadDialog) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  auto& w = rig.start();
  // Panel 1: the name typed into the dialog, Intel HEX chosen, Load.
  WhenModal([](QWidget* dlg) {
    dlg->findChild<QComboBox*>("NameEdit")->setEditText(QString::fromStdString(kHex));
    dlg->findChild<gui::RadioGroup*>("FormatGroup")->setItemIndex(4);
    Click(dlg, "BitBtn2");
  });
  rig.find<QAbstractButton>("D1_Borwser")->click();
  // Panel 2: the dialog's Browse answered with the binary.
  rig.files.push_back(QString::fromStdString(kBin));
  WhenModal([](QWidget* dlg) {
    Click(dlg, "BitBtn1");
    Click(dlg, "BitBtn2");
  });
  rig.find<QAbstractButton>("D2_Borwser")->click();
  ASSERT_EQ(rig.fileRequests.size(), 1u);
  EXPECT_EQ(rig.fileRequests[0].name, "BrowseFile");
  EXPECT_EQ(rig.find<QLineEdit>("Win_Source_1")->text().toStdString(), kHex);
  EXPECT_EQ(rig.find<QLineEdit>("Win_Source_2")->text().toStdString(), kBin);

  for (const char* type : {"Win_Type_1", "Win_Type_2"}) rig.find<QComboBox>(type)->setCurrentIndex(5);
  for (const char* check : {"Win_check_1", "Win_check_2", "Confirm_check"}) rig.find<QCheckBox>(check)->setChecked(true);
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();

  for (const auto& b : rig.boxes) EXPECT_EQ(b.text, "Binary Code File");  // detection's note
  const std::vector<uint8_t> file = ReadFileBytes(kBin);
  ExpectMirroredImage(*rig.unit(0), file, 0xFF);
  ExpectMirroredImage(*rig.unit(1), file, 0xFF);
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_2")->text().toStdString(), SumText(file));
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_1")->text().size(), 8);
  EXPECT_EQ(rig.unit(0)->mode, 0x1000);
  EXPECT_TRUE(rig.find<QWidget>("W_Pass")->isVisible());
  EXPECT_FALSE(rig.find<QWidget>("prog_n")->isVisible());
  EXPECT_FALSE(rig.find<QWidget>("prog_w")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("prog_p")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("confirm_p")->isVisible());
  EXPECT_FALSE(rig.find<QWidget>("confirm_w")->isVisible());
  EXPECT_TRUE(rig.find<QWidget>("erace_n")->isVisible());  // the reset step did not run
  EXPECT_TRUE(w.isEnabled());
  EXPECT_TRUE(w.deviceCheck().isActive());
  Screenshot(&w, "window-after-run");
}

TEST(WindowRun, ADownloadFaultOnPanelOneLeavesPanelTwoRunning) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[LoadDlg]\r\nOK=1\r\n[Device1]\r\nCheck=1\r\nICType=5\r\nName=" + kBin +
                                              "\r\n[Device2]\r\nCheck=1\r\nICType=5\r\nName=" + kBin + "\r\n");
  rig.start();
  rig.unit(0)->failNext('W', 2);
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
  // The short write's own box, then the panel's; the binary's detection box for each panel.
  EXPECT_EQ(rig.boxTexts(), (std::vector<std::string>{"Binary Code File", " Read Data Fail",
                                                      "Error !! DownLoad 512K * 8bit Fail...", "Binary Code File"}));
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_1")->text(), "----------------");
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_2")->text().toStdString(), SumText(ReadFileBytes(kBin)));
  EXPECT_TRUE(rig.find<QWidget>("W_Pass")->isVisible());
  EXPECT_EQ(rig.unit(1)->mode, 0x1000);
}

TEST(WindowRun, AutoDetectWritesTheChosenTypeBack) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[LoadDlg]\r\nOK=1\r\n[Device1]\r\nCheck=1\r\nName=" + kBin + "\r\n");
  rig.start();
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
  EXPECT_EQ(rig.find<QComboBox>("Win_Type_1")->currentText(), "    64K * 8 Bits");
}

TEST(WindowRun, AHandedInFileNameThatIsNoUtf8ReachesTheFileUnchanged) {
  GuiRig rig;
  const std::vector<uint8_t> file = ReadFileBytes(kBin);
  const std::string name = rig.dir.write("caf\xE9.bin", file);
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[LoadDlg]\r\nOK=1\r\n"
                                          "[Device1]\r\nCheck=1\r\nICType=5\r\nFormat=3\r\n");
  rig.start({name});
  EXPECT_EQ(gui::S(rig.find<QLineEdit>("Win_Source_1")->text()), name);
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
  EXPECT_TRUE(rig.boxes.empty()) << rig.boxes.front().text;
  EXPECT_TRUE(std::equal(file.begin(), file.end(), rig.unit(0)->memory.begin()));
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_1")->text().toStdString(), SumText(file));
}

TEST(WindowRun, TheHandOffRunsCloseEndsWithStatusOneWhenAPanelFailed) {
  for (bool fail : {false, true}) {
    GuiRig rig;
    rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nRunMode=0\r\n[LoadDlg]\r\nOK=1\r\n[Device1]\r\n"
                                            "Check=1\r\nICType=5\r\nFormat=3\r\n[Device2]\r\nCheck=1\r\nICType=5\r\nFormat=3\r\n");
    auto& w = rig.start({kBin});
    ASSERT_TRUE(w.autoRun().isActive());
    rig.find<QLineEdit>("Win_Source_2")->setText(QString::fromStdString(kBin));
    if (fail) rig.unit(1)->failNext('W', 1);
    Q_EMIT w.autoRun().timeout({});
    EXPECT_FALSE(w.isVisible());  // closed by the run
    EXPECT_EQ(w.exitStatus(), fail ? 1 : 0) << (fail ? "panel 2 failed" : "both passed");
  }
}

void Type(QLineEdit* edit, const QString& keys) {
  for (QChar c : keys) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &press);
  }
}

TEST(LoadDialog, FiltersFormatRulesAndRefusals) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[Device2]\r\nName=" + kBin + "\r\n");
  rig.start();
  Type(rig.find<QLineEdit>("Win_addr_1"), "1fgx");
  EXPECT_EQ(rig.find<QLineEdit>("Win_addr_1")->text(), "1F");

  WhenModal([&rig](QWidget* dlg) {
    auto* start = dlg->findChild<QLineEdit*>("SourceSAdd");
    auto* end = dlg->findChild<QLineEdit*>("SourceEAdd");
    EXPECT_EQ(dlg->findChild<QComboBox*>("NameEdit")->currentText().toStdString(), kBin);
    EXPECT_EQ(end->text(), "0009C3F");  // 40000 - 1
    start->setText("");
    Type(start, "1g2");
    EXPECT_EQ(start->text(), "12");
    start->setText("1g2");  // a paste
    EXPECT_EQ(start->text(), "1");
    end->setText("9C41");   // one above the file length
    Click(dlg, "BitBtn2");
    ASSERT_EQ(rig.boxes.size(), 1u);
    EXPECT_EQ(rig.boxes[0].text, "Input Value Error !");
    EXPECT_EQ(rig.boxes[0].title, "ERROR");
    EXPECT_TRUE(dlg->isVisible());  // refused: the dialog stays
    dlg->findChild<gui::RadioGroup*>("FormatGroup")->setItemIndex(4);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(dlg->findChild<QLineEdit*>("DistSAdd")->text(), "0000000");
    EXPECT_TRUE(dlg->findChild<QCheckBox*>("UnuserFillCheck")->isChecked());
    Click(dlg, "BitBtn3");
  });
  rig.find<QAbstractButton>("D2_Borwser")->click();
  EXPECT_EQ(rig.window().session().profile().readText("LoadDlg", "OK", ""), "0");
  EXPECT_EQ(rig.find<QLineEdit>("Win_Source_2")->text().toStdString(), kBin);  // cancelled: unchanged
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_2")->text(), "----------------");
}

}  // namespace
}  // namespace zarvo::test
