#include "gui/batch_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#include "base/path_resolver.h"
#include "base/utf8.h"
#include "batch/batch_runner.h"
#include "batch/pane_files.h"
#include "gui/controls.h"
#include "gui/main_window.h"
#include "gui/pictures.h"
#include "gui/widget_ui.h"
#include "gui/window_page.h"

namespace zarvo::gui {

namespace {

// A tab of the inner page control: the pane above, its buttons at the bottom right.
void AddPaneTab(QTabWidget* tabs, const QString& name, const QString& caption, QPlainTextEdit* pane,
                std::initializer_list<QPushButton*> buttons) {
  auto* tab = new QWidget;
  tab->setObjectName(name);
  auto* v = new QVBoxLayout(tab);
  v->setContentsMargins(4, 4, 4, 4);
  v->addWidget(pane, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* b : buttons) row->addWidget(b);
  v->addLayout(row);
  tabs->addTab(tab, caption);
}

// A message-pane line that is no UTF-8 is shown as Latin-1; its block keeps the bytes.
class LineBytes : public QTextBlockUserData {
 public:
  explicit LineBytes(std::string line) : bytes(std::move(line)) {}
  const std::string bytes;
};

bool FitsEightBits(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() > 0xFF) return false;
  }
  return true;
}

constexpr const char* kAskUtf8 =
    "This script is kept as 8-bit text, which cannot hold every character it now holds.\n"
    "Save it as UTF-8 instead?";

QPlainTextEdit* Pane(const QString& name, QWidget* parent) {
  auto* p = new QPlainTextEdit(parent);
  p->setObjectName(name);
  p->setLineWrapMode(QPlainTextEdit::NoWrap);
  p->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  p->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  p->setProperty("role", "pane");
  QFont mono("DejaVu Sans Mono", 9);
  mono.setFamilies({"DejaVu Sans Mono", "Noto Sans Mono CJK TC"});
  p->setFont(mono);
  return p;
}

}  // namespace

