#pragma once
// The script checker's walk through a subroutine: whether some path from its
// first line leaves it without `_return`.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvana {

// What the walk asks of the script it walks.
class FlowLookup {
 public:
  virtual ~FlowLookup() = default;
  // The 0-based line of a label; -1 when it is missing.
  virtual int Label(std::string_view name) = 0;
  // The first line at or after `from` that is `marker`; -1 for none.
  virtual int Marker(int from, std::string_view marker) = 0;
  // Whether `_goto LABEL,file` leaves for another script; false when that
  // cannot be told before the run.
  virtual bool OtherScript(const std::string& file) = 0;
};

struct OpenPath {
  int line = 0;        // 0-based; the line count for the end of the script
  bool away = false;   // left by a `_goto` into another script there
};

// The first open path from line `start` (0-based), trying the line below
// before a jump's target; none when every path returns, stops, loops, or
// goes where the walk cannot follow (a label that is missing, a saved game).
std::optional<OpenPath> FindOpenPath(const std::vector<std::string>& lines, int start,
                                     FlowLookup& lookup);

}  // namespace korvana
