// Coverage: what runs kept in the coverage file and what the report makes of
// it, on a small game whose every line's fate is known.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "GameRun.h"
#include "TempDir.h"
#include "TestPaths.h"
#include "core/FileResolver.h"
#include "script/Coverage.h"
#include "script/CoverageReport.h"
#include "script/ScriptFile.h"

namespace korvana {
namespace {

// Line numbers in the comments; entry 2 ("上") is dropped by its condition,
// so the choice's third entry on screen is its fourth item line.
const std::vector<std::string> kGame = {
    "; coverage",                       // 1
    "はじめの行。",                     // 2
    "_selmenu 0,0",                     // 3
    "右,,_$flg[1]=1",                   // 4  entry 0
    "左,,_$flg[1]=2",                   // 5  entry 1
    "上,$flg[9]==1,_$flg[1]=3",         // 6  entry 2
    "下,,_$flg[1]=4",                   // 7  entry 3
    "_endsel",                          // 8
    "_if $flg[1]==1",                   // 9
    "_then",                            // 10
    "~00000001右の行。",                // 11
    "_endthen",                         // 12
    "_($flg[1]==2), _goto :left",       // 13
    "_goto :end",                       // 14
    ":left",                            // 15
    "\\左の行。",                       // 16
    "_goto :end",                       // 17
    ":unused",                          // 18
    "使われない行。",                   // 19
    ":end",                             // 20
    "おわりの行。",                     // 21
};

// One run of the game answering its choice with `entry` (as on screen).
Coverage RunOnce(int entry) {
  HeadlessOptions options;
  options.choices = {entry};
  test::GameRun run(options);
  run.Script(kGame);
  CoverageRecorder recorder;
  run.session().engine.SetCoverage(&recorder);
  EXPECT_EQ(run.Run(), 0);
  return recorder.Result();
}

TEST(CoverageFile, RunsAddUpInTheFile) {
  struct Case {
    int first, second;
    uint64_t startRuns;                          // line 2
    std::map<int32_t, uint64_t> chosen;          // entry → times
    uint64_t ifHeld, ifFailed;                   // line 9
    uint64_t gotoHeld, gotoFailed;               // line 13
    uint64_t labelEnd, labelLeft;                // lines 20 and 15
  };
  const Case cases[] = {
      {0, 0, 2, {{0, 2}}, 2, 0, 0, 2, 2, 0},
      {0, 1, 2, {{0, 1}, {1, 1}}, 1, 1, 1, 1, 2, 1},
      {2, 1, 2, {{3, 1}, {1, 1}}, 0, 2, 1, 1, 2, 1},
      {2, 2, 2, {{3, 2}}, 0, 2, 0, 2, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + " then " + std::to_string(c.second));
    test::TempDir dir;
    const std::string path = dir.str() + "/coverage.txt";
    std::string error;
    ASSERT_TRUE(MergeIntoCoverageFile(path, RunOnce(c.first), error)) << error;
    ASSERT_TRUE(MergeIntoCoverageFile(path, RunOnce(c.second), error)) << error;
    const std::optional<Coverage> kept = ReadCoverageFile(path, error);
    ASSERT_TRUE(kept) << error;
    ASSERT_EQ(kept->files.size(), 1u);
    const FileCoverage& f = kept->files.at("autorun.txt");
    EXPECT_EQ(f.lines.at(2).runs, c.startRuns);
    std::map<int32_t, uint64_t> chosen;
    for (const auto& [key, entry] : f.entries) {
      EXPECT_EQ(key.first, 3);
      chosen[key.second] = entry.chosen;
    }
    EXPECT_EQ(chosen, c.chosen);
    EXPECT_EQ(f.lines.at(9).held, c.ifHeld);
    EXPECT_EQ(f.lines.at(9).failed, c.ifFailed);
    EXPECT_EQ(f.lines.at(13).held, c.gotoHeld);
    EXPECT_EQ(f.lines.at(13).failed, c.gotoFailed);
    EXPECT_EQ(f.lines.count(20) ? f.lines.at(20).runs : 0, c.labelEnd);
    EXPECT_EQ(f.lines.count(15) ? f.lines.at(15).runs : 0, c.labelLeft);
    // What was written reads back as the same text.
    EXPECT_EQ(FormatCoverage(*kept), dir.Read("coverage.txt"));
  }
}

// Runs that end at the same moment each add their counts: none is lost.
TEST(CoverageFile, RunsEndingTogetherAllCount) {
  test::TempDir dir;
  const std::string path = dir.str() + "/coverage.txt";
  Coverage one;
  one.files["autorun.txt"].lines[1].runs = 1;
  one.files["autorun.txt"].entries[{3, 0}] = {1, "a"};
  constexpr int kRuns = 6, kMerges = 25;
  std::vector<std::thread> runs;
  std::atomic<int> failures = 0;
  for (int r = 0; r < kRuns; ++r)
    runs.emplace_back([&] {
      std::string error;
      for (int m = 0; m < kMerges; ++m)
        if (!MergeIntoCoverageFile(path, one, error)) ++failures;
    });
  for (std::thread& t : runs) t.join();
  EXPECT_EQ(failures, 0);
  std::string error;
  const std::optional<Coverage> kept = ReadCoverageFile(path, error);
  ASSERT_TRUE(kept) << error;
  EXPECT_EQ(kept->files.at("autorun.txt").lines.at(1).runs, uint64_t{kRuns * kMerges});
  EXPECT_EQ(kept->files.at("autorun.txt").entries.at({3, 0}).chosen, uint64_t{kRuns * kMerges});
}

TEST(CoverageReport, CountsEveryKindExactly) {
  test::GameRun game;
  game.Script(kGame);
  const CoverageReport report = BuildCoverageReport(RunOnce(0), game.dir().str(), kDefaultScriptKey);
  ASSERT_EQ(report.scripts.size(), 1u);
  const ScriptCoverage& s = report.scripts[0];
  ASSERT_TRUE(s.readable);
  using V = std::vector<int32_t>;
  std::vector<int32_t> neverHeld, neverFailed, entries;
  for (const auto& c : s.conditionsOneWay) (c.neverHeld ? neverHeld : neverFailed).push_back(c.line);
  for (const auto& e : s.entriesNeverChosen) entries.push_back(e.entry);
  struct Rule {
    const char* what;
    V found, expected;
    ScriptCoverage::Tally tally;
    int reached, total;
  };
  const Rule rules[] = {
      {"text lines never shown", s.textNeverShown, V{16, 19}, s.text, 3, 5},
      {"conditions never true", neverHeld, V{13}, s.ways, 2, 4},
      {"conditions never false", neverFailed, V{9}, s.ways, 2, 4},
      {"entries never chosen", entries, V{1, 2, 3}, s.entries, 1, 4},
      {"labels never reached", s.labelsNeverReached, V{15, 18}, s.labels, 1, 3},
  };
  for (const Rule& r : rules) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(r.found, r.expected);
    EXPECT_EQ(r.tally.reached, r.reached);
    EXPECT_EQ(r.tally.total, r.total);
  }
  EXPECT_EQ(s.entriesNeverChosen[0].label, test::Sjis("左"));

