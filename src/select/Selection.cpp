#include "select/Selection.h"

#include <algorithm>

#include "core/ClickState.h"
#include "core/Coords.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/ScreenSize.h"
#include "core/StoryCursor.h"
#include "expr/Evaluator.h"
#include "graphics/Layers.h"
#include "graphics/Screen.h"
#include "platform/Platform.h"
#include "text/FocusSpeech.h"
#include "text/Glyphs.h"

namespace korvana {

namespace {

// What is read of a picture entry: its number, and whether it can be chosen.
std::string EntryName(int r, bool choosable) {
  return J("項目") + std::to_string(r + 1) + (choosable ? "" : J("、選べません"));
}

}  // namespace
namespace {

// A one-pixel border from (x1, y1) to (x2, y2), right and bottom exclusive.
void Border(Picture& p, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t colour) {
  const int w = PinCoordinate(x2 - x1), h = PinCoordinate(y2 - y1);
  if (w <= 0 || h <= 0) return;
  p.FillRect(PinCoordinate(x1), PinCoordinate(y1), w, 1, colour);
  p.FillRect(PinCoordinate(x1), PinCoordinate(y2 - 1), w, 1, colour);
  p.FillRect(PinCoordinate(x1), PinCoordinate(y1), 1, h, colour);
  p.FillRect(PinCoordinate(x2 - 1), PinCoordinate(y1), 1, h, colour);
}

}  // namespace

MenuBox MenuGeometry(const SelectionItems& items, int32_t size) {
  MenuBox box;
  box.size = std::clamp<int32_t>(size, 4, kScreenHeight);
  box.itemHeight = box.size + 4;
  box.height = int64_t{items.ItemCount} * box.itemHeight + 4;
  box.width = 8;
  for (int i = 0; i < items.ItemCount; ++i)
    box.width = std::max<int64_t>(
        box.width,
        int64_t{box.size / 2} * static_cast<int64_t>(items.ItemLabels[i].size() + 1) + 2);
  return box;
}

// --- drawing and the screen ---------------------------------------------------

void Selection::SaveScreen(int64_t x, int64_t y, int64_t w, int64_t h) {
  const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(x + w, kScreenWidth);
  const int64_t bottom = std::min<int64_t>(y + h, kScreenHeight);
  savedX_ = static_cast<int>(left);
  savedY_ = static_cast<int>(top);
  if (right <= left || bottom <= top) {
    saved_ = Picture();
    return;
  }
  saved_.Resize(static_cast<int>(right - left), static_cast<int>(bottom - top));
  saved_.Blit(0, 0, saved_.Width(), saved_.Height(), env_.screen.BackImage, savedX_, savedY_);
}

void Selection::RestoreScreen() {
  if (!saved_.Empty()) env_.screen.BackImage.Draw(savedX_, savedY_, saved_);
  env_.window.InvalidateScreen();
}

void Selection::DrawLabel(int32_t x, int32_t y, const std::string& label, const MenuStyle& style,
                          int i, uint32_t colour) {
  const int32_t size = std::clamp<int32_t>(style.size, 4, kScreenHeight);
  const int64_t top = int64_t{y} + int64_t{i} * (size + 4);
  const FontSpec font{style.fontName, size, false};
  const int drawn =
      DrawString(env_.screen.BackImage, env_.fonts, font, label, PinCoordinate(int64_t{x} + 3),
                 PinCoordinate(top + 3), SwapRedBlue(colour));
  env_.window.InvalidateRect(PinCoordinate(int64_t{x} + 3), PinCoordinate(top + 3), drawn, size);
}

void Selection::RedrawMenuHighlight(int32_t x, int32_t y, const SelectionItems& items,
                                    const MenuStyle& style, int from, int to) {
  if (from >= 0 && from < items.ItemCount)
    DrawLabel(x, y, items.ItemLabels[from], style, from, style.normal);
  if (to >= 0 && to < items.ItemCount)
    DrawLabel(x, y, items.ItemLabels[to], style, to, style.highlight);
}

// --- waiting ----------------------------------------------------------------------

bool Selection::Look() {
  if (!carriedClick_) env_.pump.WaitMessage(Pump::kNoTimeout);
  if (env_.click.PointerX == seenX_ && env_.click.PointerY == seenY_) return false;
  seenX_ = env_.click.PointerX;
  seenY_ = env_.click.PointerY;
  if (carriedClick_) {
    carriedClick_ = false;
    env_.click.ClickFlag = true;
  }
  return true;
}

Selection::ActiveGuard::ActiveGuard(Selection& s) : selection(s) {
  selection.active_ = true;
  ClickState& click = selection.env_.click;
  ++click.ModalDepth;
  // Skipping read text ends where the reader has a choice to make, unless
  // the reader asked it to go on past choices.
  if (!click.SkipPastChoices) click.SkipReadMode = false;
}

Selection::ActiveGuard::~ActiveGuard() {
  selection.active_ = false;
  --selection.env_.click.ModalDepth;
}

void Selection::WaitForPointer(const ChoiceView& view, bool horizontal, int64_t firstX) {
  arrowsHorizontal_ = horizontal;
  firstX_ = firstX;
  entryCount_ = static_cast<int64_t>(view.entries.size());
  spokenEntry_ = -1;
  env_.observer.ChoiceStarted(view);
  const int startX = env_.click.PointerX, startY = env_.click.PointerY;
  arrowSeen_ = false;
  env_.click.ClickFlag = false;
  // A page step may already be asked for, at this choice's own turn of the
  // menu: nothing is waited for then.
  while (!Leaving()) {
    env_.pump.WaitMessage(Pump::kNoTimeout);
    if (env_.click.PointerX != startX || env_.click.PointerY != startY || arrowSeen_) break;
  }
  // A window system hands over everything queued at once, so a tap or a
  // quick click can arrive together with the move that led to it. A click
  // made away from where the pointer stood came after the move: it counts,
  // as it would have one message later. A click made before moving does not.
  carriedClick_ = env_.click.ClickFlag &&
                  (env_.click.ClickX != startX || env_.click.ClickY != startY);
  // The first look of the main loop sees wherever the pointer is now.
  seenX_ = std::numeric_limits<int64_t>::min();
}

void Selection::OnArrow(Key key) {
  if (!active_ || entryCount_ <= 0) return;
  arrowSeen_ = true;
  // The keys go from entry to entry: never onto an empty place of a grid's
  // last row, below it, or off the entries. A locked entry may take the
  // focus (a click on it does nothing).
  const SelectionArea& a = area;
  const int64_t columns =
      arrowsHorizontal_ && a.stepX > 0 ? std::max<int64_t>(a.width / a.stepX, 1) : 1;
  const int64_t n = entryCount_;
  const int64_t px = env_.click.PointerX, py = env_.click.PointerY;
  int64_t at = -1;
  if (a.stepX > 0 && a.stepY > 0 && a.left <= px && px < a.left + a.width && a.top <= py &&
      py < a.top + a.height) {
    const int64_t cell = (py - a.top) / a.stepY * columns + (columns > 1 ? (px - a.left) / a.stepX : 0);
    if (cell < n) at = cell;
  }
  int64_t to = at;
  if (at < 0) {
    to = 0;
  } else if (key == Key::Down) {
    // Into a shorter last row: its nearest entry.
    if (at + columns < n) to = at + columns;
    else if ((at / columns + 1) * columns < n) to = n - 1;
  } else if (key == Key::Up) {
    if (at >= columns) to = at - columns;
  } else if (columns > 1 && key == Key::Right) {
    if (at % columns + 1 < columns && at + 1 < n) to = at + 1;
  } else if (columns > 1 && key == Key::Left) {
    if (at % columns > 0) to = at - 1;
  }
  const int64_t x = firstX_ + (to % columns) * (columns > 1 ? a.stepX : 0);
  const int64_t y = a.top + (to / columns) * a.stepY + a.stepY / 2;
  if (x == px && y == py) return;
  // Where the window cannot move the pointer (full screen), the keys still
  // reach every entry: the choice's own idea of the pointer moves.
  if (!env_.window.MovePointer(PinCoordinate(x), PinCoordinate(y))) {
    env_.click.PointerX = PinCoordinate(x);
    env_.click.PointerY = PinCoordinate(y);
  }
}

bool Selection::Leaving() const { return env_.click.RequestPending(); }

void Selection::Focused(int r, const std::string& label) {
  if (r == spokenEntry_) return;
  spokenEntry_ = r;
  SpeakFocusedLabel(env_.click, env_.speech, label);
}

void Selection::Finish() {
  RestoreScreen();
  if (!MenuClickSound.empty() && !Leaving()) env_.sound.PlayShort(MenuClickSound, true);
  env_.cursor.ShowChosen();
}

// --- the text menu ----------------------------------------------------------------

int Selection::SelectionMenu(int32_t x, int32_t y, const SelectionItems& items,
                             const MenuStyle& style) {
  const MenuBox box = MenuGeometry(items, style.size);
  const int n = items.ItemCount;
  if (n == 0) return -1;
  area = {int64_t{x} + 2, int64_t{y} + 2, box.width, box.height - 4, box.width, box.itemHeight};
  SaveScreen(x, y, box.width, box.height);
  Picture& screen = env_.screen.BackImage;
  Border(screen, int64_t{x} + 1, int64_t{y} + 1, int64_t{x} + box.width, int64_t{y} + box.height,
         SwapRedBlue(style.shadowColor));
  Border(screen, x, y, int64_t{x} + box.width - 1, int64_t{y} + box.height - 1,
         SwapRedBlue(style.textColor));
  const FontSpec font{style.fontName, box.size, false};
  ChoiceView view{"menu", {}};
  for (int i = 0; i < n; ++i) {
    const int64_t top = int64_t{y} + int64_t{i} * box.itemHeight;
    const std::string& label = items.ItemLabels[i];
    if (style.outline) {
      const uint32_t shade = SwapRedBlue(style.shadowColor);
      for (auto [dx, dy] : {std::pair{4, 4}, {4, 2}, {2, 4}, {2, 2}})
        DrawString(screen, env_.fonts, font, label, PinCoordinate(int64_t{x} + dx),
                   PinCoordinate(top + dy), shade);
    } else {
      DrawString(screen, env_.fonts, font, label, PinCoordinate(int64_t{x} + 5),
                 PinCoordinate(top + 5), 0);
    }
    DrawString(screen, env_.fonts, font, label, PinCoordinate(int64_t{x} + 3),
               PinCoordinate(top + 3), SwapRedBlue(style.normal));
    view.entries.push_back({label, PinCoordinate(int64_t{x} + box.width / 2),
                            PinCoordinate(top + 3 + box.itemHeight / 2), true});
  }
  env_.window.InvalidateScreen();

  ActiveGuard active(*this);
  WaitForPointer(view, false, area.left + area.width / 2);
  auto inside = [&](int64_t mx, int64_t my) {
    return x < mx && mx < int64_t{x} + box.width && int64_t{y} + 3 < my &&
           my < int64_t{y} + box.height - 3;
  };
  int r = 0;
  for (;;) {
    env_.click.ClickFlag = false;
    while (!env_.click.ClickFlag && !Leaving()) {
      const int before = r;
      if (!Look()) continue;
      RedrawMenuHighlight(x, y, items, style, before, -1);
      if (inside(seenX_, seenY_)) {
        env_.cursor.ShowTemporary(Cursor::Hand);
        r = static_cast<int>((seenY_ - y - 3) / box.itemHeight);
        RedrawMenuHighlight(x, y, items, style, -1, r);
        if (r < n) Focused(r, items.ItemLabels[r]);
      } else {
        env_.cursor.ShowChosen();
      }
    }
    if (Leaving()) break;
    if (inside(seenX_, seenY_)) break;
  }
  Finish();
  return r;
}

// --- picture buttons -----------------------------------------------------------

bool Selection::LoadButtons(std::string_view file, int32_t w, int32_t h, std::string_view spec) {
  Layers& layers = env_.layers;
  layers.ClearSprites();
  // A cell of no size cannot be cut: the warning below says so, once.
  if (w >= 1 && h >= 1) {
    try {
      layers.LoadSpriteSheet(file, w, h, spec);
    } catch (const ScriptException& e) {
      // A picture that cannot be read is shown and reported like any
      // exception, and the choice takes the unusable picture's way.
      env_.dialogs.ShowException(e.what());
      env_.errors.ReportScriptError(e.what());
      layers.state.sheet.usable = 0;
    }
  } else {
    layers.state.sheet.usable = 0;
  }
  if (layers.state.sheet.usable) return true;
  env_.dialogs.MessageBox(J("画像の読み込み失敗もしくはサイズ指定が異常です"), "", BoxButtons::Ok,
                          BoxIcon::Exclamation);
  return false;
}

void Selection::ShowButton(int i, int column, int64_t x, int64_t y, int32_t state) {
  if (i < 0 || i >= kSpriteCount) return;
  env_.layers.SetSpriteFrame(i, column, state);
  env_.layers.PutSprite(i, PinCoordinate(x), PinCoordinate(y));
}

int Selection::SelectionButtons(int32_t x, int32_t y, const SelectionItems& items,
                                std::string_view file, int32_t w, int32_t h, std::string_view spec,
                                Evaluator& eval) {
  // A column is a grid of one column whose last row is never empty.
  const int n = items.ItemCount;
  if (n == 0) return -1;
  std::vector<int32_t> states(n);
  for (int i = 0; i < n; ++i) states[i] = eval.EvalInt(items.ItemLabels[i]);
  area = {x, y, w, int64_t{n} * h, w, h};
  if (!LoadButtons(file, w, h, spec)) return 0;
  SaveScreen(x, y, w, int64_t{n} * h);
  ChoiceView view{"button", {}};
  for (int i = 0; i < n; ++i) {
    ShowButton(i, 0, x, int64_t{y} + int64_t{i} * h, states[i]);
    view.entries.push_back({items.ItemLabels[i], PinCoordinate(int64_t{x} + w / 2),
                            PinCoordinate(int64_t{y} + int64_t{i} * h + h / 2), true});
  }
  ActiveGuard active(*this);
  WaitForPointer(view, false, area.left + area.stepX / 2);
  // A cell owns its left and top edges, as it is drawn from there: with
  // both edges open a cell one pixel wide could never be chosen.
  auto inside = [&](int64_t mx, int64_t my) {
    return x <= mx && mx < int64_t{x} + w && y <= my && my < int64_t{y} + int64_t{n} * h;
  };
  int r = 0;
  for (;;) {
    env_.click.ClickFlag = false;
    while (!env_.click.ClickFlag && !Leaving()) {
      if (!Look()) continue;
      ShowButton(r, 0, x, int64_t{y} + int64_t{r} * h, states[r]);
      if (inside(seenX_, seenY_)) {
        env_.cursor.ShowTemporary(Cursor::Hand);
        r = static_cast<int>((seenY_ - y) / h);
        ShowButton(r, 1, x, int64_t{y} + int64_t{r} * h, states[r]);
        Focused(r, EntryName(r, states[r] >= 1));
      } else {
        env_.cursor.ShowChosen();
      }
    }
    if (Leaving()) break;
    if (inside(seenX_, seenY_)) break;
  }
  env_.layers.ClearSprites();
  Finish();
  return r;
}

int Selection::SelectionGrid(int32_t x, int32_t y, const SelectionItems& items,
                             std::string_view file, int32_t w, int32_t h, int32_t columns,
                             std::string_view spec, Evaluator& eval) {
  const int64_t k = std::max(columns, 1);
  const int n = items.ItemCount;
  if (n == 0) return -1;
  std::vector<int32_t> states(n);
  for (int i = 0; i < n; ++i) states[i] = eval.EvalInt(items.ItemLabels[i]);
  // One row more than needed when n is a multiple of k; its places are empty.
  const int64_t width = int64_t{w} * k, height = (n / k + 1) * int64_t{h};
  area = {x, y, width, height, w, h};
  if (!LoadButtons(file, w, h, spec)) return 0;
  SaveScreen(x, y, width, height);
  auto cellX = [&](int i) { return int64_t{x} + (i % k) * w; };
  auto cellY = [&](int i) { return int64_t{y} + (i / k) * h; };
  ChoiceView view{"grid", {}};
  for (int i = 0; i < n; ++i) {
    ShowButton(i, 0, cellX(i), cellY(i), states[i]);
    view.entries.push_back({items.ItemLabels[i], PinCoordinate(cellX(i) + w / 2),
                            PinCoordinate(cellY(i) + h / 2), states[i] >= 1});
  }
  ActiveGuard active(*this);
  WaitForPointer(view, true, area.left + area.stepX / 2);
  // Half-open like the cells themselves (see SelectionButtons).
  auto inside = [&](int64_t mx, int64_t my) {
    return x <= mx && mx < int64_t{x} + width && y <= my && my < int64_t{y} + height;
  };
  // Entries below state 1 (a locked gallery picture) and the empty places of
  // the last row cannot be chosen.
  auto canChoose = [&](int r) { return r < n && states[r] >= 1; };
  int r = 0;
  for (;;) {
    env_.click.ClickFlag = false;
    while (!env_.click.ClickFlag && !Leaving()) {
      if (!Look()) continue;
      if (r < n) {
        ShowButton(r, 0, cellX(r), cellY(r), states[r]);
      } else {
        env_.cursor.ShowChosen();
        env_.click.ClickFlag = false;
      }
      if (inside(seenX_, seenY_)) {
        r = static_cast<int>(((seenY_ - y) / h) * k + (seenX_ - x) / w);
        if (r < n) ShowButton(r, 1, cellX(r), cellY(r), states[r]);
        if (r < n) Focused(r, EntryName(r, states[r] >= 1));
        if (canChoose(r)) {
          env_.cursor.ShowTemporary(Cursor::Hand);
        } else {
          env_.cursor.ShowChosen();
          env_.click.ClickFlag = false;
        }
      } else {
        env_.cursor.ShowChosen();
      }
    }
    if (Leaving()) break;
    if (inside(seenX_, seenY_) && canChoose(r)) break;
  }
  env_.layers.ClearSprites();
  Finish();
  return r;
}

}  // namespace korvana
