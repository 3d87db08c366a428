#pragma once
// Boxes and dialogs. Texts are CP932 bytes, as the engine keeps them;
// implementations convert at their edge.
#include <string>

namespace korvana {

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
};

}  // namespace korvana
