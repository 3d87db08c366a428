#include "Cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvana {
namespace {

QPixmap Canvas() {
  QPixmap p(32, 32);
  p.fill(Qt::transparent);
  return p;
}

QCursor Pen() {
  QPixmap p = Canvas();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  QPainterPath body;
  body.moveTo(2, 2);
  body.lineTo(9, 5);
  body.lineTo(28, 24);
  body.lineTo(24, 28);
  body.lineTo(5, 9);
  body.closeSubpath();
  g.setPen(QPen(Qt::black, 1.5));
  g.setBrush(QColor(250, 240, 200));
  g.drawPath(body);
  g.setBrush(Qt::black);
  g.drawEllipse(QPointF(3, 3), 1.5, 1.5);
  return QCursor(p, 2, 2);
}

QCursor Hand() {
  QPixmap p = Canvas();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QPen(Qt::black, 1.5));
  g.setBrush(Qt::white);
  g.drawRoundedRect(QRectF(10, 2, 5, 16), 2.5, 2.5);  // pointing finger
  for (int i = 0; i < 3; ++i) g.drawRoundedRect(QRectF(15 + i * 4.5, 9, 4.5, 10), 2, 2);
  g.drawRoundedRect(QRectF(8, 15, 20, 13), 5, 5);
  return QCursor(p, 12, 2);
}

QCursor Wait() {
  QPixmap p = Canvas();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QPen(Qt::black, 1.5));
  g.setBrush(QColor(200, 220, 255));
  QPolygonF glass({{8, 3}, {24, 3}, {17, 16}, {24, 29}, {8, 29}, {15, 16}});
  g.drawPolygon(glass);
  g.setBrush(QColor(230, 190, 90));
  g.drawPolygon(QPolygonF({{11, 26}, {21, 26}, {16, 20}}));
  return QCursor(p, 16, 16);
}

QCursor Arrow() {
  QPixmap p = Canvas();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QPen(Qt::black, 1.5));
  g.setBrush(Qt::white);
  g.drawPolygon(QPolygonF({{1, 1}, {1, 22}, {7, 17}, {11, 26}, {15, 24}, {11, 16}, {18, 16}}));
  return QCursor(p, 1, 1);
}

QCursor Blank() {
  return QCursor(Canvas(), 0, 0);
}

}  // namespace

QCursor CursorPicture(Cursor cursor) {
  switch (cursor) {
    case Cursor::Pen:
      return Pen();
    case Cursor::Hand:
      return Hand();
    case Cursor::Wait:
      return Wait();
    case Cursor::Arrow:
      return Arrow();
    case Cursor::Blank:
      return Blank();
    case Cursor::Default:
      break;
  }
  return QCursor(Qt::ArrowCursor);
}

}  // namespace korvana
