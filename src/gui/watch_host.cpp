#include "gui/watch_host.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include "gui/batch_page.h"
#include "gui/change_notice.h"
#include "gui/controls.h"
#include "gui/main_window.h"
#include "gui/option_pages.h"
#include "gui/widget_ui.h"
#include "gui/window_page.h"

namespace zarvo::gui {

int WindowWatchHost::watchFileOption() const { return w_.optionPages().watchFileOption()->itemIndex(); }
void WindowWatchHost::setWatchFileOption(int item) { w_.optionPages().watchFileOption()->setItemIndex(item); }
int WindowWatchHost::watchFileSource() const { return w_.optionPages().watchFileSource()->itemIndex(); }
int WindowWatchHost::sendtoPath() const { return w_.optionPages().sendtoPath()->itemIndex(); }
void WindowWatchHost::setWatchFileSource(int item) { w_.optionPages().watchFileSource()->setItemIndex(item); }
int WindowWatchHost::sendtoOption() const { return w_.optionPages().sendtoOption()->itemIndex(); }
std::string WindowWatchHost::deviceFileText() const { return S(w_.optionPages().deviceFile()->currentText()); }
bool WindowWatchHost::panelShown(int n) const { return w_.windowPage().panelShown(n); }
std::string WindowWatchHost::sourceText(int n) const { return S(w_.windowPage().panel(n).source->text()); }
void WindowWatchHost::setSourceText(int n, const std::string& text) {
  w_.windowPage().panel(n).source->setText(Q(text));
}
std::string WindowWatchHost::workFileText() const { return S(w_.batchPage().workFile()->text()); }
void WindowWatchHost::setWorkFileText(const std::string& text) { w_.batchPage().workFile()->setText(Q(text)); }
bool WindowWatchHost::messageSwitch() const { return w_.optionPages().messageSwitch()->isChecked(); }
void WindowWatchHost::setMessageSwitch(bool checked) { w_.optionPages().messageSwitch()->setChecked(checked); }
void WindowWatchHost::setMessageSwitchEnabled(bool enabled) { w_.optionPages().messageSwitch()->setEnabled(enabled); }
void WindowWatchHost::setDeviceFileEnabled(bool enabled) { w_.optionPages().deviceFile()->setEnabled(enabled); }

void WindowWatchHost::setFileTimer(bool running) {
  if (running)
    w_.fileTimer().start();
  else
    w_.fileTimer().stop();
}

void WindowWatchHost::setAutoRun(bool running) {
  if (running)
    w_.autoRun().start();
  else
    w_.autoRun().stop();
}

Page WindowWatchHost::activePage() const { return w_.ui().activePage(); }
void WindowWatchHost::setActivePage(Page page) { w_.pages()->setCurrentIndex(static_cast<int>(page)); }
bool WindowWatchHost::panelChecked(int n) const { return w_.windowPage().panel(n).check->isChecked(); }
void WindowWatchHost::setPanelChecked(int n, bool checked) { w_.windowPage().panel(n).check->setChecked(checked); }

void WindowWatchHost::errorBox(const std::string& text, bool owned) {
  w_.showBox({text, "Error", Icon::Error, Buttons::Ok, owned});
}

void WindowWatchHost::plainBox(const std::string& text) { w_.showBox({text, "ZARVO R5", Icon::None, Buttons::Ok, true}); }

void WindowWatchHost::showChangeNotice(const std::string& title, const std::string& text) {
  // One notice at a time: the newer change replaces a notice still on screen.
  if (notice_) notice_->withdraw();
  // A run holds the event loop a slide needs (it lets it breathe only now and then): a
  // notice that falls due then stands on screen at once instead of below it until the end.
  notice_ = new ChangeNotice(&w_, Q(title), Q(text), 250, 100, w_.running() ? 0 : slideMs_);
  QObject::connect(notice_, &ChangeNotice::chosen, &w_, [this](ChangeNotice::Choice c) {
    w_.fileWatch().noticeAnswer(c == ChangeNotice::Choice::Yes  ? NoticeChoice::Yes
                                : c == ChangeNotice::Choice::No ? NoticeChoice::No
                                                                : NoticeChoice::DontShow);
  });
  notice_->slideIn();
}

void WindowWatchHost::runClick() { w_.runClick(/*unattended=*/true); }
void WindowWatchHost::processEvents() { QApplication::processEvents(); }

}  // namespace zarvo::gui
