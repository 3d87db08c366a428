#include "PictureButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace korvana {
namespace {

// A frame `width` pixels wide just inside `r`, which then shrinks by it.
void DrawFrame(QPainter& p, QRect& r, int width, const QColor& topLeft, const QColor& bottomRight) {
  for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
    p.fillRect(r.left(), r.top(), r.width(), 1, topLeft);
    p.fillRect(r.left(), r.top(), 1, r.height(), topLeft);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
    p.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
    r.adjust(1, 1, -1, -1);
  }
}

}  // namespace

PictureButton::PictureButton(QWidget* parent)
    : QWidget(parent), color_(palette().color(QPalette::Button)) {
  resize(sizeHint());
  setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::Set_Picture(const QImage& picture) {
  pictureImg_ = picture;
  update();
}

void PictureButton::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void PictureButton::SetAlignment(Qt::Alignment alignment) {
  alignment_ = alignment & Qt::AlignHorizontal_Mask;
  update();
}

void PictureButton::SetBevelOuter(Bevel bevel) {
  bevelOuter_ = bevel;
  update();
}

void PictureButton::SetBevelInner(Bevel bevel) {
  bevelInner_ = bevel;
  update();
}

void PictureButton::SetBevelWidth(int width) {
  bevelWidth_ = std::max(0, width);
  update();
}

void PictureButton::SetBorderWidth(int width) {
  borderWidth_ = std::max(0, width);
  update();
}

void PictureButton::SetColor(const QColor& color) {
  color_ = color;
  update();
}

void PictureButton::SetFontColor(const QColor& color) {
  fontColor_ = color;
  update();
}

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  if (pictureImg_.isNull()) {
    p.fillRect(r, color_);
  } else {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(r, pictureImg_);
  }
  // The platform's own light and dark, so the bevels match the desktop's
  // buttons around the dialog.
  const QColor light = palette().color(QPalette::Light);
  const QColor dark = palette().color(QPalette::Dark);
  auto bevel = [&](Bevel b) {
    if (b == Bevel::Raised) DrawFrame(p, r, bevelWidth_, light, dark);
    if (b == Bevel::Lowered) DrawFrame(p, r, bevelWidth_, dark, light);
  };
  bevel(bevelOuter_);
  DrawFrame(p, r, borderWidth_, color_, color_);
  bevel(bevelInner_);

  // A caption against an edge keeps a little air from the bevel.
  const int air = alignment_ == Qt::AlignHCenter ? 0 : 4;
  const QRect text = r.adjusted(air, 0, -air, 0);
  const int flags = int(alignment_) | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextExpandTabs;
  p.setFont(font());
  if (isEnabled()) {
    p.setPen(fontColor_);
    p.drawText(text, flags, caption_);
  } else {
    // Greyed and etched, as a disabled desktop button reads.
    p.setPen(light);
    p.drawText(text.translated(1, 1), flags, caption_);
    p.setPen(dark);
    p.drawText(text, flags, caption_);
  }
  if (hasFocus()) {
    QPen pen(fontColor_, 1, Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(1, 1, -2, -2));
  }
}

void PictureButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  SetBevelOuter(Bevel::Lowered);
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // Raised afterwards, even on a button that started flat.
  SetBevelOuter(Bevel::Raised);
  if (rect().contains(event->position().toPoint())) emit clicked();
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (!event->isAutoRepeat()) emit clicked();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void PictureButton::focusInEvent(QFocusEvent* event) {
  update();
  QWidget::focusInEvent(event);
}

void PictureButton::focusOutEvent(QFocusEvent* event) {
  update();
  QWidget::focusOutEvent(event);
}

}  // namespace korvana
