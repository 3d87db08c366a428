#pragma once
// Which lines of a game's scripts runs reached: the author's answer to
// "which lines has no playtest ever shown?". A run fills a CoverageRecorder;
// the coverage file adds run after run to what earlier runs kept.
//
// The file is plain text, UTF-8, one record a line, fields separated by a
// tab, the last field running to the end of the line:
//
//   korvana-coverage 1
//   file    NAME                        a script, as the story named it
//   line    N  RUNS                     line N (from 1) ran RUNS times
//   cond    N  HELD  FAILED             its condition held / failed so often
//   choice  N  ENTRY  TIMES  LABEL      entry ENTRY (from 0, counting every
//                                       item line below the choice) of the
//                                       choice on line N was chosen TIMES times
//
// Records belong to the "file" line above them. Blank lines and lines that
// start with "#" are skipped; an empty file holds no counts yet. Anything
// else is damage: the file is refused, never rewritten over.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvana {

struct LineCoverage {
  uint64_t runs = 0;
  // Only conditional lines: how often the condition held and failed.
  uint64_t held = 0;
  uint64_t failed = 0;
  bool operator==(const LineCoverage&) const = default;
};

struct EntryCoverage {
  uint64_t chosen = 0;
  std::string label;  // UTF-8 in a coverage read from a file, CP932 while recording
  bool operator==(const EntryCoverage&) const = default;
};

struct FileCoverage {
  std::map<int32_t, LineCoverage> lines;  // by 1-based line number
  // By the choice's 1-based line and the entry's index below it.
  std::map<std::pair<int32_t, int32_t>, EntryCoverage> entries;
  bool operator==(const FileCoverage&) const = default;
};

struct Coverage {
  // By the script's name as the story called it (UTF-8 once read or
  // formatted).
  std::map<std::string, FileCoverage> files;

  // Counts add; entries and lines one side lacks are taken from the other.
  void Merge(const Coverage& other);
  bool operator==(const Coverage&) const = default;
};

inline constexpr std::string_view kCoverageHeader = "korvana-coverage 1";

// The text of the file (names and labels taken as UTF-8).
std::string FormatCoverage(const Coverage& coverage);
// Nothing, with `error` saying which line and why, for a damaged text.
std::optional<Coverage> ParseCoverage(std::string_view text, std::string& error);
// A missing file is an empty coverage; an unreadable or damaged one is an
// error.
std::optional<Coverage> ReadCoverageFile(const std::string& path, std::string& error);
// Reads the file again, adds `run` and writes the sum back through a
// temporary file, so that a crash mid-write keeps what was there; runs that
// end together take turns (a lock on the folder). A damaged file is left as
// it is and reported.
bool MergeIntoCoverageFile(const std::string& path, const Coverage& run, std::string& error);

// Collects one run. The engine calls it only when a coverage file was asked
// for; each call is a map look-up at most.
class CoverageRecorder {
 public:
  // Line `index` (0-based) of script `name` (CP932) starts to run; the
  // calls below concern it until the next.
  void LineRan(const std::string& name, int32_t index);
  // The running line's condition held or failed.
  void Condition(bool held);
  // Entry `entry` of the choice on the running line was chosen.
  void Chosen(int32_t entry, const std::string& label);

  // What was collected, names and labels as UTF-8.
  Coverage Result() const;

 private:
  // While counting, a script's lines are a vector by index: a line costs
  // one index, not a search.
  struct Counting {
    std::vector<LineCoverage> lines;
    std::map<std::pair<int32_t, int32_t>, EntryCoverage> entries;
  };
  std::map<std::string, Counting> data_;  // names and labels in CP932
  std::string name_;
  Counting* file_ = nullptr;
  int32_t index_ = -1;
};

}  // namespace korvana
