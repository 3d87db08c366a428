#pragma once
// `FontDialog`, the font dialog: four rows of the game's comment for a text
// font (or the ruby font) previewed in the face chosen beside it from the
// installed faces.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QStringListModel>
#include <array>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace korvana {

class FontDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kRows = 4;

  explicit FontDialog(QWidget* parent = nullptr);

  // Shows the dialog modally, centred on the screen, with `choice`; true for
  // OK, with `choice.faces` then holding the four lists' texts.
  bool Choose(FontChoice& choice);
  // Everything `Choose` does before the modal loop: the lists of installed
  // faces, the table's faces selected, the comments. Tests call it and then
  // show().
  void Prepare(const FontChoice& choice);
  // What the four lists show: the selected face, empty without selection.
  std::array<std::string, kRows> ChosenFaces() const;

  QLabel* Panel5;                            // header "フォント名"
  QLabel* Panel6;                            // header "コメント"
  QLabel* Panel11;                           // the warning about Western faces
  std::array<QLabel*, kRows> CommentPanels;  // Panel7 to Panel10
  std::array<QWidget*, kRows> ListPanels;    // Panel1 to Panel4
  std::array<QComboBox*, kRows> ComboBoxes;  // ComboBox1 to ComboBox4
  QPushButton* Button1;                      // OK
  QPushButton* Button2;                      // キャンセル

 private:
  void MakeRows();
  void SetFaces(const std::vector<std::string>& installed);
  // Shows `face` in the row: `listed` chosen in the list (none when empty),
  // the comment previewed in `face`.
  void Select(int row, const std::string& face, const std::string& listed);

  // One list for the four boxes: thousands of faces are converted once.
  QStringListModel faces_;
  std::vector<std::string> installed_;
};

}  // namespace korvana
