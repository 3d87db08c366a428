#pragma once
// Shared by the message text tests: a game run whose text appears without
// character waits, and what it left in the text state.
#include <string>
#include <vector>

#include "GameRun.h"

namespace korvana::test {

// Runs `lines` after "_textwait 0"; the cursor is read back through $sys[15]
// and $sys[16] into flags 500 and 501 at the end.
inline void RunText(GameRun& run, const std::vector<std::string>& lines) {
  std::string script = Sjis("_textwait 0") + "\r\n";
  for (const std::string& l : lines) script += Sjis(l) + "\r\n";
  script += Sjis("_$flg[500]=$sys[15]\r\n_$flg[501]=$sys[16]\r\n");
  run.File("autorun.txt", script);
  run.Run();
}

}  // namespace korvana::test
