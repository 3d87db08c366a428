#include "text/MessageText.h"

#include <algorithm>
#include <cstdlib>

#include "core/Coords.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/Tokens.h"
#include "expr/Evaluator.h"
#include "graphics/Mask.h"
#include "graphics/PictureLoader.h"
#include "platform/Platform.h"

namespace korvana {

MessageText::MessageText(TextEnvironment env, MessageLog& log, FontLibrary& fonts)
    : env_(env), log_(log), fonts_(fonts) {}

bool MessageText::OverlayMessage(Picture& target) const {
  if (!text.TextVisible) return false;
  target.Draw(0, 0, MessageMask, RasterOp::And);
  target.Draw(0, 0, MessageImage, RasterOp::Or);
  return true;
}

std::string_view MessageText::CharAt(std::string_view line, int p) const {
  if (p < 1 || p > static_cast<int>(line.size())) return {};
  const size_t i = static_cast<size_t>(p - 1);
  return line.substr(i, text.FontIndex > 3 ? 1 : cp932::CharLength(line, i));
}

// --- lines ------------------------------------------------------------------

void MessageText::ShowTextLine(std::string_view line, int p) {
  ClickState& click = env_.click;
  click.FinishTextFlag = false;
  click.TextActive = true;
  const int length = static_cast<int>(line.size());
  if (p < 1) p = 1;
  bool noEndHandling = false;
  DrawResult r = DrawResult::Drawn;
  while (p <= length) {
    // A load or title request ends the line at once: nothing more is drawn
    // or logged, and the interpreter serves it before the next line.
    if (click.RequestPending()) return;
    const std::string_view ch = CharAt(line, p);
    if (ch.empty()) break;
    p += static_cast<int>(ch.size());
    noEndHandling = false;
    std::string_view c = ch;
    if (ch.size() == 1) {
      switch (ch[0]) {
        case '<':
          p = InlineCommandGroup(line, p);
          c = {};
          break;
        case '(':
          p = RubyGroup(line, p);
          c = {};
          break;
        case '[':
          p = FlagValueGroup(line, p);
          c = {};
          break;
        case '.':
          c = "\n";
          WaitClickToContinue(ClickWaitKind::LineEnd);
          click.FinishTextFlag = false;
          break;
        case '|':
          c = "\n";
          noEndHandling = true;
          break;
        case '^':
          c = {};
          WaitClickToContinue(ClickWaitKind::LineEnd);
          click.FinishTextFlag = false;
          noEndHandling = true;
          break;
        case '%':
          c = {};
          noEndHandling = true;
          break;
        case '&':
          c = "\f";
          break;
        case '/': {
          // The rest of the line counts as if every character were
          // double-byte.
          const int64_t rest = static_cast<int64_t>(length - p) * text.CharWidth / 2;
          text.CursorX = WrapInt32((kScreenWidth - rest) / 2);
          c = {};
          break;
        }
        default:
          break;
      }
    }
    if (click.RequestPending()) return;
    if (hooks.lineProgress) hooks.lineProgress(p);
    r = DrawChar(c);
    PerCharacterStep();
  }
  if (click.RequestPending()) return;
  if (!noEndHandling) {
    if (int64_t{text.CursorY} + text.LineHeight + text.LineGap >= text.BottomLimit) {
      NextLineOrPage(true);
    } else if (r != DrawResult::PageEnded) {
      WaitClickToContinue(ClickWaitKind::LineEnd);
      if (r == DrawResult::Drawn && !click.RequestPending()) DrawChar("\n");
    }
  }
  env_.pump.ProcessMessages();
}

void MessageText::ShowPlainText(std::string_view chars) {
  ClickState& click = env_.click;
  // Saving is off for the duration, however it ends.
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{++plainTextDepth_};
  click.FinishTextFlag = false;
  click.TextActive = true;
  for (size_t i = 0; i < chars.size() && !click.RequestPending();) {
    const std::string_view c = CharAt(chars, static_cast<int>(i + 1));
    i += c.size();
    DrawChar(c);
    PerCharacterStep();
  }
}

// --- drawing ----------------------------------------------------------------

void MessageText::DrawInk(const FontSpec& font, std::string_view ink, bool symbol, int x, int y,
                          std::span<const Offset> shadows) {
  if (text.ShadowOn) {
    const uint32_t shade = SwapRedBlue(text.ShadowColor);
    for (const Offset& o : shadows) {
      DrawString(MessageImage, fonts_, font, ink, x + o.dx, y + o.dy, shade, symbol);
      DrawString(MessageMask, fonts_, font, ink, x + o.dx, y + o.dy, 0, symbol);
    }
  }
  DrawString(MessageImage, fonts_, font, ink, x, y, SwapRedBlue(text.TextColor), symbol);
  DrawString(MessageMask, fonts_, font, ink, x, y, 0, symbol);
}

void MessageText::ShowOnScreen(int x, int y, int w, int h) {
  if (!text.TextVisible) return;
  env_.screen.BackImage.Blit(x, y, w, h, MessageMask, x, y, RasterOp::And);
  env_.screen.BackImage.Blit(x, y, w, h, MessageImage, x, y, RasterOp::Or);
  env_.window.InvalidateRect(x, y, w, h);
}

DrawResult MessageText::DrawChar(std::string_view c) {
  if (c.empty()) return DrawResult::Drawn;
  if (c == "\f") return NextLineOrPage(true);
  if (c == "\n") return NextLineOrPage(false);
  if (text.LineMaxSize < text.SizeUnits) text.LineMaxSize = text.SizeUnits;
  const int x = PinCoordinate(int64_t{text.CursorX} + text.OffsetX);
  const int y = PinCoordinate(int64_t{text.CursorY} + text.OffsetY + text.LineGap);
  static constexpr Offset kOutline[] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  static constexpr Offset kShadow[] = {{2, 2}};
  const bool symbol = text.FontIndex > 3;
  DrawInk({text.FontName, text.FontHeight, false}, c, symbol, x, y,
          text.OutlineMode ? std::span<const Offset>(kOutline) : std::span<const Offset>(kShadow));
  const int cell = PinCoordinate(int64_t{text.CharWidth} + 3);
  ShowOnScreen(x - 1, y - 1, cell, cell);
  env_.observer.TextDrawn(std::string(c));
  log_.AppendLogChar(c, symbol);
  text.CursorX = WrapInt32(int64_t{text.CursorX} + text.CharWidth);
  if (text.CursorX < text.RightLimit) return DrawResult::Drawn;
  return NextLineOrPage(false);
}

DrawResult MessageText::NextLineOrPage(bool force) {
  ClickState& click = env_.click;
  if (force || int64_t{text.CursorY} + text.LineHeight + text.LineGap >= text.BottomLimit) {
    click.TextActive = false;
    click.FinishTextFlag = false;
    WaitClickToContinue(ClickWaitKind::PageEnd);
    // A request that ended the wait leaves the page for the interpreter.
    if (!click.RequestPending()) ClearPage();
    return DrawResult::PageEnded;
  }
  text.CursorY = WrapInt32(int64_t{text.CursorY} + text.LineHeight + text.LineGap);
  log_.AppendLogChar("\n");
  env_.observer.TextDrawn("\n");
  text.CursorX = text.LeftMargin;
  return DrawResult::LineWrapped;
}

void MessageText::ClearPage() {
  MessageImage.Fill(0);
  MessageMask.Fill(0xFFFFFF);
  text.CursorX = text.LeftMargin;
  text.CursorY = 0;
  log_.NewLogPage();
  env_.observer.TextDrawn("\f");
  if (text.TextVisible) {
    env_.screen.BackImage.Draw(0, 0, env_.screen.WorkScreen);
    env_.window.InvalidateScreen();
    if (SaveAllowed()) CaptureSavePoint();
  }
}

void MessageText::CaptureSavePoint() {
  log_.CaptureSaveBookkeeping();
  if (hooks.captureSavePoint) hooks.captureSavePoint();
}

void MessageText::EraseTextRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  // Clipped to the layer first, so extreme corners cannot overflow a width.
  const int64_t left = std::max<int64_t>(x1, 0), top = std::max<int64_t>(y1, 0);
  const int64_t right = std::min<int64_t>(x2, kScreenWidth - 1);
  const int64_t bottom = std::min<int64_t>(y2, kScreenHeight - 1);
  if (right < left || bottom < top) return;
  const int w = static_cast<int>(right - left + 1), h = static_cast<int>(bottom - top + 1);
  MessageImage.FillRect(static_cast<int>(left), static_cast<int>(top), w, h, 0);
  MessageMask.FillRect(static_cast<int>(left), static_cast<int>(top), w, h, 0xFFFFFF);
}

