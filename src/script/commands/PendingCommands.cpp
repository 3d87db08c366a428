// Commands whose subsystem is not built yet: recognised with their argument
// kinds, so scripts that use them run and the checker reads them; each family
// moves to its own file with handlers when its subsystem lands.
#include "script/commands/CommandBindings.h"

namespace korvana {

std::span<const CommandSpec> CommandBindings::PendingTable() {
  static const CommandSpec table[] = {
      // selection menus
      {"_selmenu", "iicci"},
      {"_selcgmode", "iitiiit"},
      {"_selbutton", "iitiit"},
      // sound and movies
      {"_bgmmode", "i"},
      {"_bgmplay", "ti"},
      {"_bgmstop", ""},
      {"_midiplay", "ti"},
      {"_midistop", ""},
      {"_cdplay", "ii"},
      {"_cdstop", ""},
      {"_pcmplay", "ti"},
      {"_pcmstop", ""},
      {"_aviplay", "tiiii"},
      // saving and the mouse pointer
      {"_winsave", ""},
      {"_winload", ""},
      {"_mouseloc", "ii"},
  };
  return table;
}

}  // namespace korvana
