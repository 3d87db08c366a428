// Commands that change which line runs next, make the story wait, or end it.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "core/Cp932.h"
#include "graphics/Effects.h"
#include "script/Engine.h"
#include "script/commands/CommandBindings.h"

namespace korvana {
namespace {

// A real argument as decimal text; anything else is a conversion error that
// ends the script run through the exception path.
double ParseReal(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(begin, &end);
  if (text.empty() || end != begin + text.size() || errno == ERANGE || !std::isfinite(v))
    throw ScriptException("'" + text + J("' は正しい浮動小数点数値ではありません"));
  return v;
}

}  // namespace

std::span<const CommandSpec> CommandBindings::FlowTable() {
  using A = const CommandArgs&;
  static const CommandSpec table[] = {
      {"_goto", "tt",
       [](Engine& e, A a) {
         ProgState& prog = e.prog_;
         if (!a[1].empty()) {
           e.LoadScript(a[1]);
           prog.ProgFileName = a[1];
         }
         prog.JumpTo(a[0].empty() ? 0 : e.script_.FindLabel(a[0], prog.ProgExecLine + 1) + 1);
       }},
      {"_gosub", "t",
       [](Engine& e, A a) {
         ProgState& prog = e.prog_;
         if (a[0].empty()) {
           prog.ProgResumeColumn = 0;
           prog.ProgMultiStateFlag = MultiState::Command;
           prog.ProgRetStack = -1;
           return;
         }
         prog.JumpTo(e.script_.FindLabel(a[0], prog.ProgExecLine + 1) + 1);
         if (prog.ProgRetStack >= ProgState::kReturnDepth - 1) {
           e.ScriptError(J("GOSUBのスタックが溢れました"));
           return;
         }
         prog.ReturnAddresses[++prog.ProgRetStack] = prog.ProgExecLine + 1;
       }},
      {"_return", "t",
       [](Engine& e, A a) {
         ProgState& prog = e.prog_;
         if (prog.ProgRetStack < 0) {
           e.ScriptError(J("GOSUB無しでRETURNが実行されました"));
           return;
         }
         prog.JumpTo(a[0].empty() ? prog.ReturnAddresses[prog.ProgRetStack]
                                  : e.script_.FindLabel(a[0], prog.ProgExecLine + 1) + 1);
         --prog.ProgRetStack;
       }},
      {"_if", "i",
       [](Engine& e, A a) {
         if (!a[0].empty()) e.prog_.ProgIfResult = e.eval_.EvalInt(a[0]);
         e.NoteCondition(e.prog_.ProgIfResult != 0);
       }},
      {"_then", "",
       [](Engine& e, A) {
         ProgState& prog = e.prog_;
         if (prog.ProgIfResult == 0)
           prog.JumpTo(e.FindEndMarker("_endthen", prog.ProgExecLine + 1) + 1);
       }},
      {"_else", "",
       [](Engine& e, A) {
         ProgState& prog = e.prog_;
         if (prog.ProgIfResult != 0)
           prog.JumpTo(e.FindEndMarker("_endelse", prog.ProgExecLine + 1) + 1);
       }},
      {"_branch", "i",
       [](Engine& e, A a) {
         ProgState& prog = e.prog_;
         const bool held = e.eval_.EvalInt(a[0]) == prog.ProgSelResult;
         e.NoteCondition(held);
         if (!held)
           prog.JumpTo(e.FindEndMarker("_endbranch", prog.ProgExecLine + 1) + 1);
       }},
      {"_scroll", "iciii",
       [](Engine& e, A a) {
         ProgState& prog = e.prog_;
         const int32_t end = e.FindEndMarker("_endscroll", prog.ProgExecLine + 1);
         std::vector<std::string> lines;
         for (int32_t i = prog.ProgExecLine + 1; i < end; ++i)
           lines.emplace_back(TrimLeftBlanks(e.script_.Lines()[i]));
         const int32_t first = e.eval_.EvalInt(a[0]);
         const uint32_t colour = ParseColorArgument(a[1], e);
         const int32_t third = e.eval_.EvalInt(a[2]);
         const int32_t fourth = e.eval_.EvalInt(a[3]);
         const int32_t style = e.eval_.EvalInt(a[4]);
         ScrollRoll(e.layers_, lines, first, colour, third, fourth, style);
         prog.JumpTo(end + 1);
       }},
      {"_waitset", "", [](Engine& e, A) { e.waitReference_ = e.platform_.pump.TickCount(); }},
      {"_wait", "i",
       [](Engine& e, A a) { e.waits_.WaitUntil(e.waitReference_, e.eval_.EvalInt(a[0])); }},
      {"_delay", "i",
       [](Engine& e, A a) { e.waits_.TimedWait(a[0].empty() ? 1 : e.eval_.EvalInt(a[0])); }},
      {"_mouseclick", "",
       [](Engine& e, A) {
         Window& window = e.platform_.window;
         const bool popup = window.PopupEnabled();
         window.SetPopupEnabled(false);
         e.cursor_.ShowTemporary(Cursor::Wait);
         e.waits_.WaitForClick(false);
         window.SetPopupEnabled(popup);
         e.cursor_.ShowChosen();
       }},
      {"_stop", "t",
       [](Engine& e, A a) {
         Window& window = e.platform_.window;
         for (MenuItem item : {MenuItem::Load, MenuItem::QuickLoad, MenuItem::TitleReturn})
           window.SetMenuItemEnabled(item, true);
         if (!a[0].empty()) window.SetCaption(a[0]);
         e.waits_.PumpUntil([] { return false; });
         for (MenuItem item : {MenuItem::Load, MenuItem::QuickLoad, MenuItem::TitleReturn})
           window.SetMenuItemEnabled(item, false);
       }},
      {"_version", "rt",
       [](Engine& e, A a) {
         if (ParseReal(a[0]) > Engine::kVersion) {
           e.platform_.dialogs.MessageBox(
               J("このシナリオを実行するには ver") + a[0] + J("以上のＫＲＶが必要です。"), "",
               BoxButtons::Ok, BoxIcon::Exclamation);
           if (a[1] == "1") throw EngineExit{0, false};
         }
       }},
      {"_winsave", "", [](Engine& e, A) { e.SaveFromDialog(); }},
      {"_winload", "", [](Engine& e, A) { e.LoadFromDialog(); }},
      {"_winexit", "",
       [](Engine& e, A) {
         if (e.platform_.dialogs.MessageBox(J("終了しますか？"), J("終了"), BoxButtons::OkCancel,
                                            BoxIcon::Question) == BoxAnswer::Ok) {
           e.SaveGlobalData();
           e.ExitWithSaving();
         }
       }},
      // The block markers ("_endthen" and the others) pass by the "_end"
      // rule of the dispatcher; the bare marker is a command of its own.
      {"_end", "", [](Engine&, A) {}},
  };
  return table;
}

}  // namespace korvana