void MessageText::SetTextSize(int32_t n) {
  const int32_t old = text.LineHeight;
  text.CharWidth = text.LineHeight = text.FontHeight = 12 * n;
  text.LineGap = 16;
  text.RubyFontHeight = 12;
  if (text.CursorX > text.LeftMargin)
    text.CursorY = WrapInt32(int64_t{text.CursorY} + old - 12 * n);
  text.RightLimit = kScreenWidth - text.CharWidth;
  text.BottomLimit = 479 - text.LineHeight - text.LineGap;
  text.SizeUnits = n;
}

void MessageText::ResetTextState() {
  const TextState fresh;
  TextState& t = text;
  t.CursorX = t.LeftMargin;
  t.CursorY = fresh.CursorY;
  t.TextColor = fresh.TextColor;
  t.ShadowColor = fresh.ShadowColor;
  t.OutlineMode = fresh.OutlineMode;
  t.CharWidth = fresh.CharWidth;
  t.LineHeight = fresh.LineHeight;
  t.LineGap = fresh.LineGap;
  t.FontHeight = fresh.FontHeight;
  t.RubyFontHeight = fresh.RubyFontHeight;
  t.RightLimit = fresh.RightLimit;
  t.BottomLimit = fresh.BottomLimit;
  t.ShadowOn = fresh.ShadowOn;
  t.TextVisible = fresh.TextVisible;
  t.SizeUnits = fresh.SizeUnits;
  if (hooks.refreshScreen) hooks.refreshScreen();
}

