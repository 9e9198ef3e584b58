#include "gui/window_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/unit_hint.h"
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

Picture* Stacked(QWidget* frame, const QString& name, PictureKind kind, int step, const QString& shows) {
  auto* p = new Picture(name, kind, step, frame);
  p->setGeometry(0, 0, frame->width(), frame->height());
  p->setAccessibleName(name);
  p->setAccessibleDescription(shows);
  return p;
}

// A label that names a field for screen readers (and, with a mnemonic, moves the focus there).
QLabel* LabelFor(const QString& name, const QString& text, QWidget* field, QWidget* parent) {
  QLabel* l = NamedLabel(name, text, parent);
  l->setBuddy(field);
  return l;
}

// The one local file a drag from a file manager carries, or empty.
QString DraggedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) return {};
  const QUrl url = mime->urls().front();
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace

WindowPage::WindowPage(MainWindow& window, QWidget* parent) : QWidget(parent), w_(window) {
  setObjectName("window_form");
  auto* grid = new QGridLayout;
  grid->setSpacing(5);
  for (int n = 1; n <= 4; ++n) grid->addWidget(buildPanel(n), (n - 1) / 2, (n - 1) % 2);
  // Over the panels' place, shown while no unit is attached (every panel hidden).
  noUnit_ = new QLabel(Q(NoUnitHint()), this);
  noUnit_->setObjectName("NoUnitHint");
  noUnit_->setProperty("role", "hint");
  noUnit_->setWordWrap(true);
  noUnit_->setAlignment(Qt::AlignCenter);
  noUnit_->setFixedWidth(470);
  noUnit_->hide();
  grid->addWidget(noUnit_, 0, 0, 2, 2, Qt::AlignCenter);
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
  frame->setAccessibleName("Device " + d);
  p.panel = frame;

  p.check = new QCheckBox(frame);
  p.check->setObjectName("Win_check_" + d);
  p.check->setAccessibleName("Run Device " + d);
  p.device = new QPushButton(d, frame);
  p.device->setObjectName("Win_device_" + d);
  p.device->setToolTip("Call ");
  p.device->setAccessibleDescription("Blinks the unit's LED");
  p.device->setFixedSize(26, 22);
  p.driver = Edit("Win_Driver_" + d, " ZARVO- R5 Device", frame);
  p.driver->setReadOnly(true);
  p.source = Edit("Win_Source_" + d, kSourcePlaceholder, frame);
  p.source->setReadOnly(true);
  // The whole path, however narrow the field; and a firmware file dropped from a file
  // manager is taken as Browse and Load would take it.
  connect(p.source, &QLineEdit::textChanged, p.source, [src = p.source](const QString& t) {
    src->setToolTip(t == kSourcePlaceholder ? QString() : t);
  });
  p.source->setAcceptDrops(true);
  p.source->installEventFilter(this);
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
  // Room for the 16 dashes and for seven digits, and no more: with the widest captions (the
  // built-in "  Sum  ") the row must still end inside the panel's border.
  const QFontMetrics fm(p.sum->font());
  p.sum->setMinimumWidth(fm.horizontalAdvance(kDashSum) + 10);
  p.addr->setMinimumWidth(fm.horizontalAdvance("0000000") + 10);
  if (n == 1) {
    // Only panel 1's start address has the key filter and the typing limit.
    LimitTyping(p.addr, 7);
    InstallKeyFilter(p.addr, FilterHexKey);
  }
  static const char* kSumLabel[4] = {"  Sum  ", "Sum", "Sum ", "Sum "};

  auto* g = new QGridLayout(frame);
  g->setContentsMargins(5, 4, 5, 5);
  g->setHorizontalSpacing(3);
  g->setVerticalSpacing(3);
  auto* head = new QHBoxLayout;
  head->setSpacing(4);
  head->addWidget(p.check);
  head->addWidget(p.device);
  head->addStretch(1);
  head->addWidget(LabelFor("D" + d + "_Driver", "Driver ", p.driver, frame));
  head->addWidget(p.driver, 3);
  g->addLayout(head, 0, 0, 1, 4);
  g->addWidget(LabelFor("D" + d + "_Source", "Source ", p.source, frame), 1, 0);
  auto* src = new QHBoxLayout;
  src->setSpacing(4);
  src->addWidget(p.source, 1);
  src->addWidget(p.browse);
  g->addLayout(src, 1, 1, 1, 3);
  g->addWidget(LabelFor("D" + d + "_Type", "Type ", p.type, frame), 2, 0);
  g->addWidget(p.type, 2, 1, 1, 3);
  g->addWidget(LabelFor("D" + d + "_Set", "DataSet ", p.set, frame), 3, 0);
  g->addWidget(p.set, 3, 1, 1, 3);
  g->addWidget(LabelFor("D" + d + "_Addr", "Start Addr ", p.addr, frame), 4, 0);
  g->addWidget(p.addr, 4, 1);
  g->addWidget(LabelFor("D" + d + "_Sum", kSumLabel[n - 1], p.sum, frame), 4, 2);
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
  panel7->setAccessibleName("Download");
  panel7->setFixedSize(44, 44);
  for (int q = 0; q < 4; ++q) {
    auto* img = new Picture("Image" + QString::number(9 + q), PictureKind::Summary, q, panel7);
    img->setAccessibleName(img->objectName());
    img->setGeometry((q % 2) * 22, (q / 2) * 22, 22, 22);
  }
  row->addLayout(column(panel7, NamedLabel("LedDownload", QString::fromUtf8("下載程序  "), box)));
  row->addWidget(sign("= "));

  static const char* kFrame[3] = {"CopyProgramBtn", "CopyConfirmBtn", "CopyEraseBtn"};
  static const char* kPrefix[3] = {"prog", "confirm", "erace"};
  static const char* kStepName[3] = {"Load and download step", "Verify step", "Reset step"};
  for (int f = 0; f < 3; ++f) {
    QWidget* frame = Stack(kFrame[f], QSize(44, 44), box);
    frame->setAccessibleName(kStepName[f]);
    frame->setAccessibleDescription("idle");
    const QString pre = kPrefix[f];
    // Bottom to top: _o, _f, _p, _w, _n.
    Picture* o = Stacked(frame, pre + "_o", PictureKind::StepOff, f, "off");
    Picture* fl = Stacked(frame, pre + "_f", PictureKind::StepFailed, f, "fail");
    Picture* pa = Stacked(frame, pre + "_p", PictureKind::StepPassed, f, "pass");
    Picture* wk = Stacked(frame, pre + "_w", PictureKind::StepWorking, f, "working");
    Picture* id = Stacked(frame, pre + "_n", PictureKind::StepIdle, f, "idle");
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
  lampFrame->setAccessibleName("Status");
  lampFrame->setAccessibleDescription("pass");
  lamps_[2] = Stacked(lampFrame, "W_Fail", PictureKind::LampFail, 0, "fail");
  lamps_[1] = Stacked(lampFrame, "W_Wait", PictureKind::LampWait, 0, "wait");
  lamps_[0] = Stacked(lampFrame, "W_Pass", PictureKind::LampPass, 0, "pass");
  progress_ = new QProgressBar(box);
  progress_->setObjectName("ProgressBar1");
  progress_->setAccessibleName("Progress");
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

void WindowPage::showNoUnitHint(bool show) { noUnit_->setVisible(show); }

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
  afterLoadDialog(n, accepted, chosen);
}

void WindowPage::dropFile(int n, const QString& path) {
  Session& s = w_.session();
  s.state().SelectedDevice = n;
  LoadContext ctx = s.loadContext();
  LoadDialog model(ctx, this, true);
  model.takeFile(S(path));
  model.load();
  afterLoadDialog(n, model.accepted(), model.handOver().fileName);
}

void WindowPage::afterLoadDialog(int n, bool accepted, const std::string& chosen) {
  Session& s = w_.session();
  // Only a Load confirmed in this dialog names a file: a cancelled dialog's empty result must
  // not wipe the field.
  if (accepted && s.profile().readText("LoadDlg", "OK", "0") != "0") {
    panels_[n - 1].source->setText(Q(chosen));
    s.profile().writeInt("CommonParameterSet", "CommonDataSelect", 0);
  }
  panels_[n - 1].sum->setText(kDashSum);
  w_.watchFileOptionClick();
}

bool WindowPage::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  int n = 0;
  for (int k = 1; k <= 4; ++k)
    if (watched == panels_[k - 1].source) n = k;
  if (n == 0) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QString path = DraggedFile(drop->mimeData());
  if (path.isEmpty() || !panels_[n - 1].panel->isEnabled()) {
    drop->ignore();
    return true;
  }
  drop->acceptProposedAction();
  // The drop's own event ends before the boxes a load may show open.
  if (type == QEvent::Drop) QMetaObject::invokeMethod(this, [this, n, path] { dropFile(n, path); }, Qt::QueuedConnection);
  return true;
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
