#pragma once
// `DebugWindow`, the debug window: the errors the author chose not to stop for,
// the 512 flags (shown and edited), the interpreter's state and the engine's
// working pictures. Modeless: the story runs on behind it.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <functional>

#include "platform/Dialogs.h"

namespace korvana {

class DebugWindow : public QDialog {
  Q_OBJECT

 public:
  // The captions of the 17 pictures of "画像バッファ", in the engine's order.
  static const char* const kBufferNames[DebugSource::kBufferCount];

  explicit DebugWindow(QWidget* parent = nullptr);

  // The engine whose lists and pictures the window shows; the lists are
  // read again at once.
  void Attach(DebugSource* source);
  // A list of the source changed: one line, or all of it for -1.
  void ListChanged(DebugList list, int line);

  // "SET" with the selected line and ValEdit1's text; a text CP932 cannot
  // hold is refused through `report`.
  void SetSelectedFlag();
  // Tab 4: picture `index` with its size (and file name) in the labels.
  void ShowBuffer(int index);

  // Ends the program at once, without the close question and without
  // writing settings ("プログラム終了").
  std::function<void()> endProgram;
  // Tells the author why "SET" refused a text. Unset: a message box.
  std::function<void(const QString& text)> report;

  QTabWidget* PageControl1;
  QListWidget* ErrList;
  QListWidget* ValList;
  QLabel* Label1;  // "選択："
  QLabel* SelectedIndex;
  QLineEdit* ValEdit1;
  QPushButton* Button3;  // "SET"
  QPushButton* Button5;  // "強制更新"
  QLabel* Label2;        // "←ここは自動的に更新されます"
  QListWidget* ListBox1;
  QPushButton* Button2;  // "更新"
  QComboBox* ComboBox1;
  QLabel* Image1;
  QLabel* FileLabel;
  QLabel* SizeXLabel;
  QLabel* SizeYLabel;
  QLabel* Label3;        // "選択し直せば更新"
  QPushButton* Button1;  // "閉じる"
  QPushButton* Button4;  // "プログラム終了"

  // On "実行時ステータス": every label of the game's scripts, "ここから実行"
  // moving the story there, "1行実行" stopping it before its next line or
  // running one line, "続行" letting it run on. `runAgain` starts a story
  // that had ended.
  QComboBox* LabelBox;
  QPushButton* JumpButton;
  QPushButton* StepButton;
  QPushButton* ContinueButton;
  QLabel* PlaceLabel;  // "停止中：FILE:LINE" while the story stands
  std::function<void()> runAgain;
  void JumpToSelectedLabel();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* MakeErrorTab();
  QWidget* MakeValueTab();
  QWidget* MakeStatusTab();
  QWidget* MakeBufferTab();
  void ShowWholeDump();
  void ShowPlace();
  void FillList(QListWidget* list, const std::vector<std::string>& lines, int line);
  void ValueSelected(int row);
  void Rebuild();
  void Refresh();

  DebugSource* source_ = nullptr;
  std::vector<DebugLabel> labels_;
};

}  // namespace korvana
