#include "SlotDialog.h"

#include <QImageReader>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "core/Cp932.h"

namespace korvana {
namespace {

constexpr int kClientWidth = 624;
constexpr int kClientHeight = 256;

// Colours come as 0x00BBGGRR, the byte order of the saved form.
QColor FromBgr(uint32_t bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// Labels line up only in a face whose full-width characters are exactly
// two half-width ones; IPAGothic is, and fontconfig offers a fixed-pitch
// Japanese face in its place where it is missing. At 14 pixels a label of
// 85 half-width columns fits the slot buttons.
QFont LabelFont() {
  QFont font(QStringLiteral("IPAGothic"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(14);
  return font;
}

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                          a.greenF() + (b.greenF() - a.greenF()) * t,
                          a.blueF() + (b.blueF() - a.blueF()) * t);
}

// A face lit from above, paler than the form so captions stand out on it.
QImage ButtonFace(const QColor& tint, QSize size) {
  QImage face(size, QImage::Format_RGB32);
  QPainter p(&face);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, Mix(tint, Qt::white, 0.85));
  g.setColorAt(1, Mix(tint, Qt::white, 0.45));
  p.fillRect(face.rect(), g);
  return face;
}

// An open folder with a sheet showing: pages are about to be read.
void DrawFolder(QPainter& p) {
  const QColor edge(0x8A, 0x64, 0x14);
  p.setPen(QPen(edge, 1.2));
  p.setBrush(QColor(0xE0, 0xAE, 0x3C));
  p.drawPolygon(QPolygonF({{2, 7}, {12, 7}, {15, 10}, {28, 10}, {28, 27}, {2, 27}}));
  p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 4, 17, 16));
  for (int y = 8; y <= 14; y += 3) p.drawLine(QPointF(10, y), QPointF(21, y));
  p.setPen(QPen(edge, 1.2));
  p.setBrush(QColor(0xF6, 0xD0, 0x6A));
  p.drawPolygon(QPolygonF({{2, 27}, {6, 15}, {31, 15}, {28, 27}}));
}

// A diskette: the game goes into storage.
void DrawDisk(QPainter& p) {
  p.setPen(QPen(QColor(0x1E, 0x32, 0x60), 1.2));
  p.setBrush(QColor(0x3A, 0x5F, 0xA8));
  QPainterPath body;
  body.moveTo(3, 3);
  body.lineTo(25, 3);
  body.lineTo(29, 7);
  body.lineTo(29, 29);
  body.lineTo(3, 29);
  body.closeSubpath();
  p.drawPath(body);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xC8, 0xCC, 0xD4));
  p.drawRect(QRectF(9, 3.5, 14, 9));
  p.setBrush(QColor(0x1E, 0x32, 0x60));
  p.drawRect(QRectF(17, 5, 3, 6));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 17, 18, 11));
  p.setPen(QPen(QColor(0x3A, 0x5F, 0xA8), 1));
  p.drawLine(QPointF(9, 21), QPointF(23, 21));
  p.drawLine(QPointF(9, 24.5), QPointF(23, 24.5));
}

// The mode picture: the drawing on a band of the mode's colour; the
// button's caption names the mode beside it.
QImage ModePicture(SlotMode mode, QSize size) {
  QImage picture(size, QImage::Format_RGB32);
  QPainter p(&picture);
  const QColor tint = SlotDialog::ModeColor(mode);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, tint.darker(108));
  g.setColorAt(1, tint.darker(125));
  p.fillRect(picture.rect(), g);
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(6, (size.height() - 32) / 2.0);
  if (mode == SlotMode::Load)
    DrawFolder(p);
  else
    DrawDisk(p);
  return picture;
}

PictureButton* MakeButton(QWidget* parent, const char* name, const QRect& geometry) {
  auto* button = new PictureButton(parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  return button;
}

}  // namespace

const QString& SlotDialog::ReaderPageCaption() {
  static const QString caption = QStringLiteral("クイック／オート");
  return caption;
}

