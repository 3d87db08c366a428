#pragma once
// Boxes and dialogs. Texts are CP932 bytes, as the engine keeps them;
// implementations convert at their edge.
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace korvana {

class Picture;

enum class SlotMode { Save, Load };

// One slot of the save/load dialog: its label (CP932: the number padded to
// three places, then the title and the date, or "データがありません") and
// whether a game is saved there.
struct SlotEntry {
  std::string label;
  bool used = false;
  // The picture of the screen at the save ("dataN.png", UTF-8 path); empty
  // when the slot has none. A file that cannot be read shows nothing.
  std::string thumbnail;
};

// The font dialog ("フォント設定"): the faces of text fonts 1-3 and the ruby
// font (`FontTable` entries 0-3), each row previewing the game's comment for
// it in the chosen face.
struct FontChoice {
  // In: the table's entries. Out, after OK: what the four lists show, empty
  // for a list without selection (a face that is not installed).
  std::array<std::string, 4> faces;
  // `CommentFont0`-`CommentFont3`.
  std::array<std::string, 4> comments;
  // The installed faces as the lists show them: each once, by a name CP932
  // can spell, in fontconfig's order; the dialog leaves out the
  // vertical-writing "@" names.
  std::vector<std::string> installed;
  // The other names of listed faces, with the name each is listed by.
  std::map<std::string, std::string> aliases;

  // The entry of the lists that shows `face`: the name itself, or the name
  // its face is listed by; empty when no list shows it.
  std::string Listed(const std::string& face) const {
    if (face.empty() || face[0] == '@') return {};
    if (std::find(installed.begin(), installed.end(), face) != installed.end()) return face;
    const auto alias = aliases.find(face);
    return alias == aliases.end() ? std::string() : alias->second;
  }
};

// What the version dialog ("バージョン情報") shows; its lines are ready to show.
struct VersionInfo {
  // "Ver 1.42".
  std::string versionLine;
  // The game's `Version` picture cut to the 512 × 128 area, or the
  // placeholder with "シナリオのバージョン情報はありません"; empty when the
  // picture could not be read (that was reported).
  const Picture* picture = nullptr;
  // "ProgramID=…" or "ProgramID=設定無し".
  std::string programLine;
  // "InstallPath=…" or "CurrentDir=…".
  std::string pathLine;
};

// The lists of the debug window that the story changes while it is open.
// `Place`: where a paused story stands (DebugSource::PausedAt).
enum class DebugList { Errors, Values, Place };

// A label of one of the game's scripts, for the debug window's list.
struct DebugLabel {
  std::string file;  // the script as the engine names it (CP932)
  std::string name;  // with its ":" (CP932)
  int32_t line = 0;  // 0-based index of the label's line
};

// What the debug window ("デバッグモード") reads and edits; the engine serves
// it for as long as the window can be open.
class DebugSource {
 public:
  static constexpr int kBufferCount = 17;

  virtual ~DebugSource() = default;
  // `ErrList`: the reports answered "continue".
  virtual const std::vector<std::string>& ErrorLines() const = 0;
  // `ValList`: 512 lines "%03d = value", or none while debugging is off.
  virtual const std::vector<std::string>& ValueLines() const = 0;
  // "SET": flag `index` takes `text` at once (the script sees it at its
  // next use) and its line is rewritten. A text that is too long is
  // reported as an assignment's would be.
  virtual void SetFlagFromDebug(int index, const std::string& text) = 0;
  // "強制更新": all 512 lines rewritten (nothing while the list is empty).
  virtual void RewriteValueLines() = 0;
  // "実行時ステータス": the state dump, one line each.
  virtual std::vector<std::string> StateDump() const = 0;
  // "画像バッファ": picture `index` (0 to 16, in the tab's order) and, for
  // the sprite sheet and its mask, the file name (CP932) behind it.
  virtual const Picture& BufferPicture(int index) const = 0;
  virtual std::string BufferFileName(int index) const = 0;

  // --- moving the story ------------------------------------------------------
  // Every label of every script of the game, files in name order.
  virtual std::vector<DebugLabel> GameLabels() const { return {}; }
  // "ここから実行": the story goes on after `label`'s line, the flags as they
  // are. A story that is running leaves the line or wait it is in; one
  // that has ended is started there again by the host (true then).
  virtual bool JumpToLabel(const DebugLabel& label) { return false; }
  // "1行実行": a running story stops before its next line; a stopped one
  // runs one line and stops again. "続行": it runs on.
  virtual void StepLine() {}
  virtual void ContinueStory() {}
  // Where a stopped story stands: "FILE:LINE" of the line it runs next
  // (1-based); empty while it runs.
  virtual std::string PausedAt() const { return {}; }
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
  // The save folder dialog of start-up ("保存場所の指定(パスしか見ません)"),
  // opened on `file` (CP932, with its folder; empty: data0.hfd in the current
  // folder); false when cancelled, else `file` holds the chosen file name
  // with its folder.
  virtual bool SaveFolderDialog(std::string& file) { return false; }

  // The save/load dialog ("ファイル選択"): the 80 slots of `slots` on 20
  // pages of 4, reopening at the page last shown. False when cancelled, else
  // `slot` holds the chosen index (0 to 79). In load mode empty slots cannot
  // be chosen; in save mode a used slot is chosen only after "上書きしていいで
  // すか？" (caption "確認") is answered OK.
  virtual bool SlotDialog(SlotMode mode, const std::vector<SlotEntry>& slots, int& slot) {
    return false;
  }

  // Shows the font dialog modally; true for OK, with `choice.faces` then
  // holding the four chosen names.
  virtual bool FontDialog(FontChoice& choice) { return false; }
  // Shows the version dialog modally until it is closed.
  virtual void VersionDialog(const VersionInfo& info) {}
  // Shows the debug window without waiting: the story runs on behind it.
  // `source` outlives every window of the platform.
  virtual void ShowDebugWindow(DebugSource& source) {}
  // A list of `source` changed: `line` of it, or all of it when -1. Only
  // the engine's debug mode calls it, so a window that is open stays current.
  virtual void DebugListChanged(DebugList list, int line) {}
};

}  // namespace korvana
