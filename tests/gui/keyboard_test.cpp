// The window driven from the keyboard and read by a screen reader: the Run keys run the
// panels into the units, the page and reset keys, mnemonics that do not clash, a name for
// every control and the lamps' and steps' state in words; the load dialog's keys, fields and
// order; a file dropped on a panel; the file dialogs' "*.*".
#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QtTest/QTest>

#include <map>
#include <set>

#include <gtest/gtest.h>

#include "gui/controls.h"
#include "gui/pictures.h"
#include "gui/window_page.h"
#include "gui_rig.h"

namespace zarvo::test {
namespace {

const std::string kSamples = ZARVO_SAMPLES_DIR;
const std::string kBin = kSamples + "/boot.bin";

// Two panels ticked with the sample binary (a confirmed load), 64K parts.
std::string TwoPanels(const std::string& extra = "") {
  return "[Option]\r\nWatchMode=1\r\n" + extra + "[LoadDlg]\r\nOK=1\r\n[Device1]\r\nCheck=1\r\nICType=5\r\nFormat=3\r\nName=" +
         kBin + "\r\n[Device2]\r\nCheck=1\r\nICType=5\r\nFormat=3\r\nName=" + kBin + "\r\n";
}

bool HoldsAtStart(const SimUnit& unit, const std::vector<uint8_t>& file) {
  return unit.memory.size() >= file.size() && std::equal(file.begin(), file.end(), unit.memory.begin());
}

gui::MainWindow& StartActive(GuiRig& rig) {
  auto& w = rig.start();
  w.activateWindow();
  QApplication::setActiveWindow(&w);
  return w;
}

TEST(Keyboard, F5CtrlRAndReturnOnTheFocusedRunRunThePanels) {
  const std::vector<uint8_t> file = ReadFileBytes(kBin);
  struct Case {
    const char* name;
    std::function<void(gui::MainWindow&, GuiRig&)> press;
  } cases[] = {
      {"F5", [](gui::MainWindow& w, GuiRig&) { QTest::keyClick(&w, Qt::Key_F5); }},
      {"Ctrl+R", [](gui::MainWindow& w, GuiRig&) { QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier); }},
      {"Return on Run", [](gui::MainWindow&, GuiRig& rig) {
         auto* run = rig.find<gui::Picture>("RunImage");
         run->setFocus();
         EXPECT_TRUE(run->hasFocus());
         QTest::keyClick(run, Qt::Key_Return);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GuiRig rig;
    rig.dir.writeText("TovanHistory_1.ini", TwoPanels());
    auto& w = StartActive(rig);
    c.press(w, rig);
    EXPECT_TRUE(HoldsAtStart(*rig.unit(0), file));
    EXPECT_TRUE(HoldsAtStart(*rig.unit(1), file));
    EXPECT_EQ(rig.find<QWidget>("W_StatusPanel")->accessibleDescription(), "pass");
    EXPECT_TRUE(w.isEnabled());
  }
}

TEST(Keyboard, RunKeysDoNothingWhereRunIsNotShownAndPageAndResetKeysWork) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", TwoPanels());
  auto& w = StartActive(rig);
  auto* tabs = rig.find<QTabWidget>("PageControl");
  QTest::keyClick(&w, Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(tabs->currentIndex(), 2);
  QTest::keyClick(&w, Qt::Key_F5);  // Run is hidden on the option pages
  EXPECT_EQ(rig.unit(0)->memory[0], 0xFF);
  QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);  // so is the reset
  EXPECT_TRUE(rig.unit(0)->resetHistory.empty());
  QTest::keyClick(&w, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(tabs->currentIndex(), 0);
  QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);  // the pulse on the ticked units
  EXPECT_EQ(rig.unit(0)->resetHistory, (std::vector<int>{1, 0, 1}));
  QTest::keyClick(&w, Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_EQ(rig.find<gui::Picture>("RunImage")->toolTip(), "Run (F5, Ctrl+R)");
}

// The letters the shown controls answer to with Alt, and who answers each.
std::map<QChar, std::vector<std::string>> Mnemonics(QWidget* root) {
  std::map<QChar, std::vector<std::string>> m;
  auto add = [&m](const QString& text, const std::string& who) {
    const qsizetype i = text.indexOf('&');
    if (i >= 0 && i + 1 < text.size() && text[i + 1] != '&') m[text[i + 1].toLower()].push_back(who);
  };
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisible() || !w->isEnabled()) continue;
    const std::string who = w->objectName().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b->text(), who);
    if (auto* l = qobject_cast<QLabel*>(w)) {
      EXPECT_TRUE(!l->text().contains('&') || l->buddy() != nullptr) << who << ": a mnemonic without a field shows its &";
      if (l->buddy() != nullptr) add(l->text(), who);
    }
    if (auto* t = qobject_cast<QTabBar*>(w))
      for (int i = 0; i < t->count(); ++i) add(t->tabText(i), "tab " + t->tabText(i).toStdString());
  }
  return m;
}

