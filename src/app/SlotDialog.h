#pragma once
// `SlotDialog`, the save/load dialog: 80 slots on 20 pages of 4, and when
// loading a 21st page "クイック／オート" with the quick save and the three
// automatic saves. The engine hands it the slot labels ready made; the
// dialog shows them with the picture of each save where the label leaves
// room, tells the mode by colour and picture, and returns the slot the
// player chose.
#include <QDialog>
#include <QLabel>
#include <QSlider>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "PictureButton.h"
#include "platform/Dialogs.h"

namespace korvana {

class SlotDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPages = 20;
  static constexpr int kSlotsPerPage = 4;
  static constexpr int kSlots = kPages * kSlotsPerPage;
  // The page after the 80 slots, in load mode only: slots 81 to 84.
  static constexpr int kReaderPage = kPages;
  static constexpr int kLoadSlots = kSlots + kSlotsPerPage;
  // The caption the page indicator shows on that page.
  static const QString& ReaderPageCaption();

  explicit SlotDialog(QWidget* parent = nullptr);

  // Shows the dialog modally over its parent (or the screen) and returns
  // the chosen slot index, or -1 when cancelled.
  int Choose(SlotMode mode, const std::vector<SlotEntry>& entries);
  // Everything `Choose` does before the modal loop: mode look, slot table,
  // no slot chosen, the page last shown. Tests call it and then show().
  void Prepare(SlotMode mode, const std::vector<SlotEntry>& entries);

  void ShowPage(int page);
  int Page() const { return page_; }
  SlotMode Mode() const { return mode_; }
  // The slot of the last accepted choice, -1 when none.
  int ChosenSlot() const { return chosen_; }
  // The form's colour in each mode.
  static QColor ModeColor(SlotMode mode);
  // Pages the mode offers: the 20 of the slots, and in load mode the 21st.
  int PageCount() const { return mode_ == SlotMode::Load ? kPages + 1 : kPages; }
  // Where the picture of the save sits on slot button `k` of the page; empty
  // when the slot shows none (no picture, an unreadable one, or no room
  // beside the label).
  QRect PictureRect(int k) const { return pictureRects_[k]; }

  // Asks before a used slot is saved over; true for OK. Unset: a message
  // box over the dialog. The window routes it through the platform's boxes.
  std::function<bool(const QString& text, const QString& caption)> question;

  QLabel* Label1;
  PictureButton* TkBtn1;  // previous page
  PictureButton* TkBtn2;  // next page
  PictureButton* TkBtn3;  // load mode picture
  PictureButton* TkBtn4;  // save mode picture
  PictureButton* TkBtn5;  // cancel
  PictureButton* TkBtn6;  // the four slots of the page, top to bottom
  PictureButton* TkBtn7;
  PictureButton* TkBtn8;
  PictureButton* TkBtn9;
  QSlider* TrackBar1;
  // TkBtn6 to TkBtn9.
  std::array<PictureButton*, kSlotsPerPage> SlotButtons() const {
    return {TkBtn6, TkBtn7, TkBtn8, TkBtn9};
  }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MakeModePictures();
  void MakePageControls();
  void MakeSlotButtons();
  void SlotClicked(int index);
  bool Ask(const QString& text, const QString& caption);
  bool HandleKey(int key);
  void MoveSlotFocus(int step);
  void CentreOverOwner();
  // Slot button `button`'s face with the picture of entry `slot` placed in
  // the blank between title and date.
  void ShowSlotPicture(int button, int slot);
  const QImage& LoadedPicture(int slot);

  SlotMode mode_ = SlotMode::Load;
  std::vector<SlotEntry> slots_;
  // Pictures read since Prepare, by entry (null: none or unreadable).
  std::vector<std::optional<QImage>> pictures_;
  std::array<QRect, kSlotsPerPage> pictureRects_;
  int page_ = 0;
  int chosen_ = -1;
};

}  // namespace korvana