void MessageText::ResetAllTextFields() {
  text = TextState();
  text.FontName = FontTable[0];
  text.RubyFontName = FontTable[kRubyFontSlot];
}

// --- inline command groups ----------------------------------------------------

int MessageText::InlineCommandGroup(std::string_view line, int p) {
  const int length = static_cast<int>(line.size());
  while (p <= length) {
    const std::string_view ch = CharAt(line, p);
    p += static_cast<int>(ch.size());
    if (ch.size() != 1) continue;
    if (ch[0] == '>') return p;
    // Other characters, capitals included, are skipped.
    if (kInlineLetters.find(ch[0]) != std::string_view::npos) ApplyInlineLetter(ch[0], line, p);
  }
  return p;
}

namespace {

// The number right after an inline letter: a sign, then digits. Without
// digits (or beyond 32 bits) it is the conversion error of the language,
// which ends the script run.
int32_t ReadInlineNumber(std::string_view line, int& p) {
  const int length = static_cast<int>(line.size());
  std::string digits;
  if (p <= length && (line[p - 1] == '-' || line[p - 1] == '+')) digits += line[p++ - 1];
  int64_t value = 0;
  bool any = false, tooLarge = false;
  while (p <= length && line[p - 1] >= '0' && line[p - 1] <= '9') {
    value = value * 10 + (line[p - 1] - '0');
    if (value > int64_t{INT32_MAX} + 1) tooLarge = true, value = 0;
    digits += line[p++ - 1];
    any = true;
  }
  if (!any || tooLarge || (value > INT32_MAX && digits[0] != '-'))
    throw ScriptException("'" + digits + J("' は正しい整数値ではありません"));
  return static_cast<int32_t>(digits[0] == '-' ? -value : value);
}

}  // namespace

uint32_t MessageText::ReadColor(std::string_view line, int& p) {
  const size_t from = std::min(static_cast<size_t>(p - 1), line.size());
  const std::string spec(line.substr(from, 7));
  p += 7;
  static const Picture kNoPicture(1, 1, 0);
  const int32_t value = ParseTransparencySpec(spec, kNoPicture, env_.errors);
  if (spec.empty() || spec[0] != '#') {
    // Not a colour at all (the end of the line, or a file name): reported
    // as a malformed colour and read as the parser's fallback, white.
    env_.errors.ScriptError(J("色指定が異常です。:") + spec);
    return 0xFFFFFF;
  }
  return static_cast<uint32_t>(value) & 0xFFFFFF;
}

