#include "script/ReloadLines.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/Tokens.h"
#include "script/ScriptFile.h"

namespace korvana {
namespace {

// Lines are compared without the blanks around them: an editor that trims
// or re-indents has not changed what the line does.
using Keys = std::vector<std::string_view>;

Keys KeysOf(const std::vector<std::string>& lines) {
  Keys keys;
  keys.reserve(lines.size());
  for (const std::string& l : lines) keys.push_back(TrimBlanks(l));
  return keys;
}

// The eight digits of a line's `~` id, or empty.
std::string_view TextIdOf(std::string_view key) {
  if (key.size() < 9 || key[0] != '~') return {};
  for (char c : key.substr(1, 8))
    if (HexDigit(c) < 0) return {};
  return key.substr(1, 8);
}

// A full table of common lengths costs one cell per pair of lines; past
// this many cells the unique lines anchor the match first (a script of a
// few thousand lines edited in one place never gets there: the common
// start and end are taken off before).
constexpr size_t kMostCells = size_t{1} << 22;

class Differ {
 public:
  Differ(const Keys& a, const Keys& b, std::vector<int32_t>& matched)
      : a_(a), b_(b), matched_(matched) {}

  void Match(size_t a0, size_t a1, size_t b0, size_t b1) {
    while (a0 < a1 && b0 < b1 && a_[a0] == b_[b0]) matched_[a0++] = static_cast<int32_t>(b0++);
    while (a0 < a1 && b0 < b1 && a_[a1 - 1] == b_[b1 - 1])
      matched_[--a1] = static_cast<int32_t>(--b1);
    if (a0 == a1 || b0 == b1) return;
    if ((a1 - a0) * (b1 - b0) <= kMostCells) {
      Table(a0, a1, b0, b1);
    } else {
      Anchors(a0, a1, b0, b1);
    }
  }

 private:
  // The longest common subsequence by its table, walked back from the end.
  void Table(size_t a0, size_t a1, size_t b0, size_t b1) {
    const size_t n = a1 - a0, m = b1 - b0;
    std::vector<uint32_t> len((n + 1) * (m + 1), 0);
    auto at = [&](size_t i, size_t j) -> uint32_t& { return len[i * (m + 1) + j]; };
    for (size_t i = n; i-- > 0;)
      for (size_t j = m; j-- > 0;)
        at(i, j) = a_[a0 + i] == b_[b0 + j] ? at(i + 1, j + 1) + 1
                                            : std::max(at(i + 1, j), at(i, j + 1));
    size_t i = 0, j = 0;
    while (i < n && j < m) {
      if (a_[a0 + i] == b_[b0 + j]) {
        matched_[a0 + i] = static_cast<int32_t>(b0 + j);
        ++i, ++j;
      } else if (at(i + 1, j) >= at(i, j + 1)) {
        ++i;
      } else {
        ++j;
      }
    }
  }

  // Lines that occur once on each side, kept in the longest run that is in
  // order on both; the stretches between them are matched on their own.
  void Anchors(size_t a0, size_t a1, size_t b0, size_t b1) {
    struct Seen {
      int countA = 0, countB = 0;
      size_t atA = 0, atB = 0;
    };
    std::unordered_map<std::string_view, Seen> seen;
    for (size_t i = a0; i < a1; ++i) {
      Seen& s = seen[a_[i]];
      ++s.countA;
      s.atA = i;
    }
    for (size_t j = b0; j < b1; ++j) {
      auto it = seen.find(b_[j]);
      if (it == seen.end()) continue;
      ++it->second.countB;
      it->second.atB = j;
    }
    std::vector<std::pair<size_t, size_t>> pairs;  // (old, new), in old order
    for (size_t i = a0; i < a1; ++i) {
      const Seen& s = seen[a_[i]];
      if (s.countA == 1 && s.countB == 1) pairs.emplace_back(i, s.atB);
    }
    // The longest increasing run of new indices (patience sorting).
    std::vector<size_t> tops, before(pairs.size(), SIZE_MAX);
    for (size_t k = 0; k < pairs.size(); ++k) {
      auto pos = std::lower_bound(tops.begin(), tops.end(), pairs[k].second,
                                  [&](size_t t, size_t v) { return pairs[t].second < v; });
      if (pos != tops.begin()) before[k] = *(pos - 1);
      if (pos == tops.end())
        tops.push_back(k);
      else
        *pos = k;
    }
    std::vector<size_t> run;
    for (size_t k = tops.empty() ? SIZE_MAX : tops.back(); k != SIZE_MAX; k = before[k])
      run.push_back(k);
    std::reverse(run.begin(), run.end());
    // No line is unique on both sides: nothing here is matched rather than
    // guessed.
    size_t ai = a0, bj = b0;
    for (size_t k : run) {
      const auto [i, j] = pairs[k];
      Match(ai, i, bj, j);
      matched_[i] = static_cast<int32_t>(j);
      ai = i + 1, bj = j + 1;
    }
    if (!run.empty()) Match(ai, a1, bj, b1);
  }

