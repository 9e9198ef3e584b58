// The batch page: Run runs the command pane's lines on the simulated units; scripts and logs
// go through the page's file dialogs (answered by the test) and the save-button rules.
#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "gui/pictures.h"
#include "gui/widget_ui.h"
#include "device/open_refusal.h"
#include "gui_rig.h"

namespace zarvo::test {
namespace {

const std::string kSamples = ZARVO_SAMPLES_DIR;

TEST(BatchPage, RunRunsTheCommandPaneOnTheUnits) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[Drives]\r\nD=" + kSamples + "\r\n");
  rig.dir.writeText("ignored.bat", "ZQ D:\\BOOT.BIN /BIN /#1\r\n");  // the file on disk is not what runs
  auto& w = rig.start();
  rig.find<QTabWidget>("PageControl")->setCurrentIndex(1);
  rig.find<QPlainTextEdit>("RichEdit1")->setPlainText("ZQ D:\\BOOT.BIN /BIN /27512 /#2 /V\nZQ d:\\boot.hex /INTEL_HEX /27512 /#1");
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();

  const std::string pane = rig.paneText();
  EXPECT_NE(pane.find("Line[1]"), std::string::npos) << pane;
  EXPECT_NE(pane.find("Line[2]"), std::string::npos) << pane;
  EXPECT_EQ(pane.find("Error"), std::string::npos) << pane;
  const std::vector<uint8_t> file = ReadFileBytes(kSamples + "/boot.bin");
  for (int slot : {0, 1})
    EXPECT_TRUE(std::equal(file.begin(), file.end(), rig.unit(slot)->memory.begin())) << slot;
  EXPECT_EQ(rig.find<QTabWidget>("PageControl1")->currentIndex(), 1);  // the message page shows
  EXPECT_TRUE(rig.find<QWidget>("Pass")->isVisible());
  EXPECT_TRUE(w.isEnabled());
  EXPECT_TRUE(w.deviceCheck().isActive());
  Screenshot(&w, "batch-after-run");
}

TEST(BatchPage, ScriptsAndLogsThroughTheDialogsAndTheSaveButtons) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  rig.dir.writeText("in.bat", "ZQ %1 /BIN\nREM second\n");  // LF line ends are read too
  rig.start();
  auto* command = rig.find<QPlainTextEdit>("RichEdit1");
  auto* comSave = rig.find<QPushButton>("Com_save");
  auto* saveBat = rig.find<QPushButton>("Save_bat");

  rig.files.push_back(QString::fromStdString(rig.dir.file("in.bat")));
  rig.find<QAbstractButton>("File_Load")->click();
  EXPECT_EQ(rig.fileRequests.back().name, "OpenDialog1");
  EXPECT_EQ(rig.fileRequests.back().filters, QStringList{"Bat Files(*.bat)"});
  EXPECT_EQ(command->toPlainText(), "ZQ %1 /BIN\nREM second");
  EXPECT_EQ(rig.find<QLineEdit>("BatFileName")->text().toStdString(), rig.dir.file("in.bat"));
  EXPECT_TRUE(comSave->isEnabled());
  EXPECT_FALSE(saveBat->isEnabled());
  EXPECT_EQ(rig.find<QTabWidget>("PageControl1")->currentIndex(), 0);

  // Saved under a name without a dot: ".bat" added, CR LF line ends, the button off.
  rig.files.push_back(QString::fromStdString(rig.dir.file("out")));
  comSave->click();
  EXPECT_EQ(ReadFileText(rig.dir.file("out.bat")), "ZQ %1 /BIN\r\nREM second\r\n");
  EXPECT_FALSE(comSave->isEnabled());
  command->appendPlainText("ZQ %1");
  EXPECT_TRUE(comSave->isEnabled());

  // A missing script: the box, the fail lamp; the pane keeps its text.
  rig.find<QTabWidget>("PageControl")->setCurrentIndex(1);
  rig.files.push_back(QString::fromStdString(rig.dir.file("missing.bat")));
  rig.find<QAbstractButton>("File_Load")->click();
  EXPECT_EQ(rig.boxes.back().text, "File is not exist !!");
  EXPECT_EQ(rig.boxes.back().title, "Error");
  EXPECT_TRUE(rig.find<QWidget>("Fail")->isVisible());
  EXPECT_FALSE(rig.find<QWidget>("Pass")->isVisible());
  EXPECT_NE(command->toPlainText().indexOf("ZQ %1 /BIN"), -1);

  // A script that cannot be read (here a folder): the pane and the path are left empty.
  rig.files.push_back(QString::fromStdString(rig.dir.path().string()));
  rig.find<QAbstractButton>("File_Load")->click();
  EXPECT_EQ(rig.boxes.back().text, "Load file error !!");
  EXPECT_EQ(command->toPlainText(), "");
  EXPECT_EQ(rig.find<QLineEdit>("BatFileName")->text(), "");