  // Every finding is one "file:line:" line of the text, in line order.
  const std::string text = CoverageReportText(report);
  for (const char* line : {"autorun.txt:9: condition never false: _if $flg[1]==1\n",
                           "autorun.txt:13: condition never true: _($flg[1]==2), _goto :left\n",
                           "autorun.txt:16: text never shown: \\左の行。\n",
                           "autorun.txt:3: choice entry 3 never chosen: 下\n",
                           "autorun.txt:18: label never reached: :unused\n",
                           "  text lines shown:      3 of 5 (60.0 %)\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
  EXPECT_LT(text.find("autorun.txt:9:"), text.find("autorun.txt:13:"));

  // The page colours each line by what became of it.
  const std::string html = CoverageReportHtml(report);
  const std::pair<int, const char*> colours[] = {
      {2, "c"}, {3, "p"}, {4, "c"}, {5, "n"}, {9, "p"}, {13, "p"}, {16, "n"}, {20, "c"}, {21, "c"}};
  for (const auto& [line, css] : colours)
    EXPECT_NE(html.find("<tr class=\"" + std::string(css) + "\"><td class=\"ln\">" +
                        std::to_string(line) + "</td>"),
              std::string::npos)
        << "line " << line;
  EXPECT_NE(html.find("<tr><td class=\"ln\">1</td>"), std::string::npos) << "a comment has no colour";
}

// What the report counts follows how the engine reads each line.
TEST(CoverageReport, ReadsLinesAsTheEngineDoes) {
  using K = CoverageKind;
  struct Row {
    const char* line;
    K kind;
    bool conditional = false, choice = false;
    int32_t choiceLine = -1, entry = -1;
  };
  const Row rows[] = {
      {"はい", K::Text},
      {"  ~00000001テキスト", K::Text},
      {"\\そのままの文", K::Text},
      {"<C#FF0000>赤い文字", K::Text},
      {"~00000002", K::None},
      {":label", K::Label},
      {"; note", K::None},
      {"# note", K::None},
      {"", K::None},
      {"!見出し", K::Command},
      {"_bgload x.png", K::Command},
      {"_if $flg[1]", K::Command, true},
      {"_branch 1", K::Command, true},
      {"_(1), _textclear", K::Command, true},
      {"_selmenu 0,0", K::Command, false, true},
      {"行く,,_goto :label", K::Entry, false, false, 14, 0},
      {"戻る,$flg[1]", K::Entry, false, false, 14, 1},
      {"_endsel", K::None},
      {"_scroll 0,#FFFFFF,0,0,0", K::Command},
      {"流れる文字", K::None},
      {"_endscroll", K::None},
      {"_(1), _selcgmode 0,0,a.png,1,1,1", K::Command, true, true},
      {"1", K::Entry, false, false, 21, 0},
      {"_endsel", K::None},
      {"_endthen", K::Command},
  };
  std::vector<std::string> lines;
  for (const Row& r : rows) lines.push_back(test::Sjis(r.line));
  const std::vector<CoverageLine> kinds = ClassifyLines(lines);
  ASSERT_EQ(kinds.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(rows[i].line);
    EXPECT_EQ(kinds[i].kind, rows[i].kind);
    EXPECT_EQ(kinds[i].conditional, rows[i].conditional);
    EXPECT_EQ(kinds[i].choice, rows[i].choice);
    EXPECT_EQ(kinds[i].choiceLine, rows[i].choiceLine);
    EXPECT_EQ(kinds[i].entry, rows[i].entry);
  }
}

TEST(CoverageFile, DamageIsRefusedAndSoundTextsAreRead) {
  struct Case {
    const char* text;
    const char* error;  // empty: the text is sound
  };
  const Case cases[] = {
      {"korvana-coverage 1\n", ""},
      {"korvana-coverage 1\r\n# a note\n\nfile\ta.txt\nline\t3\t1\ncond\t3\t0\t1\n"
       "choice\t3\t0\t2\tはい,\tno\n",
       ""},
      {"", ""},
      {"line\t1\t1\n", "line 1: not a coverage file"},
      {"korvana-coverage 2\n", "version 2"},
      {"korvana-coverage 1\nline\t1\t1\n", "line 2: a line record before any file record"},
      {"korvana-coverage 1\nfile\ta.txt\nline\t0\t1\n", "line 3: \"0\" is not a line number"},
      {"korvana-coverage 1\nfile\ta.txt\nline\t2\t-1\n", "line 3: a count"},
      {"korvana-coverage 1\nfile\ta.txt\nline\t2\n", "line 3: a line record needs 2 fields"},
      {"korvana-coverage 1\nfile\ta.txt\ncond\t2\t1\tx\n", "line 3: a count"},
      {"korvana-coverage 1\nfile\ta.txt\nchoice\t2\tx\t1\tl\n", "line 3: a choice record"},
      {"korvana-coverage 1\nfile\ta.txt\nline\t2\t99999999999999999999999\n", "line 3: a count"},
      {"korvana-coverage 1\nfile\n", "line 2: a file record without a name"},
      {"korvana-coverage 1\nfiles\ta.txt\n", "line 2: unknown record \"files\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const std::optional<Coverage> read = ParseCoverage(c.text, error);
    if (*c.error == '\0') {
      EXPECT_TRUE(read) << error;
      continue;
    }
    EXPECT_FALSE(read);
    EXPECT_NE(error.find(c.error), std::string::npos) << error;

    // A merge never writes over such a file.
    test::TempDir dir;
    const std::string path = dir.Write("coverage.txt", c.text);
    EXPECT_FALSE(MergeIntoCoverageFile(path, Coverage{}, error));
    EXPECT_EQ(dir.Read("coverage.txt"), c.text);
  }
}

// The option of the program: a damaged file stops the run before it starts
// and stays as it was; a sound one grows.
TEST(HeadlessCommand, CoverageOptionKeepsADamagedFile) {
  const std::string korvana = std::string(KORVANA_BINARY_DIR) + "/src/app/korvana";
  test::GameRun game;
  game.Script(kGame);
  game.File("krv.cfg", "");
  struct Case {
    std::string before;
    int status;
    bool grows;
  };
  const Case cases[] = {
      {"not coverage\n", 2, false},
      {"korvana-coverage 1\n", 0, true},
      {"", 0, true},  // no file yet
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    test::TempDir out;
    const std::string path = out.str() + "/cov.txt";
    if (!c.before.empty()) out.Write("cov.txt", c.before);
    const std::string command = korvana + " --headless --coverage " + path + " " +
                                game.dir().str() + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.status);
    const std::string after = FileExists(path) ? out.Read("cov.txt") : "";
    if (c.grows)
      EXPECT_NE(after.find("file\tautorun.txt\nline\t1\t1\n"), std::string::npos) << after;
    else
      EXPECT_EQ(after, c.before);
  }
}

// The report as an author calls it: what it prints and how it exits.
TEST(CoverageTool, ReportsAndExitsByWhatItCouldRead) {
  const std::string tool = std::string(KORVANA_BINARY_DIR) + "/tools/script/korvana-script";
  test::GameRun game;
  game.Script(kGame);
  struct Case {
    const char* coverage;  // null: no file
    int status;
    const char* printed;
  };
  const Case cases[] = {
      {"korvana-coverage 1\nfile\tautorun.txt\nline\t2\t1\n", 0,
       "autorun.txt:11: text never shown: ~00000001右の行。"},
      {"korvana-coverage 1\nfile\tAUTORUN.TXT\nline\t21\t1\n", 0,
       "  text lines shown:      1 of 5 (20.0 %)"},
      {"korvana-coverage 1\nfile\tgone.txt\nline\t1\t1\n", 1, "gone.txt: cannot be read"},
      {"korvana-coverage 1\nline\t1\t1\n", 2, ""},
      {nullptr, 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.coverage ? c.coverage : "no file");
    test::TempDir out;
    if (c.coverage) out.Write("cov.txt", c.coverage);
    const std::string command = tool + " coverage " + out.str() + "/cov.txt " + game.dir().str() +
                                " --html " + out.str() + "/page.html >" + out.str() +
                                "/report.txt 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.status);
    const std::string report = out.Read("report.txt");
    EXPECT_NE(report.find(c.printed), std::string::npos) << report;
    // A page only from a file that could be read.
    EXPECT_EQ(FileExists(out.str() + "/page.html"), c.status < 2);
  }
}

}  // namespace
}  // namespace korvana
