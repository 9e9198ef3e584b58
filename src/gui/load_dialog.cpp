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
  }
  fill_ = new QCheckBox("Fill unused with", this);
  fill_->setObjectName("UnuserFillCheck");
  fill_->setChecked(true);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("File :", this));
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

  // The model's creation copies the device's keys and fills the fields from its file.
  model_ = std::make_unique<LoadDialog>(ctx, panels, true);
  mirror();

  for (int i = 0; i < 4; ++i) {
    const auto f = static_cast<HexField>(i);
    InstallKeyFilter(fields_[i], [this, f](char key) -> std::optional<char> {
      // The model filters and cuts; the edit then shows what it holds.
      model_->typeKey(f, key);
      mirror();
      return std::nullopt;
    });
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
  connect(cancel, &QPushButton::clicked, this, [this] {
    model_->cancel();
    reject();
  });

  if (QScreen* screen = window.screen()) move(screen->availableGeometry().center() - rect().center());
}

LoadDialogWindow::~LoadDialogWindow() = default;

void LoadDialogWindow::mirror() {
  mirroring_ = true;
  if (name_->currentText() != Q(model_->nameText())) name_->setEditText(Q(model_->nameText()));
  for (int i = 0; i < 4; ++i) {
    const auto f = static_cast<HexField>(i);
    const QString t = Q(model_->fieldText(f));
    if (fields_[i]->text() != t) {
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