BatchPage::BatchPage(MainWindow& window, QWidget* parent) : QWidget(parent), w_(window) {
  setObjectName("bat_form");
  auto* workLabel = new QLabel(QString::fromUtf8("工作檔案 [ % 1 ]     "), this);
  workLabel->setObjectName("Bat_WorkFile");
  workFile_ = new QLineEdit(this);
  workFile_->setObjectName("work_file_bat");
  auto* loadWork = NamedButton("Bat_LoadWork", QString::fromUtf8("載入工作檔路徑"), this);
  auto* fileLabel = new QLabel(QString::fromUtf8("批次檔案   "), this);
  fileLabel->setObjectName("Bat_File");
  batFileName_ = new QLineEdit(this);
  batFileName_->setObjectName("BatFileName");
  auto* fileLoad = NamedButton("File_Load", QString::fromUtf8("載入批次檔路徑 "), this);
  workLabel->setBuddy(workFile_);
  fileLabel->setBuddy(batFileName_);

  auto* paths = new QGridLayout;
  paths->setHorizontalSpacing(6);
  paths->setVerticalSpacing(4);
  paths->addWidget(workLabel, 0, 0);
  paths->addWidget(workFile_, 0, 1);
  paths->addWidget(loadWork, 0, 2);
  paths->addWidget(fileLabel, 1, 0);
  paths->addWidget(batFileName_, 1, 1);
  paths->addWidget(fileLoad, 1, 2);
  paths->setColumnStretch(1, 1);

  auto* lampFrame = new QWidget(this);
  lampFrame->setObjectName("StatusPanel");
  lampFrame->setFixedSize(34, 34);
  lampFrame->setAccessibleName("Status");
  lampFrame->setAccessibleDescription("pass");
  lamps_[2] = new Picture("Fail", PictureKind::LampFail, 0, lampFrame);
  lamps_[1] = new Picture("Wait", PictureKind::LampWait, 0, lampFrame);
  lamps_[0] = new Picture("Pass", PictureKind::LampPass, 0, lampFrame);
  static const char* kShows[3] = {"pass", "wait", "fail"};
  for (int i = 0; i < 3; ++i) {
    lamps_[i]->setGeometry(0, 0, 34, 34);
    lamps_[i]->setAccessibleName(lamps_[i]->objectName());
    lamps_[i]->setAccessibleDescription(kShows[i]);
  }
  progress_ = new QProgressBar(this);
  progress_->setObjectName("ProgressBar2");
  progress_->setAccessibleName("Progress");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  auto* status = new QVBoxLayout;
  status->setSpacing(4);
  status->addWidget(lampFrame, 0, Qt::AlignHCenter);
  status->addWidget(progress_);
  progress_->setFixedWidth(90);

  auto* head = new QHBoxLayout;
  head->addLayout(paths, 1);
  head->addSpacing(6);
  head->addLayout(status);

  inner_ = new QTabWidget(this);
  inner_->setObjectName("PageControl1");
  richEdit1_ = Pane("RichEdit1", nullptr);
  richEdit1_->setAccessibleName("Command lines");
  comSave_ = NamedButton("Com_save", QString::fromUtf8("另存新檔"), nullptr);
  auto* comClear = NamedButton("com_clear", QString::fromUtf8("清除命令列"), nullptr);
  AddPaneTab(inner_, "Command_bat", QString::fromUtf8("命令列  "), richEdit1_, {comSave_, comClear});
  richEdit2_ = Pane("RichEdit2", nullptr);
  richEdit2_->setReadOnly(true);
  richEdit2_->setAccessibleName("Message lines");
  auto* clearBat = NamedButton("clear_bat", "&Clear All", nullptr);
  saveBat_ = NamedButton("Save_bat", "&Save Log", nullptr);
  AddPaneTab(inner_, "Message_bat", QString::fromUtf8("訊息列  "), richEdit2_, {clearBat, saveBat_});
  inner_->setAccessibleName("Panes");
  NameTabPage(inner_, 0);
  NameTabPage(inner_, 1);

  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(6, 6, 6, 6);
  top->setSpacing(6);
  top->addLayout(head);
  top->addWidget(inner_, 1);

  // A change of a pane enables its save button; a successful save disables it.
  connect(richEdit1_, &QPlainTextEdit::textChanged, comSave_, [this] { comSave_->setEnabled(true); });
  connect(richEdit2_, &QPlainTextEdit::textChanged, saveBat_, [this] { saveBat_->setEnabled(true); });
  connect(comClear, &QPushButton::clicked, richEdit1_, [this] {
    richEdit1_->clear();
    richEdit1_->document()->setModified(true);  // a cleared pane is a change too
  });
  connect(clearBat, &QPushButton::clicked, richEdit2_, &QPlainTextEdit::clear);
  connect(fileLoad, &QPushButton::clicked, this, &BatchPage::loadScript);
  connect(loadWork, &QPushButton::clicked, this, &BatchPage::chooseWorkFile);
  connect(comSave_, &QPushButton::clicked, this, &BatchPage::saveScript);
  connect(saveBat_, &QPushButton::clicked, this, &BatchPage::saveLog);
}

void BatchPage::showMessagePage() { inner_->setCurrentIndex(1); }
void BatchPage::showCommandPage() { inner_->setCurrentIndex(0); }

std::string BatchPage::lineBytes(const QString& line, bool eightBit) const {
  // A character 8-bit text cannot hold keeps its UTF-8 rather than turning into "?".
  return eightBit && FitsEightBits(line) ? line.toLatin1().toStdString() : S(line);
}

std::vector<std::string> BatchPage::commandLines() const {
  std::vector<std::string> lines;
  for (QTextBlock b = richEdit1_->document()->begin(); b.isValid(); b = b.next())
    lines.push_back(lineBytes(b.text(), eightBit_));
  return lines;
}

bool BatchPage::readIntoCommandPane(const std::string& path) {
  std::vector<std::string> lines;
  bool marked = false;
  if (!ReadScriptFile(path, lines, nullptr, &marked)) return false;
  std::string all;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) all += '\n';
    all += lines[i];
  }
  eightBit_ = !IsValidUtf8(all);
  marked_ = marked;
  richEdit1_->setPlainText(eightBit_ ? QString::fromLatin1(all.data(), static_cast<qsizetype>(all.size())) : Q(all));
  richEdit1_->document()->setModified(false);
  return true;
}

