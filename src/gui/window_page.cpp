#include "gui/window_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/discovery.h"
#include "gui/controls.h"
#include "gui/load_dialog.h"
#include "gui/main_window.h"
#include "gui/pictures.h"
#include "gui/widget_ui.h"
#include "image/tables.h"
#include "window_mode/run_sequence.h"

namespace zarvo::gui {

namespace {

QLineEdit* Edit(const QString& name, const QString& text, QWidget* parent) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  return e;
}

// A frame of stacked pictures of one size; the ones made later lie on top.
QWidget* Stack(const QString& name, QSize size, QWidget* parent) {
  auto* f = new QWidget(parent);
  f->setObjectName(name);
  f->setFixedSize(size);
  return f;
}

Picture* Stacked(QWidget* frame, const QString& name, PictureKind kind, int step) {
  auto* p = new Picture(name, kind, step, frame);
  p->setGeometry(0, 0, frame->width(), frame->height());
  return p;
}

}  // namespace

WindowPage::WindowPage(MainWindow& window, QWidget* parent) : QWidget(parent), w_(window) {
  setObjectName("window_form");
  auto* grid = new QGridLayout;
  grid->setSpacing(6);
  for (int n = 1; n <= 4; ++n) grid->addWidget(buildPanel(n), (n - 1) / 2, (n - 1) % 2);
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(6, 6, 6, 6);
  top->setSpacing(6);
  top->addLayout(grid);
  top->addWidget(buildWorkFlow());
}

QWidget* WindowPage::buildPanel(int n) {
  const QString d = QString::number(n);
  PanelWidgets& p = panels_[n - 1];
  auto* frame = new QFrame(this);
  frame->setObjectName("D" + d + "_Panel");
  frame->setFrameShape(QFrame::StyledPanel);
  QSizePolicy keep = frame->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  frame->setSizePolicy(keep);
  p.panel = frame;

  p.check = new QCheckBox(frame);
  p.check->setObjectName("Win_check_" + d);
  p.device = new QPushButton(d, frame);
  p.device->setObjectName("Win_device_" + d);
  p.device->setToolTip("Call ");
  p.device->setFixedSize(26, 22);
  p.driver = Edit("Win_Driver_" + d, " ZARVO- R5 Device", frame);
  p.driver->setReadOnly(true);
  p.source = Edit("Win_Source_" + d, kSourcePlaceholder, frame);
  p.source->setReadOnly(true);
  p.browse = new QPushButton(QString::fromUtf8("瀏覽"), frame);
  p.browse->setObjectName("D" + d + "_Borwser");
  p.type = new QComboBox(frame);
  p.type->setObjectName("Win_Type_" + d);
  for (int i = 0; i <= kAutoDetectItem; ++i) p.type->addItem(Q(TypeItemText(i)));
  p.type->setCurrentIndex(kAutoDetectItem);
  p.set = new QComboBox(frame);
  p.set->setObjectName("Win_set_" + d);
  for (const DataSet& s : kDataSetTable) p.set->addItem(QString::fromUtf8(s.comboText));
  p.addr = Edit("Win_addr_" + d, "0000000", frame);
  p.sum = Edit("Win_sum_" + d, "00000000", frame);
  p.sum->setReadOnly(true);
  p.sum->setProperty("role", "sum");
  const QFontMetrics fm(p.sum->font());
  p.sum->setMinimumWidth(fm.horizontalAdvance(kDashSum) + 12);
  p.addr->setMinimumWidth(fm.horizontalAdvance("00000000") + 10);
  if (n == 1) {
    // Only panel 1's start address has the key filter and the typing limit.
    LimitTyping(p.addr, 7);
    InstallKeyFilter(p.addr, FilterHexKey);
  }
  static const char* kSumLabel[4] = {"  Sum  ", "Sum", "Sum ", "Sum "};

  auto* g = new QGridLayout(frame);
  g->setContentsMargins(6, 4, 6, 5);
  g->setHorizontalSpacing(4);
  g->setVerticalSpacing(3);
  auto* head = new QHBoxLayout;
  head->setSpacing(4);
  head->addWidget(p.check);
  head->addWidget(p.device);
  head->addStretch(1);
  head->addWidget(NamedLabel("D" + d + "_Driver", "Driver ", frame));
  head->addWidget(p.driver, 3);
  g->addLayout(head, 0, 0, 1, 4);
  g->addWidget(NamedLabel("D" + d + "_Source", "Source ", frame), 1, 0);
  auto* src = new QHBoxLayout;
  src->setSpacing(4);
  src->addWidget(p.source, 1);
  src->addWidget(p.browse);
  g->addLayout(src, 1, 1, 1, 3);
  g->addWidget(NamedLabel("D" + d + "_Type", "Type ", frame), 2, 0);
  g->addWidget(p.type, 2, 1, 1, 3);
  g->addWidget(NamedLabel("D" + d + "_Set", "DataSet ", frame), 3, 0);
  g->addWidget(p.set, 3, 1, 1, 3);
  g->addWidget(NamedLabel("D" + d + "_Addr", "Start Addr ", frame), 4, 0);
  g->addWidget(p.addr, 4, 1);
  g->addWidget(NamedLabel("D" + d + "_Sum", kSumLabel[n - 1], frame), 4, 2);
  g->addWidget(p.sum, 4, 3);
  g->setColumnStretch(1, 1);

  connect(p.browse, &QPushButton::clicked, this, [this, n] { browse(n); });
  connect(p.device, &QPushButton::clicked, this, [this, n] {
    DeviceContext dev = w_.deviceContext();
    DeviceButtonClick(dev, n);
  });
  // The data-set list's change reaction does nothing; the type list's has none either.
  return frame;
}

