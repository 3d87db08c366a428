#pragma once
// The one window: the picture it shows, its caption, cursor and pop-up menu,
// and where its input goes.
#include <cstdint>
#include <string>

namespace korvana {

class InputSink;
class Picture;

// Items of the pop-up menu whose state the story changes while it runs. The
// menu itself (captions, shortcuts, names) is the engine's table
// (script/MenuTable.h); the window knows its items by these ids.
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
  // "フォント設定": a choice holds it back while it waits.
  Font,
  // "音楽再生" and "効果音再生": always on, with check marks.
  Music,
  Sound,
  // The reader's comforts: going back a page and forward again, greyed with
  // "データ保存"; quick save with it and quick load with "データ読み込み";
  // auto mode's check mark.
  Back,
  Forward,
  QuickSave,
  QuickLoad,
  Auto,
  // The reader's speech and text out, with check marks; speech is greyed
  // where the machine cannot speak.
  Speak,
  TextOut,
  // The author's reload of the script: in debug mode only.
  Reload,
  Count
};

// The cursors the window can show; the numbers are the script's kinds.
enum class Cursor { Default = 0, Pen = 1, Hand = 2, Wait = 3, Arrow = 4, Blank = 5 };

// A script's cursor kind (`_mousepat`) as a cursor: kinds 1 to 5 name one,
// anything else is the default.
inline Cursor CursorForKind(int32_t kind) {
  return kind >= 1 && kind <= 5 ? static_cast<Cursor>(kind) : Cursor::Default;
}

class Window {
 public:
  virtual ~Window() = default;
  virtual void SetInputSink(InputSink* sink) = 0;
  // The picture the window shows (the engine's BackImage); it lives as long
  // as the engine.
  virtual void SetScreen(const Picture* screen) = 0;
  // BackImage changed; repaint when convenient.
  virtual void InvalidateScreen() = 0;
  // Only this rectangle of BackImage changed (a glyph, the click marker).
  virtual void InvalidateRect(int x, int y, int w, int h) { InvalidateScreen(); }
  // The start-up warning about fewer than 16 bits of colour needs it.
  virtual int ColorDepth() = 0;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetCursor(Cursor cursor) = 0;
  virtual void SetPopupEnabled(bool enabled) = 0;
  virtual bool PopupEnabled() = 0;
  virtual void SetMenuItemEnabled(MenuItem item, bool enabled) = 0;
  virtual void SetMenuItemChecked(MenuItem item, bool checked) {}

  // `_mouseloc` and the arrow keys of a choice: moves the pointer to a point
  // of the picture, only while the window is in its normal state (neither
  // minimised, maximised nor full screen); false when it did not move (the
  // arrow keys then move the choice's highlight without it). The move
  // reaches the input sink like any other.
  virtual bool MovePointer(int x, int y) = 0;

  // Asks for the close question to be put (the window's close, Esc). When
  // it is answered OK, the next pump unwinds the engine with EngineExit
  // {0, save}.
  virtual void RequestClose() {}

  // A short note over the picture (CP932), gone by itself after a moment:
  // what a reader's comfort refused or did ("これより前には戻れません").
  // It is never part of the picture (screenshots and saves leave it out).
  virtual void ShowNote(const std::string& text) {}
};

}  // namespace korvana
