#pragma once
// `OnScreenKeyboard`: typing into a text field with a game controller. A
// grid of keys on three pages (hiragana, katakana, Latin letters and
// digits) shown under the field's dialog:
//   d-pad  moves the cursor (round the edges, past empty cells)
//   A      types the key under the cursor; ゛ and ゜ voice the character
//          before the text cursor (か→が→か, は→ぱ→は)
//   X      deletes the character before the text cursor
//   Y      the next page
//   LB/RB  moves the text cursor left / right
//   Start  closes the keyboard and confirms the field as Enter does (OK)
//   B      closes the keyboard
// A touch or click on a key types it. Only characters CP932 can hold are
// offered, since the script receives the text in CP932.
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

#include "platform/Pad.h"

namespace korvana {

class OnScreenKeyboard : public QWidget {
  Q_OBJECT

 public:
  enum class Page { Hiragana, Katakana, Latin };
  static constexpr int kPages = 3;
  // Keys of a page by rows; an empty text is a cell without a key.
  using Grid = std::vector<std::vector<QString>>;
  static const Grid& Keys(Page page);
  static QString PageName(Page page);
  // The mark keys: they change the character before the text cursor.
  static const QString& VoicedMark();
  static const QString& SemiVoicedMark();
  // `c` with the mark added or taken away, as the mark key does; `c` itself
  // when the mark does not fit it or the result is not in CP932.
  static QChar WithMark(QChar c, const QString& mark);

  // Opens a keyboard typing into `target` (closing any other) and shows it
  // under the field's window.
  static OnScreenKeyboard* Open(QLineEdit* target);
  // The keyboard open now, or null.
  static OnScreenKeyboard* Current();

  void Press(PadButton button);
  Page CurrentPage() const { return page_; }
  int Row() const { return row_; }
  int Column() const { return column_; }
  QString KeyUnderCursor() const;
  QLineEdit* Target() const { return target_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit OnScreenKeyboard(QLineEdit* target);
  void Move(int rows, int columns);
  void Type(const QString& key);
  void Confirm();
  void PlaceUnderOwner();
  QRect CellRect(int row, int column) const;

  QPointer<QLineEdit> target_;
  Page page_ = Page::Hiragana;
  int row_ = 0;
  int column_ = 0;
};

}  // namespace korvana
