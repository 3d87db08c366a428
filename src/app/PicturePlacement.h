#pragma once
// Where the 640 × 480 picture goes in the window, at what size and through
// which filter, worked out in the window's device pixels: a screen whose
// pixels are 1.25, 1.5 or 2 of Qt's logical pixels still gets each picture
// pixel as a whole square of device pixels, never a blurred fraction. The
// window's painting, its pointer and its repaints all ask this one place.
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace korvana {

// The reader's choice of how the picture is enlarged.
struct ScalingChoice {
  // Filtered instead of sharp pixels.
  bool smooth = false;
  // As large as the window allows (keeping 4:3) instead of the largest whole
  // factor; used where the window is larger than the picture's whole sizes,
  // as a full screen of 1280 × 800 is.
  bool fit = false;
};

enum class PictureFilter {
  // Each picture pixel a square of whole device pixels.
  Sharp,
  // A size between whole factors without smoothing every pixel: enlarged by
  // the next whole factor, then filtered down, so that only the seams
  // between pixels are blended and every pixel keeps its width.
  Crisp,
  // Filtered throughout.
  Smooth,
};

struct PicturePlacement {
  // The window's logical size.
  QSize window;
  // The window's device pixels the picture covers.
  QRect device;
  qreal dpr = 1;
  // Device pixels per picture pixel; `whole` is it when it is a whole
  // number, else 0.
  qreal scale = 1;
  int whole = 1;
  PictureFilter filter = PictureFilter::Sharp;

  // The same rectangle in the window's logical pixels (possibly fractional).
  QRectF Logical() const;
  // The picture pixel under a window point (logical pixels), clamped to the
  // picture.
  QPoint ToPicture(QPointF windowPoint) const;
  // A window point (logical pixels, as pointers are placed) that ToPicture
  // maps back to this picture pixel, as near its middle as whole logical
  // pixels allow.
  QPoint FromPicture(QPoint picturePoint) const;
  // The window rectangle (logical pixels, possibly fractional) that this
  // rectangle of the picture covers.
  QRectF Cover(const QRect& pictureRect) const;
  // The smallest rectangle of whole logical pixels that covers this
  // rectangle of the picture.
  QRect ToWindow(const QRect& pictureRect) const;
  // The picture pixels a rectangle of the window (logical pixels) shows.
  QRect PictureUnder(const QRect& windowRect) const;
};

// The picture in a window of this logical size on a screen with this device
// pixel ratio: centred, 4:3, black around it.
PicturePlacement PlacePicture(QSize windowSize, qreal dpr, ScalingChoice choice);

// The whole factor, in device pixels, at which a window fits this free area
// of a screen (logical pixels) with some room; at least 1.
int WindowFactor(const QRect& freeArea, qreal dpr);
// The logical size of a window whose device pixels hold the picture at this
// whole factor (one device pixel over where the ratio does not divide it).
QSize WindowSizeFor(int factor, qreal dpr);

// Paints the part of `picture` (640 × 480) that `exposed` (logical pixels)
// shows, with `painter` on the window (or any device of the same ratio).
void PaintPicture(QPainter& painter, const QImage& picture, const PicturePlacement& placement,
                  const QRect& exposed);

}  // namespace korvana
