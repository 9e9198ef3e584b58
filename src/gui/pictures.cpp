#include "gui/pictures.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace zarvo::gui {

namespace {

const QColor kPanel(0xF4, 0xF6, 0xF8);
const QColor kPass(0x2E, 0xA0, 0x43);
const QColor kWait(0xE3, 0xA0, 0x08);
const QColor kFail(0xD1, 0x24, 0x2F);
const QColor kWork(0x1F, 0x6F, 0xEB);
const QColor kIdle(0x8C, 0x95, 0x9F);

// A lamp: a coloured light with a white sign in it (a tick, a clock, a cross), so the state
// reads without telling the colours apart.
void Lamp(QPainter& p, const QRectF& r, const QColor& c, PictureKind kind) {
  const qreal d = std::min(r.width(), r.height()) - 4;
  QRectF circle(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
  QRadialGradient g(circle.center() - QPointF(d / 5, d / 5), d * 0.7);
  g.setColorAt(0, c.lighter(160));
  g.setColorAt(1, c);
  p.setPen(QPen(c.darker(140), 1.2));
  p.setBrush(g);
  p.drawEllipse(circle);
  const QPointF m = circle.center();
  const qreal k = d * 0.2;
  p.setPen(QPen(Qt::white, std::max<qreal>(1.5, d * 0.09), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  if (kind == PictureKind::LampPass) {
    p.drawLine(m + QPointF(-k, 0), m + QPointF(-k * 0.2, k * 0.8));
    p.drawLine(m + QPointF(-k * 0.2, k * 0.8), m + QPointF(k * 1.1, -k * 0.8));
  } else if (kind == PictureKind::LampWait) {
    p.drawEllipse(m, k * 1.1, k * 1.1);
    p.drawLine(m, m + QPointF(0, -k * 0.8));
    p.drawLine(m, m + QPointF(k * 0.6, 0));
  } else {
    p.drawLine(m + QPointF(-k * 0.8, -k * 0.8), m + QPointF(k * 0.8, k * 0.8));
    p.drawLine(m + QPointF(-k * 0.8, k * 0.8), m + QPointF(k * 0.8, -k * 0.8));
  }
}

// The symbol of a step: a chip with an arrow into it (download), a magnifier (verify), a
// circular arrow (reset).
void StepSymbol(QPainter& p, const QRectF& r, int step, const QColor& c) {
  p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  const QPointF m = r.center();
  const qreal s = std::min(r.width(), r.height()) / 2 - 3;
  if (step == 0) {
    QRectF chip(m.x() - s * 0.55, m.y() - s * 0.05, s * 1.1, s * 0.8);
    p.drawRoundedRect(chip, 2, 2);
    for (int i = 0; i < 3; ++i) {
      qreal x = chip.left() + chip.width() * (i + 1) / 4;
      p.drawLine(QPointF(x, chip.bottom()), QPointF(x, chip.bottom() + s * 0.2));
    }
    p.drawLine(QPointF(m.x(), m.y() - s), QPointF(m.x(), m.y() - s * 0.2));
    p.drawLine(QPointF(m.x() - s * 0.25, m.y() - s * 0.45), QPointF(m.x(), m.y() - s * 0.2));
    p.drawLine(QPointF(m.x() + s * 0.25, m.y() - s * 0.45), QPointF(m.x(), m.y() - s * 0.2));
  } else if (step == 1) {
    QPointF c0(m.x() - s * 0.15, m.y() - s * 0.15);
    p.drawEllipse(c0, s * 0.5, s * 0.5);
    p.drawLine(c0 + QPointF(s * 0.36, s * 0.36), m + QPointF(s * 0.8, s * 0.8));
  } else {
    QRectF arc(m.x() - s * 0.7, m.y() - s * 0.7, s * 1.4, s * 1.4);
    p.drawArc(arc, 60 * 16, 280 * 16);
    QPointF tip(arc.center().x() + s * 0.35, arc.top() + s * 0.1);
    p.drawLine(tip, tip + QPointF(-s * 0.35, -s * 0.2));
    p.drawLine(tip, tip + QPointF(-s * 0.25, s * 0.3));
  }
}

void Badge(QPainter& p, const QRectF& r, PictureKind kind) {
  const qreal d = std::min(r.width(), r.height()) * 0.42;
  QRectF b(r.right() - d - 1, r.bottom() - d - 1, d, d);
  QColor c = kind == PictureKind::StepPassed ? kPass : kind == PictureKind::StepFailed ? kFail : kWork;
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(b);
  p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const QPointF m = b.center();
  const qreal k = d * 0.22;
  if (kind == PictureKind::StepPassed) {
    p.drawLine(m + QPointF(-k, 0), m + QPointF(-k * 0.2, k * 0.8));
    p.drawLine(m + QPointF(-k * 0.2, k * 0.8), m + QPointF(k * 1.1, -k * 0.8));
  } else if (kind == PictureKind::StepFailed) {
    p.drawLine(m + QPointF(-k, -k), m + QPointF(k, k));
    p.drawLine(m + QPointF(-k, k), m + QPointF(k, -k));
  } else {
    p.drawEllipse(m, k * 0.25, k * 0.25);
    p.drawEllipse(m + QPointF(-k, 0), k * 0.25, k * 0.25);
    p.drawEllipse(m + QPointF(k, 0), k * 0.25, k * 0.25);
  }
}

void Chip(QPainter& p, const QRectF& r) {
  QRectF body = r.adjusted(r.width() * 0.22, r.height() * 0.12, -r.width() * 0.22, -r.height() * 0.12);
  p.setPen(QPen(QColor(0x9A, 0xA4, 0xAE), 1.5));
  for (int i = 0; i < 5; ++i) {
    qreal y = body.top() + body.height() * (i + 0.5) / 5;
    p.drawLine(QPointF(r.left() + r.width() * 0.08, y), QPointF(body.left(), y));
    p.drawLine(QPointF(body.right(), y), QPointF(r.right() - r.width() * 0.08, y));
  }
  QLinearGradient g(body.topLeft(), body.bottomRight());
  g.setColorAt(0, QColor(0x3A, 0x44, 0x50));
  g.setColorAt(1, QColor(0x1C, 0x22, 0x2A));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(body, 3, 3);
  p.setBrush(QColor(0x8C, 0x95, 0x9F));
  p.drawEllipse(QPointF(body.left() + body.width() * 0.5, body.top() + 4), 2.5, 2.5);
}

}  // namespace

Picture::Picture(const QString& name, PictureKind kind, int step, QWidget* parent)
    : QWidget(parent), kind_(kind), step_(step) {
  setObjectName(name);
  if (kind == PictureKind::Run) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
  }
}

void Picture::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Q_EMIT clicked();
}

void Picture::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (kind_ == PictureKind::Run && event->modifiers() == Qt::NoModifier &&
      (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
    Q_EMIT clicked();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Picture::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void Picture::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void Picture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = rect();
  switch (kind_) {
    case PictureKind::LampPass: Lamp(p, r, kPass, kind_); break;
    case PictureKind::LampWait: Lamp(p, r, kWait, kind_); break;
    case PictureKind::LampFail: Lamp(p, r, kFail, kind_); break;
    case PictureKind::Summary: {
      // Four quarters of one chip drawing: each quarter draws the whole chip shifted.
      QRectF whole(0, 0, r.width() * 2, r.height() * 2);
      whole.translate(-(step_ % 2) * r.width(), -(step_ / 2) * r.height());
      p.setClipRect(r);
      Chip(p, whole);
      break;
    }
    case PictureKind::Run: {
      const qreal d = std::min(r.width(), r.height()) - 6;
      QRectF c(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
      QColor base = isEnabled() ? (hover_ ? kPass.lighter(115) : kPass) : kIdle;
      QLinearGradient g(c.topLeft(), c.bottomLeft());
      g.setColorAt(0, base.lighter(130));
      g.setColorAt(1, base.darker(110));
      p.setPen(QPen(base.darker(150), 1.5));
      p.setBrush(g);
      p.drawEllipse(c);
      QPainterPath tri;
      const QPointF m = c.center();
      const qreal s = d * 0.22;
      tri.moveTo(m + QPointF(-s * 0.7, -s));
      tri.lineTo(m + QPointF(s * 1.1, 0));
      tri.lineTo(m + QPointF(-s * 0.7, s));
      tri.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawPath(tri);
      if (hasFocus()) {
        // The keyboard focus: a ring around the button, as other controls show theirs.
        p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c.adjusted(-2.5, -2.5, 2.5, 2.5));
      }
      break;
    }
    default: {
      QRectF box = r.adjusted(1, 1, -1, -1);
      QColor edge = kind_ == PictureKind::StepPassed  ? kPass
                    : kind_ == PictureKind::StepFailed ? kFail
                    : kind_ == PictureKind::StepWorking ? kWork
                                                        : kIdle;
      p.setPen(QPen(edge, kind_ == PictureKind::StepIdle || kind_ == PictureKind::StepOff ? 1 : 2));
      p.setBrush(kind_ == PictureKind::StepOff ? kPanel.darker(105) : QColor(Qt::white));
      p.drawRoundedRect(box, 6, 6);
      StepSymbol(p, box.adjusted(4, 4, -4, -4), step_,
                 kind_ == PictureKind::StepIdle || kind_ == PictureKind::StepOff ? kIdle : edge);
      if (kind_ == PictureKind::StepPassed || kind_ == PictureKind::StepFailed || kind_ == PictureKind::StepWorking)
        Badge(p, box, kind_);
      break;
    }
  }
}

namespace {

// The Run picture for assistive technology: a button whose press action runs.
class RunButtonAccessible : public QAccessibleWidget {
 public:
  explicit RunButtonAccessible(Picture* run) : QAccessibleWidget(run, QAccessible::Button) {
    addControllingSignal(QStringLiteral("clicked()"));
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name == pressAction() && widget()->isEnabled()) Q_EMIT static_cast<Picture*>(widget())->clicked();
  }
};

QAccessibleInterface* PictureAccessible(const QString& key, QObject* object) {
  if (key != QLatin1String("zarvo::gui::Picture")) return nullptr;
  auto* picture = static_cast<Picture*>(object);
  if (picture->kind() == PictureKind::Run) return new RunButtonAccessible(picture);
  return new QAccessibleWidget(picture, QAccessible::Graphic);
}

}  // namespace

void InstallPictureAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(PictureAccessible);
}

QPixmap AppIconPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(0, 0, size, size);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1F, 0x6F, 0xEB));
  p.drawRoundedRect(r.adjusted(size * 0.04, size * 0.04, -size * 0.04, -size * 0.04), size * 0.18, size * 0.18);
  Chip(p, r.adjusted(size * 0.12, size * 0.3, -size * 0.12, -size * 0.08));
  p.setPen(QPen(Qt::white, size * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const qreal x = size * 0.5;
  p.drawLine(QPointF(x, size * 0.1), QPointF(x, size * 0.36));
  p.drawLine(QPointF(x - size * 0.1, size * 0.27), QPointF(x, size * 0.37));
  p.drawLine(QPointF(x + size * 0.1, size * 0.27), QPointF(x, size * 0.37));
  return pm;
}

}  // namespace zarvo::gui
