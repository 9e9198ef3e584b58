#pragma once
// The change notice: a small window owned by the main window, always on top, that slides up
// from the bottom right corner of the screen's work area to ask whether to run the file that
// just changed. Yes, No and "Don't show" slide it down again and then report the choice.
// On platforms that place windows themselves (Wayland) it appears where the compositor puts
// it, without sliding.

#include <QPointer>

#include <functional>
#include <QWidget>

class QLabel;
class QPropertyAnimation;

namespace zarvo::gui {

class ChangeNotice : public QWidget {
  Q_OBJECT
 public:
  enum class Choice { Yes, No, DontShow };

  // The label is w x 16 at (30, 15); the window is (w + 30) x (h + 20). slideMs 0 moves it
  // at once (tests).
  ChangeNotice(QWidget* owner, const QString& title, const QString& text, int w, int h, int slideMs);

  // Shows the notice and slides it in; returns at once, the choice arrives through chosen().
  void slideIn();
  // Slides out and hides without a choice (a newer notice takes its place).
  void withdraw();
  QLabel* label() const { return label_; }

 Q_SIGNALS:
  void chosen(ChangeNotice::Choice choice);

 private:
  void answer(Choice choice);
  void slideTo(int top, std::function<void()> then);
  QRect workArea() const;

  QLabel* label_ = nullptr;
  QPropertyAnimation* animation_ = nullptr;
  int slideMs_;
  bool answered_ = false;
};

}  // namespace zarvo::gui
