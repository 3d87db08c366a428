#pragma once
// The engine's only door to the outside world. The Qt shell implements it for
// the real window; platform/headless implements it with a virtual clock and
// scripted input for tests and `korvana --headless`.
//
// All texts crossing this interface are CP932 bytes, as the engine keeps them;
// implementations convert at their edge.
#include <cstdint>
#include <string>
#include <vector>

#include "config/DataDrive.h"

namespace korvana {

class Picture;

enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxIcon { None, Exclamation, Question, Information, Error };
enum class BoxAnswer { Ok, Cancel, Yes, No };

enum class MouseButton { Left, Right, Middle };
enum class Key { Escape, Space, Enter, Other };

// Items of the pop-up menu whose state the story changes while it runs.
enum class MenuItem {
  Load,
  TitleReturn,
  Save,
  Log,
  // Enabled only during click waits, with Load and TitleReturn.
  HideBackground,
  HideText,
  Darkness,
  // The reading modes (HighSpeed and PageUnit carry check marks).
  HighSpeed,
  PageUnit,
  SkipRead,
  Count
};

// Where the platform delivers input; the engine implements it. Handlers only
// set flags: they run nested inside whatever wait the story is in.
class InputSink {
 public:
  virtual ~InputSink() = default;
  virtual void OnMouseDown(int x, int y, MouseButton button) = 0;
  virtual void OnMouseUp(int x, int y, MouseButton button) = 0;
  virtual void OnClick(int x, int y) = 0;
  virtual void OnMouseMove(int x, int y) = 0;
  virtual void OnKey(Key key) = 0;
  virtual void OnTimer1() = 0;
  // The player asked to close the program (window close, "終了する", Esc):
  // true when the close question was answered OK.
  virtual bool OnCloseRequest() { return true; }
  // The wheel turned; a positive `delta` is away from the user (up).
  virtual void OnWheel(int x, int y, int delta) {}
  // Ctrl went down or up.
  virtual void OnCtrl(bool down) {}
};

struct LocalTime {
  int second = 0, minute = 0, hour = 0;
  int day = 1, month = 1, yearSince1900 = 100;
  int weekday = 6, yearDay = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  virtual void SetInputSink(InputSink* sink) = 0;
  // The picture the window shows (the engine's BackImage); it lives as long
  // as the engine.
  virtual void SetScreen(const Picture* screen) = 0;

  // --- time and the message pump -------------------------------------------
  // Milliseconds since some fixed start, wrapping at 2^32.
  virtual uint32_t TickCount() = 0;
  // Handles what is pending; never blocks.
  virtual void ProcessMessages() = 0;
  // Handles pending messages, or blocks until the next one arrives or
  // `timeoutMs` milliseconds have passed, whichever is first; kNoTimeout waits
  // for a message only. Waits re-test their own end condition after each call.
  static constexpr int64_t kNoTimeout = -1;
  virtual void WaitMessage(int64_t timeoutMs) = 0;
  // Starts or stops the 100 ms timer that animates the click marker.
  virtual void SetTimer1(bool enabled) = 0;
  // Whether that timer runs (views that stop it give it back its state).
  virtual bool Timer1Enabled() { return false; }
  virtual LocalTime Now() = 0;
  virtual uint32_t RandomSeed() = 0;

  // --- boxes and dialogs ----------------------------------------------------
  virtual BoxAnswer MessageBox(const std::string& text, const std::string& caption,
                               BoxButtons buttons, BoxIcon icon) = 0;
  // The standard box for an exception that reached the top of a script run.
  virtual void ShowException(const std::string& message) = 0;
  // Text input; false when cancelled. `text` holds the initial text.
  virtual bool InputBox(const std::string& caption, const std::string& prompt,
                        std::string& text) = 0;

  // The open dialog for a start script ("実行ファイル指定"); false when
  // cancelled, else `path` holds the chosen file's full path.
  virtual bool OpenScriptDialog(std::string& path) = 0;

  // The save folder dialog ("保存場所の指定(パスしか見ません)"); false when
  // cancelled, else `file` holds the chosen file name with its folder.
  virtual bool SaveFolderDialog(std::string& file) { return false; }

  // --- window ---------------------------------------------------------------
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetCursor(int kind) = 0;
  virtual void SetPopupEnabled(bool enabled) = 0;
  virtual bool PopupEnabled() = 0;
  virtual void SetMenuItemEnabled(MenuItem item, bool enabled) = 0;
  virtual void SetMenuItemChecked(MenuItem item, bool checked) {}
  // BackImage changed; repaint when convenient.
  virtual void InvalidateScreen() = 0;
  // Only this rectangle of BackImage changed (a glyph, the click marker).
  virtual void InvalidateRect(int x, int y, int w, int h) { InvalidateScreen(); }
  virtual int ColorDepth() = 0;

  // Asks for the close question to be put (the window's close, Esc). When
  // it is answered OK, the next pump unwinds the engine with EngineExit
  // {0, save}.
  virtual void RequestClose() {}

  // --- the machine ------------------------------------------------------------
  // Mounted volumes for the data drive search.
  virtual std::vector<config::Volume> ListVolumes() { return {}; }
  // The file of the installation folder store; empty for none.
  virtual std::string InstallStorePath() { return {}; }

  // --- story events that only observers care about -------------------------
  // Characters drawn into the message layer (CP932); '\n' a line break, '\f'
  // a page clear.
  virtual void TextDrawn(const std::string& chars) {}
  // A click wait begins (the headless platform answers it with a click).
  virtual void ClickWaitStarted() {}
  // One script line is about to run.
  virtual void ScriptLineStarting() {}
};

}  // namespace korvana
