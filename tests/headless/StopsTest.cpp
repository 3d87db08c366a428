// How `korvana --headless` ends: every end that is not the story's own
// leaves a "stop" line, an answer the story cannot take fails the run, and
// option values out of range are refused before anything runs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "GameRun.h"
#include "TempDir.h"
#include "headless/HeadlessSession.h"

namespace korvana {
namespace {

using test::TempDir;

TEST(HeadlessStops, NumericOptionsOutOfRangeAreRefused) {
  const struct {
    std::vector<std::string> args;
    bool accepted;
  } rows[] = {
      {{"--choose", "0,31"}, true},
      {{"--choose", "32"}, false},  // no choice has more than 32 entries
      {{"--choose", "99999999999999999999"}, false},
      {{"--choose", "1,-1"}, false},
      {{"--choose", "+1"}, false},
      {{"--choose", " 1"}, false},
      {{"--choose", "1,,2"}, false},
      {{"--clicks", "9223372036854775807"}, true},
      {{"--clicks", "9223372036854775808"}, false},
      {{"--max-lines", "99999999999999999999"}, false},
      {{"--max-ms", "18446744073709551616"}, false},
      {{"--max-ms", "-5"}, false},
      {{"--max-wall-ms", "9223372036854775807"}, true},
      {{"--max-wall-ms", "1e3"}, false},
      {{"--slot", "1,80,cancel"}, true},
      {{"--slot", "81,84"}, true},  // the quick and automatic saves, for loading
      {{"--slot", "85"}, false},
      {{"--slot", "0"}, false},
      {{"--slot", "18446744073709551617"}, false},
      {{"--menu", "3:Msave"}, true},
      {{"--menu", "0:Msave"}, false},
      {{"--menu", "99999999999999999999:Msave"}, false},
      {{"--clicks", "-1"}, true},  // no limit at all
      {{"--clicks", "-2"}, false},
      {{"--screenshot-at", "1,5"}, false},  // and no folder
      {{"--screenshot-at", "1,5", "shots"}, true},
      {{"--screenshot-at", "0", "shots"}, false},
      {{"--screenshot-at", "2,-1", "shots"}, false},
      {{"--screenshot-at", "", "shots"}, false},
      {{"--screenshot-at", "3", ""}, false},
      {{"--reload-after", "2:edit/autorun.txt"}, true},
      {{"--reload-after", "2:C:/x.txt"}, true},  // only the first colon parts N
      {{"--reload-after", "0:autorun.txt"}, false},
      {{"--reload-after", "autorun.txt"}, false},
      {{"--reload-after", "3:"}, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.args[0] + " " + r.args[1]);
    HeadlessCommandLine command;
    std::string error;
    EXPECT_EQ(ParseHeadlessCommandLine(r.args, command, error), r.accepted);
    EXPECT_EQ(error.empty(), r.accepted) << error;
  }
}

// The largest limit of real time does not overflow when it is compared.
TEST(HeadlessStops, TheLargestWallClockLimitNeverEndsTheRun) {
  test::GameRun run({.maxWallMs = std::numeric_limits<int64_t>::max()});
  run.Script({"あ", "_$flg[1]=1"});
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.session().endReason, "end");
  EXPECT_EQ(run.Flag(1), "1");
}

enum class StatusFile { Missing, Fifo, Folder, DanglingLink, Whole };

// Slot 1 as saved, then its status file replaced by `kind`.
void PlantSlot(const TempDir& game, StatusFile kind) {
  game.Write("data1.hfd", "");
  game.Write("data1.hld", "");
  const std::string status = (game.path() / "data1.hsd").string();
  switch (kind) {
    case StatusFile::Missing:
      break;
    case StatusFile::Fifo:
      ASSERT_EQ(::mkfifo(status.c_str(), 0644), 0);
      break;
    case StatusFile::Folder:
      std::filesystem::create_directory(status);
      break;
    case StatusFile::DanglingLink:
      std::filesystem::create_symlink(game.path() / "gone.hsd", status);
      break;
    case StatusFile::Whole:
      game.Write("data1.hsd", "title\r\n");
      break;
  }
}

struct Outcome {
  int status;
  std::vector<std::string> transcript;
  std::string stderrText;
};

// The whole command, in this process, as `korvana --headless ARGS GAME`.
Outcome RunCommand(const TempDir& game, std::vector<std::string> args) {
  const std::string transcript = (game.path() / "transcript.txt").string();
  args.insert(args.end(), {"--transcript", transcript, game.str()});
  HeadlessCommandLine command;
  std::string error;
  EXPECT_TRUE(ParseHeadlessCommandLine(args, command, error)) << error;
  testing::internal::CaptureStderr();
  Outcome out;
  out.status = RunHeadlessCommand(command);
  out.stderrText = testing::internal::GetCapturedStderr();
  std::ifstream in(transcript);
  for (std::string line; std::getline(in, line);) out.transcript.push_back(line);
  return out;
}

// Two waits for input (a choice and a click wait) and seven lines a round.
const std::vector<std::string> kLoopingTitle = {
    ":title", "_selmenu 100,100", "はじめから,,_goto :story", "_endsel", ":story", "あ",
    "_goto :title"};

TEST(HeadlessStops, EveryEndButTheStorysIsWrittenAndAFailedAnswerFailsTheRun) {
  const struct {
    const char* name;
    std::vector<std::string> script;
    std::vector<std::string> args;
    StatusFile slot;
    int status;
    const char* stop;  // empty: no stop line
    bool toStderr;
  } rows[] = {
      {"the story's end", {"あ"}, {}, StatusFile::Missing, 0, "", false},
      {"a limit", {"あ", "い"}, {"--clicks", "1"}, StatusFile::Missing, 0, "clicks", false},
      {"a wait nothing ends", {"_stop"}, {}, StatusFile::Missing, 0,
       "waiting for input that never comes", false},
      // Spent before the story starts (a slow start-up): the limit stops
      // the run as soon as it can, never from inside the set-up.
      {"a wall-clock limit spent at once", {"あ"}, {"--max-wall-ms", "0"}, StatusFile::Missing, 0,
       "max-wall-ms", false},
      {"an entry past the end",
       {"_selmenu 100,100", "はい", "いいえ", "_endsel"},
       {"--choose", "7"},
       StatusFile::Missing,
       HeadlessSession::kStopped,
       "choice 7 cannot be chosen",
       true},
      {"no status file",
       {"あ", "い"},
       {"--menu", "Mload", "--slot", "1"},
       StatusFile::Missing,
       HeadlessSession::kStopped,
       "slot 1 has no saved game to load",
       true},
      {"a pipe for the status file",
       {"あ", "い"},
       {"--menu", "Mload", "--slot", "1"},
       StatusFile::Fifo,
       HeadlessSession::kStopped,
       "slot 1 has no saved game to load",
       true},
      {"a folder for the status file",
       {"あ", "い"},
       {"--menu", "Mload", "--slot", "1"},
       StatusFile::Folder,
       HeadlessSession::kStopped,
       "slot 1 has no saved game to load",
       true},
      {"a link that leads nowhere",
       {"あ", "い"},
       {"--menu", "Mload", "--slot", "1"},
       StatusFile::DanglingLink,
       HeadlessSession::kStopped,
       "slot 1 has no saved game to load",
       true},
      {"a save offered the quick save's slot",
       {"あ&", "_winsave", "い"},
       {"--slot", "81"},
       StatusFile::Missing,
       HeadlessSession::kStopped,
       "slot 81 does not exist",
       true},
      {"an automatic save that was never written",
       {"あ", "い"},
       {"--menu", "Mload", "--slot", "83"},
       StatusFile::Missing,
       HeadlessSession::kStopped,
       "slot 83 has no saved game to load",
       true},
      {"the script's own load of an empty slot",
       {"_winload", "あ"},
       {"--slot", "1"},
       StatusFile::Missing,
       HeadlessSession::kStopped,
       "slot 1 has no saved game to load",
       true},
      // The title starts the story with its first entry and the story's end
      // returns to the title: waits for input come, so only their count ends it.
      {"a looping title", kLoopingTitle, {}, StatusFile::Missing, 0, "click limit", false},
      {"a looping title with no click limit", kLoopingTitle,
       {"--clicks", "-1", "--max-lines", "40000"}, StatusFile::Missing, 0, "max-lines", false},
      {"a looping title with clicks counted", kLoopingTitle, {"--clicks", "5001"},
       StatusFile::Missing, 0, "clicks", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir game;
    game.Write("krv.cfg", "SavePath=.\\\r\n");
    std::string text;
    for (const std::string& l : r.script) text += test::Sjis(l) + "\r\n";
    game.Write("autorun.txt", text);
    PlantSlot(game, r.slot);
    const Outcome out = RunCommand(game, r.args);
    EXPECT_EQ(out.status, r.status);
    std::vector<std::string> stops;
    for (const std::string& l : out.transcript)
      if (l.rfind("stop\t", 0) == 0) stops.push_back(l.substr(5));
    if (*r.stop) {
      EXPECT_EQ(stops, std::vector<std::string>{r.stop});
      ASSERT_FALSE(out.transcript.empty());
      EXPECT_EQ(out.transcript.back(), std::string("stop\t") + r.stop);  // the last word
    } else {
      EXPECT_TRUE(stops.empty());
    }
    EXPECT_EQ(out.stderrText, r.toStderr ? std::string("korvana: stop: ") + r.stop + "\n" : "");
  }
}

// A regression test of a folder that runs nothing must fail, not pass.
TEST(HeadlessStops, AGameThatCannotStartFailsWithItsReason) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    const char* stop;
  } rows[] = {
      {"a script without krv.cfg", {{"autorun.txt", "a\r\n"}}, "no game configuration"},
      {"an empty folder", {}, "no game configuration"},
      {"krv.cfg without a script", {{"krv.cfg", "SavePath=.\\\r\n"}}, "no start script"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir game;
    for (const auto& [name, bytes] : r.files) game.Write(name, bytes);
    const Outcome out = RunCommand(game, {});
    EXPECT_EQ(out.status, HeadlessSession::kNoStartScript);
    ASSERT_FALSE(out.transcript.empty());
    EXPECT_EQ(out.transcript.back(), std::string("stop\t") + r.stop);
    EXPECT_EQ(out.stderrText, std::string("korvana: stop: ") + r.stop + "\n");
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// A run whose transcript goes to a file keeps no copy of its lines: a long
// run would otherwise grow by every line it writes.
TEST(HeadlessStops, AStreamedTranscriptIsNotKeptInMemory) {
  test::GameRun run({.maxClicks = 50});
  run.Script({":top", "あ", "_goto :top"});
  const std::string path = run.dir().str() + "/transcript.txt";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  run.session().platform.StreamTranscript(file);
  run.Run();
  std::fclose(file);
  EXPECT_TRUE(run.Transcript().empty());
  std::ifstream in(path);
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  // The caption, 51 texts each with its wait (the last one unclicked) and
  // the stop.
  EXPECT_EQ(lines, 104);
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// Loops that take no virtual time end by a count, with a status of their
// own and the same way on every run; a loop that lets time pass or waits
// for the reader is never taken for one. The bounds are lowered here so
// that the loops end quickly; the counting is the same.
TEST(HeadlessStops, LoopsWithoutProgressEndByCountAlike) {
  const struct {
    const char* name;
    std::vector<std::string> script;
    HeadlessOptions options;
    int status;
    const char* stop;
  } rows[] = {
      {"a label that jumps to itself", {":a", "_goto :a"},
       {.noProgressLines = 5000, .noProgressPumps = 5000}, HeadlessSession::kNoProgress,
       "no progress"},
      {"a shake without pauses", {"_shake 1,2147483647,0"},
       {.noProgressLines = 5000, .noProgressPumps = 300}, HeadlessSession::kNoProgress,
       "no progress"},
      {"a loop that lets time pass", {":a", "_delay 1", "_goto :a"},
       {.maxMs = 3000, .noProgressLines = 50, .noProgressPumps = 50}, 0, "max-ms"},
      {"a loop of pages", {":a", "あ", "_goto :a"},
       {.maxClicks = 300, .noProgressLines = 50, .noProgressPumps = 50}, 0, "clicks"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::vector<std::string> transcripts[2];
    int64_t lines[2] = {};
    for (int i = 0; i < 2; ++i) {
      test::GameRun run(r.options);
      run.Script(r.script);
      EXPECT_EQ(run.Run(), r.status);
      EXPECT_EQ(run.session().endReason, r.stop);
      transcripts[i] = run.Transcript();
      lines[i] = run.session().platform.LinesRun();
      ASSERT_FALSE(transcripts[i].empty());
      EXPECT_EQ(transcripts[i].back(), std::string("stop\t") + r.stop);
    }
    EXPECT_EQ(transcripts[0], transcripts[1]);
    EXPECT_EQ(lines[0], lines[1]);
  }
}

}  // namespace
}  // namespace korvana
