#include "OnScreenKeyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <array>

#include "core/Cp932.h"

namespace korvana {
namespace {

constexpr int kColumns = 10;
constexpr int kMostRows = 8;
constexpr int kCell = 34;
constexpr int kMargin = 6;
constexpr int kHeader = 26;
constexpr int kLegend = 34;
constexpr char16_t kKatakanaOffset = 0x60;

QPointer<OnScreenKeyboard> openKeyboard;

bool InCp932(const QString& text) {
  bool complete = true;
  cp932::FromUtf8(text.toStdString(), &complete);
  return complete;
}

bool IsHiragana(QChar c) {
  return c.unicode() >= 0x3041 && c.unicode() <= 0x3096;
}

// Rows of single-character keys; a key CP932 cannot hold is left out.
OnScreenKeyboard::Grid MakeGrid(std::initializer_list<const char16_t*> rows, bool katakana) {
  OnScreenKeyboard::Grid grid;
  for (const char16_t* row : rows) {
    std::vector<QString>& keys = grid.emplace_back();
    for (QChar c : QString::fromUtf16(row)) {
      if (katakana && IsHiragana(c)) c = QChar(char16_t(c.unicode() + kKatakanaOffset));
      const QString key(c);
      keys.push_back(InCp932(key) ? key : QString());
    }
  }
  return grid;
}

const std::initializer_list<const char16_t*> kKanaRows = {
    u"あいうえおぁぃぅぇぉ", u"かきくけこさしすせそ", u"たちつてとなにぬねの",
    u"はひふへほまみむめも", u"やゆよゃゅょっ゛゜ー", u"らりるれろわをんゎ　",
    u"、。！？「」・…ゐゑ"};
const std::initializer_list<const char16_t*> kLatinRows = {
    u"ABCDEFGHIJ", u"KLMNOPQRST", u"UVWXYZ.,!?", u"abcdefghij",
    u"klmnopqrst", u"uvwxyz-'()", u"1234567890", u" @#&:;/_+="};

// A kana with its voiced and half-voiced forms (null where it has none).
struct Family {
  QChar plain, voiced, semi;
};

std::vector<Family> MakeFamilies() {
  std::vector<Family> families;
  for (QChar c : QStringLiteral("かきくけこさしすせそたちつてと"))
    families.push_back({c, QChar(char16_t(c.unicode() + 1)), QChar()});
  for (QChar c : QStringLiteral("はひふへほ"))
    families.push_back({c, QChar(char16_t(c.unicode() + 1)), QChar(char16_t(c.unicode() + 2))});
  families.push_back({QChar(u'う'), QChar(u'ゔ'), QChar()});
  const size_t hiragana = families.size();
  for (size_t i = 0; i < hiragana; ++i) {
    auto shifted = [](QChar c) {
      return c.isNull() ? c : QChar(char16_t(c.unicode() + kKatakanaOffset));
    };
    families.push_back(
        {shifted(families[i].plain), shifted(families[i].voiced), shifted(families[i].semi)});
  }
  return families;
}

QString KeyCaption(const QString& key) {
  if (key == QStringLiteral(" ") || key == QStringLiteral("　")) return QStringLiteral("空白");
  return key;
}

}  // namespace

const OnScreenKeyboard::Grid& OnScreenKeyboard::Keys(Page page) {
  static const std::array<Grid, kPages> grids = {
      MakeGrid(kKanaRows, false), MakeGrid(kKanaRows, true), MakeGrid(kLatinRows, false)};
  return grids[static_cast<int>(page)];
}

QString OnScreenKeyboard::PageName(Page page) {
  switch (page) {
    case Page::Hiragana:
      return QStringLiteral("ひらがな");
    case Page::Katakana:
      return QStringLiteral("カタカナ");
    case Page::Latin:
      return QStringLiteral("英数");
  }
  return {};
}

const QString& OnScreenKeyboard::VoicedMark() {
  static const QString mark = QStringLiteral("゛");
  return mark;
}

const QString& OnScreenKeyboard::SemiVoicedMark() {
  static const QString mark = QStringLiteral("゜");
  return mark;
}

QChar OnScreenKeyboard::WithMark(QChar c, const QString& mark) {
  static const std::vector<Family> families = MakeFamilies();
  const bool voiced = mark == VoicedMark();
  for (const Family& f : families) {
    QChar result;
    if (c == f.plain)
      result = voiced ? f.voiced : f.semi;
    else if (c == f.voiced)
      result = voiced ? f.plain : f.semi;
    else if (c == f.semi)
      result = voiced ? f.voiced : f.plain;
    else
      continue;
    return !result.isNull() && InCp932(QString(result)) ? result : c;
  }
  return c;
}

OnScreenKeyboard* OnScreenKeyboard::Open(QLineEdit* target) {
  if (openKeyboard) openKeyboard->close();
  auto* keyboard = new OnScreenKeyboard(target);
  openKeyboard = keyboard;
  keyboard->PlaceUnderOwner();
  keyboard->show();
  return keyboard;
}

OnScreenKeyboard* OnScreenKeyboard::Current() {
  if (!openKeyboard) return nullptr;
  // A field or dialog gone away takes its keyboard with it.
  if (!openKeyboard->target_ || !openKeyboard->target_->window()->isVisible() || !openKeyboard->isVisible()) {
    openKeyboard->close();
    openKeyboard = nullptr;
  }
  return openKeyboard;
}

OnScreenKeyboard::OnScreenKeyboard(QLineEdit* target)
    : QWidget(target->window(),
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      target_(target) {
  setObjectName("OnScreenKeyboard");
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setFixedSize(2 * kMargin + kColumns * kCell,
               2 * kMargin + kHeader + kMostRows * kCell + kLegend);
  target->window()->installEventFilter(this);
}

QString OnScreenKeyboard::KeyUnderCursor() const {
  const Grid& keys = Keys(page_);
  if (row_ >= static_cast<int>(keys.size()) || column_ >= static_cast<int>(keys[row_].size()))
    return {};
  return keys[row_][column_];
}

void OnScreenKeyboard::Press(PadButton button) {
  switch (button) {
    case PadButton::Up:
      Move(-1, 0);
      break;
    case PadButton::Down:
      Move(1, 0);
      break;
    case PadButton::Left:
      Move(0, -1);
      break;
    case PadButton::Right:
      Move(0, 1);
      break;
    case PadButton::A:
      Type(KeyUnderCursor());
      break;
    case PadButton::X:
      if (target_) target_->backspace();
      break;
    case PadButton::Y:
      page_ = static_cast<Page>((static_cast<int>(page_) + 1) % kPages);
      // The same place on the new page, or the nearest key to it.
      Move(0, 0);
      break;
    case PadButton::LB:
      if (target_) target_->cursorBackward(false);
      break;
    case PadButton::RB:
      if (target_) target_->cursorForward(false);
      break;
    case PadButton::Start:
      Confirm();
      return;
    case PadButton::B:
      close();
      return;
    default:
      break;
  }
  update();
}

void OnScreenKeyboard::Move(int rows, int columns) {
  const Grid& keys = Keys(page_);
  const int height = static_cast<int>(keys.size());
  const auto wrap = [](int value, int size) { return (value % size + size) % size; };
  int r = std::clamp(row_, 0, height - 1), c = std::clamp(column_, 0, kColumns - 1);
  const bool still = rows == 0 && columns == 0;
  if (!still) r = wrap(r + rows, height), c = wrap(c + columns, kColumns);
  // Round the edges, passing over cells without a key; standing still (a
  // new page) takes the next key from the same place on.
  for (int tries = 0; tries < height * kColumns; ++tries) {
    if (c < static_cast<int>(keys[r].size()) && !keys[r][c].isEmpty()) {
      row_ = r;
      column_ = c;
      return;
    }
    if (rows != 0) {
      r = wrap(r + rows, height);
    } else if (columns != 0) {
      c = wrap(c + columns, kColumns);
    } else {
      const int next = wrap(r * kColumns + c + 1, height * kColumns);
      r = next / kColumns, c = next % kColumns;
    }
  }
}

void OnScreenKeyboard::Type(const QString& key) {
  if (!target_ || key.isEmpty()) return;
  if (key == VoicedMark() || key == SemiVoicedMark()) {
    const int at = target_->cursorPosition();
    if (at == 0) return;
    const QChar before = target_->text().at(at - 1);
    const QChar marked = WithMark(before, key);
    if (marked == before) return;
    target_->setSelection(at - 1, 1);
    target_->insert(QString(marked));
    return;
  }
  target_->insert(key);
}

void OnScreenKeyboard::Confirm() {
  QPointer<QLineEdit> target = target_;
  close();
  if (!target) return;
  // Enter in the field: the field reports it, the dialog presses OK.
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
  QCoreApplication::postEvent(target,
                              new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
}

void OnScreenKeyboard::PlaceUnderOwner() {
  const QWidget* owner = parentWidget();
  if (!owner) return;
  const QRect frame = owner->frameGeometry();
  QPoint at(frame.center().x() - width() / 2, frame.bottom() + 4);
  if (const QScreen* screen = owner->screen()) {
    const QRect area = screen->availableGeometry();
    if (at.y() + height() > area.bottom()) at.setY(frame.top() - height() - 4);
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
    at.setY(std::max(at.y(), area.top()));
  }
  move(at);
}

bool OnScreenKeyboard::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget()) {
    if (event->type() == QEvent::Hide) close();
    if (event->type() == QEvent::Move) PlaceUnderOwner();
  }
  return QWidget::eventFilter(watched, event);
}

QRect OnScreenKeyboard::CellRect(int row, int column) const {
  return QRect(kMargin + column * kCell, kMargin + kHeader + row * kCell, kCell, kCell);
}

void OnScreenKeyboard::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor back(0x20, 0x24, 0x2C), key(0x3A, 0x40, 0x4C), lit(0xF0, 0xC0, 0x40);
  p.fillRect(rect(), back);
  QFont face = font();
  face.setPixelSize(13);
  p.setFont(face);
  // The pages named across the top, this one lit.
  const int tab = (width() - 2 * kMargin) / kPages;
  for (int i = 0; i < kPages; ++i) {
    const QRect r(kMargin + i * tab, kMargin, tab - 4, kHeader - 4);
    const bool here = i == static_cast<int>(page_);
    p.fillRect(r, here ? lit : key);
    p.setPen(here ? Qt::black : Qt::white);
    p.drawText(r, Qt::AlignCenter, PageName(static_cast<Page>(i)));
  }
  const Grid& keys = Keys(page_);
  for (int r = 0; r < static_cast<int>(keys.size()); ++r) {
    for (int c = 0; c < static_cast<int>(keys[r].size()); ++c) {
      if (keys[r][c].isEmpty()) continue;
      const QRect cell = CellRect(r, c).adjusted(1, 1, -1, -1);
      const bool here = r == row_ && c == column_;
      p.fillRect(cell, here ? lit : key);
      p.setPen(here ? Qt::black : Qt::white);
      const QString caption = KeyCaption(keys[r][c]);
      face.setPixelSize(caption.size() > 1 ? 11 : 20);
      p.setFont(face);
      p.drawText(cell, Qt::AlignCenter, caption);
    }
  }
  face.setPixelSize(11);
  p.setFont(face);
  p.setPen(Qt::white);
  p.drawText(QRect(kMargin, height() - kMargin - kLegend, width() - 2 * kMargin, kLegend),
             Qt::AlignCenter,
             QStringLiteral("A 入力　X 1字消す　Y ページ切替\nLB/RB カーソル　START 決定　B 閉じる"));
}

void OnScreenKeyboard::mousePressEvent(QMouseEvent* event) {
  const Grid& keys = Keys(page_);
  for (int r = 0; r < static_cast<int>(keys.size()); ++r) {
    for (int c = 0; c < static_cast<int>(keys[r].size()); ++c) {
      if (keys[r][c].isEmpty() || !CellRect(r, c).contains(event->position().toPoint())) continue;
      row_ = r;
      column_ = c;
      Type(keys[r][c]);
      update();
      return;
    }
  }
}

}  // namespace korvana
