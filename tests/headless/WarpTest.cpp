// `--warp PLACE` and `--flags FILE`: a headless run starts where it is told,
// with the flags it is given, and a place or a flag dump it cannot take is
// refused before anything runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "GameRun.h"
#include "TempDir.h"
#include "expr/FlagDump.h"
#include "headless/HeadlessSession.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Each line that runs counts itself in a flag of its own, so the dump at
// the end says which ran and how often.
void WriteGame(const TempDir& dir) {
  dir.Write("krv.cfg", "");
  dir.Write("autorun.txt",
            "_$flg[1]=$flg[1]+1\r\n"  // 1
            ":top\r\n"                // 2
            "_$flg[2]=$flg[2]+1\r\n"  // 3
            ":mid\r\n"                // 4
            "_$flg[3]=$flg[3]+1\r\n"  // 5
            "_goto :tail,b.txt\r\n");
  dir.Write("b.txt", ";the second script\r\n:tail\r\n_$flg[4]=$flg[4]+1\r\n:shared\r\n_$flg[5]=1\r\n");
  dir.Write("c.txt", ":shared\r\n_$flg[6]=1\r\n:c_only\r\n_$flg[7]=1\r\n");
  dir.Write("sub/d.txt", ":deep\r\n_$flg[8]=1\r\n");
}

// A dump of every flag "0" but those given.
std::string Dump(std::initializer_list<std::pair<int, const char*>> given) {
  std::vector<std::string> values(FlagStore::kCount, "0");
  for (const auto& [index, value] : given) values[index] = test::Sjis(value);
  std::string text;
  for (int i = 0; i < FlagStore::kCount; ++i) text += FlagDumpLine(i, values[i]) + "\n";
  return text;
}

struct Outcome {
  int status = -1;
  std::string stderrText;
  std::vector<std::string> flags;  // the dump's lines; none when not written
  std::string file;                // ProgFileName of the state dump
};

Outcome RunWarp(const TempDir& dir, std::vector<std::string> args) {
  const std::string flags = (dir.path() / "out-flags.txt").string();
  const std::string state = (dir.path() / "out-state.txt").string();
  args.insert(args.end(), {"--dump-flags", flags, "--dump-state", state, dir.str()});
  HeadlessCommandLine command;
  std::string error;
  EXPECT_TRUE(ParseHeadlessCommandLine(args, command, error)) << error;
  Outcome out;
  testing::internal::CaptureStderr();
  out.status = RunHeadlessCommand(command);
  out.stderrText = testing::internal::GetCapturedStderr();
  std::ifstream in(flags);
  for (std::string line; std::getline(in, line);) out.flags.push_back(line);
  std::ifstream dumpIn(state);
  for (std::string line; std::getline(dumpIn, line);)
    if (line.rfind("ProgFileName:", 0) == 0) out.file = line.substr(13);
  return out;
}

TEST(Warp, TheStoryStartsAtThePlaceWithTheFlagsGivenPlusWhatTheRouteSets) {
  const struct {
    const char* warp;  // empty: none
    std::string flags;  // empty: no --flags
    // Flags 1 to 8 and 300 at the end, and the script the story ended in.
    std::vector<std::string> expected;
    const char* file;
  } rows[] = {
      {"", "", {"1", "1", "1", "1", "1", "0", "0", "0", "0"}, "b.txt"},
      {":top", "", {"0", "1", "1", "1", "1", "0", "0", "0", "0"}, "b.txt"},
      {"mid", "", {"0", "0", "1", "1", "1", "0", "0", "0", "0"}, "b.txt"},
      {":MID", "", {"0", "0", "1", "1", "1", "0", "0", "0", "0"}, "b.txt"},
      // Only another script has it: the story runs on in that one.
      {"c_only", "", {"0", "0", "0", "0", "0", "0", "1", "0", "0"}, "c.txt"},
      {":deep", "", {"0", "0", "0", "0", "0", "0", "0", "1", "0"}, "sub/d.txt"},
      // A line: that line runs first, whatever it is.
      {"autorun.txt:5", "", {"0", "0", "1", "1", "1", "0", "0", "0", "0"}, "b.txt"},
      {"b.txt:3", "", {"0", "0", "0", "1", "1", "0", "0", "0", "0"}, "b.txt"},
      {"sub/d.txt:2", "", {"0", "0", "0", "0", "0", "0", "0", "1", "0"}, "sub/d.txt"},
      {"c.txt:4", "", {"0", "0", "0", "0", "0", "0", "1", "0", "0"}, "c.txt"},
      // The flags given, the route's additions on top; global ones too.
      {":mid", Dump({{2, "7"}, {3, "41"}, {300, "x"}}),
       {"0", "7", "42", "1", "1", "0", "0", "0", "x"}, "b.txt"},
      {"", Dump({{1, "10"}, {6, "ろ"}}), {"11", "1", "1", "1", "1", "ろ", "0", "0", "0"},
       "b.txt"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.warp) + (r.flags.empty() ? "" : " with flags"));
    TempDir dir;
    WriteGame(dir);
    std::vector<std::string> args;
    if (*r.warp) args.insert(args.end(), {"--warp", r.warp});
    if (!r.flags.empty()) args.insert(args.end(), {"--flags", dir.Write("given.txt", r.flags)});
    const Outcome out = RunWarp(dir, args);
    EXPECT_EQ(out.status, 0) << out.stderrText;
    ASSERT_EQ(out.flags.size(), size_t(FlagStore::kCount));
    for (int i = 1; i <= 8; ++i)
      EXPECT_EQ(out.flags[i], FlagDumpLine(i, test::Sjis(r.expected[i - 1])));
    EXPECT_EQ(out.flags[300], FlagDumpLine(300, r.expected[8]));
    EXPECT_EQ(out.file, r.file);
  }
}

