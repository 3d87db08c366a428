#pragma once
// The message layer: text drawn character by character into MessageImage and
// MessageMask (and at once onto the screen while the text is visible), as the
// markup reader (Markup.h) hands it over: markers, inline commands, ruby,
// flag values and inline pictures; and the per-character step with the
// read-text record. The click waits are ClickWait's.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/ClickState.h"
#include "core/FontSlots.h"
#include "core/ScreenSize.h"
#include "core/SystemSwitches.h"
#include "core/Waits.h"
#include "graphics/Picture.h"
#include "graphics/Screen.h"
#include "text/ClickWait.h"
#include "text/Glyphs.h"
#include "text/Markup.h"
#include "text/MessageLog.h"
#include "text/PageText.h"
#include "text/ReadTextRecord.h"
#include "text/TextState.h"

namespace korvana {

class ErrorSink;

// The colour of a "C" or "B" inline command (its seven characters) as
// 0x00RRGGBB. A malformed one is reported to `errors` and reads as white;
// the script checker asks the same function, so the two agree.
uint32_t ReadInlineColour(const std::string& spec, ErrorSink& errors);
class Evaluator;
class GameFiles;
class Layers;
class Observer;
class Pump;
class SoundSystem;
class Speech;
class TextOut;
class TextStory;
class Window;

// What the message layer needs from the engine around it.
struct TextEnvironment {
  Pump& pump;
  Window& window;
  Observer& observer;
  ClickState& click;
  Waits& waits;
  Evaluator& eval;
  ErrorSink& errors;
  Screen& screen;
  const GameFiles& files;
  // `_syssave` keeps the save point where it is.
  const SystemSwitches& switches;
  // "P" changes what the scene shows; a reset refreshes it.
  Layers& layers;
  // The "V" and "O" inline sounds.
  SoundSystem& sound;
  TextStory& story;
  // The reader's speech and text out of the page.
  Speech& speech;
  TextOut& textOut;
};

// What a draw step did.
enum class DrawResult {
  Drawn = 0,        // drawn, or nothing to draw
  LineWrapped = 1,  // the line was full and the cursor went to the next
  PageEnded = 2,    // the page was full, waited for and cleared
};

// What the message layer tells the story that runs it and asks of it. The
// save point and the resume position belong to the interpreter, which comes
// later in the layer order: the engine implements this.
class TextStory {
 public:
  virtual ~TextStory() = default;
  // The text line being shown has reached 1-based byte position `column`:
  // a saved game resumes there.
  virtual void LineReached(int32_t column) = 0;
  // A page clear while the text is visible and saving is allowed: the save
  // point is taken here (the log's part is done already).
  virtual void TakeSavePoint() = 0;
  // Whether a save point exists, which enables "データ保存" in click waits.
  virtual bool HasSavePoint() const = 0;
  // A click wait starts (`offered`: saving is allowed in it) or ends: a step
  // a page back or forward is offered only while one where saving is.
  virtual void OfferPageSteps(bool offered) = 0;
};

class MessageText : public MessageWindow {
 public:
  MessageText(TextEnvironment env, MessageLog& log, FontLibrary& fonts);
  // The click wait keeps references into this object.
  MessageText(const MessageText&) = delete;
  MessageText& operator=(const MessageText&) = delete;

  // Shows a text line from 1-based byte position `fromColumn`, waiting for
  // clicks as the text demands. A pending request ends it at once.
  void ShowTextLine(std::string_view line, int fromColumn);
  // Outputs text unchanged (a "\\" line, a flag value), markers included.
  void ShowPlainText(std::string_view chars);
  void ClearPage();

  // MessageWindow
  bool MessageVisible() const override { return text.TextVisible; }
  bool OverlayMessage(Picture& target) const override;
  LaidPictures Laid() const override;

