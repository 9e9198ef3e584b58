#include "gui/widget_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include "gui/batch_page.h"
#include "gui/controls.h"
#include "gui/main_window.h"
#include "gui/pictures.h"
#include "gui/window_page.h"

namespace zarvo::gui {

Answer WidgetUi::messageBox(const std::string& text, const std::string& title, Icon icon, Buttons buttons) {
  return w_.showBox({text, title, icon, buttons, true});
}

Answer WidgetUi::unownedBox(const std::string& text, const std::string& title, Icon icon) {
  return w_.showBox({text, title, icon, Buttons::Ok, false});
}

void WidgetUi::appendMessage(const std::string& text) {
  QPlainTextEdit* pane = w_.batchPage().messagePane();
  // Each "\n" ends a line: the text becomes that many lines, empty ones included.
  for (size_t from = 0;;) {
    const size_t nl = text.find('\n', from);
    w_.batchPage().appendMessageLine(text.substr(from, nl == std::string::npos ? std::string::npos : nl - from));
    if (nl == std::string::npos) break;
    from = nl + 1;
  }
  pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

void WidgetUi::showMessagePage() { w_.batchPage().showMessagePage(); }

Page WidgetUi::activePage() const {
  const int i = w_.pageControl_->currentIndex();
  return i >= 0 && i <= 3 ? static_cast<Page>(i) : Page::Window;
}

void WidgetUi::processEvents() { QApplication::processEvents(); }

void WidgetUi::setUnitControls(const UnitControls& c) {
  w_.runPanel_->setVisible(c.runPanel);
  w_.runPanel_->setEnabled(c.runPanel);
  w_.go_->setVisible(c.runPanel);
  w_.resetButton_->setEnabled(c.resetControls);
  w_.resetOption_->setEnabled(c.resetControls);
  w_.control1_->setEnabled(c.bottomStrip);
  bool any = false;
  for (int k = 0; k < 4; ++k) {
    QWidget* panel = w_.windowPage().panel(k + 1).panel;
    panel->setVisible(c.panels[static_cast<size_t>(k)]);
    panel->setEnabled(c.panels[static_cast<size_t>(k)]);
    any = any || c.panels[static_cast<size_t>(k)];
  }
  w_.windowPage().showNoUnitHint(!any);
}

void WidgetUi::setDriverText(int panel, const std::string& text) {
  if (panel < 1 || panel > 4) return;
  w_.windowPage().panel(panel).driver->setText(Q(text));
  // "Not connect" always reads in red, whichever step of the self test wrote it.
  if (text == "Not connect") setDriverRed(panel, true);
}

void WidgetUi::setDriverRed(int panel, bool red) {
  if (panel < 1 || panel > 4) return;
  QLineEdit* driver = w_.windowPage().panel(panel).driver;
  driver->setProperty("notConnected", red);
  driver->setStyleSheet(red ? QStringLiteral("color: #D1242F;") : QString());
}

void WidgetUi::setDriverPort(int panel, const std::string& port) {
  if (panel < 1 || panel > 4) return;
  w_.windowPage().panel(panel).driver->setToolTip(Q(port));
}

void WidgetUi::setDeviceCheckTimer(bool running) {
  if (running)
    w_.deviceCheck_.start();
  else
    w_.deviceCheck_.stop();
}

void WidgetUi::setMainWindowEnabled(bool enabled) { w_.setEnabled(enabled); }

void WidgetUi::setPanelSum(int panel, const std::string& text) {
  if (panel >= 1 && panel <= 4) w_.windowPage().panel(panel).sum->setText(Q(text));
}

void WidgetUi::setPanelType(int panel, int item) {
  if (panel >= 1 && panel <= 4) w_.windowPage().panel(panel).type->setCurrentIndex(item);
}

namespace {

// What a frame of stacked pictures shows, in words, for screen readers and as its tooltip
// (a colour alone does not tell everyone the result).
void Describe(QWidget* frame, const QString& state) {
  if (frame->accessibleDescription() == state) return;
  frame->setAccessibleDescription(state);
  frame->setToolTip(frame->accessibleName() + ": " + state);
}

QString LampWord(int seen) { return seen == kLampPass ? "pass" : seen == kLampWait ? "wait" : "fail"; }

QString StepWord(char seen) {
  return seen == 'n' ? "idle" : seen == 'w' ? "working" : seen == 'p' ? "pass" : "fail";
}

}  // namespace

void WidgetUi::statusChanged() {
  const StatusModel& s = status();
  auto lamps = [](Picture* const* pics, const LampPictures& l) {
    pics[0]->setVisible(l.pass);
    pics[1]->setVisible(l.wait);
    pics[2]->setVisible(l.fail);
    Describe(pics[0]->parentWidget(), LampWord(l.seen()));
  };
  lamps(w_.windowPage().lamps(), s.lamp(Page::Window));
  lamps(w_.batchPage().lamps(), s.lamp(Page::Batch));
  for (int f = 0; f < 3; ++f) {
    const StepPictures& st = s.step(f);
    Picture* const* pics = w_.windowPage().stepPictures(f);  // _n _w _p _f _o
    pics[0]->setVisible(st.n);
    pics[1]->setVisible(st.w);
    pics[2]->setVisible(st.p);
    pics[3]->setVisible(st.f);
    pics[4]->setVisible(st.o);
    Describe(pics[0]->parentWidget(), StepWord(st.seen()));
  }
  w_.windowPage().progress()->setValue(s.progress(ProgressBar::Window));
  w_.batchPage().progress()->setValue(s.progress(ProgressBar::Batch));
}

}  // namespace zarvo::gui