QGroupBox* WindowPage::buildWorkFlow() {
  auto* box = new QGroupBox(QString::fromUtf8(" 工作流程 "), this);
  box->setObjectName("WinProc");
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(8, 4, 8, 6);
  row->setSpacing(6);

  auto column = [box](QWidget* top, QWidget* under) {
    auto* c = new QVBoxLayout;
    c->setSpacing(2);
    c->addWidget(top, 0, Qt::AlignHCenter);
    c->addWidget(under, 0, Qt::AlignHCenter);
    return c;
  };
  auto sign = [box](const QString& t) {
    auto* l = new QLabel(t, box);
    l->setProperty("role", "sign");
    return l;
  };

  auto* panel7 = new QWidget(box);
  panel7->setObjectName("Panel7");
  panel7->setFixedSize(44, 44);
  for (int q = 0; q < 4; ++q) {
    auto* img = new Picture("Image" + QString::number(9 + q), PictureKind::Summary, q, panel7);
    img->setGeometry((q % 2) * 22, (q / 2) * 22, 22, 22);
  }
  row->addLayout(column(panel7, NamedLabel("LedDownload", QString::fromUtf8("下載程序  "), box)));
  row->addWidget(sign("= "));

  static const char* kFrame[3] = {"CopyProgramBtn", "CopyConfirmBtn", "CopyEraseBtn"};
  static const char* kPrefix[3] = {"prog", "confirm", "erace"};
  for (int f = 0; f < 3; ++f) {
    QWidget* frame = Stack(kFrame[f], QSize(44, 44), box);
    const QString pre = kPrefix[f];
    // Bottom to top: _o, _f, _p, _w, _n.
    Picture* o = Stacked(frame, pre + "_o", PictureKind::StepOff, f);
    Picture* fl = Stacked(frame, pre + "_f", PictureKind::StepFailed, f);
    Picture* pa = Stacked(frame, pre + "_p", PictureKind::StepPassed, f);
    Picture* wk = Stacked(frame, pre + "_w", PictureKind::StepWorking, f);
    Picture* id = Stacked(frame, pre + "_n", PictureKind::StepIdle, f);
    steps_[f][0] = id;
    steps_[f][1] = wk;
    steps_[f][2] = pa;
    steps_[f][3] = fl;
    steps_[f][4] = o;
    QWidget* under = nullptr;
    if (f == 0) {
      under = NamedLabel("LedLoad", QString::fromUtf8("檔案載入 "), box);
    } else {
      auto* c = new QCheckBox(QString::fromUtf8(f == 1 ? "資料比對  " : "重置訊號  "), box);
      c->setObjectName(f == 1 ? "Confirm_check" : "Reset_Check");
      (f == 1 ? confirm_ : reset_) = c;
      under = c;
    }
    row->addLayout(column(frame, under));
    if (f < 2) row->addWidget(sign("+"));
  }
  row->addStretch(1);

  auto* lampFrame = Stack("W_StatusPanel", QSize(34, 34), box);
  lamps_[2] = Stacked(lampFrame, "W_Fail", PictureKind::LampFail, 0);
  lamps_[1] = Stacked(lampFrame, "W_Wait", PictureKind::LampWait, 0);
  lamps_[0] = Stacked(lampFrame, "W_Pass", PictureKind::LampPass, 0);
  progress_ = new QProgressBar(box);
  progress_->setObjectName("ProgressBar1");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setFixedWidth(110);
  progress_->setTextVisible(false);
  auto* status = new QVBoxLayout;
  status->setSpacing(4);
  status->addWidget(lampFrame, 0, Qt::AlignHCenter);
  status->addWidget(progress_);
  row->addLayout(status);
  return box;
}

