// Flag and system-switch commands.
#include "platform/Cp932.h"
#include "script/Engine.h"

namespace korvana {

void Engine::RegisterFlagCommands() {
  auto& a = prog.ProgArgs;

  commands.Add("_flgclear", [this, &a] {
    const std::string value = a[1];
    flags.Clear(eval.EvalInt(a[0]), value);
    RebuildFlagRows();
  });

  commands.Add("_flgclick", [this, &a] {
    const std::string ref = a[0];
    if (ref.empty() || ref == "-1") {
      flags.clickFlag = -1;
      return;
    }
    flags.clickFlag = eval.ParseFlagTarget(ref, 1);
    flags.Set(flags.clickFlag, "0");
  });

  commands.Add("_flginstr", [this, &a] {
    const std::array<std::string, ProgState::kArgCount> args = a;
    const int target = eval.ParseFlagTarget(args[0], 1);
    const int result = eval.ParseFlagTarget(args[1], 1);
    const int32_t limit = args[4].empty() ? 0 : eval.EvalInt(args[4]);
    std::string text = flags.Get(target);
    const bool confirmed = platform.InputBox(args[2], args[3], text);
    if (confirmed) flags.Set(target, text);
    flags.Set(result, confirmed && static_cast<int64_t>(text.size()) <= limit ? "1" : "0");
  });

  commands.Add("_flginstrd", [this, &a] {
    const std::array<std::string, ProgState::kArgCount> args = a;
    const int target = eval.ParseFlagTarget(args[0], 1);
    int pos = 1;
    const std::string initial = eval.ReadFlagText(args[1], pos);
    const int32_t limit = args[4].empty() ? 0 : eval.EvalInt(args[4]);
    std::string text = initial;
    for (;;) {
      if (!platform.InputBox(args[2], args[3], text)) {
        // Cancelling keeps the initial text even when it is too long:
        // asking again could never end for a player who only cancels.
        text = initial;
        break;
      }
      if (limit <= 0 || static_cast<int64_t>(text.size()) <= limit) break;
    }
    flags.Set(target, text);
  });
}

void Engine::RegisterSystemCommands() {
  auto& a = prog.ProgArgs;
  commands.Add("_sysdark", [this, &a] { DarknessSuppressed = eval.EvalInt(a[0]) != 0; });
  commands.Add("_syspopup", [this, &a] {
    const int32_t n = eval.EvalInt(a[0]);
    PopupDisabled = n != 0;
    platform.SetPopupEnabled(n != 1);
  });
  commands.Add("_syssave", [this, &a] { SaveDisabled = eval.EvalInt(a[0]) != 0; });
  commands.Add("_syslog", [this, &a] { LogDisabled = eval.EvalInt(a[0]) != 0; });
  commands.Add("_mousepat", [this, &a] {
    CursorKind = eval.EvalInt(a[0]);
    platform.SetCursor(CursorKind >= 1 && CursorKind <= 5 ? CursorKind : 0);
  });
}

}  // namespace korvana
