// Commands whose subsystem is not built yet: recognised with their argument
// kinds, so scripts that use them run and the checker reads them; each family
// moves to its own file with handlers when its subsystem lands.
#include "script/commands/CommandBindings.h"

namespace korvana {

std::span<const CommandSpec> CommandBindings::PendingTable() {
  static const CommandSpec table[] = {
      // sound and movies
      {"_bgmmode", "i"}, {"_bgmplay", "ti"},    {"_bgmstop", ""}, {"_midiplay", "ti"},
      {"_midistop", ""}, {"_cdplay", "ii"},     {"_cdstop", ""},  {"_pcmplay", "ti"},
      {"_pcmstop", ""},  {"_aviplay", "tiiii"},
  };
  return table;
}

}  // namespace korvana