TEST(Warp, APlaceOrAFlagDumpThatCannotBeTakenIsRefusedBeforeAnythingRuns) {
  std::string whole = Dump({});
  const struct {
    const char* what;
    const char* warp;   // empty: none
    std::string flags;  // empty: no --flags; "-": a file that is not there
    const char* message;
  } rows[] = {
      {"an unknown label", ":nosuch", "", "--warp :nosuch: no script of the game has the label :nosuch"},
      {"a label of two other scripts", "shared", "",
       "the label :shared is in several scripts (b.txt, c.txt): name the place as FILE:LINE"},
      {"a line past the end", "b.txt:6", "", "--warp b.txt:6: b.txt has lines 1 to 5, not 6"},
      {"line 0", "b.txt:0", "", "b.txt has lines 1 to 5, not 0"},
      {"a script that is not there", "e.txt:1", "", "the game has no script e.txt"},
      {"a bad flags line", "", std::string(whole).replace(whole.find("004 = 0"), 7, "04 = 0"),
       "line 5: expected \"004 = value\" for flag 4, found \"04 = 0\""},
      {"a line missing", "", whole.substr(0, whole.rfind("511 = ")),
       "line 512: flag 511 is missing"},
      {"a line too many", "", whole + "512 = 0\n", "line 513: there are only 512 flags"},
      {"lines ending in CR LF", "", std::string("000 = 0\r\n") + whole.substr(whole.find('\n') + 1),
       "line 1: a carriage return"},
      {"no dump", ":top", "-", "cannot be read"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    TempDir dir;
    WriteGame(dir);
    std::vector<std::string> args;
    if (*r.warp) args.insert(args.end(), {"--warp", r.warp});
    if (r.flags == "-")
      args.insert(args.end(), {"--flags", (dir.path() / "nothing.txt").string()});
    else if (!r.flags.empty())
      args.insert(args.end(), {"--flags", dir.Write("given.txt", r.flags)});
    const Outcome out = RunWarp(dir, args);
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.stderrText.find(r.message), std::string::npos) << out.stderrText;
    EXPECT_TRUE(out.flags.empty());  // nothing ran, nothing was written
  }
}

TEST(Warp, TheOptionsNeedAValue) {
  const struct {
    std::vector<std::string> args;
    const char* error;  // empty: accepted
  } rows[] = {
      {{"--warp", ":a", "--flags", "f.txt"}, ""},
      {{"--warp"}, "--warp needs a value"},
      {{"--warp", ""}, "--warp needs a label or FILE:LINE"},
      {{"--flags"}, "--flags needs a value"},
      {{"--flags", ""}, "--flags needs a file"},
  };
  for (const auto& r : rows) {
    HeadlessCommandLine command;
    std::string error;
    EXPECT_EQ(ParseHeadlessCommandLine(r.args, command, error), !*r.error);
    EXPECT_EQ(error, r.error);
  }
}

}  // namespace
}  // namespace korvana