void MessageText::ApplyInlineLetter(char letter, std::string_view line, int& p) {
  TextState& t = text;
  const int32_t step = t.LineStep();
  auto number = [&] { return ReadInlineNumber(line, p); };
  switch (letter) {
    case 'S': {
      const int32_t n = number();
      SetTextSize(n >= 1 && n <= 26 ? n : 2);
      break;
    }
    case 'F': {
      int32_t n = number();
      if (n < 0 || n >= kFontSlotCount) n = 0;
      t.FontIndex = n;
      t.FontName = FontTable[n];
      break;
    }
    case 'X':
      t.CursorX = number();
      break;
    case 'Y':
      t.CursorY = number();
      break;
    case 'M':
      t.CursorX = WrapInt32(int64_t{t.CursorX} + number());
      break;
    case 'N':
      t.CursorY = WrapInt32(int64_t{t.CursorY} + number());
      break;
    case 'L':
      t.CursorX = WrapInt32(int64_t{number()} * t.CharWidth);
      break;
    case 'H':
      t.CursorY = WrapInt32(int64_t{number()} * step);
      break;
    case 'J':
      t.CursorX = WrapInt32(int64_t{t.CursorX} + int64_t{number()} * t.CharWidth);
      break;
    case 'K':
      t.CursorY = WrapInt32(int64_t{t.CursorY} + int64_t{number()} * step);
      break;
    case 'T': {
      // "T0" has no direction; it leaves the line where it is.
      const int64_t n = number();
      if (n != 0) {
        const int64_t size = std::llabs(n);
        t.CursorY = WrapInt32(t.CursorY + (size * 12 - t.LineHeight) * (n / size));
      }
      break;
    }
    case 'W':
      t.CharWait = number();
      break;
    case 'Q':
      InlinePause(number());
      break;
    case 'I':
      t.LeftMargin = number();
      break;
    case 'R': {
      const int32_t n = number();
      t.RightLimit =
          WrapInt32(int64_t{t.LeftMargin} + (n == 0 ? kScreenWidth - int64_t{t.CharWidth} : n));
      break;
    }
    case 'U': {
      const int32_t n = number();
      t.BottomLimit = n == 0 ? WrapInt32(int64_t{kScreenHeight} - step) : n;
      break;
    }
    case 'C':
      t.TextColor = ReadColor(line, p);
      break;
    case 'B':
      t.ShadowColor = ReadColor(line, p);
      break;
    case 'D':
      t.ShadowOn = number() != 0;
      break;
    case 'P':
      t.TextVisible = number() != 0;
      if (hooks.markLayersDirty) hooks.markLayersDirty();
      break;
    case 'E':
      t.OutlineMode = number() != 0;
      break;
    case 'V':
    case 'O': {
      const std::string file = env_.files.Expand(ReadToken(line, p, '"'));
      const bool soundOn = !hooks.soundEffectsOn || hooks.soundEffectsOn();
      if (soundOn && !env_.click.SkipReadMode && hooks.playShortSound)
        hooks.playShortSound(file, letter == 'V');
      break;
    }
    case 'A':
      InlinePicture(ReadToken(line, p, '"'));  // the loader expands the data drive
      break;
    default:
      break;
  }
}

void MessageText::InlinePause(int32_t n) {
  ClickState& click = env_.click;
  click.ClickEnabled = n >= 0;
  click.ClickFlag = false;
  const uint32_t start = env_.pump.TickCount();
  const int64_t length = std::llabs(static_cast<int64_t>(n));
  auto skipping = [&] { return click.CtrlSkipping(env_.pump.TickCount()); };
  if (!skipping())
    env_.waits.WaitUntil(start, length, [&] { return click.ClickFlag || skipping(); });
  click.ClickEnabled = true;
  click.ClearClicks();
  if (click.TextActive) click.FinishTextFlag = false;
}

void MessageText::PlacePicture(const Picture& picture, const Picture& mask, int x, int y) {
  if (text.TextVisible) {
    env_.screen.BackImage.Draw(x, y, mask, RasterOp::And);
    env_.screen.BackImage.Draw(x, y, picture, RasterOp::Or);
    env_.window.InvalidateScreen();
  }
  MessageImage.Draw(x, y, picture);
  MessageMask.Draw(x, y, mask);
}

