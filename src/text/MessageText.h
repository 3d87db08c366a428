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

#include "graphics/Picture.h"
#include "text/ClickState.h"
#include "text/Glyphs.h"
#include "text/MessageLog.h"
#include "text/ReadTextRecord.h"
#include "text/TextOutput.h"
#include "text/TextState.h"
#include "text/Waits.h"

namespace korvana {

class ErrorSink;
class Evaluator;
class Platform;
struct ProgState;

// What the message layer reads and writes that others own.
struct TextEnvironment {
  Platform& platform;
  ProgState& prog;
  ClickState& click;
  Waits& waits;
  Evaluator& eval;
  ErrorSink& errors;
  Picture& BackImage;
  Picture& WorkScreen;
  // The message layer, 640 × 480: black and white where there is no text.
  Picture& MessageImage;
  Picture& MessageMask;
  const int32_t& CurrentTextId;
  const int32_t& PendingRequest;
  bool& SaveDisabled;
  const std::string& dataPath;
};

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
  // "P" changed the visibility of the text: the scene needs a refresh.
  std::function<void()> markLayersDirty;
  // The text state was reset: the screen is refreshed in full.
  std::function<void()> refreshScreen;
};

class MessageText : public TextOutput {
 public:
  static constexpr int kScreenWidth = 640;
  static constexpr int kScreenHeight = 480;
  static constexpr int kMarkerSize = 32;

  MessageText(TextEnvironment env, TextState& text, MessageLog& log, FontLibrary& fonts);

  // TextOutput
  void ShowTextLine(std::string_view line, int fromColumn) override;
  void ShowPlainText(std::string_view text) override;
  void ClearPage() override;

  // 0: drawn or nothing to draw; 1: the line wrapped; 2: the page ended, was
  // waited for and cleared. "\f" and "\n" are the page and line ends.
  int DrawChar(std::string_view c);
  int NextLineOrPage(bool force);
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

  // kind 0 at a line end, 1 at a page end.
  void WaitClickToContinue(int kind);
  void PerCharacterStep();

  // The click marker: loaded once; an unreadable file leaves no marker.
  void LoadClickIcon(std::string_view file);
  void OnTimer1();
  bool MarkerRunning() const { return timer1Running_; }
  // Freezes or restarts the marker (the log screen and the hide views).
  void SetMarkerRunning(bool running);
  bool InClickWait() const { return inClickWait_; }

  std::array<std::string, 7> FontTable;
  Picture& MessageImage;
  Picture& MessageMask;
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
  void DrawInk(const FontSpec& font, std::string_view text, bool symbol, int x, int y,
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

  TextEnvironment env_;
  TextState& text_;
  MessageLog& log_;
  FontLibrary& fonts_;
  bool timer1Running_ = false;
  bool inClickWait_ = false;
  int markerFrame_ = 0;
  int markerRow_ = 0;
  int markerX_ = 0, markerY_ = 0;
  int rubyDepth_ = 0;
};

}  // namespace korvana