TEST(Keyboard, TheEnglishTableCarriesMnemonicsThatDoNotClashOnAnyPage) {
  GuiRig rig;
  rig.languageDirs = {ZARVO_SOURCE_LANG_DIR};
  rig.dir.writeText("TovanHistory_1.ini", TwoPanels("Lang=English\r\n"));
  auto& w = rig.start();
  auto* tabs = rig.find<QTabWidget>("PageControl");
  EXPECT_EQ(tabs->tabText(0), "&Window Mode");
  EXPECT_EQ(rig.find<QAbstractButton>("Confirm_check")->text(), "&Confirm check");
  EXPECT_EQ(rig.find<QGroupBox>("Sendto_option")->title(), "a. After The Program Start Option");
  EXPECT_EQ(rig.find<QGroupBox>("DelaySetup")->title(), "2.Reset Pulse Delay Time");
  size_t letters = 0;
  for (int page = 0; page < 4; ++page) {
    tabs->setCurrentIndex(page);
    for (int inner = 0; inner < (page == 1 ? 2 : 1); ++inner) {
      if (page == 1) rig.find<QTabWidget>("PageControl1")->setCurrentIndex(inner);
      QApplication::processEvents();
      for (const auto& [letter, who] : Mnemonics(&w)) {
        EXPECT_EQ(who.size(), 1u) << "page " << page << ": Alt+" << QString(letter).toStdString() << " for "
                                  << ::testing::PrintToString(who);
        ++letters;
      }
    }
  }
  EXPECT_GE(letters, 30u);
  // A mnemonic moves the focus to its field: Alt+P on the batch page goes to BatFileName.
  w.activateWindow();
  QApplication::setActiveWindow(&w);
  tabs->setCurrentIndex(1);
  QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
  EXPECT_TRUE(rig.find<QLineEdit>("BatFileName")->hasFocus());
}

std::vector<std::string> Unnamed(QWidget* root) {
  std::vector<std::string> out;
  QList<QWidget*> all = root->findChildren<QWidget*>();
  all.prepend(root);
  for (QWidget* w : all) {
    if (QtInternal(w) || w->isWindow() != (w == root)) continue;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (a == nullptr || a->text(QAccessible::Name).trimmed().isEmpty())
      out.push_back(w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName().toStdString());
  }
  return out;
}

