// The commands of the message text and the log.
#include <optional>

#include "core/Coords.h"
#include "script/Engine.h"
#include "script/commands/CommandBindings.h"

namespace korvana {

std::span<const CommandSpec> CommandBindings::TextTable() {
  using A = const CommandArgs&;
  // An argument left out: nothing (or 0), else the value of the expression.
  static constexpr auto optional = [](Engine& e, const std::string& arg) -> std::optional<int32_t> {
    if (arg.empty()) return std::nullopt;
    return e.eval_.EvalInt(arg);
  };
  static constexpr auto orZero = [](Engine& e, const std::string& arg) {
    return arg.empty() ? 0 : e.eval_.EvalInt(arg);
  };
  static const CommandSpec table[] = {
      {"_textclear", "",
       [](Engine& e, A) {
         e.prog_.ProgMultiStateFlag = MultiState::Command;
         e.messageText_.ClearPage();
       }},
      {"_textrect", "iiii",
       [](Engine& e, A a) {
         e.messageText_.EraseTextRect(e.eval_.EvalInt(a[0]), e.eval_.EvalInt(a[1]),
                                      e.eval_.EvalInt(a[2]), e.eval_.EvalInt(a[3]));
       }},
      {"_textcur", "ii",
       [](Engine& e, A a) {
         TextState& text = e.messageText_.text;
         if (auto col = optional(e, a[0])) text.CursorX = WrapInt32(int64_t{*col} * text.CharWidth);
         if (auto row = optional(e, a[1]))
           text.CursorY = WrapInt32(int64_t{*row} * text.LineStep());
       }},
      {"_textcurto", "ii",
       [](Engine& e, A a) {
         TextState& text = e.messageText_.text;
         const int64_t dc = orZero(e, a[0]), dr = orZero(e, a[1]);
         text.CursorX = WrapInt32(text.CursorX + dc * text.CharWidth);
         text.CursorY = WrapInt32(text.CursorY + dr * text.LineStep());
       }},
      {"_textloc", "ii",
       [](Engine& e, A a) {
         TextState& text = e.messageText_.text;
         if (auto x = optional(e, a[0])) text.CursorX = *x;
         if (auto y = optional(e, a[1])) text.CursorY = *y;
       }},
      {"_textlocto", "ii",
       [](Engine& e, A a) {
         TextState& text = e.messageText_.text;
         const int64_t dx = orZero(e, a[0]), dy = orZero(e, a[1]);
         text.CursorX = WrapInt32(text.CursorX + dx);
         text.CursorY = WrapInt32(text.CursorY + dy);
       }},
      {"_textwait", "i",
       [](Engine& e, A a) {
         e.messageText_.text.CharWait = a[0].empty() ? 1 : e.eval_.EvalInt(a[0]);
       }},
      {"_textoffset", "ii",
       [](Engine& e, A a) {
         TextState& text = e.messageText_.text;
         text.OffsetX = orZero(e, a[0]);
         text.OffsetY = orZero(e, a[1]);
       }},
      {"_textimage", "iitt",
       [](Engine& e, A a) {
         const std::optional<int32_t> x = optional(e, a[0]), y = optional(e, a[1]);
         e.messageText_.ShowTextImage(x, y, a[2], a[3]);
       }},
      {"_logclear", "", [](Engine& e, A) { e.log_.ClearLog(); }},
      {"_lognext", "", [](Engine& e, A) { e.log_.NewLogPage(); }},
  };
  return table;
}

}  // namespace korvana
