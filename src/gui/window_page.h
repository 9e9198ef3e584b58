#pragma once
// The window-mode page (window_form): four device panels D1_Panel..D4_Panel, the work-flow
// group WinProc with its step pictures, the window lamps and ProgressBar1. Each panel names
// its source file, IC type, data set and start address, and shows its unit and last sum.

#include <QWidget>

#include "image/load_dialog.h"
#include "window_mode/panel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace zarvo::gui {

class MainWindow;
class Picture;

inline constexpr const char* kDashSum = "----------------";

struct PanelWidgets {
  QWidget* panel = nullptr;     // DN_Panel
  QCheckBox* check = nullptr;   // Win_check_N
  QLineEdit* source = nullptr;  // Win_Source_N
  QComboBox* type = nullptr;    // Win_Type_N
  QComboBox* set = nullptr;     // Win_set_N
  QLineEdit* addr = nullptr;    // Win_addr_N
  QLineEdit* sum = nullptr;     // Win_sum_N
  QLineEdit* driver = nullptr;  // Win_Driver_N
  QPushButton* device = nullptr;  // Win_device_N
  QPushButton* browse = nullptr;  // DN_Borwser
};

class WindowPage : public QWidget, public PanelFields {
  Q_OBJECT
 public:
  WindowPage(MainWindow& window, QWidget* parent);

  PanelWidgets& panel(int n) { return panels_[n - 1]; }
  Picture* const* lamps() const { return lamps_; }                    // W_Pass, W_Wait, W_Fail
  Picture* const* stepPictures(int frame) const { return steps_[frame]; }  // _n _w _p _f _o
  QProgressBar* progress() const { return progress_; }
  QCheckBox* confirmCheck() const { return confirm_; }
  QCheckBox* resetCheck() const { return reset_; }

  // A panel is shown while its unit is attached (its own flag, whatever the page showing).
  bool panelShown(int n) const;
  // The line that says no unit was found and what to check, in the empty page.
  void showNoUnitHint(bool show);
  QLabel* noUnitHint() const { return noUnit_; }

  // What the window-mode run reads from the panels and the work-flow group.
  Panels panelValues() const;
  RunOptions runOptions() const;

  // The browse button of panel n: the load dialog for device n, then the source field, the
  // dash sum and the file watch.
  void browse(int n);
  // A firmware file dropped on panel n's File Path: taken as Browse and Load would take it,
  // with the file's own fields and format.
  void dropFile(int n, const QString& path);

  // PanelFields, for the load dialog.
  std::string addressText(int device) const override;
  void setAddressText(int device, const std::string& text) override;
  int typeItem(int device) const override;
  void setTypeItem(int device, int item) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void afterLoadDialog(int n, bool accepted, const std::string& chosen);
  QWidget* buildPanel(int n);
  QGroupBox* buildWorkFlow();

  MainWindow& w_;
  PanelWidgets panels_[4];
  Picture* lamps_[3] = {};
  Picture* steps_[3][5] = {};
  QProgressBar* progress_ = nullptr;
  QCheckBox* confirm_ = nullptr;
  QCheckBox* reset_ = nullptr;
  QLabel* noUnit_ = nullptr;
};

}  // namespace zarvo::gui
