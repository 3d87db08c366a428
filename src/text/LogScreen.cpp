#include "text/LogScreen.h"

#include <algorithm>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/ScreenSize.h"
#include "graphics/Blend.h"
#include "graphics/PictureLoader.h"
#include "platform/Platform.h"
#include "text/MessageText.h"

namespace korvana {
namespace {

// Bold captions on black panels, as the main window's form has them: the
// page buttons in aqua, EXIT smaller in yellow.
void SetUpButton(ImageButton& b, int left, int top, int width, const std::string& caption,
                 int fontHeight, uint32_t fontColor) {
  b.Left = left;
  b.Top = top;
  b.Width = width;
  b.Height = 32;
  b.Caption = caption;
  b.Color = 0x000000;
  b.Font = FontSpec{J("ＭＳ Ｐゴシック"), fontHeight, true};
  b.FontColor = fontColor;
}

}  // namespace

LogScreen::LogScreen(Pump& pump, Window& window, ClickState& click, MessageLog& log,
                     MessageText& text, FontLibrary& fonts, Picture& backImage, ErrorSink& errors,
                     const GameFiles& files)
    : pump_(pump),
      window_(window),
      click_(click),
      log_(log),
      text_(text),
      fonts_(fonts),
      backImage_(backImage),
      errors_(errors),
      files_(files) {
  SetUpButton(TkBtn1, 256, 8, 112, J("１ページ戻る"), 19, kAqua);
  SetUpButton(TkBtn2, 264, 440, 112, J("１ページ進む"), 19, kAqua);
  SetUpButton(TkBtn3, 448, 440, 64, "EXIT", 16, kYellow);
}

std::vector<std::string> LogScreen::CutLogLine(std::string_view line) {
  std::vector<std::string> pieces;
  if (line.size() <= static_cast<size_t>(kCutBytes)) {
    pieces.emplace_back(line);
    return pieces;
  }
  size_t start = 0;
  while (start < line.size()) {
    // Walk characters so that a trail byte is never taken for a lead byte.
    size_t end = start;
    while (end < line.size() && end - start < static_cast<size_t>(kCutBytes))
      end += cp932::CharLength(line, end);
    end = std::min(end, line.size());
    if (end > start) pieces.emplace_back(line.substr(start, end - start));
    start = end;
  }
  return pieces;
}

int LogScreen::RenderLogPage(bool draw) {
  const FontSpec font{text_.FontTable[0], 24, false};
  auto put = [&](const std::string& s, int row) {
    if (!draw) return;
    const int y = row * kRowHeight;
    DrawString(LogCanvas, fonts_, font, s, 2, y + 2, 0x000000);
    DrawString(LogCanvas, fonts_, font, s, 0, y, 0xFFFFFF);
  };
  put("Page " + std::to_string(LogViewOffset + 1) + "/" + std::to_string(log_.book.LogTotalPage),
      0);
  int row = 2;
  for (const std::string& line : log_.PageAtOffset(LogViewOffset)) {
    if (line.size() > static_cast<size_t>(kCutBytes)) {
      for (const std::string& piece : CutLogLine(line)) put(piece, row++);
    } else {
      put(line, row);
    }
    ++row;
  }
  return row * kRowHeight + 48;
}

void LogScreen::ShowPage() {
  int h = RenderLogPage(false);
  ScrollBar1.Visible = h >= kScreenHeight;
  if (ScrollBar1.Visible)
    ScrollBar1.Max = h - kScreenHeight;
  else
    h = kScreenHeight;
  ScrollBar1.Position = 0;
  LogCanvas.Resize(kScreenWidth, h);
  TilePicture(TileImage, LogCanvas);
  RenderLogPage(true);
  PaintScreen();
  if (click_.SendPages && textOut_) {
    PageText page;
    for (const std::string& line : log_.PageAtOffset(LogViewOffset)) {
      page.AddChar(line);
      page.LineBreak();
    }
    const std::string text = page.Take().written;
    if (!text.empty()) textOut_->SendText(text);
  }
}

void LogScreen::PaintScreen() {
  backImage_.Blit(0, 0, kScreenWidth, kScreenHeight, LogCanvas, 0, ScrollBar1.Position);
  if (ScrollBar1.Visible) {
    backImage_.FillRect(kScrollLeft, 0, kScrollWidth, kScrollHeight, 0xE0E0E0);
    const int thumb = std::max(16, kScrollTrack * kScreenHeight / (kScreenHeight + ScrollBar1.Max));
    const int top =
        ScrollBar1.Max > 0 ? (kScrollTrack - thumb) * ScrollBar1.Position / ScrollBar1.Max : 0;
    backImage_.FillRect(kScrollLeft + 2, top, kScrollWidth - 4, thumb, 0x808080);
  }
  for (ImageButton* b : {&TkBtn1, &TkBtn2, &TkBtn3})
    if (b->Visible) b->Paint(backImage_, fonts_);
  window_.InvalidateScreen();
}

void LogScreen::SetScrollPosition(int position) {
  if (!ScrollBar1.Visible) return;
  ScrollBar1.Position = std::clamp(position, 0, ScrollBar1.Max);
  PaintScreen();
}

void LogScreen::ShowLogScreen() {
  LogViewOffset = 0;
  if (log_.book.LogTotalPage == 0 || open_) return;
  const bool popup = window_.PopupEnabled();
  window_.SetPopupEnabled(false);
  const bool markerRan = text_.MarkerRunning();
  text_.SetMarkerRunning(false);
  SavedScreen = backImage_;
  TkBtn1.Visible = TkBtn2.Visible = TkBtn3.Visible = true;
  TileImage = Picture(320, 128, 0);
  if (!Tile.empty()) {
    try {
      LoadPicture(Tile, TileImage, files_, errors_);
    } catch (const ScriptException& e) {
      // The log must still open: the error is shown and the backdrop is black.
      errors_.ScriptError(e.what());
      TileImage = Picture(320, 128, 0);
    }
  }
  ShowPage();
  open_ = true;
  while (open_) pump_.WaitMessage(Pump::kNoTimeout);
  LogCanvas.Resize(8, 8);
  backImage_ = SavedScreen;
  SavedScreen.Resize(8, 8);
  window_.InvalidateScreen();
  click_.ClearClicks();
  ScrollBar1.Visible = false;
  TkBtn1.Visible = TkBtn2.Visible = TkBtn3.Visible = false;
  pressed_ = nullptr;
  if (markerRan) text_.SetMarkerRunning(true);
  window_.SetPopupEnabled(popup);
}

void LogScreen::PageBack() {
  if (LogViewOffset < 15 && LogViewOffset < log_.book.LogTotalPage - 1) {
    ++LogViewOffset;
    ShowPage();
  }
}

void LogScreen::PageForward() {
  if (LogViewOffset > 0) {
    --LogViewOffset;
    ShowPage();
  }
}

void LogScreen::Exit() {
  open_ = false;
  click_.ClearClicks();
}

void LogScreen::MouseDown(int x, int y, MouseButton button) {
  if (!open_) return;
  for (ImageButton* b : {&TkBtn1, &TkBtn2, &TkBtn3}) {
    if (b->Visible && b->Contains(x, y)) {
      b->MouseDown(button);
      if (button == MouseButton::Left) pressed_ = b;
      PaintScreen();
      return;
    }
  }
  if (ScrollBar1.Visible && x >= kScrollLeft && x < kScrollLeft + kScrollWidth && y < kScrollHeight)
    SetScrollPosition(static_cast<int>(int64_t{y} * ScrollBar1.Max / (kScrollTrack - 1)));
}

void LogScreen::MouseUp(int x, int y, MouseButton button) {
  if (!open_ || button != MouseButton::Left) return;
  ImageButton* b = pressed_;
  pressed_ = nullptr;
  if (!b) return;
  b->MouseUp(button);
  PaintScreen();
  // A click is a press and a release on the same button.
  if (!b->Contains(x, y)) return;
  if (b == &TkBtn1) PageBack();
  if (b == &TkBtn2) PageForward();
  if (b == &TkBtn3) Exit();
}

bool LogScreen::PadAction(config::PadAction action) {
  if (!open_) return false;
  using enum config::PadAction;
  switch (action) {
    case Up:
      Wheel(120);
      break;
    case Down:
      Wheel(-120);
      break;
    case Back:
    case Left:
      PageBack();
      break;
    case Forward:
    case Right:
      PageForward();
      break;
    case Click:
    case Menu:
    case Log:
      Exit();
      break;
    default:
      break;
  }
  return true;
}

void LogScreen::Wheel(int delta) {
  SetScrollPosition(ScrollBar1.Position - delta / 120 * kRowHeight * 3);
}

}  // namespace korvana
