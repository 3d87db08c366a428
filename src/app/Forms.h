#pragma once
// What the shell's forms share: texts across the CP932 edge, the engine's
// pictures as images, and placing a dialog in the middle of the screen.
#include <QImage>
#include <QScreen>
#include <QString>
#include <QWidget>
#include <string>

#include "core/Cp932.h"
#include "graphics/Picture.h"

namespace korvana {

// CP932 bytes, as the engine keeps texts, for a widget.
inline QString Q(const std::string& sjis) {
  return QString::fromStdString(cp932::ToUtf8(sjis));
}

// A widget's text for the engine; characters CP932 lacks become "?".
inline std::string Sjis(const QString& text) {
  return cp932::FromUtf8(text.toStdString());
}

// The picture's pixels seen as an image, without a copy: valid while the
// picture is unchanged. Pixels are 0x00RRGGBB, which RGB32 reads as opaque.
inline QImage ImageOf(const Picture& picture) {
  return QImage(reinterpret_cast<const uchar*>(picture.Pixels().data()), picture.Width(),
                picture.Height(), picture.Width() * 4, QImage::Format_RGB32);
}

// Centres `form` on the screen its owner (or the form itself) is on.
inline void CentreOnScreen(QWidget* form) {
  const QWidget* owner = form->parentWidget();
  const QScreen* screen = owner ? owner->screen() : form->screen();
  if (!screen) return;
  QRect frame = form->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  form->move(frame.topLeft());
}

}  // namespace korvana