  // The log into a folder that does not exist: its path and reason in the pane itself.
  rig.window().ui().appendMessage("a line");  // a change of the pane enables its button
  EXPECT_TRUE(saveBat->isEnabled());
  const std::string bad = rig.dir.file("nodir/run");
  rig.files.push_back(QString::fromStdString(bad));
  saveBat->click();
  EXPECT_EQ(rig.fileRequests.back().filters, QStringList{"Message File(*.log)"});
  EXPECT_NE(rig.paneText().find(bad + ".log No such file or directory"), std::string::npos) << rig.paneText();
  rig.files.push_back(QString::fromStdString(rig.dir.file("run.log")));
  saveBat->click();
  EXPECT_FALSE(saveBat->isEnabled());
  EXPECT_NE(ReadFileText(rig.dir.file("run.log")).find("Self Test OK !!\r\n"), std::string::npos);

  // The work file: the chosen path; a cancelled choice still shows the command page.
  rig.files.push_back(QString::fromStdString(rig.dir.file("fw.bin")));
  rig.find<QAbstractButton>("Bat_LoadWork")->click();
  EXPECT_EQ(rig.find<QLineEdit>("work_file_bat")->text().toStdString(), rig.dir.file("fw.bin"));
  rig.find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  rig.find<QAbstractButton>("Bat_LoadWork")->click();
  EXPECT_EQ(rig.find<QTabWidget>("PageControl1")->currentIndex(), 0);
}

TEST(BatchPage, ALineThatNamesItsFileMakesItTheWorkFileTheEditShows) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nBatWork=/old/work.bin\r\n[Drives]\r\nD=" +
                                              kSamples + "\r\n");
  rig.start();
  rig.find<QTabWidget>("PageControl")->setCurrentIndex(1);
  rig.find<QPlainTextEdit>("RichEdit1")->setPlainText("ZQ d:\\boot.bin /BIN /27512 /#1");
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
  EXPECT_EQ(rig.find<QLineEdit>("work_file_bat")->text(), "D:\\BOOT.BIN");
  // The next run's "%1" line loads that file, on unit 2.
  rig.find<QPlainTextEdit>("RichEdit1")->setPlainText("ZQ %1 /BIN /27512 /#2");
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
  const std::vector<uint8_t> file = ReadFileBytes(kSamples + "/boot.bin");
  EXPECT_TRUE(std::equal(file.begin(), file.end(), rig.unit(1)->memory.begin())) << rig.paneText();
  rig.close();
  EXPECT_NE(ReadFileText(rig.settingsFile()).find("BatWork=D:\\BOOT.BIN\r\n"), std::string::npos);
}

TEST(BatchPage, AnUnchangedPaneIsReadAgainWhenThePageIsSelectedAndTypedTextIsKept) {
  GuiRig rig;
  const std::string script = rig.dir.writeText("s.bat", "ZQ %1 /BIN\r\n");
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nBatFile=" + script + "\r\n");
  rig.start();
  auto* tabs = rig.find<QTabWidget>("PageControl");
  auto* pane = rig.find<QPlainTextEdit>("RichEdit1");
  auto again = [tabs] {
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(1);
  };
  tabs->setCurrentIndex(1);
  EXPECT_EQ(pane->toPlainText(), "ZQ %1 /BIN");
  rig.dir.writeText("s.bat", "ZQ %1 /BIN /V\r\n");
  again();
  EXPECT_EQ(pane->toPlainText(), "ZQ %1 /BIN /V");

  pane->moveCursor(QTextCursor::End);
  TypeKeys(pane, " /#2");
  again();
  EXPECT_EQ(pane->toPlainText(), "ZQ %1 /BIN /V /#2");

  // Saved, the pane is unchanged again: the file is what the next page change reads.
  rig.files.push_back(QString::fromStdString(script));
  rig.find<QPushButton>("Com_save")->click();
  EXPECT_EQ(ReadFileText(script), "ZQ %1 /BIN /V /#2\r\n");
  rig.dir.writeText("s.bat", "ZQ %1 /27512\r\n");
  again();
  EXPECT_EQ(pane->toPlainText(), "ZQ %1 /27512");
  rig.find<QPushButton>("com_clear")->click();
  again();
  EXPECT_EQ(pane->toPlainText(), "");
  // An empty pane saves an empty file.
  rig.files.push_back(QString::fromStdString(script));
  rig.find<QPushButton>("Com_save")->click();
  EXPECT_EQ(ReadFileText(script), "");
}