TEST(ScreenReader, EveryControlHasANameRunIsAButtonAndTheLampsSayTheResult) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", TwoPanels());
  auto& w = rig.start();
  auto* tabs = rig.find<QTabWidget>("PageControl");
  for (int page = 0; page < 4; ++page) {
    tabs->setCurrentIndex(page);
    QApplication::processEvents();
    EXPECT_EQ(Unnamed(&w), std::vector<std::string>{}) << "page " << page;
  }
  WhenModal([](QWidget* dlg) {
    EXPECT_EQ(Unnamed(dlg), std::vector<std::string>{});
    static_cast<QDialog*>(dlg)->reject();
  });
  tabs->setCurrentIndex(0);
  rig.find<QAbstractButton>("D1_Borwser")->click();
  rig.window().session().profile().writeText("LoadDlg", "OK", "1");  // as a Load would leave it

  QAccessibleInterface* run = QAccessible::queryAccessibleInterface(rig.find<gui::Picture>("RunImage"));
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run->role(), QAccessible::Button);
  EXPECT_EQ(run->text(QAccessible::Name), "Run");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(rig.find<gui::Picture>("W_Pass"))->role(), QAccessible::Graphic);
  // Pressing Run through the reader runs; a download fault on unit 1 shows in words.
  rig.unit(0)->failNext('W', 1);
  run->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_1")->text(), "----------------");
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_2")->text().size(), 8);
  EXPECT_EQ(rig.find<QWidget>("W_StatusPanel")->accessibleDescription(), "pass");  // panel 2 ended it
  EXPECT_EQ(rig.find<QWidget>("CopyProgramBtn")->accessibleDescription(), "pass");
  EXPECT_EQ(rig.find<QWidget>("CopyProgramBtn")->toolTip(), "Load and download step: pass");
  rig.unit(1)->failNext('W', 1);
  rig.find<QCheckBox>("Win_check_1")->setChecked(false);
  run->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(rig.find<QWidget>("W_StatusPanel")->accessibleDescription(), "fail");
  EXPECT_EQ(rig.find<QWidget>("CopyProgramBtn")->accessibleDescription(), "fail");
  EXPECT_EQ(rig.find<QWidget>("CopyConfirmBtn")->accessibleDescription(), "idle");
}

void Type(QWidget* w, const QString& keys) {
  for (QChar c : keys) QTest::keyClick(w, c.toLatin1());
}

TEST(LoadDialogKeys, FieldsEditAtTheCaretEnterLoadsEscapeCancelsTabFollowsTheForm) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[Device2]\r\nName=" + kBin + "\r\n");
  rig.start();
  rig.find<QLineEdit>("Win_addr_2")->setText("1fgx2345678");  // panels 2..4 take any text
  WhenModal([&rig](QWidget* dlg) {
    auto* start = dlg->findChild<QLineEdit*>("SourceSAdd");
    auto* fill = dlg->findChild<QLineEdit*>("UserFill");
    EXPECT_EQ(start->text(), "1F");
    // Ctrl+A then keys replace the text; a key in the middle goes in at the caret.
    fill->setFocus();
    QTest::keyClick(fill, Qt::Key_A, Qt::ControlModifier);
    Type(fill, "3e");
    EXPECT_EQ(fill->text(), "3E");
    start->setText("1200");
    start->setCursorPosition(2);
    Type(start, "ag");
    EXPECT_EQ(start->text(), "12A00");
    EXPECT_EQ(start->cursorPosition(), 3);
    start->selectAll();
    Type(start, "3FF");
    EXPECT_EQ(start->text(), "3FF");
    // Tab: top to bottom, the fill check box before its value.
    std::vector<std::string> order;
    QWidget* f = dlg->findChild<QComboBox*>("NameEdit");
    for (int i = 0; i < 20 && order.size() < 14; ++i) {
      f = f->nextInFocusChain();
      if (f->focusPolicy() & Qt::TabFocus && f->objectName() != "" && !QtInternal(f)) order.push_back(f->objectName().toStdString());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"BitBtn1", "FormatGroup_0", "FormatGroup_1", "FormatGroup_2",
                                               "FormatGroup_3", "FormatGroup_4", "FormatGroup_5", "FormatGroup_6",
                                               "FormatGroup_7", "SourceSAdd", "SourceEAdd", "DistSAdd",
                                               "UnuserFillCheck", "UserFill"}));
    // Enter in the File field presses Load.
    auto* name = dlg->findChild<QComboBox*>("NameEdit");
    name->lineEdit()->setFocus();
    QTest::keyClick(name->lineEdit(), Qt::Key_Return);
  });
  rig.find<QAbstractButton>("D2_Borwser")->click();
  Profile& p = rig.window().session().profile();
  EXPECT_EQ(p.readText("Device2", "SourceSAdd", ""), std::to_string(0x3FF));
  EXPECT_EQ(p.readText("Device2", "UserFill", ""), std::to_string(0x3E));
  EXPECT_EQ(p.readText("LoadDlg", "OK", ""), "1");
  EXPECT_EQ(rig.find<QLineEdit>("Win_addr_2")->text(), "00003FF");

  // Escape cancels as Cancel does: OK is "0", the source field stays.
  WhenModal([](QWidget* dlg) { QTest::keyClick(dlg->findChild<QLineEdit*>("DistSAdd"), Qt::Key_Escape); });
  rig.find<QAbstractButton>("D2_Borwser")->click();
  EXPECT_EQ(p.readText("LoadDlg", "OK", ""), "0");
  EXPECT_EQ(rig.find<QLineEdit>("Win_Source_2")->text().toStdString(), kBin);
}