QColor SlotDialog::ModeColor(SlotMode mode) {
  return FromBgr(mode == SlotMode::Load ? 0xA0D0D0 : 0xD0D0A0);
}

SlotDialog::SlotDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TFfile");
  setWindowTitle(QStringLiteral("ファイル選択"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  setFont(LabelFont());
  MakeModePictures();
  MakePageControls();
  MakeSlotButtons();
  // Tab walks the page selector, the slots, cancel. The page buttons hide
  // at the ends, so they take no focus.
  setTabOrder(TrackBar1, TkBtn6);
  setTabOrder(TkBtn6, TkBtn7);
  setTabOrder(TkBtn7, TkBtn8);
  setTabOrder(TkBtn8, TkBtn9);
  setTabOrder(TkBtn9, TkBtn5);
  Prepare(SlotMode::Load, {});
}

void SlotDialog::MakeModePictures() {
  // They only mark the mode: sunken, deaf to the mouse.
  const QRect modeRect(8, 8, 152, 40);
  TkBtn3 = MakeButton(this, "TkBtn3", modeRect);
  TkBtn3->SetCaption(QStringLiteral("データ読み込み"));
  TkBtn3->Set_Picture(ModePicture(SlotMode::Load, modeRect.size()));
  TkBtn4 = MakeButton(this, "TkBtn4", modeRect);
  TkBtn4->SetCaption(QStringLiteral("データ保存"));
  TkBtn4->Set_Picture(ModePicture(SlotMode::Save, modeRect.size()));
  for (PictureButton* b : {TkBtn3, TkBtn4}) {
    b->SetAlignment(Qt::AlignRight);
    b->SetBevelOuter(PictureButton::Bevel::Lowered);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
}

void SlotDialog::MakePageControls() {
  TrackBar1 = new QSlider(Qt::Horizontal, this);
  TrackBar1->setObjectName("TrackBar1");
  TrackBar1->setGeometry(168, 8, 204, 40);
  TrackBar1->setRange(0, kPages - 1);
  TrackBar1->setSingleStep(1);
  TrackBar1->setPageStep(1);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  TrackBar1->setTickInterval(1);
  TrackBar1->setAutoFillBackground(true);
  TrackBar1->installEventFilter(this);
  connect(TrackBar1, &QSlider::valueChanged, this, &SlotDialog::ShowPage);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(376, 8, 54, 40);
  Label1->setAlignment(Qt::AlignCenter);
  QFont indicator = font();
  indicator.setPixelSize(16);
  indicator.setBold(true);
  Label1->setFont(indicator);

  TkBtn1 = MakeButton(this, "TkBtn1", QRect(434, 12, 40, 32));
  TkBtn1->SetCaption(QStringLiteral("◀"));
  TkBtn1->setToolTip(QStringLiteral("前のページ"));
  connect(TkBtn1, &PictureButton::clicked, this, [this] { ShowPage(page_ - 1); });
  TkBtn2 = MakeButton(this, "TkBtn2", QRect(478, 12, 40, 32));
  TkBtn2->SetCaption(QStringLiteral("▶"));
  TkBtn2->setToolTip(QStringLiteral("次のページ"));
  connect(TkBtn2, &PictureButton::clicked, this, [this] { ShowPage(page_ + 1); });
  for (PictureButton* b : {TkBtn1, TkBtn2}) b->setFocusPolicy(Qt::NoFocus);

  TkBtn5 = MakeButton(this, "TkBtn5", QRect(526, 12, 90, 32));
  TkBtn5->SetCaption(QStringLiteral("キャンセル"));
  TkBtn5->installEventFilter(this);
  connect(TkBtn5, &PictureButton::clicked, this, &SlotDialog::reject);
}

void SlotDialog::MakeSlotButtons() {
  const char* names[] = {"TkBtn6", "TkBtn7", "TkBtn8", "TkBtn9"};
  PictureButton** buttons[] = {&TkBtn6, &TkBtn7, &TkBtn8, &TkBtn9};
  for (int k = 0; k < kSlotsPerPage; ++k) {
    PictureButton* b = MakeButton(this, names[k], QRect(8, 58 + 48 * k, 608, 44));
    b->SetAlignment(Qt::AlignLeft);
    b->SetBevelWidth(2);
    b->installEventFilter(this);
    connect(b, &PictureButton::clicked, this, [this, k] { SlotClicked(k); });
    *buttons[k] = b;
  }
}

void SlotDialog::Prepare(SlotMode mode, const std::vector<SlotEntry>& entries) {
  mode_ = mode;
  slots_ = entries;
  slots_.resize(mode == SlotMode::Load ? kLoadSlots : kSlots);
  pictures_.assign(slots_.size(), std::nullopt);
  chosen_ = -1;
  setResult(QDialog::Rejected);

  const QColor tint = ModeColor(mode);
  for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(TrackBar1)}) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, tint);
    w->setPalette(pal);
  }
  TkBtn3->setVisible(mode == SlotMode::Load);
  TkBtn4->setVisible(mode == SlotMode::Save);
  for (PictureButton* b : {TkBtn1, TkBtn2, TkBtn5, TkBtn6, TkBtn7, TkBtn8, TkBtn9}) {
    b->SetColor(tint);
    b->Set_Picture(ButtonFace(tint, b->size()));
  }
  TrackBar1->setRange(0, PageCount() - 1);
  ShowPage(page_);
}