void MessageText::InlinePicture(std::string_view file) {
  Picture picture, mask;
  LoadPicture(file, picture, env_.files, env_.errors);
  if (picture.Empty()) return;
  BuildColorKeyMask(picture, mask, SwapRedBlue(picture.Pixel(0, 0)));
  PlacePicture(picture, mask, PinCoordinate(int64_t{text.CursorX} + text.OffsetX),
               PinCoordinate(int64_t{text.CursorY} + text.OffsetY));
  text.CursorX = WrapInt32(int64_t{text.CursorX} + picture.Width());
}

void MessageText::ShowTextImage(std::optional<int32_t> x, std::optional<int32_t> y,
                                std::string_view file, std::string_view spec) {
  const int px = PinCoordinate(x ? *x : int64_t{text.CursorX} + text.OffsetX);
  const int py = PinCoordinate(y ? *y : int64_t{text.CursorY} + text.OffsetY);
  Picture picture, mask;
  LoadPicture(file, picture, env_.files, env_.errors);
  if (picture.Empty()) return;
  const int32_t key = ParseTransparencySpec(spec.empty() ? "#NONE" : spec, picture, env_.errors);
  if (key == kNoTransparency)
    mask.Resize(picture.Width(), picture.Height(), 0);
  else
    BuildColorKeyMask(picture, mask, static_cast<uint32_t>(key));
  PlacePicture(picture, mask, px, py);
}

int MessageText::RubyGroup(std::string_view line, int p) {
  const std::string base = ReadToken(line, p, ')');
  const std::string ruby = ReadToken(line, p, ')');
  if (base.empty() || ruby.empty()) return p;
  const FontSpec font{text.RubyFontName, text.RubyFontHeight, true};
  const int w = fonts_.TextWidth(font, ruby);
  const int64_t k = static_cast<int64_t>(base.size()) / 2;
  const int x = PinCoordinate(int64_t{text.CursorX} + text.OffsetX + (k * text.CharWidth - w) / 2);
  const int y = PinCoordinate(int64_t{text.CursorY} + text.OffsetY);
  static constexpr Offset kOutline[] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
  static constexpr Offset kShadow[] = {{1, 1}};
  // Ruby sits two pixels below the top of the gap band; its copies are
  // placed relative to that.
  DrawInk(font, ruby, false, x, y + 2,
          text.OutlineMode ? std::span<const Offset>(kOutline) : std::span<const Offset>(kShadow));
  ShowOnScreen(x - 1, y, PinCoordinate(int64_t{w} + 3), 16);
  // The base is text like any other, markers included, without end handling.
  // A base that holds ruby groups itself nests; the depth is bounded so a
  // hostile line cannot exhaust the stack.
  if (rubyDepth_ < 8) {
    ++rubyDepth_;
    struct Leave {
      int& d;
      ~Leave() { --d; }
    } leave{rubyDepth_};
    ShowTextLine(base + "%", 1);
  }
  return p;
}

int MessageText::FlagValueGroup(std::string_view line, int p) {
  const std::string expression = ReadToken(line, p, ',');
  const std::string width = ReadToken(line, p, ']');
  if (expression.empty()) return p;
  ShowPlainText(env_.eval.EmbedValue(expression, width));
  return p;
}

// --- waits --------------------------------------------------------------------

void MessageText::PerCharacterStep() {
  ClickState& click = env_.click;
  const int32_t id = click.CurrentTextId;
  bool alreadyRead = false;
  if (click.SkipReadMode && record.Covers(id) && record.IsRead(id))
    alreadyRead = true;
  else
    click.SkipReadMode = false;
  record.MarkRead(id);
  if (click.CtrlSkipping(env_.pump.TickCount())) alreadyRead = true;
  if (!click.FinishTextFlag && !click.HighSpeedMode && !alreadyRead && text.CharWait > 0)
    env_.waits.TimedWait(text.CharWait);
  if (text.CharWait < 0) env_.waits.TimedWait(text.CharWait);
}

void MessageText::SetWaitMenuItems(bool enabled) {
  Window& window = env_.window;
  const bool canSave =
      enabled && SaveAllowed() && hooks.savePointCaptured && hooks.savePointCaptured();
  window.SetMenuItemEnabled(MenuItem::Save, canSave);
  for (MenuItem item : {MenuItem::Load, MenuItem::TitleReturn, MenuItem::HideBackground,
                        MenuItem::HideText, MenuItem::Darkness})
    window.SetMenuItemEnabled(item, enabled);
}

