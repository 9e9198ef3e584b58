#include "gui/option_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "device/reset_line.h"
#include "gui/controls.h"
#include "app/language.h"
#include "gui/main_window.h"

namespace zarvo::gui {

OptionPages::OptionPages(MainWindow& window, QWidget* setup1, QWidget* setup2) : QObject(&window), w_(window) {
  buildSetup1(setup1);
  buildSetup2(setup2);
}

void OptionPages::buildSetup1(QWidget* page) {
  auto* sendto = NamedGroup("Snedto_1", QString::fromUtf8(" 1. 檔案路徑傳送參數 "), page);
  sendtoOption_ = new RadioGroup("Sendto_option", QString::fromUtf8("a. 檔案名稱傳送後的啟動設定 "),
                                 {QString::fromUtf8("預設執行"), QString::fromUtf8("預設不執行")}, Qt::Horizontal,
                                 sendto);
  sendtoOption_->setItemIndex(1);
  sendtoPath_ = new RadioGroup("Sendto_path", QString::fromUtf8(" b. 檔案路徑傳入的預設位置  "),
                               {QString::fromUtf8("當檔案路徑由外部傳入時 , 傳到視窗模式的裝置1的工作檔名中 "),
                                QString::fromUtf8("當檔案路徑由外部傳入時 , 傳到批次模式的工作檔名 [ %1 ]  中  ")},
                               Qt::Vertical, sendto);
  sendtoPath_->setItemIndex(0);
  auto* s = new QVBoxLayout(sendto);
  s->addWidget(sendtoOption_);
  s->addWidget(sendtoPath_);

  auto* watch = NamedGroup("WatchFileOption", QString::fromUtf8(" 2. 監視檔案選項 "), page);
  watchFileOption_ = new RadioGroup("WatchFile_option", QString::fromUtf8(" a. 啟動 / 關閉 "),
                                    {QString::fromUtf8("監視檔案功能 -- 開啟"), QString::fromUtf8("監視檔案功能 -- 關閉")},
                                    Qt::Horizontal, watch);
  watchFileOption_->setItemIndex(1);
  watchFileSource_ = new RadioGroup("WatchFile_source", QString::fromUtf8(" b. 檔案來源 "),
                                    {QString::fromUtf8("1. 視窗模式的工作檔案來自於裝置 "),
                                     QString::fromUtf8("2. 批次模式的工作檔案 [%1] ")},
                                    Qt::Vertical, watch);
  watchFileSource_->setItemIndex(0);
  deviceFile_ = new QComboBox(watch);
  deviceFile_->setObjectName("DeviceFile");
  deviceFile_->setEditable(true);
  deviceFile_->addItems({"1", "2", "3", "4"});
  deviceFile_->setCurrentText("1");
  deviceFile_->setFixedWidth(56);
  deviceFile_->setAccessibleName("Watched device");
  // The device list sits beside the first source item it completes ("... from Device [1]").
  if (auto* box = qobject_cast<QVBoxLayout*>(watchFileSource_->layout())) {
    auto* first = new QHBoxLayout;
    QWidget* item0 = watchFileSource_->item(0);
    box->removeWidget(item0);
    first->addWidget(item0);
    first->addWidget(deviceFile_);
    first->addStretch(1);
    box->insertLayout(0, first);
  }
  auto* w = new QVBoxLayout(watch);
  w->addWidget(watchFileOption_);
  w->addWidget(watchFileSource_);

  auto* top = new QVBoxLayout(page);
  top->setContentsMargins(8, 8, 8, 8);
  top->addWidget(sendto);
  top->addWidget(watch);
  top->addStretch(1);

  // Sendto_path and WatchFile_source always show the same item.
  connect(sendtoPath_, &RadioGroup::itemChanged, this, [this](int item) {
    watchFileSource_->setItemIndex(item);
    Q_EMIT sendtoPathClicked(item);
  });
  connect(watchFileSource_, &RadioGroup::itemChanged, this, [this](int item) {
    sendtoPath_->setItemIndex(item);
    Q_EMIT watchFileSourceClicked(item);
  });
  connect(watchFileOption_, &RadioGroup::itemChanged, this, &OptionPages::watchFileOptionClicked);
  connect(deviceFile_, &QComboBox::currentTextChanged, this, &OptionPages::deviceFileChanged);
}

void OptionPages::buildSetup2(QWidget* page) {
  auto* time = NamedGroup("TimeSetup", " Reset Pulse Setup ", page);
  setSignal_ = new RadioGroup("SetSignal", " 1.Reset Signal Option ", {"Normal High", "Normal Low"}, Qt::Horizontal,
                              time);
  setSignal_->setItemIndex(0);
  auto* delay = NamedGroup("DelaySetup", " 2.Reset Pulse Dealy Time ", time);
  auto* delayPath = NamedLabel("Delay_Path", QString::fromUtf8("設定執行Reset Pulse 時的延遲時間 ( 單位為ms )  "), delay);
  delayTime_ = new QLineEdit("300", delay);
  delayTime_->setObjectName("DelayTime");
  LimitTyping(delayTime_, 4);
  delayTime_->setFixedWidth(60);
  delayPath->setBuddy(delayTime_);
  auto* range = NamedLabel("Delay_Range", "( Min = 300 ms , Max= 3000 ms )  ", delay);
  auto* d = new QVBoxLayout(delay);
  d->addWidget(delayPath);
  auto* dr = new QHBoxLayout;
  dr->addWidget(delayTime_);
  dr->addWidget(range);
  dr->addStretch(1);
  d->addLayout(dr);
  auto* t = new QVBoxLayout(time);
  t->addWidget(setSignal_);
  t->addWidget(delay);

  auto* lang = NamedGroup("Language_Group", " Language Option ", page);
  auto* nameFile = NamedLabel("Name_File", "Language  ", lang);
  langSel_ = new QComboBox(lang);
  langSel_->setObjectName("Lang_Sel");
  langSel_->setEditable(true);
  langSel_->addItems({"English", "Chinese"});
  langSel_->setCurrentText("English");
  langSel_->setFixedWidth(140);
  nameFile->setBuddy(langSel_);
  auto* l = new QHBoxLayout(lang);
  l->addWidget(nameFile);
  l->addWidget(langSel_);
  l->addStretch(1);

  auto* mess = NamedGroup("Mess_OP", " Message Option ", page);
  messageSwitch_ = new QCheckBox(QString::fromUtf8("  訊息開關 ( 打勾為開啟 )"), mess);
  messageSwitch_->setObjectName("Message_Switch");
  messageSwitch_->setChecked(true);
  messageSwitch_->setEnabled(false);  // enabled only while the watch is on
  auto* m = new QHBoxLayout(mess);
  m->addWidget(messageSwitch_);

  auto* top = new QVBoxLayout(page);
  top->setContentsMargins(8, 8, 8, 8);
  top->addWidget(time);
  top->addWidget(lang);
  top->addWidget(mess);
  top->addStretch(1);

  // SetSignal puts its item into Reset_Option (whose own reaction drives the reset lines)
  // and gives Reset_Option back the enabled state it had.
  connect(setSignal_, &RadioGroup::itemChanged, this, [this](int item) {
    QWidget* resetOption = w_.findChild<RadioGroup*>("Reset_Option");
    const bool enabled = OwnEnabled(resetOption);
    static_cast<RadioGroup*>(resetOption)->setItemIndex(item);
    resetOption->setEnabled(enabled);
  });
  connect(delayTime_, &QLineEdit::textChanged, this, [this](const QString& text) {
    const std::string shown = DelayTimeChanged(w_.session().state(), S(text));
    // A longer text can only come from the settings file, and is kept as it stands there.
    if (Q(shown) != text && text.size() <= 4) delayTime_->setText(Q(shown));
  });
  // Only a choice that reads exactly "English" or "Chinese" changes the language.
  connect(langSel_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    const std::string choice = LanguageChoice(S(text));
    if (!choice.empty()) w_.applyLanguage(choice);
  });
}

}  // namespace zarvo::gui
