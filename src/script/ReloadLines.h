#pragma once
// Reading a script again while the story runs in it: where each line of the
// old text stands in the new one, and whether the new text can be run at
// all. Pure functions over the lines, so the window, the headless runner and
// the tests share them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvana {

// Old line index → new line index. A line whose `~` id is in the new text
// once goes to that line; an unchanged line (by a diff of the two texts)
// goes to itself; any other goes to the place beside its nearest unchanged
// neighbour: the same distance after the unchanged line above it, but never
// past the unchanged line below it (a deleted line lands on the line that
// followed it).
class LineMap {
 public:
  LineMap(const std::vector<std::string>& oldLines, const std::vector<std::string>& newLines);

  // `line` from 0 to the old count; the old end maps to the new end.
  int32_t Map(int32_t line) const;
  // A return address is the line after its `_gosub`: it follows that line.
  int32_t MapReturn(int32_t address) const;
  // The line stands unchanged in the new text, or was found by its id.
  bool Exact(int32_t line) const;

 private:
  std::vector<int32_t> matched_;  // by the diff, -1 where changed
  std::vector<int32_t> byId_;     // by the `~` id, -1 where none
  int32_t newCount_ = 0;
};

// Why new lines cannot replace a running script: more labels than a script
// may have, an opening line of a block without its end marker, a malformed
// `~` id. `line` is 1-based; the message is in CP932, as the run's own
// reports are.
struct ReloadRefusal {
  int32_t line = 0;
  std::string message;
};
std::optional<ReloadRefusal> FindReloadRefusal(const std::vector<std::string>& lines);

}  // namespace korvana
