#pragma once
// The batch-mode page (bat_form): the work file ("%1") and script path edits with their
// file choices, the batch lamps and ProgressBar2, and the command pane (the script) and the
// message pane (the run log) on the inner tabs of PageControl1, with their save and clear
// buttons.

#include <QWidget>

#include <string>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace zarvo::gui {

class MainWindow;
class Picture;

class BatchPage : public QWidget {
  Q_OBJECT
 public:
  BatchPage(MainWindow& window, QWidget* parent);

  QPlainTextEdit* commandPane() const { return richEdit1_; }
  QPlainTextEdit* messagePane() const { return richEdit2_; }
  Picture* const* lamps() const { return lamps_; }  // Pass, Wait, Fail
  QProgressBar* progress() const { return progress_; }
  QLineEdit* workFile() const { return workFile_; }
  QLineEdit* batFileName() const { return batFileName_; }
  void showMessagePage();
  void showCommandPage();

  // The command pane's lines as the runner and the script file see them.
  std::vector<std::string> commandLines() const;
  // Runs the command pane's script (the Run picture on this page).
  void run();
  // Reads a script file into the command pane; false when it cannot be read.
  bool readIntoCommandPane(const std::string& path);
  // The page-change reload: only a pane unchanged since it was read or saved is read again,
  // so text typed since is never replaced.
  void reloadCommandPane(const std::string& path);
  // One line at the end of the message pane, its bytes kept for the log.
  void appendMessageLine(const std::string& bytes);

  void loadScript();    // File_Load
  void saveScript();    // Com_save
  void saveLog();       // Save_bat
  void chooseWorkFile();  // Bat_LoadWork

 private:
  bool savePane(QPlainTextEdit* pane, const QString& dialog, const QString& filter, const char* ext,
                QPushButton* button);
  std::string lineBytes(const QString& line, bool eightBit) const;

  MainWindow& w_;
  QLineEdit* workFile_ = nullptr;
  QLineEdit* batFileName_ = nullptr;
  QTabWidget* inner_ = nullptr;
  QPlainTextEdit* richEdit1_ = nullptr;
  QPlainTextEdit* richEdit2_ = nullptr;
  QPushButton* comSave_ = nullptr;
  QPushButton* saveBat_ = nullptr;
  Picture* lamps_[3] = {};
  QProgressBar* progress_ = nullptr;
  // A script that is not UTF-8 is kept byte for byte: shown as Latin-1 and written back so.
  bool eightBit_ = false;
  // The script began with a UTF-8 byte-order mark, which its save writes again.
  bool marked_ = false;
};

}  // namespace zarvo::gui