bool WindowPage::panelShown(int n) const { return !panels_[n - 1].panel->isHidden(); }

Panels WindowPage::panelValues() const {
  Panels values;
  for (int n = 1; n <= 4; ++n) {
    const PanelWidgets& p = panels_[n - 1];
    PanelValues& v = values[static_cast<size_t>(n - 1)];
    v.ticked = p.check->isChecked();
    v.visible = panelShown(n);
    v.source = S(p.source->text());
    v.typeItem = p.type->currentIndex();
    v.typeText = S(p.type->currentText());
    v.dataSetText = S(p.set->currentText());
    v.startAddress = S(p.addr->text());
  }
  return values;
}

RunOptions WindowPage::runOptions() const { return {confirm_->isChecked(), reset_->isChecked()}; }

void WindowPage::browse(int n) {
  Session& s = w_.session();
  s.state().SelectedDevice = n;
  LoadContext ctx = s.loadContext();
  std::string chosen;
  bool accepted = false;
  {
    LoadDialogWindow dialog(w_, ctx, this);
    if (!w_.quitRequested()) dialog.exec();
    accepted = dialog.model().accepted();
    chosen = dialog.model().handOver().fileName;
  }
  // Only a Load confirmed in this dialog names a file: a dialog closed from its title bar
  // leaves OK as an earlier Load left it, and its empty result must not wipe the field.
  if (accepted && s.profile().readText("LoadDlg", "OK", "0") != "0") {
    panels_[n - 1].source->setText(Q(chosen));
    s.profile().writeInt("CommonParameterSet", "CommonDataSelect", 0);
  }
  panels_[n - 1].sum->setText(kDashSum);
  w_.watchFileOptionClick();
}

std::string WindowPage::addressText(int device) const {
  return device >= 1 && device <= 4 ? S(panels_[device - 1].addr->text()) : std::string();
}
void WindowPage::setAddressText(int device, const std::string& text) {
  if (device >= 1 && device <= 4) panels_[device - 1].addr->setText(Q(text));
}
int WindowPage::typeItem(int device) const {
  return device >= 1 && device <= 4 ? panels_[device - 1].type->currentIndex() : -1;
}
void WindowPage::setTypeItem(int device, int item) {
  if (device >= 1 && device <= 4) panels_[device - 1].type->setCurrentIndex(item);
}

}  // namespace zarvo::gui
