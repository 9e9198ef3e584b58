#include "gui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/language.h"
#include "app/settings_tables.h"
#include "base/files.h"
#include "batch/batch_line.h"
#include "device/discovery.h"
#include "device/reset_line.h"
#include "device/self_test.h"
#include "gui/app_setup.h"
#include "gui/batch_page.h"
#include "gui/change_notice.h"
#include "gui/controls.h"
#include "gui/option_pages.h"
#include "gui/pictures.h"
#include "gui/watch_host.h"
#include "gui/widget_ui.h"
#include "gui/window_page.h"
#include "window_mode/run_sequence.h"

namespace zarvo::gui {

namespace {

PanelChecks Checks(WindowPage& page) {
  PanelChecks c{};
  for (int n = 1; n <= 4; ++n) c[static_cast<size_t>(n - 1)] = page.panel(n).check->isChecked();
  return c;
}

QMessageBox::Icon ToQt(Icon icon) {
  switch (icon) {
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent) : QWidget(parent), options_(std::move(options)) {
  setObjectName("MainForm");
  setWindowTitle("Zarvo R5 V1.20");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(560, 498);
  // A signal during construction (inside a box that loading shows) ends the program too.
  if (options_.quitOnSignals) SetQuitTarget(this);

  Clock* clock = options_.clock;
  if (clock == nullptr) {
    ownClock_ = std::make_unique<SystemClock>();
    clock = ownClock_.get();
  }
  registry_ = options_.registry;
  if (registry_ == nullptr) {
    ownRegistry_ = std::make_unique<FileRegistry>(FileRegistry::DefaultFile());
    registry_ = ownRegistry_.get();
  }
  ui_ = std::make_unique<WidgetUi>(*this);
  watchHost_ = std::make_unique<WindowWatchHost>(*this, options_.noticeSlideMs);
  fileWatch_ = std::make_unique<FileWatch>(*watchHost_);
  session_ = std::make_unique<Session>(*ui_, *clock, std::move(options_.backend), std::string());

  // 1. The window and its controls with their built-in captions.
  pageControl_ = new QTabWidget(this);
  pageControl_->setObjectName("PageControl");
  windowPage_ = new WindowPage(*this, pageControl_);
  batchPage_ = new BatchPage(*this, pageControl_);
  auto* setup1 = new QWidget(pageControl_);
  setup1->setObjectName("Setup1");
  auto* setup2 = new QWidget(pageControl_);
  setup2->setObjectName("Setup2");
  pageControl_->addTab(windowPage_, QString::fromUtf8("視窗模式  "));
  pageControl_->addTab(batchPage_, QString::fromUtf8("批次模式  "));
  pageControl_->addTab(setup1, QString::fromUtf8("參數設定 -1  "));
  pageControl_->addTab(setup2, QString::fromUtf8("參數設定-2  "));
  pageControl_->setAccessibleName("Pages");
  for (int i = 0; i < pageControl_->count(); ++i) NameTabPage(pageControl_, i);
  optionPages_ = new OptionPages(*this, setup1, setup2);
  buildBottomStrip();
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(6, 6, 6, 6);
  top->setSpacing(6);
  top->addWidget(pageControl_, 1);
  top->addWidget(control1_);

  fileTimer_.setObjectName("FileTimer");
  fileTimer_.setInterval(3000);
  deviceCheck_.setObjectName("DeviceCheck");
  deviceCheck_.setInterval(5000);
  autoRun_.setObjectName("AutoRun");
  autoRun_.setInterval(1000);
  connect(&deviceCheck_, &QTimer::timeout, this, &MainWindow::checkUnits);
  connect(&fileTimer_, &QTimer::timeout, this, [this] { fileWatch_->timerTick(); });
  connect(optionPages_->watchFileOption(), &RadioGroup::itemChanged, this, [this] { fileWatch_->optionClick(); });
  connect(optionPages_, &OptionPages::watchFileSourceClicked, this, [this] { fileWatch_->sourceClick(); });
  connect(optionPages_, &OptionPages::deviceFileChanged, this, [this] { fileWatch_->deviceFileClick(); });
  connect(&autoRun_, &QTimer::timeout, this, &MainWindow::autoRunTimer);
  connect(pageControl_, &QTabWidget::currentChanged, this, [this] {
    if (constructed_) pageControlChange();
  });
  connect(resetButton_, &QPushButton::clicked, this, &MainWindow::resetButtonClick);
  connect(resetOption_, &RadioGroup::itemChanged, this, &MainWindow::resetOptionClick);
  connect(runPicture_, &Picture::clicked, this, [this] { runClick(); });
  addShortcuts();
  deviceCheck_.start();

  // 2. The run state: the window-mode page is the active page.
  pageControl_->setCurrentIndex(0);
  // 3. The settings file and the settings, with every reaction loading fires.
  location_ = LocateSettings(options_.startDir.empty() ? CurrentDirectory() : options_.startDir, *registry_,
                             std::cerr, options_.userSettingsFile);
  session_->profile().setPath(location_.settingsPath);
  loadSettings();
  // 4. Both progress bars empty.
  ui_->setProgress(ProgressBar::Window, 0);
  ui_->setProgress(ProgressBar::Batch, 0);
  // 5. No sum is known until a run computes one.
  for (int n = 1; n <= 4; ++n) windowPage_->panel(n).sum->setText(kDashSum);
  // 6. No unit flags, no device asked the load dialog.
  RunState& rs = session_->state();
  rs.PanelPresent.fill(false);
  rs.SelectedDevice = 0;
  // 7. The watch starts from the file it would watch.
  fileWatch_->startUp();
  // 8. The pulse in force is 300 ms; the field keeps what loading put there.
  rs.ResetDelayMs = 300;
  // 9. All six lamps visible.
  ui_->showAllLamps();
  // 10. Batch values to their defaults (device 1 is the batch target).
  ResetBatchLine(rs, S(windowPage_->panel(1).addr->text()));
  // 11. The self test, its lines in the message pane.
  DeviceContext dev = deviceContext();
  SelfTest(dev, true);
  // 12. A file path handed in on the command line.
  takeHandedInPath();
  constructed_ = true;

  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  if (quitRequested_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

MainWindow::~MainWindow() {
  if (options_.quitOnSignals) SetQuitTarget(nullptr);
  // The pages reach the session through this window while they are destroyed.
  delete pageControl_;
  pageControl_ = nullptr;
}

void MainWindow::buildBottomStrip() {
  auto* strip = new QFrame(this);
  strip->setObjectName("Control1");
  strip->setAccessibleName("Run controls");
  strip->setFrameShape(QFrame::StyledPanel);
  control1_ = strip;

  runPanel_ = new QWidget(strip);
  runPanel_->setObjectName("RunPanel");
  runPanel_->setAccessibleName("Run");
  runPicture_ = new Picture("RunImage", PictureKind::Run, 0, runPanel_);
  runPicture_->setFixedSize(46, 46);
  runPicture_->setToolTip("Run (F5, Ctrl+R)");
  runPicture_->setAccessibleName("Run");
  auto* rp = new QHBoxLayout(runPanel_);
  rp->setContentsMargins(0, 0, 0, 0);
  rp->addWidget(runPicture_);
  go_ = new QLabel(QString::fromUtf8("執行 "), strip);
  go_->setObjectName("Go");
  go_->setProperty("role", "go");
  go_->setBuddy(runPicture_);

  stopPanel_ = new QWidget(strip);
  stopPanel_->setObjectName("Stop_Panel");
  stopPanel_->setAccessibleName("Stop");
  auto* stop = new QLabel(QString::fromUtf8("停止"), stopPanel_);
  stop->setObjectName("Stop");
  stopPanel_->hide();

  resetButton_ = new QPushButton("RESET", strip);
  resetButton_->setObjectName("Reset_Button");
  resetButton_->setMinimumHeight(30);
  resetButton_->setToolTip("Pulse the target's reset line (Ctrl+T)");
  resetOption_ = new RadioGroup("Reset_Option", " Reset Signal ", {"Normal High", "Normal Low"}, Qt::Horizontal, strip);
  resetOption_->setItemIndex(0);

  auto* row = new QHBoxLayout(strip);
  row->setContentsMargins(8, 4, 8, 4);
  row->setSpacing(8);
  row->addWidget(runPanel_);
  row->addWidget(go_);
  row->addWidget(stopPanel_);
  row->addStretch(1);
  row->addWidget(resetButton_);
  row->addWidget(resetOption_);
}

void MainWindow::addShortcuts() {
  // Keys act only where a click would: on a control that shows and is enabled, never while a
  // run holds the window.
  auto usable = [this](QWidget* w) { return !running_ && isEnabled() && w->isVisible() && w->isEnabled(); };
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)}) {
    auto* run = new QShortcut(keys, this);
    connect(run, &QShortcut::activated, this, [this, usable] {
      if (usable(runPicture_)) runClick();
    });
  }
  auto* reset = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
  connect(reset, &QShortcut::activated, this, [this, usable] {
    if (usable(resetButton_)) resetButton_->click();
  });
  for (int page = 0; page < 4; ++page) {
    auto* tab = new QShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(Qt::Key_1 + page))), this);
    connect(tab, &QShortcut::activated, this, [this, page] {
      if (!running_ && isEnabled()) pageControl_->setCurrentIndex(page);
    });
    pageControl_->setTabToolTip(page, QStringLiteral("Ctrl+%1").arg(page + 1));
  }
}

