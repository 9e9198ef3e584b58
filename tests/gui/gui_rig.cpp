#include "gui_rig.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QDir>
#include <QTabBar>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>

namespace zarvo::test {

GuiRig::~GuiRig() { window_.reset(); }

gui::MainWindow& GuiRig::start(std::vector<std::string> args) {
  gui::MainWindowOptions o;
  auto sim = std::make_unique<SimulatedBackend>(slots_);
  sim_ = sim.get();
  if (prepare) prepare(*sim_);
  o.backend = std::move(sim);
  o.clock = &clock;
  o.startDir = dir.path().string();
  registry_ = std::make_unique<FileRegistry>(config.file("registry.ini"));
  o.registry = registry_.get();
  o.args = std::move(args);
  o.languageDirs = languageDirs;
  o.noticeSlideMs = noticeSlideMs;
  if (!realBoxes) o.messageBox = [this](const gui::BoxRequest& r) {
    boxes.push_back(r);
    if (onBox) onBox(r);
    if (!answers.empty()) {
      Answer a = answers.front();
      answers.pop_front();
      return a;
    }
    return r.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  };
  o.fileDialog = [this](const gui::FileRequest& r) {
    fileRequests.push_back(r);
    if (files.empty()) return QString();
    QString f = files.front();
    files.pop_front();
    return f;
  };
  window_ = std::make_unique<gui::MainWindow>(std::move(o));
  window_->show();
  return *window_;
}

void GuiRig::close() {
  window_->close();
  window_.reset();
}

std::string GuiRig::paneText() const {
  return window_->findChild<QPlainTextEdit*>("RichEdit2")->toPlainText().toStdString();
}

std::vector<std::string> GuiRig::boxTexts() const {
  std::vector<std::string> out;
  for (const auto& b : boxes) out.push_back(b.text);
  return out;
}

void WhenModal(std::function<void(QWidget*)> f) {
  auto* timer = new QTimer;
  timer->setInterval(0);
  QObject::connect(timer, &QTimer::timeout, [timer, f = std::move(f)] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      f(modal);
    }
  });
  timer->start();
}

void TypeKeys(QWidget* w, const QString& keys) {
  for (QChar c : keys) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
  }
}

bool QtInternal(const QWidget* w) {
  if (w->objectName().startsWith("qt_")) return true;
  for (const QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget())
    if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QTabBar*>(p))
      return true;
  return false;
}

std::string Screenshot(QWidget* w, const std::string& name) {
  QDir().mkpath(ZARVO_SCREENSHOT_DIR);
  const std::string path = std::string(ZARVO_SCREENSHOT_DIR) + "/" + name + ".png";
  w->grab().save(QString::fromStdString(path));
  return path;
}

}  // namespace zarvo::test
