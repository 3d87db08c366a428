#include <array>

#include "script/CommandTable.h"

namespace korvana {
namespace {

// Commands whose subsystem exists.
constexpr std::array kBuiltCommands = std::to_array<std::string_view>({
    // timing and flow control
    "_waitset",
    "_wait",
    "_delay",
    "_mouseclick",
    "_goto",
    "_gosub",
    "_return",
    "_if",
    "_then",
    "_else",
    "_branch",
    "_scroll",
    "_version",
    "_stop",
    "_winexit",
    "_end",
    // system switches, flags, mouse pattern
    "_sysdark",
    "_syspopup",
    "_syssave",
    "_syslog",
    "_flgclear",
    "_flginstr",
    "_flginstrd",
    "_flgclick",
    "_mousepat",
    // message text and its window
    "_textclear",
    "_textrect",
    "_textcur",
    "_textcurto",
    "_textloc",
    "_textlocto",
    "_textwait",
    "_textoffset",
    "_textimage",
    // message log
    "_logclear",
    "_lognext",
    // screen layers, transitions, special effects
    "_refresh",
    "_fade",
    "_autorefresh",
    "_smartrefresh",
    "_bgload",
    "_objload",
    "_objput",
    "_objset",
    "_objclear",
    "_efload",
    "_efset",
    "_sprload",
    "_sprset",
    "_sprput",
    "_sprhide",
    "_sprclear",
    "_sprrefresh",
    "_spranime",
    "_movplay",
    "_shake",
    "_bhole",
    "_bholeop",
    "_bholeover",
});

constexpr std::array kPendingCommands = std::to_array<std::string_view>({
    // selection menus
    "_selmenu",
    "_selcgmode",
    "_selbutton",
    // sound and movies
    "_bgmmode",
    "_bgmplay",
    "_bgmstop",
    "_midiplay",
    "_midistop",
    "_cdplay",
    "_cdstop",
    "_pcmplay",
    "_pcmstop",
    "_aviplay",
    // saving and the mouse
    "_winsave",
    "_winload",
    "_mouseloc",
});

constexpr auto kAllCommands = [] {
  std::array<std::string_view, kBuiltCommands.size() + kPendingCommands.size()> all{};
  size_t n = 0;
  for (std::string_view name : kBuiltCommands) all[n++] = name;
  for (std::string_view name : kPendingCommands) all[n++] = name;
  return all;
}();

}  // namespace

std::span<const std::string_view> AllCommandNames() {
  return kAllCommands;
}
std::span<const std::string_view> PendingCommandNames() {
  return kPendingCommands;
}

bool IsCommandName(std::string_view name) {
  if (name.substr(0, 4) == "_end") return true;
  for (std::string_view n : kAllCommands)
    if (n == name) return true;
  return false;
}

}  // namespace korvana