Answer MainWindow::showBox(const BoxRequest& r) {
  if (quitRequested_) {
    // The program is ending: no new box, but its text is not lost; the answer that does the least.
    std::cerr << "zarvo-r5: " << (r.title.empty() ? std::string() : r.title + ": ") << r.text << "\n";
    return r.buttons == Buttons::YesNo ? Answer::No : r.buttons == Buttons::OkCancel ? Answer::Cancel : Answer::Ok;
  }
  if (options_.messageBox) return options_.messageBox(r);
  QMessageBox::StandardButtons buttons = r.buttons == Buttons::YesNo      ? QMessageBox::Yes | QMessageBox::No
                                         : r.buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                                          : QMessageBox::Ok;
  QMessageBox box(ToQt(r.icon), Q(r.title), Q(r.text), buttons, r.owned ? this : nullptr);
  const int answer = box.exec();
  switch (answer) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Ok: return Answer::Ok;
    default: return r.buttons == Buttons::YesNo ? Answer::No : r.buttons == Buttons::OkCancel ? Answer::Cancel : Answer::Ok;
  }
}

QString MainWindow::chooseFile(const FileRequest& r) {
  if (quitRequested_) return {};
  if (options_.fileDialog) return options_.fileDialog(r);
  const QString filter = FileDialogFilters(r.filters).join(";;");
  const auto details = QFileDialog::HideNameFilterDetails;
  return r.save ? QFileDialog::getSaveFileName(this, QString(), QString(), filter, nullptr, details)
                : QFileDialog::getOpenFileName(this, QString(), QString(), filter, nullptr, details);
}

