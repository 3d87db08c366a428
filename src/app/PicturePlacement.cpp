#include "PicturePlacement.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

#include "core/ScreenSize.h"

namespace korvana {
namespace {

// Products of a logical coordinate and a ratio such as 1.1 land a hair off
// the whole number they stand for; a hair is never a pixel.
constexpr qreal kHair = 1e-6;

int Floor(qreal v) {
  return static_cast<int>(std::floor(v + kHair));
}

int Ceil(qreal v) {
  return static_cast<int>(std::ceil(v - kHair));
}

qreal SaneRatio(qreal dpr) {
  return std::isfinite(dpr) && dpr >= 0.25 && dpr <= 16 ? dpr : 1;
}

// One axis of FromPicture: the whole logical coordinate nearest the middle
// of the logical span [from, to) that a picture pixel covers, inside a
// window this long.
int WholeInside(qreal from, qreal to, int length) {
  const int first = Ceil(from), last = std::min(Ceil(to), length) - 1;
  if (first > last) return Floor((from + to) / 2);
  return first + (last - first + 1) / 2;
}

}  // namespace

QRectF PicturePlacement::Logical() const {
  return Cover(QRect(0, 0, kScreenWidth, kScreenHeight));
}

QPoint PicturePlacement::ToPicture(QPointF p) const {
  const qreal x = (p.x() * dpr - device.x()) * kScreenWidth / device.width();
  const qreal y = (p.y() * dpr - device.y()) * kScreenHeight / device.height();
  // Far outside the window a point still lands on the picture's edge.
  return QPoint(std::clamp(Floor(std::clamp<qreal>(x, -1, kScreenWidth)), 0, kScreenWidth - 1),
                std::clamp(Floor(std::clamp<qreal>(y, -1, kScreenHeight)), 0, kScreenHeight - 1));
}

QPoint PicturePlacement::FromPicture(QPoint p) const {
  const qreal sx = device.width() / qreal(kScreenWidth);
  const qreal sy = device.height() / qreal(kScreenHeight);
  return QPoint(WholeInside((device.x() + p.x() * sx) / dpr, (device.x() + (p.x() + 1) * sx) / dpr,
                            window.width()),
                WholeInside((device.y() + p.y() * sy) / dpr, (device.y() + (p.y() + 1) * sy) / dpr,
                            window.height()));
}

QRectF PicturePlacement::Cover(const QRect& r) const {
  const qreal sx = device.width() / qreal(kScreenWidth);
  const qreal sy = device.height() / qreal(kScreenHeight);
  return QRectF((device.x() + r.left() * sx) / dpr, (device.y() + r.top() * sy) / dpr,
                r.width() * sx / dpr, r.height() * sy / dpr);
}

QRect PicturePlacement::ToWindow(const QRect& r) const {
  const QRectF cover = Cover(r);
  const int left = Floor(cover.left()), top = Floor(cover.top());
  return QRect(left, top, Ceil(cover.right()) - left, Ceil(cover.bottom()) - top);
}

QRect PicturePlacement::PictureUnder(const QRect& w) const {
  const qreal sx = device.width() / qreal(kScreenWidth);
  const qreal sy = device.height() / qreal(kScreenHeight);
  QRect under(
      QPoint(Floor((w.left() * dpr - device.x()) / sx), Floor((w.top() * dpr - device.y()) / sy)),
      QPoint(Ceil(((w.left() + w.width()) * dpr - device.x()) / sx) - 1,
             Ceil(((w.top() + w.height()) * dpr - device.y()) / sy) - 1));
  // A filter reads the neighbours of every pixel it draws.
  if (filter != PictureFilter::Sharp) under.adjust(-1, -1, 1, 1);
  return under & QRect(0, 0, kScreenWidth, kScreenHeight);
}

PicturePlacement PlacePicture(QSize windowSize, qreal dpr, ScalingChoice choice) {
  PicturePlacement placed;
  placed.window = windowSize;
  placed.dpr = SaneRatio(dpr);
  const int width = qRound(windowSize.width() * placed.dpr);
  const int height = qRound(windowSize.height() * placed.dpr);
  int w = kScreenWidth, h = kScreenHeight;
  const int k = std::max(1, std::min(width / kScreenWidth, height / kScreenHeight));
  placed.scale = k;
  placed.whole = k;
  if (choice.fit && width > 0 && height > 0) {
    placed.scale = std::min(qreal(width) / kScreenWidth, qreal(height) / kScreenHeight);
    const qreal nearest = std::round(placed.scale);
    placed.whole = std::abs(placed.scale - nearest) < kHair ? int(nearest) : 0;
    if (placed.whole) placed.scale = placed.whole;
  }
  // Both sides from the one factor: 4:3 to the nearest device pixel.
  w = qRound(kScreenWidth * placed.scale);
  h = qRound(kScreenHeight * placed.scale);
  placed.device = QRect((width - w) / 2, (height - h) / 2, w, h);
  placed.filter = choice.smooth  ? PictureFilter::Smooth
                  : placed.whole ? PictureFilter::Sharp
                                 : PictureFilter::Crisp;
  return placed;
}

int WindowFactor(const QRect& freeArea, qreal dpr) {
  dpr = SaneRatio(dpr);
  const int width = qRound(freeArea.width() * dpr), height = qRound(freeArea.height() * dpr);
  return std::max(1, std::min((width * 9 / 10) / kScreenWidth, (height * 9 / 10) / kScreenHeight));
}

QSize WindowSizeFor(int factor, qreal dpr) {
  dpr = SaneRatio(dpr);
  return QSize(Ceil(kScreenWidth * factor / dpr), Ceil(kScreenHeight * factor / dpr));
}

void PaintPicture(QPainter& painter, const QImage& picture, const PicturePlacement& placement,
                  const QRect& exposed) {
  painter.fillRect(exposed, Qt::black);
  const QRect source = placement.PictureUnder(exposed);
  if (source.isEmpty() || picture.isNull()) return;
  painter.save();
  // From here on in device pixels: a whole factor there is what keeps each
  // picture pixel square and sharp whatever the screen's ratio.
  const qreal dpr = placement.dpr;
  painter.setWorldTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
  const QRect exposedDevice(QPoint(Floor(exposed.left() * dpr), Floor(exposed.top() * dpr)),
                            QPoint(Ceil((exposed.left() + exposed.width()) * dpr) - 1,
                                   Ceil((exposed.top() + exposed.height()) * dpr) - 1));
  painter.setClipRect(exposedDevice & placement.device);
  const QRect& d = placement.device;
  const qreal sx = d.width() / qreal(kScreenWidth), sy = d.height() / qreal(kScreenHeight);
  const QRectF target(d.x() + source.x() * sx, d.y() + source.y() * sy, source.width() * sx,
                      source.height() * sy);
  switch (placement.filter) {
    case PictureFilter::Sharp:
      painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
      painter.drawImage(target.toRect(), picture, source);
      break;
    case PictureFilter::Smooth:
      painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
      painter.drawImage(target, picture, source);
      break;
    case PictureFilter::Crisp: {
      const int m = std::max(1, Ceil(placement.scale));
      const QImage enlarged = picture.copy(source).scaled(source.size() * m, Qt::IgnoreAspectRatio,
                                                          Qt::FastTransformation);
      painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
      painter.drawImage(target, enlarged);
      break;
    }
  }
  painter.restore();
}

}  // namespace korvana
