#pragma once
// LoadDlg on screen: the widgets mirror the core's dialog model, which owns every rule (the
// fields a file sets, the key and change filters, the format group's enabling, Load's checks
// and the keys it writes).

#include <QDialog>

#include <memory>

#include "image/load_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace zarvo::gui {

class MainWindow;
class RadioGroup;

class LoadDialogWindow : public QDialog {
  Q_OBJECT
 public:
  LoadDialogWindow(MainWindow& window, LoadContext& ctx, PanelFields* panels);
  ~LoadDialogWindow() override;

  LoadDialog& model() { return *model_; }
  QLineEdit* field(HexField f) const { return fields_[static_cast<int>(f)]; }

 public Q_SLOTS:
  void reject() override;

 private:
  void mirror();
  void browse();
  void load();

  MainWindow& w_;
  std::unique_ptr<LoadDialog> model_;
  QComboBox* name_ = nullptr;
  RadioGroup* format_ = nullptr;
  QCheckBox* fill_ = nullptr;
  QLineEdit* fields_[4] = {};
  bool mirroring_ = false;
};

}  // namespace zarvo::gui
