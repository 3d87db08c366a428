#pragma once
// Boxes and dialogs. Texts are CP932 bytes, as the engine keeps them;
// implementations convert at their edge.
#include <string>
#include <vector>

namespace korvana {

enum class SlotMode { Save, Load };

// One slot of the save/load dialog: its label (CP932: the number padded to
// three places, then the title and the date, or "データがありません") and
// whether a game is saved there.
struct SlotEntry {
  std::string label;
  bool used = false;
};

enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxIcon { None, Exclamation, Question, Information, Error };
enum class BoxAnswer { Ok, Cancel, Yes, No };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual BoxAnswer MessageBox(const std::string& text, const std::string& caption,
                               BoxButtons buttons, BoxIcon icon) = 0;
  // The standard box for an exception that reached the top of a script run.
  virtual void ShowException(const std::string& message) = 0;
  // Text input for `_flginstr` and `_flginstrd`; false when cancelled.
  // `text` holds the initial text.
  virtual bool InputBox(const std::string& caption, const std::string& prompt,
                        std::string& text) = 0;
  // The open dialog for a start script ("実行ファイル指定") when the game has
  // no "autorun.txt"; false when cancelled, else `path` holds the chosen
  // file's full path.
  virtual bool OpenScriptDialog(std::string& path) = 0;
  // The save folder dialog of start-up ("保存場所の指定(パスしか見ません)");
  // false when cancelled, else `file` holds the chosen file name with its
  // folder.
  virtual bool SaveFolderDialog(std::string& file) { return false; }

  // The save/load dialog ("ファイル選択"): the 80 slots of `slots` on 20
  // pages of 4, reopening at the page last shown. False when cancelled, else
  // `slot` holds the chosen index (0 to 79). In load mode empty slots cannot
  // be chosen; in save mode a used slot is chosen only after "上書きしていいで
  // すか？" (caption "確認") is answered OK.
  virtual bool SlotDialog(SlotMode mode, const std::vector<SlotEntry>& slots, int& slot) {
    return false;
  }
};

}  // namespace korvana
