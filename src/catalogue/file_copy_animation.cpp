#include "catalogue/file_copy_animation.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace talvesso {

namespace {

constexpr int kFrames = 36;  // one page's flight
constexpr int kFrameMs = 45;

void DrawFolder(QPainter& p, const QRectF& r, bool open) {
  QPainterPath back;
  back.moveTo(r.left(), r.top() + 6);
  back.lineTo(r.left() + r.width() * 0.38, r.top() + 6);
  back.lineTo(r.left() + r.width() * 0.45, r.top());
  back.lineTo(r.right(), r.top());
  back.lineTo(r.right(), r.bottom());
  back.lineTo(r.left(), r.bottom());
  back.closeSubpath();
  QLinearGradient backFill(r.topLeft(), r.bottomLeft());
  backFill.setColorAt(0, QColor(0xF2, 0xC2, 0x4C));
  backFill.setColorAt(1, QColor(0xD9, 0x9A, 0x1E));
  p.setPen(QPen(QColor(0xA8, 0x72, 0x10), 1));
  p.setBrush(backFill);
  p.drawPath(back);

  QPainterPath front;
  const qreal lift = open ? 10 : 4;
  front.moveTo(r.left() + (open ? 6 : 0), r.top() + lift + 6);
  front.lineTo(r.right() + (open ? 4 : 0), r.top() + lift + 6);
  front.lineTo(r.right(), r.bottom());
  front.lineTo(r.left(), r.bottom());
  front.closeSubpath();
  QLinearGradient frontFill(r.topLeft(), r.bottomLeft());
  frontFill.setColorAt(0, QColor(0xFF, 0xE2, 0x8A));
  frontFill.setColorAt(1, QColor(0xF0, 0xB4, 0x34));
  p.setBrush(frontFill);
  p.drawPath(front);
}

void DrawPage(QPainter& p, const QPointF& centre, qreal angle) {
  p.save();
  p.translate(centre);
  p.rotate(angle);
  const QRectF page(-7, -9, 14, 18);
  p.setPen(QPen(QColor(0x60, 0x70, 0x88), 1));
  p.setBrush(Qt::white);
  p.drawRect(page);
  p.setPen(QPen(QColor(0x7A, 0x9C, 0xD0), 1));
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(-4, -5 + i * 3.5), QPointF(4, -5 + i * 3.5));
  p.restore();
}

}  // namespace

TFileCopyAnimation::TFileCopyAnimation(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  Timer_.setInterval(kFrameMs);
  connect(&Timer_, &QTimer::timeout, this, [this] {
    Frame_ = (Frame_ + 1) % kFrames;
    update();
  });
}

void TFileCopyAnimation::Start() {
  Frame_ = 0;
  Timer_.start();
  update();
}

void TFileCopyAnimation::Stop() { Timer_.stop(); }

void TFileCopyAnimation::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = width(), h = height();
  const QRectF source(12, h - 38, 46, 32);
  const QRectF target(w - 58, h - 38, 46, 32);
  DrawFolder(p, source, true);
  DrawFolder(p, target, false);

  // Two pages in flight, half a flight apart, along an arc from folder to folder.
  if (Timer_.isActive()) {
    for (int k = 0; k < 2; ++k) {
      const qreal t = std::fmod((Frame_ + k * kFrames / 2.0) / kFrames, 1.0);
      const qreal x = source.center().x() + (target.center().x() - source.center().x()) * t;
      const qreal y = source.top() + 2 - std::sin(t * M_PI) * (h - 30);
      DrawPage(p, QPointF(x, y), -20 + 40 * t);
    }
  }
}

}  // namespace talvesso