  const Keys& a_;
  const Keys& b_;
  std::vector<int32_t>& matched_;
};

}  // namespace

LineMap::LineMap(const std::vector<std::string>& oldLines,
                 const std::vector<std::string>& newLines)
    : matched_(oldLines.size(), -1),
      byId_(oldLines.size(), -1),
      newCount_(static_cast<int32_t>(newLines.size())) {
  const Keys a = KeysOf(oldLines), b = KeysOf(newLines);
  Differ(a, b, matched_).Match(0, a.size(), 0, b.size());
  // An id names one line; one that the new text gives twice names none.
  std::unordered_map<std::string_view, int32_t> ids;
  for (size_t j = 0; j < b.size(); ++j) {
    const std::string_view id = TextIdOf(b[j]);
    if (id.empty()) continue;
    auto [it, fresh] = ids.try_emplace(id, static_cast<int32_t>(j));
    if (!fresh) it->second = -1;
  }
  for (size_t i = 0; i < a.size(); ++i)
    if (auto it = ids.find(TextIdOf(a[i])); it != ids.end() && !TextIdOf(a[i]).empty())
      byId_[i] = it->second;
}

int32_t LineMap::Map(int32_t line) const {
  const auto count = static_cast<int32_t>(matched_.size());
  if (line >= count) return newCount_;
  if (line < 0) return line;
  if (byId_[line] >= 0) return byId_[line];
  if (matched_[line] >= 0) return matched_[line];
  int32_t above = line - 1, below = line + 1;
  while (above >= 0 && matched_[above] < 0) --above;
  while (below < count && matched_[below] < 0) ++below;
  const int32_t limit = below < count ? matched_[below] : newCount_;
  // Nothing at all is unchanged above: count back from the line below.
  if (above < 0) return std::max(0, limit - (below - line));
  return std::min(matched_[above] + (line - above), limit);
}

int32_t LineMap::MapReturn(int32_t address) const {
  return address <= 0 ? Map(address) : Map(address - 1) + 1;
}

bool LineMap::Exact(int32_t line) const {
  if (line < 0 || line >= static_cast<int32_t>(matched_.size())) return true;
  return byId_[line] >= 0 || matched_[line] >= 0;
}

std::optional<ReloadRefusal> FindReloadRefusal(const std::vector<std::string>& lines) {
  // The openings of the blocks the run looks for an end of, and those ends.
  static constexpr std::pair<std::string_view, std::string_view> kBlocks[] = {
      {"_then", "_endthen"}, {"_else", "_endelse"}, {"_branch", "_endbranch"},
      {"_scroll", "_endscroll"}, {"_selmenu", "_endsel"}, {"_selbutton", "_endsel"},
      {"_selcgmode", "_endsel"}};
  const Keys keys = KeysOf(lines);
  // The last line of each end marker: an opening before it finds its end.
  std::unordered_map<std::string_view, size_t> lastEnd;
  for (size_t i = 0; i < keys.size(); ++i) lastEnd[keys[i]] = i;
  int labels = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    std::string_view key = keys[i];
    const auto here = static_cast<int32_t>(i + 1);
    if (!key.empty() && key[0] == '~') {
      if (TextIdOf(key).empty())
        return ReloadRefusal{here, "'0x" + std::string(key.substr(1, 8)) +
                                       J("' は正しい整数値ではありません")};
      key = key.substr(9);
    }
    if (!key.empty() && key[0] == ':' && ++labels > ScriptFile::kMaxLabels)
      return ReloadRefusal{here, J("ラベルが多すぎます。最大：") +
                                     std::to_string(ScriptFile::kMaxLabels)};
    const std::string_view name = key.substr(0, key.find_first_of(" \t,"));
    for (const auto& [open, end] : kBlocks) {
      if (!cp932::EqualsIgnoringCase(name, open)) continue;
      if (auto last = lastEnd.find(end); last == lastEnd.end() || last->second <= i)
        return ReloadRefusal{here, std::string(end) + J("が見つかりません")};
    }
  }
  return std::nullopt;
}

}  // namespace korvana
