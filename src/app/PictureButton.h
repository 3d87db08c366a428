#pragma once
// `TTkBtn` for Qt dialogs: a panel whose face is a picture stretched over
// it, the panel's bevels and frame drawn over the picture and the caption
// on top. The left button held on it lowers the outer bevel; letting go
// inside reports a click. The log screen's buttons live in the engine's
// picture instead (text/ImageButton.h) and look the same.
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

namespace korvana {

class PictureButton : public QWidget {
  Q_OBJECT

 public:
  enum class Bevel { None, Raised, Lowered };

  explicit PictureButton(QWidget* parent = nullptr);

  // `PictureImg` keeps a copy; a null picture paints a plain panel.
  void Set_Picture(const QImage& picture);
  const QImage& PictureImg() const { return pictureImg_; }

  void SetCaption(const QString& caption);
  const QString& Caption() const { return caption_; }
  // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
  void SetAlignment(Qt::Alignment alignment);
  void SetBevelOuter(Bevel bevel);
  Bevel BevelOuter() const { return bevelOuter_; }
  void SetBevelInner(Bevel bevel);
  void SetBevelWidth(int width);
  void SetBorderWidth(int width);
  // The panel's own colour: the face without picture and the frame.
  void SetColor(const QColor& color);
  void SetFontColor(const QColor& color);

  QSize sizeHint() const override { return QSize(75, 25); }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QImage pictureImg_;
  QString caption_;
  Qt::Alignment alignment_ = Qt::AlignHCenter;
  Bevel bevelOuter_ = Bevel::Raised;
  Bevel bevelInner_ = Bevel::None;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  QColor color_;
  QColor fontColor_ = Qt::black;
};

}  // namespace korvana
