#pragma once
// `VersionDialog`, the version dialog: the interpreter's version, the game's version
// picture and what the engine knows of the game's identity and place.
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "platform/Dialogs.h"

namespace korvana {

class VersionDialog : public QDialog {
  Q_OBJECT

 public:
  explicit VersionDialog(QWidget* parent = nullptr);

  // Fills the dialog from `info` and shows it modally, centred on the
  // screen, until "閉じる" or Esc.
  void ShowInfo(const VersionInfo& info);
  // Everything `ShowInfo` does before the modal loop; tests call it and then
  // show().
  void Prepare(const VersionInfo& info);

  QLabel* Label1;  // "インタプリタ"
  QLabel* Label2;  // "Ver 1.42"
  QLabel* Label3;
  QLabel* Label4;
  QLabel* VerImage;
  QLabel* StaticText1;  // program id
  QLabel* StaticText2;  // installation or current folder
  QPushButton* Button1;
};

}  // namespace korvana