  // "\f" and "\n" are the page and line ends.
  DrawResult DrawChar(std::string_view c);
  DrawResult NextLineOrPage(bool force);
  // Both corners included; the screen is not touched.
  void EraseTextRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void SetTextSize(int32_t n);
  // Cursor, sizes, colours, modes and limits to their reset values, then a
  // full refresh is due.
  void ResetTextState();
  // Every field to its reset value, the font names from the table (window
  // creation and the return to the title, before ResetTextState).
  void ResetAllTextFields();
  // `_textimage`: x and y default to the cursor plus the offsets.
  void ShowTextImage(std::optional<int32_t> x, std::optional<int32_t> y, std::string_view file,
                     std::string_view spec);

  void WaitClickToContinue(ClickWaitKind kind) { clickWait_.Wait(kind, pageText_); }
  void PerCharacterStep();

  // The click marker (ClickWait.h).
  void LoadClickIcon(std::string_view file) { clickWait_.LoadIcon(file); }
  void OnTimer1() { clickWait_.OnTimer1(); }
  bool MarkerRunning() const { return clickWait_.MarkerRunning(); }
  void SetMarkerRunning(bool running) { clickWait_.SetMarkerRunning(running); }
  bool InClickWait() const { return clickWait_.Waiting(); }
  void AutoModeChanged() { clickWait_.AutoModeChanged(); }
  // Characters drawn since the page was last cleared (auto mode gives the
  // reader time for each).
  int64_t PageChars() const { return pageChars_; }
  // The page's text since its clear, for the reader's speech and text out.
  const PageText& Page() const { return pageText_; }
  // The reader turned speech or text out on during a click wait: the text
  // that wait stands after goes out at once.
  void OfferWaitText(bool speak, bool send) { clickWait_.OfferText(speak, send); }

  // Lays the message layer over the screen in a rectangle, when visible.
  void ShowOnScreen(int x, int y, int w, int h) const;
  // Saving is off while a "\\" line or a flag value is drawn.
  bool SaveAllowed() const { return !env_.switches.SaveDisabled && plainTextDepth_ == 0; }

  // The cursor, sizes, colours, limits and modes; a saved game carries them.
  TextState text;
  FontSlots FontTable;
  // The message layer, screen-sized: black and white where there is no
  // text.
  Picture MessageImage{kScreenWidth, kScreenHeight, 0x000000};
  Picture MessageMask{kScreenWidth, kScreenHeight, 0xFFFFFF};
  ReadTextRecord record;

  // The message window as a text line found it, so that the line can be
  // drawn again over what it drew (an author's reload of the script); the
  // log's part is the caller's.
  struct LineStart {
    TextState text;
    Picture image, mask;
    int64_t pageChars = 0;
    PageText page;
  };
  void MarkLineStart(LineStart& mark) const;
  // Back to the mark, on the screen too.
  void ReturnToLineStart(const LineStart& mark);

  // Where a shadow or outline copy goes, relative to the glyph.
  struct Offset {
    int dx, dy;
  };

 private:
  // Characters are single bytes with a symbol font (slots 4 to 6).
  bool SymbolFont() const;
  void ApplyInlineCommand(const InlineCommand& command);
  void ShowRuby(const std::string& base, const std::string& ruby);
  void InlinePause(int32_t n);
  void InlinePicture(std::string_view file);

  // Draws `text` with its shadow or outline copies into both pictures.
  void DrawInk(const FontSpec& font, std::string_view ink, bool symbol, int x, int y,
               std::span<const Offset> shadows);
  // Puts a picture and its mask into the message layer (and the screen).
  void PlacePicture(const Picture& picture, const Picture& mask, int x, int y);
  void CaptureSavePoint();

  TextEnvironment env_;
  MessageLog& log_;
  FontLibrary& fonts_;
  ClickWait clickWait_{env_, *this};
  int rubyDepth_ = 0;
  int plainTextDepth_ = 0;
  int64_t pageChars_ = 0;
  PageText pageText_;
};

}  // namespace korvana
