#include "text/TextCommands.h"

#include <optional>

#include "expr/Evaluator.h"
#include "platform/FileResolver.h"
#include "script/CommandTable.h"
#include "script/ProgState.h"
#include "text/MessageLog.h"
#include "text/MessageText.h"
#include "text/TextState.h"

namespace korvana {
namespace {

int32_t Wrapped(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

}  // namespace

void RegisterTextCommands(CommandTable& commands, ProgState& prog, Evaluator& eval, TextState& text,
                          MessageText& message, MessageLog& log) {
  auto& a = prog.ProgArgs;
  // An argument left out: nothing, or the value of the expression.
  auto optional = [&eval](const std::string& arg) -> std::optional<int32_t> {
    if (arg.empty()) return std::nullopt;
    return eval.EvalInt(arg);
  };
  auto orZero = [&eval](const std::string& arg) { return arg.empty() ? 0 : eval.EvalInt(arg); };

  commands.Add("_textclear", [&prog, &message] {
    prog.ProgMultiStateFlag = 0;
    message.ClearPage();
  });
  commands.Add("_textrect", [&a, &eval, &message] {
    message.EraseTextRect(eval.EvalInt(a[0]), eval.EvalInt(a[1]), eval.EvalInt(a[2]),
                          eval.EvalInt(a[3]));
  });
  commands.Add("_textcur", [&a, &text, optional] {
    if (auto col = optional(a[0])) text.CursorX = Wrapped(int64_t{*col} * text.CharWidth);
    if (auto row = optional(a[1]))
      text.CursorY = Wrapped(int64_t{*row} * (text.LineHeight + text.LineGap));
  });
  commands.Add("_textcurto", [&a, &text, orZero] {
    const int64_t dc = orZero(a[0]), dr = orZero(a[1]);
    text.CursorX = Wrapped(text.CursorX + dc * text.CharWidth);
    text.CursorY = Wrapped(text.CursorY + dr * (text.LineHeight + text.LineGap));
  });
  commands.Add("_textloc", [&a, &text, optional] {
    if (auto x = optional(a[0])) text.CursorX = *x;
    if (auto y = optional(a[1])) text.CursorY = *y;
  });
  commands.Add("_textlocto", [&a, &text, orZero] {
    const int64_t dx = orZero(a[0]), dy = orZero(a[1]);
    text.CursorX = Wrapped(text.CursorX + dx);
    text.CursorY = Wrapped(text.CursorY + dy);
  });
  commands.Add("_textwait",
               [&a, &text, &eval] { text.CharWait = a[0].empty() ? 1 : eval.EvalInt(a[0]); });
  commands.Add("_textoffset", [&a, &text, orZero] {
    text.OffsetX = orZero(a[0]);
    text.OffsetY = orZero(a[1]);
  });
  commands.Add("_textimage", [&a, &message, optional] {
    const std::optional<int32_t> x = optional(a[0]), y = optional(a[1]);
    message.ShowTextImage(x, y, a[2], a[3]);
  });
  commands.Add("_logclear", [&log] { log.ClearLog(); });
  commands.Add("_lognext", [&log] { log.NewLogPage(); });
}

}  // namespace korvana
