#include "shell/qt/AppIcon.h"

#include <QConicalGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace brenmark::gui {

QImage DrawAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  const QPointF centre(size / 2.0, size / 2.0);
  const qreal outer = size * 0.47;
  const qreal hub = size * 0.17;
  const qreal hole = size * 0.07;

  // The silver disc with a faint rainbow sheen.
  QConicalGradient sheen(centre, 30);
  sheen.setColorAt(0.00, QColor(226, 230, 236));
  sheen.setColorAt(0.15, QColor(196, 222, 250));
  sheen.setColorAt(0.30, QColor(240, 226, 250));
  sheen.setColorAt(0.50, QColor(214, 218, 226));
  sheen.setColorAt(0.65, QColor(250, 240, 200));
  sheen.setColorAt(0.80, QColor(200, 240, 220));
  sheen.setColorAt(1.00, QColor(226, 230, 236));
  painter.setPen(QPen(QColor(110, 116, 128), qMax(1.0, size / 48.0)));
  painter.setBrush(sheen);
  painter.drawEllipse(centre, outer, outer);

  // The burned band: a dark amber ring from the hub outwards, three quarters done.
  const qreal bandInner = hub + size * 0.04;
  const qreal bandOuter = outer - size * 0.05;
  QRadialGradient burn(centre, bandOuter);
  burn.setColorAt(bandInner / bandOuter, QColor(120, 40, 10, 230));
  burn.setColorAt(1.0, QColor(230, 110, 20, 230));
  QPainterPath band;
  const QRectF outerRect(centre.x() - bandOuter, centre.y() - bandOuter, 2 * bandOuter, 2 * bandOuter);
  const QRectF innerRect(centre.x() - bandInner, centre.y() - bandInner, 2 * bandInner, 2 * bandInner);
  band.arcMoveTo(outerRect, 90);
  band.arcTo(outerRect, 90, 270);
  band.arcTo(innerRect, 0, -270);
  band.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(burn);
  painter.drawPath(band);

  // The laser spot where the burn goes on.
  const QPointF spot(centre.x() + (bandInner + bandOuter) / 2.0, centre.y());
  QRadialGradient glow(spot, size * 0.09);
  glow.setColorAt(0.0, QColor(255, 250, 220));
  glow.setColorAt(0.4, QColor(255, 60, 30, 220));
  glow.setColorAt(1.0, QColor(255, 60, 30, 0));
  painter.setBrush(glow);
  painter.drawEllipse(spot, size * 0.09, size * 0.09);

  // The clear hub and the centre hole.
  painter.setPen(QPen(QColor(150, 156, 166), qMax(1.0, size / 64.0)));
  painter.setBrush(QColor(236, 240, 244, 220));
  painter.drawEllipse(centre, hub, hub);
  painter.setCompositionMode(QPainter::CompositionMode_Clear);
  painter.setBrush(Qt::black);
  painter.drawEllipse(centre, hole, hole);
  return image;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
  return icon;
}

}  // namespace brenmark::gui
