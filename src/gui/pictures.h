#pragma once
// The window's pictures, drawn with QPainter: the lamps (pass, wait, fail), the three work
// steps' pictures (idle, working, passed, failed, and the frame's bottom picture), the
// summary chip of the work-flow group and the Run button. Stacked pictures share one frame;
// each paints its whole area, so the topmost visible one is the one seen. The Run picture is
// a control: it takes the focus and runs on Space or Return as on a click, and screen
// readers see it as a button; the others are graphics with a description of their state.

#include <QWidget>

namespace zarvo::gui {

enum class PictureKind {
  LampPass, LampWait, LampFail,
  StepOff, StepFailed, StepPassed, StepWorking, StepIdle,
  Summary,
  Run,
};

class Picture : public QWidget {
  Q_OBJECT
 public:
  // step: 0 load and download, 1 verify, 2 reset (for the step pictures); for Summary the
  // quarter 0..3 of the chip drawing.
  Picture(const QString& name, PictureKind kind, int step, QWidget* parent);
  PictureKind kind() const { return kind_; }

 Q_SIGNALS:
  void clicked();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent*) override { hover_ = true; update(); }
  void leaveEvent(QEvent*) override { hover_ = false; update(); }

 private:
  PictureKind kind_;
  int step_;
  bool hover_ = false;
};

// Lets screen readers see the Run picture as a button they can press and the other
// pictures as graphics; installed once by the application set-up.
void InstallPictureAccessibility();

// The application's icon (a chip with a downward arrow), drawn at any size.
QPixmap AppIconPixmap(int size);

}  // namespace zarvo::gui