TEST(FilePath, ShowsItsPathAsTooltipAndADroppedFileIsLoadedAsBrowseAndLoadWould) {
  GuiRig rig;
  rig.dir.writeText("TovanHistory_1.ini", "[Option]\r\nWatchMode=1\r\n[Device2]\r\nCheck=1\r\nICType=5\r\n");
  rig.start();
  auto* source = rig.find<QLineEdit>("Win_Source_2");
  EXPECT_EQ(source->toolTip(), "");
  const std::string fw = rig.dir.write("fw.bin", ReadFileBytes(kBin));

  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(fw))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(source, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(source, &drop);
  QApplication::processEvents();  // the drop is taken once its event has ended
  EXPECT_EQ(source->text().toStdString(), fw);
  EXPECT_EQ(source->toolTip().toStdString(), fw);
  EXPECT_EQ(rig.find<QLineEdit>("Win_sum_2")->text(), "----------------");
  Profile& p = rig.window().session().profile();
  EXPECT_EQ(p.readText("Device2", "Name", ""), fw);
  EXPECT_EQ(p.readText("Device2", "Format", ""), "3");  // detected: binary
  rig.find<QCheckBox>("Win_check_1")->setChecked(false);
  Q_EMIT rig.find<gui::Picture>("RunImage")->clicked();
  EXPECT_TRUE(HoldsAtStart(*rig.unit(1), ReadFileBytes(kBin)));

  // A folder, or two files, is refused.
  QMimeData folder;
  folder.setUrls({QUrl::fromLocalFile(QString::fromStdString(rig.dir.path().string()))});
  QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(source, &refused);
  EXPECT_FALSE(refused.isAccepted());
}

TEST(FileDialogs, StarDotStarListsFilesWithoutADotAndTheTextsStayAsWritten) {
  TempDir dir;
  dir.writeText("firmware", "x");
  dir.writeText("boot.bin", "x");
  const QStringList written = {"All File (*.*)", "Binary (*.bin)", "Bat Files(*.bat)"};
  const QStringList filters = gui::FileDialogFilters(written);
  QFileDialog dlg(nullptr, QString(), QString::fromStdString(dir.path().string()));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setOption(QFileDialog::HideNameFilterDetails);
  dlg.setNameFilters(filters);
  auto* types = dlg.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(types, nullptr);
  QStringList shown;
  for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
  EXPECT_EQ(shown, written);
  auto* model = dlg.findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  dlg.selectNameFilter(filters[0]);
  EXPECT_TRUE(QDir::match(model->nameFilters(), "firmware"));
  dlg.selectNameFilter(filters[1]);
  EXPECT_FALSE(QDir::match(model->nameFilters(), "firmware"));
  EXPECT_TRUE(QDir::match(model->nameFilters(), "boot.bin"));
}

}  // namespace
}  // namespace zarvo::test