void SlotDialog::ShowPage(int page) {
  page_ = std::clamp(page, 0, PageCount() - 1);
  TrackBar1->setValue(page_);
  TkBtn1->setVisible(page_ > 0);
  TkBtn2->setVisible(page_ < PageCount() - 1);
  // The slot pages count as they always have; the page after them names
  // itself, in two lines to fit beside the slider.
  QFont indicator = Label1->font();
  indicator.setPixelSize(page_ == kReaderPage ? 12 : 16);
  Label1->setFont(indicator);
  Label1->setText(page_ == kReaderPage
                      ? ReaderPageCaption().left(4) + "\n" + ReaderPageCaption().mid(4)
                      : QStringLiteral("%1/%2").arg(page_ + 1).arg(kPages));
  Label1->setToolTip(page_ == kReaderPage ? ReaderPageCaption() : QString());
  const auto buttons = SlotButtons();
  for (int k = 0; k < kSlotsPerPage; ++k) {
    const int slot = page_ * kSlotsPerPage + k;
    const SlotEntry& entry = slots_[slot];
    buttons[k]->SetCaption(QString::fromStdString(cp932::ToUtf8(entry.label)));
    buttons[k]->setEnabled(mode_ == SlotMode::Save || entry.used);
    ShowSlotPicture(k, slot);
  }
}

const QImage& SlotDialog::LoadedPicture(int slot) {
  std::optional<QImage>& picture = pictures_[slot];
  if (picture) return *picture;
  picture.emplace();
  const std::string& path = slots_[slot].thumbnail;
  if (!slots_[slot].used || path.empty()) return *picture;
  // Only a picture of a sensible size is decoded: a damaged or foreign file
  // shows nothing rather than costing the dialog its memory.
  QImageReader reader(QString::fromStdString(path), "png");
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > 4 * 160 || size.height() > 4 * 120) return *picture;
  QImage read;
  if (reader.read(&read)) *picture = read.convertToFormat(QImage::Format_RGB32);
  return *picture;
}

