#pragma once
// The message layer: text drawn character by character into MessageImage and
// MessageMask (and at once onto the screen while the text is visible), its
// markers and inline commands, ruby, flag values, inline pictures, the click
// waits with their animated marker and the per-character step with the
// read-text record.
#include <array>
#include <cstdint>
#include <functional>
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
#include "text/Glyphs.h"
#include "text/MessageLog.h"
#include "text/ReadTextRecord.h"
#include "text/TextState.h"

namespace korvana {

// The letters of "<…>" groups in message text that do something; any other
// character inside a group is skipped.
inline constexpr std::string_view kInlineLetters = "SFXYMNLHJKTWQIRUCBDPEVOA";

class ErrorSink;
class Evaluator;
class GameFiles;
class Observer;
class Pump;
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
};

// What a draw step did.
enum class DrawResult {
  Drawn = 0,        // drawn, or nothing to draw
  LineWrapped = 1,  // the line was full and the cursor went to the next
  PageEnded = 2,    // the page was full, waited for and cleared
};

// Which row of the click marker a click wait shows.
enum class ClickWaitKind { LineEnd = 0, PageEnd = 1 };

// Calls into subsystems that come later; each may stay empty.
struct TextHooks {
  // A page clear while the text is visible and saving is allowed: the save
  // point is captured here (the log's part is done already).
  std::function<void()> captureSavePoint;
  // Whether a save point exists, which enables "データ保存" in click waits.
  std::function<bool()> savePointCaptured;
  // The "V" (wait = true) and "O" inline sounds; an empty name stops.
  std::function<void(const std::string& file, bool wait)> playShortSound;
  // Whether the sound-effects menu item is ticked.
  std::function<bool()> soundEffectsOn;
  // The text line being shown has reached 1-based byte position `column`:
  // the interpreter keeps it so that a saved game resumes there.
  std::function<void(int32_t column)> lineProgress;
  // "P" changed the visibility of the text: the scene needs a refresh.
  std::function<void()> markLayersDirty;
  // The text state was reset: the screen is refreshed in full.
  std::function<void()> refreshScreen;
};

class MessageText : public MessageWindow {
 public:
  static constexpr int kMarkerSize = 32;

  MessageText(TextEnvironment env, MessageLog& log, FontLibrary& fonts);

  // Shows a text line from 1-based byte position `fromColumn`, waiting for
  // clicks as the text demands. A pending request ends it at once.
  void ShowTextLine(std::string_view line, int fromColumn);
  // Outputs text unchanged (a "\\" line, a flag value), markers included.
  void ShowPlainText(std::string_view chars);
  void ClearPage();

  // MessageWindow
  bool MessageVisible() const override { return text.TextVisible; }
  bool OverlayMessage(Picture& target) const override;

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

  void WaitClickToContinue(ClickWaitKind kind);
  void PerCharacterStep();

  // The click marker: loaded once; an unreadable file leaves no marker.
  void LoadClickIcon(std::string_view file);
  void OnTimer1();
  bool MarkerRunning() const { return timer1Running_; }
  // Freezes or restarts the marker (the log screen and the hide views).
  void SetMarkerRunning(bool running);
  bool InClickWait() const { return inClickWait_; }

  // The cursor, sizes, colours, limits and modes; a saved game carries them.
  TextState text;
  FontSlots FontTable;
  // The message layer, screen-sized: black and white where there is no
  // text.
  Picture MessageImage{kScreenWidth, kScreenHeight, 0x000000};
  Picture MessageMask{kScreenWidth, kScreenHeight, 0xFFFFFF};
  ReadTextRecord record;
  Picture ClickIcon;
  Picture ClickIconMask;
  TextHooks hooks;

  // Where a shadow or outline copy goes, relative to the glyph.
  struct Offset {
    int dx, dy;
  };

 private:
  // One character at 1-based position p: a byte with a symbol font, else one
  // or two bytes.
  std::string_view CharAt(std::string_view line, int p) const;
  int InlineCommandGroup(std::string_view line, int p);
  void ApplyInlineLetter(char letter, std::string_view line, int& p);
  int RubyGroup(std::string_view line, int p);
  int FlagValueGroup(std::string_view line, int p);
  void InlinePause(int32_t n);
  void InlinePicture(std::string_view file);
  uint32_t ReadColor(std::string_view line, int& p);

  // Draws `text` with its shadow or outline copies into both pictures.
  void DrawInk(const FontSpec& font, std::string_view ink, bool symbol, int x, int y,
               std::span<const Offset> shadows);
  // Lays the message layer over the screen in a rectangle, when visible.
  void ShowOnScreen(int x, int y, int w, int h);
  // Puts a picture and its mask into the message layer (and the screen).
  void PlacePicture(const Picture& picture, const Picture& mask, int x, int y);
  void CaptureSavePoint();

  void MarkerPosition(int& x, int& y) const;
  void DrawMarkerFrame();
  void RestoreMarkerSquare();
  void SetWaitMenuItems(bool enabled);
  // Saving is off while a "\\" line or a flag value is drawn.
  bool SaveAllowed() const { return !env_.switches.SaveDisabled && plainTextDepth_ == 0; }

  TextEnvironment env_;
  MessageLog& log_;
  FontLibrary& fonts_;
  bool timer1Running_ = false;
  bool inClickWait_ = false;
  int markerFrame_ = 0;
  int markerRow_ = 0;
  int markerX_ = 0, markerY_ = 0;
  int rubyDepth_ = 0;
  int plainTextDepth_ = 0;
};

}  // namespace korvana
