#pragma once
// The two option pages. Setup1: the hand-off options (Sendto_option, Sendto_path) and the
// file-watch options (WatchFile_option, WatchFile_source, DeviceFile). Setup2: the reset
// signal and pulse delay (SetSignal, DelayTime), the language (Lang_Sel) and the change
// notice switch (Message_Switch).

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace zarvo::gui {

class MainWindow;
class RadioGroup;

class OptionPages : public QObject {
  Q_OBJECT
 public:
  OptionPages(MainWindow& window, QWidget* setup1, QWidget* setup2);

  RadioGroup* sendtoOption() const { return sendtoOption_; }
  RadioGroup* sendtoPath() const { return sendtoPath_; }
  RadioGroup* watchFileOption() const { return watchFileOption_; }
  RadioGroup* watchFileSource() const { return watchFileSource_; }
  QComboBox* deviceFile() const { return deviceFile_; }
  RadioGroup* setSignal() const { return setSignal_; }
  QLineEdit* delayTime() const { return delayTime_; }
  QComboBox* langSel() const { return langSel_; }
  QCheckBox* messageSwitch() const { return messageSwitch_; }

 Q_SIGNALS:
  void sendtoPathClicked(int item);
  void watchFileOptionClicked(int item);
  void watchFileSourceClicked(int item);
  void deviceFileChanged(const QString& text);

 private:
  void buildSetup1(QWidget* page);
  void buildSetup2(QWidget* page);

  MainWindow& w_;
  RadioGroup* sendtoOption_ = nullptr;
  RadioGroup* sendtoPath_ = nullptr;
  RadioGroup* watchFileOption_ = nullptr;
  RadioGroup* watchFileSource_ = nullptr;
  QComboBox* deviceFile_ = nullptr;
  RadioGroup* setSignal_ = nullptr;
  QLineEdit* delayTime_ = nullptr;
  QComboBox* langSel_ = nullptr;
  QCheckBox* messageSwitch_ = nullptr;
};

}  // namespace zarvo::gui
