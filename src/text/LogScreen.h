#pragma once
// The full-window log screen: one log page at a time over a tiled backdrop,
// a scroll bar for long pages, and the three image buttons (one page back,
// one page forward, EXIT). It runs its own message pump inside whatever wait
// was active; input reaches it through the engine while it is open.
#include <array>
#include <string>

#include "config/PadMapping.h"
#include "core/ClickState.h"
#include "graphics/Picture.h"
#include "platform/Input.h"
#include "text/Glyphs.h"
#include "text/ImageButton.h"
#include "text/MessageLog.h"

namespace korvana {

class ErrorSink;
class GameFiles;
class MessageText;
class Pump;
class TextOut;
class Window;

class LogScreen {
 public:
  static constexpr int kRowHeight = 32;
  // A log line longer than this is shown in pieces.
  static constexpr int kCutBytes = 52;
  // The scroll bar's place: the right edge, from the top to one row past the
  // bottom (the part below the screen is never seen).
  static constexpr int kScrollLeft = 627, kScrollWidth = 13, kScrollHeight = 481;
  // The rows of the bar on the screen, over which the thumb moves.
  static constexpr int kScrollTrack = kScrollHeight < 480 ? kScrollHeight : 480;
  // The buttons' caption colours (0x00RRGGBB).
  static constexpr uint32_t kAqua = 0x00FFFF, kYellow = 0xFFFF00;

  LogScreen(Pump& pump, Window& window, ClickState& click, MessageLog& log, MessageText& text,
            FontLibrary& fonts, Picture& backImage, ErrorSink& errors, const GameFiles& files);

  // The menu action "前の文章を読む".
  void ShowLogScreen();
  // The height the page at LogViewOffset needs; with `draw`, drawn into
  // LogCanvas.
  int RenderLogPage(bool draw);
  // The lines a log line is shown as (cut at 52 bytes, or 53 so that no
  // double-byte character is split).
  static std::vector<std::string> CutLogLine(std::string_view line);

  bool IsOpen() const { return open_; }
  void MouseDown(int x, int y, MouseButton button);
  void MouseUp(int x, int y, MouseButton button);
  void Wheel(int delta);
  // A game controller's action while the screen is open: the directions
  // scroll, a page back and forward turn its pages, and a click, the menu
  // button or the log's own button close it; the rest do nothing here.
  // False when the screen is not open.
  bool PadAction(config::PadAction action);

  // Where each page the reader moves to goes while text out is on
  // (ClickState::SendPages); none: nowhere.
  void SetTextOut(TextOut* out) { textOut_ = out; }

  // The `Tile` setting: the backdrop picture, empty for black.
  std::string Tile;
  int LogViewOffset = 0;
  Picture LogCanvas{8, 8};
  Picture SavedScreen{8, 8};
  Picture TileImage;
  ImageButton TkBtn1, TkBtn2, TkBtn3;
  struct ScrollBar {
    bool Visible = false;
    int Max = 0;
    int Position = 0;
  } ScrollBar1;

 private:
  void ShowPage();
  void SetScrollPosition(int position);
  // Canvas rows at the scroll position, then the scroll bar and buttons.
  void PaintScreen();
  void PageBack();
  void PageForward();
  void Exit();

  Pump& pump_;
  Window& window_;
  ClickState& click_;
  MessageLog& log_;
  MessageText& text_;
  FontLibrary& fonts_;
  Picture& backImage_;
  ErrorSink& errors_;
  const GameFiles& files_;
  bool open_ = false;
  ImageButton* pressed_ = nullptr;
  TextOut* textOut_ = nullptr;
};

}  // namespace korvana
