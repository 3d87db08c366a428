#pragma once
// Static checks of a game's scripts for authors: the faults a run would
// report, found without running the story.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvana {

struct ScriptFault {
  std::string file;     // as found under the checked folder, UTF-8
  int line = 0;         // 1-based
  std::string message;  // UTF-8
  // A warning is something the engine does without complaint that the
  // author probably did not mean; `column` (1-based, 0 for none) points at it.
  bool warning = false;
  int column = 0;
};

struct CheckOptions {
  // The numbers of the CD tracks ripped into a folder (UTF-8 path), none when
  // it holds none; unset, nothing is known of tracks and none is missed.
  std::function<std::vector<int>(const std::string& folder)> rippedTracks;
};

// Checks every ".txt" and ".txd" script under `folder` (recursively).
// Scrambled scripts are read with `key`.
std::vector<ScriptFault> CheckScripts(const std::string& folder, int32_t key,
                                      const CheckOptions& options = {});

}  // namespace korvana
