#include "script/FlowCheck.h"

#include <algorithm>

#include "core/FileResolver.h"
#include "core/Tokens.h"

namespace korvana {
namespace {

// Where the story may go after one line, as far as a reading can tell.
struct Step {
  std::vector<int> next;
  int awayAt = -1;  // the line of a `_goto` into another script
};

class Walk {
 public:
  Walk(const std::vector<std::string>& lines, FlowLookup& lookup)
      : lines_(lines), lookup_(lookup) {}

  std::optional<OpenPath> From(int start) {
    const int count = static_cast<int>(lines_.size());
    std::vector<bool> seen(lines_.size() + 1, false);
    std::vector<int> stack = {start};
    while (!stack.empty()) {
      const int i = stack.back();
      stack.pop_back();
      if (i < 0 || seen[std::min(i, count)]) continue;
      if (i >= count) return OpenPath{count, false};
      seen[i] = true;
      Step step;
      Line(i, step);
      if (step.awayAt >= 0) return OpenPath{step.awayAt, true};
      // The first successor is walked first.
      stack.insert(stack.end(), step.next.rbegin(), step.next.rend());
    }
    return std::nullopt;
  }

 private:
  void Line(int i, Step& step) {
    const std::string_view line = WithoutTextId(TrimBlanks(lines_[i]));
    if (line.empty() || line[0] != '_') {
      step.next.push_back(i + 1);
      return;
    }
    Command(line, i, i + 1, 0, false, step);
  }

  // `after`: the line the story goes on at when the command does not jump
  // (below "_endsel" for a chosen entry's command).
  void Command(std::string_view line, int i, int after, int depth, bool inItem, Step& step) {
    CommandArgs args;
    const std::string name = SplitCommandLine(line, args, nullptr);
    if (name.compare(0, 2, "_(") == 0) {
      step.next.push_back(after);  // the condition is false
      if (depth < 64) Command(args[0], i, after, depth + 1, inItem, step);
      return;
    }
    if (name == "_return" || name == "_stop") return;
    if (name == "_goto") {
      if (!args[1].empty()) {
        if (args[1].find(kDataDriveToken) != std::string::npos) return;  // known only then
        if (lookup_.OtherScript(args[1])) {
          step.awayAt = i;
          return;
        }
      }
      if (args[0].empty()) {
        step.next.push_back(0);
      } else if (const int label = lookup_.Label(args[0]); label >= 0) {
        step.next.push_back(label + 1);
      }
      return;
    }
    static const std::pair<std::string_view, std::string_view> kBlocks[] = {
        {"_then", "_endthen"}, {"_else", "_endelse"}, {"_branch", "_endbranch"}};
    for (const auto& [opener, marker] : kBlocks) {
      if (name != opener) continue;
      // Inside an entry the marker is searched from where the run stands,
      // which a reading does not follow.
      const int end = inItem ? -1 : lookup_.Marker(i + 1, marker);
      if (end < 0) return;
      step.next.push_back(after);
      step.next.push_back(end + 1);
      return;
    }
    if (name == "_scroll") {
      const int end = inItem ? -1 : lookup_.Marker(i + 1, "_endscroll");
      if (end >= 0) step.next.push_back(end + 1);
      return;
    }
    if (name == "_selmenu" || name == "_selbutton" || name == "_selcgmode") {
      const int end = inItem ? -1 : lookup_.Marker(i + 1, "_endsel");
      if (end < 0) return;
      step.next.push_back(end + 1);  // an entry without a command
      for (int k = i + 1; k < end; ++k) {
        const std::string_view item = lines_[k];
        int pos = 1;
        SkipBlanks(item, pos);
        ReadToken(item, pos, ',');
        SkipBlanks(item, pos);
        ReadToken(item, pos, ',');
        if (pos > static_cast<int>(item.size()) || depth >= 64) continue;
        const std::string_view command = TrimBlanks(item.substr(pos - 1));
        if (!command.empty()) Command(command, k, end + 1, depth + 1, true, step);
      }
      return;
    }
    // Everything else, a nested `_gosub` included, comes back to the line
    // below; `_winload` and `_winexit` may also leave the story for good,
    // which is no path without a return.
    step.next.push_back(after);
  }

  const std::vector<std::string>& lines_;
  FlowLookup& lookup_;
};

}  // namespace

std::optional<OpenPath> FindOpenPath(const std::vector<std::string>& lines, int start,
                                     FlowLookup& lookup) {
  return Walk(lines, lookup).From(start);
}

}  // namespace korvana