void MessageText::WaitClickToContinue(ClickWaitKind kind) {
  ClickState& click = env_.click;
  if (click.SkippingRead()) return;
  if (click.PageUnitMode && kind == ClickWaitKind::LineEnd) return;
  auto ctrlSkipping = [&] { return click.CtrlSkipping(env_.pump.TickCount()); };
  if (ctrlSkipping()) {
    // Ctrl answers the wait itself; the window still gets its turn, which is
    // where the release of Ctrl arrives.
    env_.pump.ProcessMessages();
    return;
  }
  click.ClickFlag = false;
  inClickWait_ = true;
  if (!timer1Running_) {
    env_.pump.ProcessMessages();
    markerRow_ = static_cast<int>(kind);
    DrawMarkerFrame();
    SetMarkerRunning(true);
  }
  SetWaitMenuItems(true);
  click.MouseDownFlag = click.MouseUpFlag = false;
  env_.observer.ClickWaitStarted();
  // Ctrl held through the wait ends it once held long enough; the marker's
  // timer wakes the pump often enough to notice.
  auto alsoEnds = [&] { return click.SkippingRead() || ctrlSkipping(); };
  env_.waits.PressThenRelease(true, alsoEnds, alsoEnds);
  inClickWait_ = false;
  click.FinishTextFlag = false;
  SetMarkerRunning(false);
  RestoreMarkerSquare();
  SetWaitMenuItems(false);
}

void MessageText::LoadClickIcon(std::string_view file) {
  ClickIcon = Picture();
  ClickIconMask = Picture();
  if (file.empty()) return;
  try {
    LoadPicture(file, ClickIcon, env_.files, env_.errors);
  } catch (const ScriptException&) {
    ClickIcon = Picture();  // no readable marker: the marker draws nothing
  }
  if (ClickIcon.Empty()) return;
  BuildColorKeyMask(ClickIcon, ClickIconMask, SwapRedBlue(ClickIcon.Pixel(0, 0)));
}

void MessageText::SetMarkerRunning(bool running) {
  if (running == timer1Running_) return;
  timer1Running_ = running;
  env_.pump.SetTimer1(running);
}

void MessageText::MarkerPosition(int& x, int& y) const {
  const TextState& t = text;
  const int64_t mx = int64_t{t.CursorX} + t.OffsetX;
  const int64_t my = int64_t{t.CursorY} + t.LineHeight - t.FontHeight +
                     (int64_t{t.FontHeight} - kMarkerSize) / 2 + t.OffsetY + 16;
  if (mx >= kScreenWidth - kMarkerSize || my >= kScreenHeight - kMarkerSize) {
    x = kScreenWidth - kMarkerSize;
    y = kScreenHeight - kMarkerSize;
  } else {
    x = PinCoordinate(mx);
    y = PinCoordinate(my);
  }
}

void MessageText::RestoreMarkerSquare() {
  // The scene comes back under the marker, and the text over it, so that a
  // marker standing on text leaves no hole in it.
  env_.screen.BackImage.Blit(markerX_, markerY_, kMarkerSize, kMarkerSize, env_.screen.WorkScreen,
                             markerX_, markerY_);
  ShowOnScreen(markerX_, markerY_, kMarkerSize, kMarkerSize);
  env_.window.InvalidateRect(markerX_, markerY_, kMarkerSize, kMarkerSize);
}

void MessageText::DrawMarkerFrame() {
  MarkerPosition(markerX_, markerY_);
  RestoreMarkerSquare();
  const int sx = markerFrame_ * kMarkerSize, sy = markerRow_ * kMarkerSize;
  if (!ClickIcon.Empty()) {
    env_.screen.BackImage.Blit(markerX_, markerY_, kMarkerSize, kMarkerSize, ClickIconMask, sx, sy,
                               RasterOp::And);
    env_.screen.BackImage.Blit(markerX_, markerY_, kMarkerSize, kMarkerSize, ClickIcon, sx, sy,
                               RasterOp::Or);
  }
  markerFrame_ = (markerFrame_ + 1) % 8;
}

void MessageText::OnTimer1() {
  if (timer1Running_) DrawMarkerFrame();
}

}  // namespace korvana