void BatchPage::reloadCommandPane(const std::string& path) {
  if (!richEdit1_->document()->isModified()) readIntoCommandPane(path);
}

void BatchPage::appendMessageLine(const std::string& bytes) {
  if (IsValidUtf8(bytes)) {
    richEdit2_->appendPlainText(Q(bytes));
    return;
  }
  richEdit2_->appendPlainText(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
  richEdit2_->document()->lastBlock().setUserData(new LineBytes(bytes));
}

void BatchPage::run() {
  Session& s = w_.session();
  s.state().WorkFile = S(workFile_->text());
  PathResolver resolver(s.profile());
  BatchContext ctx{w_.deviceContext(), s.image(), resolver, S(w_.windowPage().panel(1).addr->text())};
  // A line that names its own file makes it the work file: the edit shows it (upper case, as
  // the line was read) for the next "%1" line, the next run and the saved BatWork.
  ctx.lineEnded = [this, &s](int, const LineResult&) {
    const QString work = Q(s.state().WorkFile);
    if (workFile_->text() != work) workFile_->setText(work);
  };
  RunBatch(ctx, commandLines());
}

void BatchPage::loadScript() {
  const QString path = w_.chooseFile({"OpenDialog1", {"Bat Files(*.bat)"}, false});
  if (!path.isEmpty()) {
    WidgetUi& ui = w_.ui();
    std::error_code ec;
    if (!std::filesystem::exists(S(path), ec)) {
      ui.messageBox("File is not exist !!", "Error", Icon::Error, Buttons::Ok);
      ui.setLamp(kLampFail);
    } else {
      richEdit1_->clear();
      batFileName_->clear();
      if (readIntoCommandPane(S(path))) {
        batFileName_->setText(path);
      } else {
        richEdit1_->clear();
        ui.messageBox("Load file error !!", "Error", Icon::Error, Buttons::Ok);
        ui.setLamp(kLampFail);
      }
    }
  }
  saveBat_->setEnabled(false);
  showCommandPage();
  w_.watchFileOptionClick();
}

void BatchPage::chooseWorkFile() {
  const QString path = w_.chooseFile({"Test_Open", {"All file (*.*)"}, false});
  if (!path.isEmpty()) workFile_->setText(path);
  showCommandPage();
  w_.watchFileOptionClick();
}

bool BatchPage::savePane(QPlainTextEdit* pane, const QString& dialog, const QString& filter, const char* ext,
                         QPushButton* button) {
  const bool command = pane == richEdit1_;
  bool eightBit = command && eightBit_;
  // Never a character replaced without a word: such a script is saved as UTF-8 or not at all.
  if (eightBit && !FitsEightBits(pane->toPlainText())) {
    if (w_.ui().messageBox(kAskUtf8, "Warning", Icon::Warning, Buttons::OkCancel) != Answer::Ok) return false;
    eightBit = false;
  }
  const QString path = w_.chooseFile({dialog, {filter}, true});
  if (path.isEmpty()) return false;
  std::vector<std::string> lines;
  // An empty pane still holds one empty block; its file is empty.
  if (!pane->document()->isEmpty()) {
    for (QTextBlock b = pane->document()->begin(); b.isValid(); b = b.next()) {
      const auto* kept = dynamic_cast<const LineBytes*>(b.userData());
      lines.push_back(kept != nullptr ? kept->bytes : lineBytes(b.text(), eightBit));
    }
  }
  if (!WritePaneToFile(lines, S(path), ext, w_.ui(), command && marked_)) return false;
  if (command) {
    eightBit_ = eightBit;
    pane->document()->setModified(false);
  }
  button->setEnabled(false);
  return true;
}

void BatchPage::saveScript() { savePane(richEdit1_, "SaveDialog1", "Bat File(*.bat)", ".bat", comSave_); }
void BatchPage::saveLog() { savePane(richEdit2_, "SaveDialog2", "Message File(*.log)", ".log", saveBat_); }

}  // namespace zarvo::gui