void SlotDialog::ShowSlotPicture(int button, int slot) {
  PictureButton* b = SlotButtons()[button];
  pictureRects_[button] = QRect();
  QImage face = ButtonFace(ModeColor(mode_), b->size());
  const QImage& picture = LoadedPicture(slot);
  // The blank run of the label between the title and the date, in the
  // label's own fixed-pitch columns; the caption starts 4 pixels in.
  const QString caption = b->Caption();
  constexpr int kDateLength = 18;  // "(yyyy/mm/dd hh:mm)"
  if (!picture.isNull() && caption.size() > kDateLength) {
    const QString beforeDate = caption.left(caption.size() - kDateLength);
    QString title = beforeDate;
    while (!title.isEmpty() && title.back().isSpace()) title.chop(1);
    const QFontMetrics metrics(b->font());
    constexpr int kAir = 4, kGap = 6, kBevel = 3;
    const int left = kAir + metrics.horizontalAdvance(title) + kGap;
    const int right = kAir + metrics.horizontalAdvance(beforeDate) - kGap;
    int height = b->height() - 2 * kBevel;
    int width = height * 4 / 3;
    if (right - left < width) {
      width = right - left;
      height = width * 3 / 4;
    }
    // Smaller than this it would be a smudge, not a picture.
    if (width >= 24) {
      const QRect where(right - width, (b->height() - height) / 2, width, height);
      QPainter p(&face);
      p.setRenderHint(QPainter::SmoothPixmapTransform);
      p.drawImage(where, picture);
      pictureRects_[button] = where;
    }
  }
  b->Set_Picture(face);
}

int SlotDialog::Choose(SlotMode mode, const std::vector<SlotEntry>& entries) {
  Prepare(mode, entries);
  CentreOverOwner();
  return exec() == QDialog::Accepted ? chosen_ : -1;
}

void SlotDialog::CentreOverOwner() {
  // Over the game's window while the player sees it, else mid-screen.
  const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  QRect area;
  if (owner && owner->isVisible() && !owner->isMinimized())
    area = owner->frameGeometry();
  else if (const QScreen* s = owner ? owner->screen() : screen())
    area = s->availableGeometry();
  if (!area.isValid()) return;
  QRect frame = frameGeometry();
  frame.moveCenter(area.center());
  move(frame.topLeft());
}

void SlotDialog::SlotClicked(int k) {
  const int slot = page_ * kSlotsPerPage + k;
  if (slot >= static_cast<int>(slots_.size())) return;
  const bool used = slots_[slot].used;
  if (mode_ == SlotMode::Load && !used) return;
  if (mode_ == SlotMode::Save && used &&
      !Ask(QStringLiteral("上書きしていいですか？"), QStringLiteral("確認")))
    return;
  chosen_ = slot;
  accept();
}

bool SlotDialog::Ask(const QString& text, const QString& caption) {
  if (question) return question(text, caption);
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                  this);
  return box.exec() == QMessageBox::Ok;
}

void SlotDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  TrackBar1->setFocus(Qt::OtherFocusReason);
}

bool SlotDialog::HandleKey(int key) {
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
      ShowPage(page_ - 1);
      return true;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
      ShowPage(page_ + 1);
      return true;
    case Qt::Key_Up:
      MoveSlotFocus(-1);
      return true;
    case Qt::Key_Down:
      MoveSlotFocus(1);
      return true;
    default:
      return false;
  }
}

void SlotDialog::MoveSlotFocus(int step) {
  // From outside the slots, Down enters at the top and Up at the bottom;
  // slots that cannot be chosen are stepped over.
  const auto buttons = SlotButtons();
  const auto current = std::find(buttons.begin(), buttons.end(), focusWidget());
  int k = current == buttons.end() ? (step > 0 ? 0 : kSlotsPerPage - 1)
                                   : int(current - buttons.begin()) + step;
  for (; k >= 0 && k < kSlotsPerPage; k += step) {
    if (buttons[k]->isEnabled()) {
      buttons[k]->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
}

void SlotDialog::keyPressEvent(QKeyEvent* event) {
  if (HandleKey(event->key()))
    event->accept();
  else
    QDialog::keyPressEvent(event);
}

bool SlotDialog::eventFilter(QObject* watched, QEvent* event) {
  // The slider would take the arrows for itself; the dialog gives them one
  // meaning wherever the focus is.
  if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event)->key()))
    return true;
  return QDialog::eventFilter(watched, event);
}

}  // namespace korvana
