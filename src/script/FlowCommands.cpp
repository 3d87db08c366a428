// Commands that change which line runs next, make the story wait, or end it.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/Cp932.h"
#include "script/Engine.h"
#include "script/Tokens.h"

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

// Colour arguments are "#RRGGBB" (the first character is ignored); the value
// is 0x00BBGGRR. A malformed colour is reported and reads as black.
uint32_t ParseColorArgument(const std::string& text, ErrorSink& errors) {
  bool ok = text.size() >= 7;
  uint32_t rgb = 0;
  for (size_t i = 1; ok && i < 7; ++i) {
    char c = text[i];
    int d = HexDigit(c);
    if (d < 0) ok = false;
    rgb = rgb << 4 | static_cast<uint32_t>(d & 0xF);
  }
  if (!ok) {
    errors.ScriptError(J("色の指定が異常です:") + text);
    return 0;
  }
  return (rgb & 0x00FF00) | (rgb >> 16 & 0xFF) | (rgb & 0xFF) << 16;
}

int32_t Engine::FindEndMarker(std::string_view marker, int32_t start) {
  const auto& lines = script.Lines();
  for (int32_t i = start < 0 ? 0 : start; i < script.LineCount(); ++i)
    if (TrimBlanks(lines[i]) == marker) return i;
  const std::string message = std::string(marker) + J("が見つかりません");
  // After the report the story goes on at line index 1, which usually leads
  // back to the same block: the second time the run ends instead of asking
  // the same question for ever.
  if (!missingMarkers_.insert({prog.ProgExecLine, std::string(marker)}).second)
    throw ScriptException(message);
  ScriptError(message);
  return 0;
}

void Engine::RegisterFlowCommands() {
  auto& a = prog.ProgArgs;

  commands.Add("_goto", [this, &a] {
    const std::string label = a[0], file = a[1];
    if (!file.empty()) {
      LoadScript(file);
      prog.ProgFileName = file;
    }
    prog.JumpTo(label.empty() ? 0 : script.FindLabel(label, prog.ProgExecLine + 1) + 1);
  });

  commands.Add("_gosub", [this, &a] {
    const std::string label = a[0];
    if (label.empty()) {
      prog.ProgResumeColumn = 0;
      prog.ProgMultiStateFlag = 0;
      prog.ProgRetStack = -1;
      return;
    }
    prog.JumpTo(script.FindLabel(label, prog.ProgExecLine + 1) + 1);
    if (prog.ProgRetStack >= ProgState::kReturnDepth - 1) {
      ScriptError(J("GOSUBのスタックが溢れました"));
      return;
    }
    prog.ReturnAddresses[++prog.ProgRetStack] = prog.ProgExecLine + 1;
  });

  commands.Add("_return", [this, &a] {
    if (prog.ProgRetStack < 0) {
      ScriptError(J("GOSUB無しでRETURNが実行されました"));
      return;
    }
    const std::string label = a[0];
    prog.JumpTo(label.empty() ? prog.ReturnAddresses[prog.ProgRetStack]
                              : script.FindLabel(label, prog.ProgExecLine + 1) + 1);
    --prog.ProgRetStack;
  });

  commands.Add("_if", [this, &a] {
    if (!a[0].empty()) prog.ProgIfResult = eval.EvalInt(a[0]);
  });
  commands.Add("_then", [this] {
    if (prog.ProgIfResult == 0) prog.JumpTo(FindEndMarker("_endthen", prog.ProgExecLine + 1) + 1);
  });
  commands.Add("_else", [this] {
    if (prog.ProgIfResult != 0) prog.JumpTo(FindEndMarker("_endelse", prog.ProgExecLine + 1) + 1);
  });
  commands.Add("_branch", [this, &a] {
    if (eval.EvalInt(a[0]) != prog.ProgSelResult)
      prog.JumpTo(FindEndMarker("_endbranch", prog.ProgExecLine + 1) + 1);
  });

  commands.Add("_scroll", [this, &a] {
    const std::array<std::string, ProgState::kArgCount> args = a;
    const int32_t end = FindEndMarker("_endscroll", prog.ProgExecLine + 1);
    std::vector<std::string> lines;
    for (int32_t i = prog.ProgExecLine + 1; i < end; ++i)
      lines.emplace_back(TrimLeftBlanks(script.Lines()[i]));
    const int32_t first = eval.EvalInt(args[0]);
    const uint32_t colour = ParseColorArgument(args[1], *this);
    const int32_t third = eval.EvalInt(args[2]);
    const int32_t fourth = eval.EvalInt(args[3]);
    const int32_t style = eval.EvalInt(args[4]);
    if ((style == 0 || style == 1 || style == 4) && scrollDisplay_)
      scrollDisplay_(lines, first, colour, third, fourth, style);
    prog.JumpTo(end + 1);
  });

  commands.Add("_waitset", [this] { waitReference = platform.TickCount(); });
  commands.Add("_wait", [this, &a] { waits.WaitUntil(waitReference, eval.EvalInt(a[0])); });
  commands.Add("_delay", [this, &a] { waits.TimedWait(a[0].empty() ? 1 : eval.EvalInt(a[0])); });

  commands.Add("_mouseclick", [this] {
    const bool popup = platform.PopupEnabled();
    platform.SetPopupEnabled(false);
    platform.SetCursor(3);
    waits.WaitForClick(false);
    platform.SetPopupEnabled(popup);
    platform.SetCursor(CursorKind >= 1 && CursorKind <= 5 ? CursorKind : 0);
  });

  commands.Add("_stop", [this, &a] {
    platform.SetMenuItemEnabled(MenuItem::Load, true);
    platform.SetMenuItemEnabled(MenuItem::TitleReturn, true);
    if (!a[0].empty()) platform.SetCaption(a[0]);
    waits.PumpUntil([] { return false; });
    platform.SetMenuItemEnabled(MenuItem::Load, false);
    platform.SetMenuItemEnabled(MenuItem::TitleReturn, false);
  });

  commands.Add("_version", [this, &a] {
    const std::string required = a[0], stop = a[1];
    if (ParseReal(required) > kVersion) {
      platform.MessageBox(
          J("このシナリオを実行するには ver") + required + J("以上のＫＲＶが必要です。"), "",
          BoxButtons::Ok, BoxIcon::Exclamation);
      if (stop == "1") throw EngineExit{0, false};
    }
  });

  commands.Add("_winexit", [this] {
    if (platform.MessageBox(J("終了しますか？"), J("終了"), BoxButtons::OkCancel,
                            BoxIcon::Question) == BoxAnswer::Ok)
      ExitWithSaving();
  });
}

}  // namespace korvana