TEST(BatchPage, EightBitScriptsKeepTheirBytesInThePaneTheLogAndTheSave) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\nBatWork=" + kSamples + "/boot.bin\r\n");
  const std::string latin = "ZQ %1 /BIN /#1\r\nREM caf\xE9\r\n";
  const std::string script = rig.dir.writeText("latin.bat", latin);
  rig.start();
  auto* pane = rig.find<QPlainTextEdit>("RichEdit1");
  rig.files.push_back(QString::fromStdString(script));
  rig.find<QAbstractButton>("File_Load")->click();
  EXPECT_EQ(pane->toPlainText(), QString::fromUtf8("ZQ %1 /BIN /#1\nREM caf\u00e9"));
  rig.find<QTabWidget>("PageControl")->setCurrentIndex(1);
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
  EXPECT_NE(rig.paneText().find("REM caf\u00e9"), std::string::npos) << rig.paneText();
  Screenshot(&rig.window(), "batch-8-bit-script");

  rig.files.push_back(QString::fromStdString(rig.dir.file("run.log")));
  rig.find<QPushButton>("Save_bat")->click();
  EXPECT_NE(ReadFileText(rig.dir.file("run.log")).find("\r\nREM caf\xE9\r\n"), std::string::npos);
  rig.files.push_back(QString::fromStdString(rig.dir.file("same.bat")));
  rig.find<QPushButton>("Com_save")->click();
  EXPECT_EQ(ReadFileText(rig.dir.file("same.bat")), latin);

  // A character 8-bit text cannot hold: asked first; cancelled, nothing is written.
  pane->moveCursor(QTextCursor::End);
  TypeKeys(pane, QString::fromUtf8(" \u20ac"));
  const size_t dialogs = rig.fileRequests.size();
  rig.answers.push_back(Answer::Cancel);
  rig.find<QPushButton>("Com_save")->click();
  EXPECT_EQ(rig.boxes.back().title, "Warning");
  EXPECT_EQ(rig.boxes.back().buttons, Buttons::OkCancel);
  EXPECT_EQ(rig.fileRequests.size(), dialogs);
  EXPECT_TRUE(rig.find<QPushButton>("Com_save")->isEnabled());
  rig.files.push_back(QString::fromStdString(rig.dir.file("utf8.bat")));
  rig.find<QPushButton>("Com_save")->click();  // OK: saved as UTF-8
  EXPECT_EQ(ReadFileText(rig.dir.file("utf8.bat")), "ZQ %1 /BIN /#1\r\nREM caf\xC3\xA9 \xE2\x82\xAC\r\n");
}

TEST(BatchPage, AMarkedUtf8ScriptKeepsItsMarkAndANamedPipeIsRefused) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n");
  const std::string marked = "\xEF\xBB\xBFZQ %1 /BIN \xE5\xB7\xA5\r\n";
  const std::string script = rig.dir.writeText("marked.bat", marked);
  ASSERT_EQ(::mkfifo(rig.dir.file("pipe.bat").c_str(), 0600), 0);
  rig.start();
  auto* pane = rig.find<QPlainTextEdit>("RichEdit1");
  rig.files.push_back(QString::fromStdString(script));
  rig.find<QAbstractButton>("File_Load")->click();
  EXPECT_EQ(pane->toPlainText(), QString::fromUtf8("ZQ %1 /BIN \u5de5"));
  rig.files.push_back(QString::fromStdString(rig.dir.file("copy.bat")));
  rig.find<QPushButton>("Com_save")->click();
  EXPECT_EQ(ReadFileText(rig.dir.file("copy.bat")), marked);

  rig.files.push_back(QString::fromStdString(rig.dir.file("pipe.bat")));
  rig.find<QAbstractButton>("File_Load")->click();
  EXPECT_EQ(rig.boxes.back().text, "Load file error !!");
  EXPECT_EQ(pane->toPlainText(), "");
}

// Another program holds Device 1, or this user may not open it: the message pane says why,
// once, after the start-up self test's failure text and after a batch line's.
TEST(BatchPage, AUnitThatCannotBeOpenedSaysWhyInThePane) {
  for (const UsbError cause : {UsbError::Busy, UsbError::AccessDenied}) {
    const std::string note = OpenRefusalText(cause);
    SCOPED_TRACE(note);
    GuiRig rig;
    rig.prepare = [cause](SimulatedBackend& b) { b.unit(0)->openError = cause; };
    rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[Drives]\r\nD=" + kSamples + "\r\n");
    rig.start();
    EXPECT_NE(rig.paneText().find("      USB Device is not connect...\nSelf Test Fail !!\n" + note), std::string::npos)
        << rig.paneText();

    rig.find<QTabWidget>("PageControl")->setCurrentIndex(1);
    rig.find<QPlainTextEdit>("RichEdit1")->setPlainText("ZQ d:\\boot.bin /BIN /27512 /#1");
    Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
    const std::string pane = rig.paneText();
    EXPECT_NE(pane.find("Error!! USB Device-1 is not connect...\n" + note), std::string::npos) << pane;
    EXPECT_EQ(pane.find("Success!!"), std::string::npos) << pane;
    EXPECT_EQ(rig.unit(0)->memory, std::vector<uint8_t>(0x80000, 0xFF));
    rig.close();
  }
}

}  // namespace
}  // namespace zarvo::test
