#include "gui/load_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/controls.h"
#include "gui/main_window.h"

namespace zarvo::gui {

namespace {

constexpr const char* kFieldName[4] = {"SourceSAdd", "SourceEAdd", "DistSAdd", "UserFill"};
constexpr const char* kFieldHint[4] = {"Source Start Address.", "Source End Address.", "Distination Start Address .",
                                       "Unuser Fill."};
constexpr const char* kFieldReaderName[4] = {"Source start address", "Source end address",
                                             "Destination start address", "Fill byte"};

QPushButton* Button(const QString& name, const QString& text, const QString& hint, QWidget* parent) {
  QPushButton* b = NamedButton(name, text, parent);
  b->setToolTip(hint);
  return b;
}

}  // namespace

LoadDialogWindow::LoadDialogWindow(MainWindow& window, LoadContext& ctx, PanelFields* panels)
    : QDialog(&window), w_(window) {
  setObjectName("LoadDlg");
  setWindowTitle("LoadDlg");
  setFixedSize(543, 302);
  setModal(true);

  name_ = new QComboBox(this);
  name_->setObjectName("NameEdit");
  name_->setEditable(true);
  // Enter in the field loads (the default button), it does not collect names in the list.
  name_->setInsertPolicy(QComboBox::NoInsert);
  auto* browse = Button("BitBtn1", "Browse", "Browse File.", this);
  auto* loadButton = Button("BitBtn2", "Load", "Load File.", this);
  auto* cancel = Button("BitBtn3", "Cancel", "Cancel", this);
  format_ = new RadioGroup("FormatGroup", "Format",
                           {"Auto Detect", "MS-DOS fn.exe", "MS-DOS fn.com", "Binary / Machine Code", "Intel  HEX",
                            "Motorola HEX", "Tektronix HEX", "POF"},
                           Qt::Vertical, this);
  format_->setToolTip("Select Format.");
  for (int i = 0; i < 4; ++i) {
    fields_[i] = new QLineEdit(i == 3 ? "FF" : "0000000", this);
    fields_[i]->setObjectName(kFieldName[i]);
    fields_[i]->setToolTip(kFieldHint[i]);
    fields_[i]->setAccessibleName(kFieldReaderName[i]);
    // A full field takes no more keys (a selection can still be typed over).
    fields_[i]->setMaxLength(i == 3 ? 2 : 7);
  }
  fill_ = new QCheckBox("Fill unused with", this);
  fill_->setObjectName("UnuserFillCheck");
  fill_->setChecked(true);

  auto* fileRow = new QHBoxLayout;
  auto* fileLabel = new QLabel("File :", this);
  fileLabel->setBuddy(name_);
  fileRow->addWidget(fileLabel);
  fileRow->addWidget(name_, 1);
  fileRow->addWidget(browse);

  auto* source = new QGroupBox("Source Select :", this);
  auto* sg = new QGridLayout(source);
  sg->addWidget(new QLabel("Start Address :", source), 0, 0);
  sg->addWidget(fields_[0], 0, 1);
  sg->addWidget(new QLabel("End Address :", source), 1, 0);
  sg->addWidget(fields_[1], 1, 1);
  auto* dest = new QGroupBox("Destination Select :", this);
  auto* dg = new QGridLayout(dest);
  dg->addWidget(new QLabel("Start Address :", dest), 0, 0);
  dg->addWidget(fields_[2], 0, 1);
  auto* fillRow = new QHBoxLayout;
  fillRow->addWidget(fill_);
  fillRow->addWidget(fields_[3]);
  fields_[3]->setFixedWidth(40);
  fillRow->addStretch(1);

  auto* right = new QVBoxLayout;
  right->addWidget(source);
  right->addWidget(dest);
  right->addLayout(fillRow);
  right->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(loadButton);
  buttons->addWidget(cancel);
  right->addLayout(buttons);

  auto* middle = new QHBoxLayout;
  middle->addWidget(format_);
  middle->addLayout(right, 1);
  auto* top = new QVBoxLayout(this);
  top->addLayout(fileRow);
  top->addLayout(middle, 1);

  // Load answers Enter, Escape cancels (reject), and Tab walks the form top to bottom.
  loadButton->setDefault(true);
  setTabOrder(name_, browse);
  setTabOrder(browse, format_->item(0));
  for (int i = 1; i < format_->count(); ++i) setTabOrder(format_->item(i - 1), format_->item(i));
  setTabOrder(format_->item(format_->count() - 1), fields_[0]);
  setTabOrder(fields_[0], fields_[1]);
  setTabOrder(fields_[1], fields_[2]);
  setTabOrder(fields_[2], fill_);
  setTabOrder(fill_, fields_[3]);
  setTabOrder(fields_[3], loadButton);
  setTabOrder(loadButton, cancel);

  // The model's creation copies the device's keys and fills the fields from its file.
  model_ = std::make_unique<LoadDialog>(ctx, panels, true);
  mirror();

  for (int i = 0; i < 4; ++i) {
    const auto f = static_cast<HexField>(i);
    // Keys edit at the caret and over a selection, as in any edit; the key filter drops or
    // upper-cases them, and the model's change filter then has the last word.
    InstallKeyFilter(fields_[i], FilterHexKey);
    connect(fields_[i], &QLineEdit::textChanged, this, [this, f](const QString& text) {
      if (mirroring_) return;
      model_->setFieldText(f, S(text));
      mirror();
    });
  }
  connect(name_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (mirroring_) return;
    model_->setNameText(S(text));
    mirror();
  });
  connect(format_, &RadioGroup::itemChanged, this, [this](int item) {
    if (mirroring_) return;
    model_->clickFormat(item);
    mirror();
  });
  connect(fill_, &QCheckBox::toggled, this, [this](bool on) {
    if (!mirroring_) model_->setFillChecked(on);
  });
  connect(browse, &QPushButton::clicked, this, &LoadDialogWindow::browse);
  connect(loadButton, &QPushButton::clicked, this, &LoadDialogWindow::load);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  if (QScreen* screen = window.screen()) move(screen->availableGeometry().center() - rect().center());
}

