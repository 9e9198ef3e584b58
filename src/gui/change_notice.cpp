#include "gui/change_notice.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>

#include <functional>

namespace zarvo::gui {

namespace {

bool PlacesWindowsItself() { return QGuiApplication::platformName().startsWith("wayland"); }

}  // namespace

ChangeNotice::ChangeNotice(QWidget* owner, const QString& title, const QString& text, int w, int h, int slideMs)
    : QWidget(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      slideMs_(slideMs) {
  setObjectName("ChangeNotice");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
  setFixedSize(w + 30, h + 20);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);

  label_ = new QLabel(text, this);
  label_->setObjectName("NoticeLabel");
  QFont bold = label_->font();
  bold.setPointSize(10);
  bold.setBold(true);
  label_->setFont(bold);
  label_->setGeometry(30, 15, w, 16 + 4);

  auto add = [this](const QString& name, const QString& caption, int left, Choice choice) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setGeometry(left, 60, 80, 28);
    connect(b, &QPushButton::clicked, this, [this, choice] { answer(choice); });
  };
  add("Yes", "&Yes", 10, Choice::Yes);
  add("No", "&No", 100, Choice::No);
  add("DontShow", "Don't show", 190, Choice::DontShow);
}

QRect ChangeNotice::workArea() const {
  const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void ChangeNotice::slideTo(int top, std::function<void()> then) {
  if (PlacesWindowsItself() || slideMs_ <= 0) {
    move(x(), top);
    if (then) then();
    return;
  }
  if (animation_ == nullptr) animation_ = new QPropertyAnimation(this, "pos", this);
  animation_->stop();
  animation_->disconnect(this);
  animation_->setDuration(slideMs_);
  animation_->setStartValue(pos());
  animation_->setEndValue(QPoint(x(), top));
  if (then) connect(animation_, &QPropertyAnimation::finished, this, then);
  animation_->start();
}

void ChangeNotice::slideIn() {
  const QRect area = workArea();
  // From just below the work area's bottom right corner (on the screen the area belongs to,
  // wherever that screen lies) up to where the whole notice shows.
  move(area.right() + 1 - width(), area.bottom() + 1);
  show();
  raise();
  slideTo(area.bottom() + 1 - height(), nullptr);
}

void ChangeNotice::answer(Choice choice) {
  if (answered_) return;
  answered_ = true;
  slideTo(workArea().bottom() + 1, [this, choice] {
    hide();
    Q_EMIT chosen(choice);
    close();
  });
}

void ChangeNotice::withdraw() {
  answered_ = true;
  slideTo(workArea().bottom() + 1, [this] { close(); });
}

}  // namespace zarvo::gui
