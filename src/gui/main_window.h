#pragma once
// The main window (MainForm): four pages, the bottom strip with the Run picture and the
// reset controls, three timers, start-up in the described order and the close that saves
// the settings. It owns the Session every reaction works on.

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/settings_location.h"
#include "base/registry.h"
#include "base/ui.h"
#include "watch/file_watch.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace zarvo::gui {

class BatchPage;
class OptionPages;
class Picture;
class RadioGroup;
class WidgetUi;
class WindowPage;
class WindowWatchHost;

// A message box request: text, title ("" for none), icon, buttons, and whether the box has
// the main window as owner.
struct BoxRequest {
  std::string text;
  std::string title;
  Icon icon = Icon::None;
  Buttons buttons = Buttons::Ok;
  bool owned = true;
};
using MessageBoxHandler = std::function<Answer(const BoxRequest&)>;

// A file dialog request: the dialog's name (OpenDialog1, SaveDialog2, BrowseFile, ...), its
// filters, and whether it saves. The answer is the chosen path, empty when cancelled.
struct FileRequest {
  QString name;
  QStringList filters;
  bool save = false;
};
using FileDialogHandler = std::function<QString(const FileRequest&)>;

struct MainWindowOptions {
  std::unique_ptr<UsbBackend> backend;  // null: the units the environment names
  Clock* clock = nullptr;               // null: the wall clock
  std::string startDir;                 // empty: the current directory
  Registry* registry = nullptr;         // null: the registry file under the user's config folder
  std::string userSettingsFile;         // the settings when neither StartDir nor the registry names one
  std::vector<std::string> args;        // the command line after the program name
  std::vector<std::string> languageDirs;  // where language tables are looked for after StartDir/Lang
  MessageBoxHandler messageBox;         // null: a QMessageBox over the main window
  FileDialogHandler fileDialog;         // null: a QFileDialog
  int noticeSlideMs = 240;              // the change notice's slide; 0 places it at once
  bool quitOnSignals = false;           // SIGINT, SIGTERM, SIGHUP close this window (app_setup)
};

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(MainWindowOptions options, QWidget* parent = nullptr);
  ~MainWindow() override;

  Session& session() { return *session_; }
  WidgetUi& ui() { return *ui_; }
  DeviceContext deviceContext() { return session_->deviceContext(); }
  const SettingsLocation& settingsLocation() const { return location_; }
  WindowPage& windowPage() { return *windowPage_; }
  BatchPage& batchPage() { return *batchPage_; }
  OptionPages& optionPages() { return *optionPages_; }
  QTabWidget* pages() { return pageControl_; }
  QTimer& deviceCheck() { return deviceCheck_; }
  QTimer& fileTimer() { return fileTimer_; }
  QTimer& autoRun() { return autoRun_; }

  // The seams every box and file dialog go through.
  Answer showBox(const BoxRequest& request);
  QString chooseFile(const FileRequest& request);

  // Reactions other parts call.
  // The Run picture; unattended for the watch's "Yes" run, where no box may stop the run.
  void runClick(bool unattended = false);
  void pageControlChange();      // a tab was selected
  void checkUnits();             // the DeviceCheck tick
  void applyLanguage(const std::string& name);
  void watchFileOptionClick();   // re-arms or disarms the file watch
  const std::string& noticeText() { return fileWatch_->noticeText(); }
  FileWatch& fileWatch() { return *fileWatch_; }
  WindowWatchHost& watchHost() { return *watchHost_; }

  // Ends the program as closing the main window does, whatever is open and whenever it is
  // asked (during construction too): used for SIGINT, SIGTERM and SIGHUP. Open boxes and
  // dialogs close, later ones are answered at once with their text on stderr; the settings
  // are saved.
  void requestQuit();
  bool quitRequested() const { return quitRequested_; }
  // The close ran (the settings were saved, or their save failed).
  bool hasClosed() const { return closed_; }
  // What the process ends with: 1 when the settings could not be saved at close, or when
  // the run after a hand-off failed or ran no panel; else 0.
  int exitStatus() const { return saveFailed_ || handOffRunFailed_ ? 1 : 0; }
  bool running() const { return running_; }


 Q_SIGNALS:
  // The close has saved the settings; the program ends.
  void closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildBottomStrip();
  void addShortcuts();
  void loadSettings();
  void saveSettings();
  void takeHandedInPath();
  void autoRunTimer();
  void resetButtonClick();
  void resetOptionClick(int item);

  MainWindowOptions options_;
  std::unique_ptr<Clock> ownClock_;
  std::unique_ptr<Registry> ownRegistry_;
  Registry* registry_ = nullptr;
  SettingsLocation location_;
  std::unique_ptr<WidgetUi> ui_;
  std::unique_ptr<Session> session_;

  QTabWidget* pageControl_ = nullptr;
  WindowPage* windowPage_ = nullptr;
  BatchPage* batchPage_ = nullptr;
  OptionPages* optionPages_ = nullptr;
  QWidget* control1_ = nullptr;
  QWidget* runPanel_ = nullptr;
  Picture* runPicture_ = nullptr;
  QLabel* go_ = nullptr;
  QWidget* stopPanel_ = nullptr;
  QPushButton* resetButton_ = nullptr;
  RadioGroup* resetOption_ = nullptr;

  QTimer fileTimer_;
  QTimer deviceCheck_;
  QTimer autoRun_;

  std::unique_ptr<WindowWatchHost> watchHost_;
  std::unique_ptr<FileWatch> fileWatch_;
  bool constructed_ = false;
  bool closed_ = false;
  bool running_ = false;
  bool quitRequested_ = false;
  bool saveFailed_ = false;
  bool handOffRunFailed_ = false;

  friend class WidgetUi;
};

}  // namespace zarvo::gui
