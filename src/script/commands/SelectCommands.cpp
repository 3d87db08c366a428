// The selection commands and the pointer: argument defaults, the flow every
// choice shares; the choices themselves are select/.
#include "core/Coords.h"
#include "core/Cp932.h"
#include "script/Engine.h"
#include "script/commands/CommandBindings.h"
#include "select/ItemLines.h"

namespace korvana {
namespace {

// A colour of `_selmenu`: any first character, then six hexadecimal digits
// RRGGBB, as 0x00BBGGRR; anything else is a conversion error that ends the
// script run through the exception path.
uint32_t MenuColour(const std::string& text, uint32_t fallback) {
  if (text.empty()) return fallback;
  if (const std::optional<uint32_t> colour = HexColour(text)) return *colour;
  throw ScriptException("'0x" + text.substr(1, 6) + J("' は正しい整数値ではありません"));
}

}  // namespace

void Engine::RunSelection(bool textMenu, bool keepPlaces, const std::function<int()>& choose) {
  Window& window = platform_.window;
  const bool canSave = !switches.SaveDisabled && HasSavePoint();
  window.SetMenuItemEnabled(MenuItem::Save, canSave);
  window.SetMenuItemEnabled(MenuItem::Font, false);
  const bool dirty = layers.LayersDirty;
  if (textMenu) layers.LayersDirty = true;

  const int32_t commandLine = prog.ProgExecLine;
  ++prog.ProgExecLine;
  if (!ReadItemLines(script.Lines(), prog.ProgExecLine, keepPlaces, eval_, *this, selection)) {
    // Reported on the command's line; the choice goes on with what was read
    // and the script ends after it.
    const int32_t end = prog.ProgExecLine;
    prog.ProgExecLine = commandLine;
    ScriptError(J("_endselが見つかりません"));
    prog.ProgExecLine = end;
  }
  const int r = choose();
  const int n = selection.ItemCount;
  if (n > 0 && r >= 0 && r < n && !selection.ItemCommands[r].empty()) {
    prog.ProgMultiStateFlag = MultiState::Conditional;
    const std::string command = selection.ItemCommands[r];
    ExecuteCommand(command);
  }
  prog.ProgSelResult = r;
  layers.LayersDirty = dirty;
  // The picture choices give "フォント設定" back too: nothing else would.
  window.SetMenuItemEnabled(MenuItem::Font, true);
  window.SetMenuItemEnabled(MenuItem::Save, false);
}

std::span<const CommandSpec> CommandBindings::SelectTable() {
  using A = const CommandArgs&;
  // A missing position is the text cursor, without the offsets.
  static constexpr auto at = [](Engine& e, const std::string& arg, int32_t cursor) {
    return arg.empty() ? cursor : e.eval_.EvalInt(arg);
  };
  static const CommandSpec table[] = {
      {"_selmenu", "iicci",
       [](Engine& e, A a) {
         const TextState& text = e.messageText.text;
         const int32_t x = at(e, a[0], text.CursorX), y = at(e, a[1], text.CursorY);
         MenuStyle style;
         style.highlight = MenuColour(a[2], 0xFFFFFF);
         style.normal = MenuColour(a[3], 0x808080);
         style.size = a[4].empty() ? 28 : e.eval_.EvalInt(a[4]);
         style.fontName = text.FontName;
         style.textColor = text.TextColor;
         style.shadowColor = text.ShadowColor;
         style.outline = text.OutlineMode;
         e.RunSelection(true, false,
                        [&] { return e.selector.SelectionMenu(x, y, e.selection, style); });
       }},
      {"_selbutton", "iitiit",
       [](Engine& e, A a) {
         const TextState& text = e.messageText.text;
         const int32_t x = at(e, a[0], text.CursorX), y = at(e, a[1], text.CursorY);
         const int32_t w = e.eval_.EvalInt(a[3]), h = e.eval_.EvalInt(a[4]);
         e.RunSelection(false, false, [&] {
           return e.selector.SelectionButtons(x, y, e.selection, a[2], w, h, a[5], e.eval_);
         });
       }},
      {"_selcgmode", "iitiiit",
       [](Engine& e, A a) {
         const TextState& text = e.messageText.text;
         const int32_t x = at(e, a[0], text.CursorX), y = at(e, a[1], text.CursorY);
         const int32_t w = e.eval_.EvalInt(a[3]), h = e.eval_.EvalInt(a[4]);
         const int32_t columns = e.eval_.EvalInt(a[5]);
         e.RunSelection(false, true, [&] {
           return e.selector.SelectionGrid(x, y, e.selection, a[2], w, h, columns, a[6], e.eval_);
         });
       }},
      {"_mouseloc", "ii",
       [](Engine& e, A a) {
         // The window scales the position to the screen's pixels.
         e.platform_.window.MovePointer(PinCoordinate(e.eval_.EvalInt(a[0])),
                                        PinCoordinate(e.eval_.EvalInt(a[1])));
       }},
  };
  return table;
}

}  // namespace korvana