LoadDialogWindow::~LoadDialogWindow() = default;

void LoadDialogWindow::reject() {
  // Cancel, Escape and the title bar's close all cancel as Cancel does (OK = "0").
  if (!model_->closed()) model_->cancel();
  QDialog::reject();
}

void LoadDialogWindow::mirror() {
  mirroring_ = true;
  if (name_->currentText() != Q(model_->nameText())) name_->setEditText(Q(model_->nameText()));
  for (int i = 0; i < 4; ++i) {
    const auto f = static_cast<HexField>(i);
    const QString t = Q(model_->fieldText(f));
    if (fields_[i]->text() != t) {
      // The change filter rewrote the text: the caret goes to its end.
      fields_[i]->setText(t);
      fields_[i]->setCursorPosition(static_cast<int>(t.size()));
    }
    fields_[i]->setEnabled(model_->fieldEnabled(f));
  }
  if (format_->itemIndex() != model_->formatItem()) format_->setItemIndex(model_->formatItem());
  fill_->setChecked(model_->fillChecked());
  mirroring_ = false;
}

void LoadDialogWindow::browse() {
  const QString path = w_.chooseFile({"BrowseFile",
                                      {"All File (*.*)", "Binary (*.bin)", "Hex (*.hex)", "MS-DOS fn.com (*.com)",
                                       "MS-DOS fn.exe (*.exe)", "POF (*.pof)"},
                                      false});
  if (path.isEmpty()) return;
  model_->browseChose(S(path));
  mirror();
}

void LoadDialogWindow::load() {
  model_->load();
  mirror();
  if (model_->closed()) accept();
}

}  // namespace zarvo::gui
