#pragma once
// What a coverage file says about a game's scripts: per script, the text
// lines no run showed, the conditional lines not taken both ways, the choice
// entries never chosen and the labels never reached, with totals; as text
// and as one HTML page that shows each script in its colours.
#include <cstdint>
#include <string>
#include <vector>

#include "script/Coverage.h"

namespace korvana {

// How the engine reads a line, as far as coverage is concerned.
enum class CoverageKind : uint8_t {
  None,     // blank, comment, marker: nothing to reach
  Text,     // message text: shown when it runs
  Label,    // reached by falling onto it or by a jump to it
  Command,  // runs, but is counted only in the page's colours
  Entry,    // an item line of a choice: chosen or not
};

struct CoverageLine {
  CoverageKind kind = CoverageKind::None;
  // `_if`, `_branch` or a `_(…)` line: its condition goes two ways.
  bool conditional = false;
  // A choice command (`_selmenu`, `_selbutton`, `_selcgmode`).
  bool choice = false;
  // For an entry: the choice's line index and the entry's place below it.
  int32_t choiceLine = -1;
  int32_t entry = -1;
};

// The kind of each line of a script (CP932 lines as the engine holds them).
std::vector<CoverageLine> ClassifyLines(const std::vector<std::string>& lines);

struct ScriptCoverage {
  std::string name;  // UTF-8, as the story or the game named it
  bool readable = false;
  std::vector<std::string> lines;  // CP932
  std::vector<CoverageLine> kinds;
  FileCoverage counts;
  // Records for lines past the end: the script changed since the runs.
  int stale = 0;

  struct Tally {
    int reached = 0, total = 0;
  };
  Tally text, labels, entries;
  // Each conditional line is two ways.
  Tally ways;
  std::vector<int32_t> textNeverShown;     // 1-based
  std::vector<int32_t> labelsNeverReached;  // 1-based
  struct Condition {
    int32_t line;  // 1-based
    bool neverHeld, neverFailed;
  };
  std::vector<Condition> conditionsOneWay;
  struct Entry {
    int32_t line;  // 1-based, the choice's
    int32_t entry;
    std::string label;  // CP932, as the item line writes it
  };
  std::vector<Entry> entriesNeverChosen;
};

struct CoverageReport {
  std::vector<ScriptCoverage> scripts;
  ScriptCoverage::Tally text, labels, entries, ways;
};

// The scripts of the coverage plus those the game starts with or names in a
// `_goto` (so a script no run entered is counted too), read from
// `gameFolder` with `key` (one of the latter two that cannot be read is
// left out); names that differ only in ASCII case are one script.
CoverageReport BuildCoverageReport(const Coverage& coverage, const std::string& gameFolder,
                                   int32_t key);

// UTF-8 text for a terminal.
std::string CoverageReportText(const CoverageReport& report);
// One self-contained UTF-8 HTML page.
std::string CoverageReportHtml(const CoverageReport& report);

}  // namespace korvana
