// The author's reload: the running script read again at a click wait lands
// on the same line of the new text, inside a subroutine whose return moves
// along, with flags, layers and music as they were; a new text that cannot
// run is reported with its line and the old one goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "GameRun.h"
#include "graphics/Picture.h"
#include "script/ReloadLines.h"

namespace korvana {
namespace {

using test::GameRun;

// Waits: 1 一 (line 7), 2 二 (line 12), 3 三 (line 13, inside the
// subroutine called from line 8), 4 四 (line 9) after the return.
const std::vector<std::string> kStory = {
    "_bgmmode 0",          // 1
    "_bgmplay bgm1,0",     // 2
    "_bgload bg1.png",     // 3
    "_refresh",            // 4
    "_$flg[1]=7",          // 5
    ";",                   // 6
    "一",                  // 7
    "_gosub :sub",         // 8
    "~0000000A四",         // 9
    "_goto :end",          // 10
    ":sub",                // 11
    "二",                  // 12
    "~0000000B三",         // 13
    "_return",             // 14
    ":end",                // 15
};

std::vector<std::string> Edited(std::initializer_list<std::pair<int, const char*>> inserts,
                                std::initializer_list<int> deletes = {},
                                std::initializer_list<std::pair<int, const char*>> replaces = {}) {
  // Line numbers are the old story's, 1-based; inserts go above the line.
  std::vector<std::string> lines;
  for (int n = 1; n <= static_cast<int>(kStory.size()); ++n) {
    for (const auto& [at, text] : inserts)
      if (at == n) lines.emplace_back(text);
    if (std::find(deletes.begin(), deletes.end(), n) != deletes.end()) continue;
    std::string line = kStory[n - 1];
    for (const auto& [at, text] : replaces)
      if (at == n) line = text;
    lines.push_back(line);
  }
  return lines;
}

std::string Bytes(const std::vector<std::string>& utf8Lines) {
  std::string text;
  for (const std::string& l : utf8Lines) text += test::Sjis(l) + "\r\n";
  return text;
}

struct Kept {
  std::vector<std::string> flags;
  LayerState layers;
  std::string music;
};

struct ReloadRun {
  std::vector<std::string> transcript;
  std::vector<std::string> reloads, texts;
  std::vector<Kept> kept;  // at each click wait
  int status = -1;
};

// `newBytes` unset: the file is not there.
ReloadRun RunWithReload(const std::vector<std::string>& story,
                        const std::optional<std::string>& newBytes, int atWait = 3) {
  test::TempDir edits;
  const std::string file = newBytes ? edits.Write("AUTORUN.TXT", *newBytes)
                                    : (edits.path() / "AUTORUN.TXT").string();
  HeadlessOptions options;
  options.reloads.push_back({atWait, file});
  GameRun run(options);
  run.Script(story);
  WritePng(Picture(640, 480, 0x336699), (run.dir().path() / "bg1.png").string());
  run.File("bgm1.mid", "MThd");
  ReloadRun out;
  HeadlessSession& s = run.session();
  s.platform.onClickWait = [&] {
    EngineProbe probe(s.engine);
    out.kept.push_back(
        {s.FlagDump(), probe.Layers().state, probe.Sound().channels[0].fileName});
  };
  out.status = run.Run();
  out.transcript = run.Transcript();
  out.reloads = run.Events("reload");
  out.texts = run.Events("text");
  return out;
}

TEST(Reload, EachEditLandsOnTheSameLineWithTheStateKept) {
  struct Case {
    const char* what;
    std::vector<std::string> story;
    const char* reload;                  // the transcript's line numbers
    std::vector<std::string> textsAfter;  // from the reload on
  };
  const std::vector<Case> cases = {
      {"a line inserted above", Edited({{12, "_$flg[2]=3"}}), "13 → 14",
       {"三", "\\n四", "\\n"}},
      {"a line inserted at the top, above the call too", Edited({{1, ";"}}), "13 → 14",
       {"三", "\\n四", "\\n"}},
      {"a line deleted above", Edited({}, {6}), "13 → 12", {"三", "\\n四", "\\n"}},
      {"a label added above", Edited({{7, ":more"}}), "13 → 14", {"三", "\\n四", "\\n"}},
      {"the line itself edited", Edited({}, {}, {{13, "三が変わった"}}), "13 → 13",
       {"三が変わった", "\\n四", "\\n"}},
      // The nearest unchanged line would land on the line inserted above; the
      // id finds the line.
      {"the line edited, its id kept, a line inserted above it",
       Edited({{13, "_$flg[3]=1"}}, {}, {{13, "~0000000B三も変わった"}}), "13 → 14",
       {"三も変わった", "\\n四", "\\n"}},
      {"the line deleted: the next line runs", Edited({}, {13}), "13 → 13", {"四", "\\n"}},
      {"the line after the call edited", Edited({}, {}, {{9, "四が変わった"}}), "13 → 13",
       {"三", "\\n四が変わった", "\\n"}},
  };
  const ReloadRun plain = RunWithReload(kStory, Bytes(kStory), 99);
  ASSERT_EQ(plain.kept.size(), 4u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ReloadRun run = RunWithReload(kStory, Bytes(c.story));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.reloads, std::vector<std::string>{std::string("autorun.txt\t") + c.reload});
    // The text from the reload on: the line waiting for a click drawn again.
    const auto at = std::find_if(run.transcript.begin(), run.transcript.end(),
                                 [](const std::string& l) { return l.rfind("reload\t", 0) == 0; });
    std::vector<std::string> after;
    for (auto it = at; it != run.transcript.end(); ++it)
      if (it->rfind("text\t", 0) == 0) after.push_back(it->substr(5));
    EXPECT_EQ(after, c.textsAfter);
    // Flags, layers and music at every later wait are those of the wait
    // before the reload; the music never stopped or started again.
    ASSERT_GE(run.kept.size(), 3u);
    for (size_t w = 2; w < run.kept.size(); ++w) {
      EXPECT_EQ(run.kept[w].flags, plain.kept[1].flags) << w;
      EXPECT_TRUE(run.kept[w].layers == plain.kept[1].layers) << w;
      EXPECT_EQ(run.kept[w].music, plain.kept[1].music) << w;
    }
    EXPECT_FALSE(plain.kept[1].music.empty());
    const auto musicEvents = std::count_if(run.transcript.begin(), run.transcript.end(),
                                           [](const std::string& l) {
                                             return l.rfind("sound\tmusic\t", 0) == 0;
                                           });
    EXPECT_EQ(musicEvents, 1);
  }
}

TEST(Reload, ANewTextThatCannotRunIsReportedAndTheOldGoesOn) {
  std::vector<std::string> manyLabels = kStory;
  for (int i = 0; i < 513; ++i) manyLabels.push_back(":l" + std::to_string(i));
  struct Case {
    const char* what;
    std::string bytes;
    std::string failure;  // after "failed: "
  };
  const std::vector<Case> cases = {
      {"too many labels", Bytes(manyLabels),
       "autorun.txt:526: ラベルが多すぎます。最大：512"},
      {"a block without its end", Bytes(Edited({{10, "_then"}})),
       "autorun.txt:10: _endthenが見つかりません"},
      {"a choice without its end", Bytes(Edited({{10, "_selmenu 100,100"}})),
       "autorun.txt:10: _endselが見つかりません"},
      {"a malformed id", Bytes(Edited({}, {}, {{12, "~0000G00B二"}})),
       "autorun.txt:12: '0x0000G00B' は正しい整数値ではありません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ReloadRun run = RunWithReload(kStory, c.bytes);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.reloads,
              std::vector<std::string>{"autorun.txt\tfailed: " + c.failure});
    // The old text went on from the wait, nothing drawn again.
    EXPECT_EQ(run.texts, (std::vector<std::string>{"一", "\\n二", "\\n三", "\\n四", "\\n"}));
    EXPECT_EQ(run.kept.size(), 4u);
  }
  // A file that is not there to read.
  const ReloadRun missing = RunWithReload(kStory, std::nullopt);
  ASSERT_EQ(missing.reloads.size(), 1u);
  EXPECT_EQ(missing.reloads[0].rfind("AUTORUN.TXT\tfailed: cannot read", 0), 0u);
  EXPECT_EQ(missing.kept.size(), 4u);
}

// Long scripts edited in two far places: the common start and end do not
// cover the change, and the unique lines anchor the match.
TEST(Reload, LinesOfALongScriptFollowTheirText) {
  auto script = [](int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
  };
  struct Case {
    const char* what;
    std::vector<std::string> newLines;
    int32_t old, expected;
  };
  std::vector<std::string> twoInserts = script(6000);
  twoInserts.insert(twoInserts.begin() + 5000, "new b");
  twoInserts.insert(twoInserts.begin() + 100, "new a");
  std::vector<std::string> repeated = script(6000);
  // A line that stands twice is no anchor; the ones around it are.
  repeated.insert(repeated.begin() + 3000, {"same", "same"});
  repeated.erase(repeated.begin() + 10);
  const std::vector<Case> cases = {
      {"between two inserts", twoInserts, 2000, 2001},
      {"after both", twoInserts, 5500, 5502},
      {"before both", twoInserts, 50, 50},
      {"after a pair of equal lines", repeated, 4000, 4001},
      {"the deleted line goes to the line after it", repeated, 10, 10},
      {"the old end is the new end", twoInserts, 6000, 6002},
  };
  const std::vector<std::string> old = script(6000);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LineMap(old, c.newLines).Map(c.old), c.expected);
  }
}

}  // namespace
}  // namespace korvana