void MainWindow::loadSettings() {
  // The watch arms once every key is in place (at FormShow), not with half the settings.
  fileWatch_->setLoading(true);
  for (const ControlAssignment& a : LoadSettings(session_->profile())) {
    ApplyToControl(this, a);
    // Any saved name selects a table at start-up, not only the two the list offers.
    if (a.control == "Lang_Sel") applyLanguage(std::get<std::string>(a.value));
  }
  fileWatch_->setLoading(false);
}

void MainWindow::saveSettings() {
  ControlValues v = ReadControls(this);
  v.resetDelayMs = session_->state().ResetDelayMs;
  saveFailed_ = !SaveSettings(session_->profile(), v, *ui_);
}

void MainWindow::applyLanguage(const std::string& name) {
  const std::string path = FindLanguageFile(location_.startDir, name, options_.languageDirs);
  if (path.empty()) {
    // No box (the captions just stay), but a line for whoever wonders why.
    std::cerr << "zarvo-r5: no language table " << name << ".ini in " << location_.startDir
              << "/Lang or the installed data folder; the captions stay as they are\n";
    return;
  }
  for (const LanguageText& t : ReadLanguageFile(path)) {
    const QString text = Q(t.text);
    for (const LanguageTarget& target : t.key->targets) {
      const QString control = Q(target.control);
      if (target.control == kNoticeTextTarget) {
        fileWatch_->noticeText() = t.text;
      } else if (control.contains('#')) {
        auto* group = findChild<RadioGroup*>(control.section('#', 0, 0));
        if (group != nullptr) group->setItemText(control.section('#', 1).toInt(), text);
      } else if (QWidget* w = findChild<QWidget*>(control)) {
        auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
        auto* tabs = stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
        if (tabs != nullptr) {
          tabs->setTabText(tabs->indexOf(w), text);
          NameTabPage(tabs, tabs->indexOf(w));
        }
        else if (auto* group = qobject_cast<QGroupBox*>(w))
          group->setTitle(text);
        else if (auto* label = qobject_cast<QLabel*>(w))
          label->setText(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
          button->setText(text);
      }
    }
  }
}

void MainWindow::runClick(bool unattended) {
  if (running_) return;
  running_ = true;
  Panels panels = windowPage_->panelValues();
  WindowModeContext ctx{deviceContext(), session_->image()};
  RunOptions options = windowPage_->runOptions();
  options.unattended = unattended;
  RunClick(ctx, panels, options, [this] {
    // A device check inside the run's repaint points would close the unit a line is
    // writing: it waits for the batch run, as it does for the window-mode run.
    const bool ticking = deviceCheck_.isActive();
    deviceCheck_.stop();
    batchPage_->run();
    if (ticking) deviceCheck_.start();
  });
  running_ = false;
  if (quitRequested_) close();
}

void MainWindow::pageControlChange() {
  DeviceContext dev = deviceContext();
  if (CheckUnits(dev)) {
    const Page page = ui_->activePage();
    if (page == Page::Setup1 || page == Page::Setup2) {
      runPanel_->hide();
      go_->hide();
      resetOption_->setEnabled(false);
      resetButton_->setEnabled(false);
      control1_->setEnabled(false);
      deviceCheck_.stop();
    } else {
      runPanel_->setEnabled(true);
      runPanel_->show();
      go_->show();
      resetOption_->setEnabled(true);
      resetButton_->setEnabled(true);
      control1_->setEnabled(true);
      deviceCheck_.start();
      const std::string script = S(batchPage_->batFileName()->text());
      if (page == Page::Batch && IsRegularFile(script)) batchPage_->reloadCommandPane(script);
    }
  }
  QApplication::processEvents();
}

void MainWindow::checkUnits() {
  DeviceContext dev = deviceContext();
  CheckUnits(dev);
}

void MainWindow::watchFileOptionClick() { fileWatch_->optionClick(); }

void MainWindow::takeHandedInPath() { TakeHandedInPath(*watchHost_, options_.args); }

void MainWindow::autoRunTimer() {
  autoRun_.stop();
  running_ = true;
  Panels panels = windowPage_->panelValues();
  WindowModeContext ctx{deviceContext(), session_->image()};
  const int sendto = optionPages_->sendtoOption()->itemIndex();
  WindowRunResult result;
  const bool closeNow = AutoRunTick(ctx, panels, windowPage_->runOptions(), sendto, &result);
  // The program ends with the run: its status tells the program that handed the file in
  // whether every ticked panel's unit now holds its image.
  if (sendto == 0 && !(result.anyRun() && result.allPassed())) {
    handOffRunFailed_ = true;
    std::cerr << "zarvo-r5: the run after the hand-off "
              << (result.anyRun() ? "failed" : "ran no panel (none ticked and shown, or it stopped before one)") << "\n";
  }
  running_ = false;
  if (closeNow || quitRequested_) close();
}

void MainWindow::resetButtonClick() {
  resetButton_->setEnabled(false);
  DeviceContext dev = deviceContext();
  ResetButtonClick(dev, Checks(*windowPage_));
  resetButton_->setEnabled(true);
}

void MainWindow::resetOptionClick(int item) {
  resetOption_->setEnabled(false);
  DeviceContext dev = deviceContext();
  ResetOptionClick(dev, item, Checks(*windowPage_));
  optionPages_->setSignal()->setItemIndex(item);
  resetOption_->setEnabled(true);
}

void MainWindow::requestQuit() {
  if (closed_) {
    // Closed inside a box's own loop, before the program's loop ran: end that one too.
    QCoreApplication::exit(exitStatus());
    return;
  }
  quitRequested_ = true;
  // Every open box and dialog closes, the innermost first.
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
    if (QApplication::activeModalWidget() == modal) modal->hide();
  }
  // A run or the start-up finishes first (their boxes now answer at once), then closes.
  if (constructed_ && !running_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  // FormShow: the page reaction, then the watch is armed afresh when it is on.
  pageControlChange();
  if (optionPages_->watchFileOption()->itemIndex() == 0) fileWatch_->armAtStart();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    // A close asked for inside a run waits for its end (the run closes the window then).
    quitRequested_ = true;
    event->ignore();
    return;
  }
  if (!closed_) {
    closed_ = true;
    // A picture of the window as it closes, for demos and reports.
    if (const char* shot = std::getenv("ZARVO_R5_SCREENSHOT"); shot != nullptr && *shot != '\0')
      grab().save(QString::fromLocal8Bit(shot));
    fileTimer_.stop();
    deviceCheck_.stop();
    autoRun_.stop();
    RelocateSettingsAtClose(location_, *registry_);
    session_->profile().setPath(location_.settingsPath);
    saveSettings();
    Q_EMIT closed();
  }
  event->accept();
}

}  // namespace zarvo::gui
