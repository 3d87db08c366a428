#include "text/MessageText.h"

#include <algorithm>
#include <cstdlib>

#include "core/Coords.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/Tokens.h"
#include "expr/Evaluator.h"
#include "graphics/Layers.h"
#include "graphics/Mask.h"
#include "graphics/PictureLoader.h"
#include "platform/Platform.h"
#include "sound/SoundSystem.h"

namespace korvana {

MessageText::MessageText(TextEnvironment env, MessageLog& log, FontLibrary& fonts)
    : env_(env), log_(log), fonts_(fonts) {}

bool MessageText::OverlayMessage(Picture& target) const {
  if (!text.TextVisible) return false;
  target.Draw(0, 0, MessageMask, RasterOp::And);
  target.Draw(0, 0, MessageImage, RasterOp::Or);
  return true;
}

MessageWindow::LaidPictures MessageText::Laid() const {
  if (!text.TextVisible) return {};
  return {&MessageMask, &MessageImage};
}

bool MessageText::SymbolFont() const {
  return text.FontIndex > 3;
}

// --- lines ------------------------------------------------------------------

void MessageText::ShowTextLine(std::string_view line, int p) {
  ClickState& click = env_.click;
  click.FinishTextFlag = false;
  click.TextActive = true;
  MarkupReader reader(line, p);
  bool noEndHandling = false;
  DrawResult r = DrawResult::Drawn;
  while (!reader.AtEnd()) {
    // A load or title request ends the line at once: nothing more is drawn
    // or logged, and the interpreter serves it before the next line.
    if (click.RequestPending()) return;
    const MarkupPiece piece = reader.Next(SymbolFont());
    if (piece.kind == MarkupKind::End) break;
    noEndHandling = false;
    std::string_view c;
    switch (piece.kind) {
      case MarkupKind::End:
      case MarkupKind::Character:
        c = piece.text;
        break;
      case MarkupKind::InlineGroup:
        for (InlineCommand command; (command = reader.NextCommand(SymbolFont())).letter != 0;)
          ApplyInlineCommand(command);
        break;
      case MarkupKind::Ruby:
        ShowRuby(piece.text, piece.extra);
        break;
      case MarkupKind::FlagValue:
        if (!piece.text.empty()) ShowPlainText(env_.eval.EmbedValue(piece.text, piece.extra));
        break;
      case MarkupKind::LineWait:
        c = "\n";
        WaitClickToContinue(ClickWaitKind::LineEnd);
        click.FinishTextFlag = false;
        break;
      case MarkupKind::LineBreak:
        c = "\n";
        noEndHandling = true;
        break;
      case MarkupKind::Wait:
        WaitClickToContinue(ClickWaitKind::LineEnd);
        click.FinishTextFlag = false;
        noEndHandling = true;
        break;
      case MarkupKind::NoEnd:
        noEndHandling = true;
        break;
      case MarkupKind::PageEnd:
        c = "\f";
        break;
      case MarkupKind::Centre: {
        // The rest of the line counts as if every character were
        // double-byte.
        const int64_t rest =
            static_cast<int64_t>(reader.Length() - reader.Position()) * text.CharWidth / 2;
        text.CursorX = WrapInt32((kScreenWidth - rest) / 2);
        break;
      }
    }
    if (click.RequestPending()) return;
    env_.story.LineReached(reader.Position());
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
    const std::string_view c = MarkupCharAt(chars, static_cast<int>(i + 1), SymbolFont());
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

void MessageText::ShowOnScreen(int x, int y, int w, int h) const {
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
  const bool symbol = SymbolFont();
  DrawInk({text.FontName, text.FontHeight, false}, c, symbol, x, y,
          text.OutlineMode ? std::span<const Offset>(kOutline) : std::span<const Offset>(kShadow));
  const int cell = PinCoordinate(int64_t{text.CharWidth} + 3);
  ShowOnScreen(x - 1, y - 1, cell, cell);
  env_.observer.TextDrawn(std::string(c));
  ++pageChars_;
  if (!symbol) pageText_.AddChar(c);
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
  pageText_.LineBreak();
  env_.observer.TextDrawn("\n");
  text.CursorX = text.LeftMargin;
  return DrawResult::LineWrapped;
}

void MessageText::ClearPage() {
  MessageImage.Fill(0);
  MessageMask.Fill(0xFFFFFF);
  text.CursorX = text.LeftMargin;
  text.CursorY = 0;
  pageChars_ = 0;
  pageText_.Clear();
  log_.NewLogPage();
  env_.observer.TextDrawn("\f");
  if (text.TextVisible) {
    env_.screen.BackImage.Draw(0, 0, env_.screen.WorkScreen);
    env_.window.InvalidateScreen();
    if (SaveAllowed()) CaptureSavePoint();
  }
}

void MessageText::MarkLineStart(LineStart& mark) const {
  mark.text = text;
  mark.image = MessageImage;
  mark.mask = MessageMask;
  mark.pageChars = pageChars_;
  mark.page = pageText_;
}

void MessageText::ReturnToLineStart(const LineStart& mark) {
  text = mark.text;
  MessageImage = mark.image;
  MessageMask = mark.mask;
  pageChars_ = mark.pageChars;
  pageText_ = mark.page;
  env_.screen.BackImage.Draw(0, 0, env_.screen.WorkScreen);
  ShowOnScreen(0, 0, kScreenWidth, kScreenHeight);
  env_.window.InvalidateScreen();
}

void MessageText::CaptureSavePoint() {
  log_.CaptureSaveBookkeeping();
  env_.story.TakeSavePoint();
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
  env_.layers.RefreshScreen();
}

void MessageText::ResetAllTextFields() {
  text = TextState();
  text.FontName = FontTable[0];
  text.RubyFontName = FontTable[kRubyFontSlot];
}

// --- inline command groups ----------------------------------------------------

uint32_t ReadInlineColour(const std::string& spec, ErrorSink& errors) {
  static const Picture kNoPicture(1, 1, 0);
  const int32_t value = ParseTransparencySpec(spec, kNoPicture, errors);
  if (spec.empty() || spec[0] != '#') {
    // Not a colour at all (the end of the line, or a file name): reported
    // as a malformed colour and read as the parser's fallback, white.
    errors.ScriptError(J("色指定が異常です。:") + spec);
    return 0xFFFFFF;
  }
  return static_cast<uint32_t>(value) & 0xFFFFFF;
}

void MessageText::ApplyInlineCommand(const InlineCommand& command) {
  TextState& t = text;
  const int32_t step = t.LineStep();
  auto number = [&] { return command.number; };
  switch (command.letter) {
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
      t.TextColor = ReadInlineColour(command.text, env_.errors);
      break;
    case 'B':
      t.ShadowColor = ReadInlineColour(command.text, env_.errors);
      break;
    case 'D':
      t.ShadowOn = number() != 0;
      break;
    case 'P':
      t.TextVisible = number() != 0;
      env_.layers.LayersDirty = true;
      break;
    case 'E':
      t.OutlineMode = number() != 0;
      break;
    case 'V':
    case 'O': {
      const std::string file = env_.files.Expand(command.text);
      if (env_.sound.EnableSound && !env_.click.SkipReadMode)
        env_.sound.PlayShort(file, command.letter == 'V');
      break;
    }
    case 'A':
      InlinePicture(command.text);  // the loader expands the data drive
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

void MessageText::ShowRuby(const std::string& base, const std::string& ruby) {
  if (base.empty() || ruby.empty()) return;
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
    // The reading belongs to the base however the base's line ends.
    pageText_.BeginRuby(ruby);
    struct EndRuby {
      PageText& page;
      ~EndRuby() { page.EndRuby(); }
    } endRuby{pageText_};
    ShowTextLine(base + "%", 1);
  }
}

// --- waits --------------------------------------------------------------------

void MessageText::PerCharacterStep() {
  ClickState& click = env_.click;
  const int32_t id = click.CurrentTextId;
  bool alreadyRead = false;
  if (click.SkipReadMode && (click.SkipUnread || (record.Covers(id) && record.IsRead(id))))
    alreadyRead = true;
  else
    click.SkipReadMode = false;
  record.MarkRead(id);
  if (click.CtrlSkipping(env_.pump.TickCount())) alreadyRead = true;
  if (!click.FinishTextFlag && !click.HighSpeedMode && !alreadyRead && text.CharWait > 0)
    env_.waits.TimedWait(text.CharWait);
  if (text.CharWait < 0) env_.waits.TimedWait(text.CharWait);
}

}  // namespace korvana
