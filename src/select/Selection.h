#pragma once
// The three choices: a framed box of text entries (`SelectionMenu`), a column
// of picture buttons (`SelectionButtons`) and a grid of them
// (`SelectionGrid`). Each draws straight onto the screen, waits until an
// entry is clicked while the entry under the pointer is highlighted (the
// arrow keys and the wheel move the pointer from entry to entry, never off
// them), puts the
// screen back and returns the chosen entry: -1 without entries, 0 when the
// button picture cannot be used.
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/Picture.h"
#include "platform/Input.h"
#include "sound/SoundSystem.h"
#include "select/SelectionItems.h"

namespace korvana {

class Audio;
struct ChoiceView;
class Dialogs;
class ErrorSink;
class Evaluator;
class FontLibrary;
class GameFiles;
class Layers;
class Observer;
class Pump;
class Speech;
class StoryCursor;
class Window;
struct ClickState;
struct Screen;

// Where the entries lie, for the arrow keys: the first entry's corner, the
// extent of all entries and the step from one entry to the next.
struct SelectionArea {
  int64_t left = 0, top = 0, width = 0, height = 0, stepX = 0, stepY = 0;
};

// How a text menu looks: the two entry colours and the size (colours
// 0x00BBGGRR as scripts give them), and the message text's face, frame
// colours and outline switch.
struct MenuStyle {
  uint32_t highlight = 0xFFFFFF;
  uint32_t normal = 0x808080;
  int32_t size = 28;
  std::string fontName;
  uint32_t textColor = 0xFFFFFF;
  uint32_t shadowColor = 0;
  bool outline = false;
};

// The geometry of a text menu.
struct MenuBox {
  int64_t itemHeight = 0, width = 0, height = 0;
  int32_t size = 0;
};
// Size at least 4 (and at most the screen's height, so that a script's
// absurd size cannot make glyphs the machine cannot draw), item height
// size + 4, height n × item height + 4, width the largest of 8 and
// (size ÷ 2) × (label bytes + 1) + 2.
MenuBox MenuGeometry(const SelectionItems& items, int32_t size);

struct SelectionEnvironment {
  Pump& pump;
  Window& window;
  Observer& observer;
  Dialogs& dialogs;
  SoundSystem& sound;
  ClickState& click;
  ErrorSink& errors;
  Screen& screen;
  Layers& layers;
  FontLibrary& fonts;
  StoryCursor& cursor;
  const GameFiles& files;
  Speech& speech;
};

class Selection {
 public:
  explicit Selection(SelectionEnvironment env) : env_(env) {}

  int SelectionMenu(int32_t x, int32_t y, const SelectionItems& items, const MenuStyle& style);
  // `eval` turns each label into its button's state (the picture row).
  int SelectionButtons(int32_t x, int32_t y, const SelectionItems& items, std::string_view file,
                       int32_t w, int32_t h, std::string_view spec, Evaluator& eval);
  int SelectionGrid(int32_t x, int32_t y, const SelectionItems& items, std::string_view file,
                    int32_t w, int32_t h, int32_t columns, std::string_view spec, Evaluator& eval);

  // Input the engine forwards while a choice waits: an arrow key, or the
  // wheel (up is Up, down is Down).
  // Each moves the pointer at once, so that presses that come quickly one
  // after another each take a step.
  bool Active() const { return active_; }
  void OnArrow(Key key);
  void OnWheel(int delta) { OnArrow(delta > 0 ? Key::Up : Key::Down); }

  // The `MenuClickSound` setting: played, and waited for, after each choice.
  std::string MenuClickSound;
  // The area of the choice on the screen (kept after it for the tests).
  SelectionArea area;

  // One highlight step of a text menu: entry `from` back to normal, entry
  // `to` highlighted (the benchmark measures it).
  void RedrawMenuHighlight(int32_t x, int32_t y, const SelectionItems& items,
                           const MenuStyle& style, int from, int to);

 private:
  // A button picture as the sprite sheet with one sprite per entry; false
  // (after the warning box) when it cannot be used.
  bool LoadButtons(std::string_view file, int32_t w, int32_t h, std::string_view spec);
  void ShowButton(int i, int column, int64_t x, int64_t y, int32_t state);
  void DrawLabel(int32_t x, int32_t y, const std::string& label, const MenuStyle& style, int i,
                 uint32_t colour);
  // The screen under the choice, clipped to the screen.
  void SaveScreen(int64_t x, int64_t y, int64_t w, int64_t h);
  void RestoreScreen();
  // Tells the observer, then pumps until the pointer moves or an arrow comes.
  // `horizontal`: the arrows also move sideways (the grid); `firstX` is where
  // the first entry's centre lies.
  void WaitForPointer(const ChoiceView& view, bool horizontal, int64_t firstX);
  // Pumps once; true when the pointer stands somewhere new since the last
  // look (which it then remembers). The first look after a click carried
  // over from WaitForPointer does not pump, and makes the click.
  bool Look();
  // A page step asked for while the choice waits: the choice ends unanswered
  // and the story goes where the step leads.
  bool Leaving() const;
  // Entry `r` took the highlight: with speech on its label is read, once
  // (a picture entry, whose label is its state, by its number).
  void Focused(int r, const std::string& label);
  void Finish();
  // A choice waits: the engine sends it the arrows, the text gets no wheel.
  struct ActiveGuard {
    Selection& selection;
    explicit ActiveGuard(Selection& s);
    ~ActiveGuard();
  };

  SelectionEnvironment env_;
  Picture saved_;
  int savedX_ = 0, savedY_ = 0;
  bool active_ = false;
  bool arrowSeen_ = false;
  bool arrowsHorizontal_ = false;
  int64_t firstX_ = 0;
  // The entries of the choice waiting, for the arrow keys.
  int64_t entryCount_ = 0;
  // The entry whose label was spoken last; -1 for none yet.
  int spokenEntry_ = -1;
  // A click that came with the pointer's first move, waiting for the first look.
  bool carriedClick_ = false;
  // The pointer position last looked at; none before the first look.
  int64_t seenX_ = std::numeric_limits<int64_t>::min(), seenY_ = 0;
};

}  // namespace korvana
