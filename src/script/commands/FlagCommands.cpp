// Flag commands, the system switches and the mouse pattern.
#include "core/Cp932.h"
#include "script/Engine.h"
#include "script/commands/CommandBindings.h"

namespace korvana {

std::span<const CommandSpec> CommandBindings::FlagTable() {
  using A = const CommandArgs&;
  static const CommandSpec table[] = {
      {"_flgclear", "it",
       [](Engine& e, A a) {
         if (!e.flags_.Clear(e.eval_.EvalInt(a[0]), a[1])) e.ReportLongFlag();
         e.RebuildFlagRows();
       }},
      {"_flgclick", "t",
       [](Engine& e, A a) {
         FlagStore& flags = e.flags_;
         if (a[0].empty() || a[0] == "-1") {
           flags.clickFlag = -1;
           return;
         }
         flags.clickFlag = e.eval_.ParseFlagTarget(a[0], 1);
         flags.Set(flags.clickFlag, "0");
       }},
      {"_flginstr", "tttti",
       [](Engine& e, A a) {
         FlagStore& flags = e.flags_;
         const int target = e.eval_.ParseFlagTarget(a[0], 1);
         const int result = e.eval_.ParseFlagTarget(a[1], 1);
         const int32_t limit = a[4].empty() ? 0 : e.eval_.EvalInt(a[4]);
         std::string text = flags.Get(target);
         const bool confirmed = e.platform_.dialogs.InputBox(a[2], a[3], text);
         if (confirmed && !flags.Set(target, text)) e.ReportLongFlag();
         flags.Set(result, confirmed && static_cast<int64_t>(text.size()) <= limit ? "1" : "0");
       }},
      {"_flginstrd", "tttti",
       [](Engine& e, A a) {
         const int target = e.eval_.ParseFlagTarget(a[0], 1);
         int pos = 1;
         const std::string initial = e.eval_.ReadFlagText(a[1], pos);
         const int32_t limit = a[4].empty() ? 0 : e.eval_.EvalInt(a[4]);
         std::string text = initial;
         for (;;) {
           if (!e.platform_.dialogs.InputBox(a[2], a[3], text)) {
             // Cancelling keeps the initial text even when it is too long:
             // asking again could never end for a player who only cancels.
             text = initial;
             break;
           }
           if (limit <= 0 || static_cast<int64_t>(text.size()) <= limit) break;
         }
         if (!e.flags_.Set(target, text)) e.ReportLongFlag();
       }},
      {"_sysdark", "i",
       [](Engine& e, A a) { e.switches_.DarknessSuppressed = e.eval_.EvalInt(a[0]) != 0; }},
      {"_syspopup", "i",
       [](Engine& e, A a) {
         const int32_t n = e.eval_.EvalInt(a[0]);
         e.switches_.PopupDisabled = n != 0;
         e.platform_.window.SetPopupEnabled(n != 1);
       }},
      {"_syssave", "i",
       [](Engine& e, A a) { e.switches_.SaveDisabled = e.eval_.EvalInt(a[0]) != 0; }},
      {"_syslog", "i",
       [](Engine& e, A a) { e.switches_.LogDisabled = e.eval_.EvalInt(a[0]) != 0; }},
      {"_mousepat", "i", [](Engine& e, A a) { e.cursor_.Choose(e.eval_.EvalInt(a[0])); }},
  };
  return table;
}

}  // namespace korvana
