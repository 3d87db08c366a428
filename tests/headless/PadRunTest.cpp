// Game controller buttons given to a run without a window: each button does
// what the reader's mapping says, at the wait it is given to, instead of
// that wait's automatic click or choice; and what a game keeps on disk is
// the same whether it was read with the pad or without.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "GameRun.h"
#include "headless/HeadlessSession.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;
using test::GameRun;

// Waits for input, counted as `--pad` counts them: 1 一頁, 2 二頁, 3 三頁,
// 4 the choice, 5 四頁, 6 五頁.
const std::vector<std::string> kStory = {
    "_textwait 0",
    "_$flg[1]=1",
    "~00000001一頁&二頁&三頁&",
    "_selmenu 100,100",
    "左, , _$flg[3]=1",
    "中, , _$flg[3]=2",
    "右, , _$flg[3]=3",
    "_endsel",
    "~00000002四頁&五頁&",
    "_$flg[4]=4",
};

HeadlessOptions Options(const std::string& pads, int64_t clicks = -1) {
  HeadlessCommandLine command;
  std::string error;
  EXPECT_TRUE(ParseHeadlessCommandLine({"--pad", pads}, command, error)) << error;
  command.options.maxClicks = clicks;
  return command.options;
}

// The lines a pad button leads to, in order: the buttons themselves, the
// menu items they chose and what those did, and why the run stopped.
std::vector<std::string> PadLines(const GameRun& run) {
  std::vector<std::string> lines;
  for (const std::string& line : run.Transcript()) {
    const std::string kind = line.substr(0, line.find('\t'));
    if (kind == "pad" || kind == "menu" || kind == "auto" || kind == "back" ||
        kind == "stop" || line.rfind("dialog\tsave\t", 0) == 0 ||
        line.rfind("dialog\tload\t", 0) == 0)
      lines.push_back(line);
  }
  return lines;
}

TEST(PadRun, EachButtonDoesWhatTheDefaultMappingSays) {
  const struct {
    const char* pads;
    int64_t clicks;  // -1: as many automatic clicks as the story wants
    std::vector<std::string> lines;
    const char* chosen;  // $flg[3]: the entry the choice took
    const char* end;     // $flg[4]: "4" when the story was read to its end
  } rows[] = {
      // A clicks: three pages read without one automatic click; the choice
      // takes its automatic answer and the fifth wait finds none left.
      {"a,a,a", 0, {"pad\ta", "pad\ta", "pad\ta", "stop\tclicks"}, "1", "0"},
      // The first arrow puts the pointer on the first entry, each further
      // one a step down, and A takes the entry under it.
      {"4:down,4:a", -1, {"pad\tdown", "pad\ta"}, "1", "4"},
      {"4:down,4:down,4:a", -1, {"pad\tdown", "pad\tdown", "pad\ta"}, "2", "4"},
      {"4:down,4:down,4:down,4:down,4:a", -1,
       {"pad\tdown", "pad\tdown", "pad\tdown", "pad\tdown", "pad\ta"}, "3", "4"},
      {"4:down,4:down,4:down,4:up,4:a", -1,
       {"pad\tdown", "pad\tdown", "pad\tdown", "pad\tup", "pad\ta"}, "2", "4"},
      // B opens the pop-up menu, which no run without a window has: the page
      // still waits, and A ends it.
      {"1:b,1:a", -1, {"pad\tb", "pad\ta"}, "1", "4"},
      {"2:x,2:a", -1, {"pad\tx", "menu\tKhidetext", "pad\ta"}, "1", "4"},
      {"1:rb,1:a", -1, {"pad\trb", "menu\tXforward\tdisabled", "pad\ta"}, "1", "4"},
      // LT held skips every page to the end without a click; RT reads on in
      // auto mode.
      {"lt", 0, {"pad\tlt"}, "1", "4"},
      {"rt", 0, {"pad\trt", "menu\tXauto", "auto\ton"}, "1", "4"},
      {"5:start,5:a", -1, {"pad\tstart", "menu\tMsave", "dialog\tsave\tcancel", "pad\ta"}, "1",
       "4"},
      {"5:back,5:a", -1, {"pad\tback", "menu\tMload", "dialog\tload\tcancel", "pad\ta"}, "1",
       "4"},
      // The log takes the buttons while it is open: the d-pad scrolls, B or
      // A closes it, and the page still waits for its own click.
      {"2:y,2:down,2:up,2:b,2:a", -1,
       {"pad\ty", "menu\tMback", "pad\tdown", "pad\tup", "pad\tb", "pad\ta"}, "1", "4"},
      {"2:y,2:a,2:a", -1, {"pad\ty", "menu\tMback", "pad\ta", "pad\ta"}, "1", "4"},
      // Buttons that leave their wait waiting end the run there.
      {"1:b", -1, {"pad\tb", "stop\tthe pad buttons did not end the wait"}, "0", "0"},
      {"4:down", -1, {"pad\tdown", "stop\tthe pad buttons did not end the wait"}, "0", "0"},
      {"2:y,2:b", -1,
       {"pad\ty", "menu\tMback", "pad\tb", "stop\tthe pad buttons did not end the wait"}, "0",
       "0"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.pads);
    GameRun run(Options(r.pads, r.clicks));
    run.Script(kStory);
    const bool stoppedByPad =
        !r.lines.empty() && r.lines.back() == "stop\tthe pad buttons did not end the wait";
    EXPECT_EQ(run.Run(), stoppedByPad ? HeadlessSession::kStopped : 0);
    EXPECT_EQ(PadLines(run), r.lines);
    EXPECT_EQ(run.Flag(3), r.chosen);
    EXPECT_EQ(run.Flag(4), r.end);
  }
}

TEST(PadRun, AChangedMappingIsWhatTheButtonsDo) {
  const struct {
    const char* settings;
    const char* pads;
    std::vector<std::string> lines;
    const char* chosen;
  } rows[] = {
      {"PadB=click\n", "b,b,b", {"pad\tb", "pad\tb", "pad\tb"}, "1"},
      {"PadY=auto\n", "y", {"pad\ty", "menu\tXauto", "auto\ton"}, "1"},
      {"PadRight=down\nPadStart=click\n", "4:right,4:right,4:start",
       {"pad\tright", "pad\tright", "pad\tstart"}, "2"},
      {"PadA=none\n", "1:a", {"pad\ta", "stop\tthe pad buttons did not end the wait"}, "0"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.settings);
    test::TempDir dir;
    EngineSettings settings;
    std::string error;
    ASSERT_TRUE(config::ReadReaderSettings(dir.Write("settings.ini", r.settings),
                                           settings.reader, error))
        << error;
    GameRun run(Options(r.pads, 3), settings);
    run.Script(kStory);
    run.Run();
    // The buttons' own lines come first; automatic clicks read on after them.
    std::vector<std::string> lines = PadLines(run);
    lines.resize(std::min(lines.size(), r.lines.size()));
    EXPECT_EQ(lines, r.lines);
    EXPECT_EQ(run.Flag(3), r.chosen);
  }
}

TEST(PadRun, TheCommandLineTakesButtonNamesAndWaits) {
  const struct {
    const char* list;
    bool ok;
    size_t count;
  } rows[] = {
      {"a", true, 1},
      {"a,b,x,y,lb,rb,lt,rt,start,back,up,down,left,right", true, 14},
      {"2:down,2:down,2:a", true, 3},
      {"A", false, 0},
      {"jump", false, 0},
      {"0:a", false, 0},
      {"x:a", false, 0},
      {"2:", false, 0},
      {"", false, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.list);
    HeadlessCommandLine command;
    std::string error;
    EXPECT_EQ(ParseHeadlessCommandLine({"--pad", r.list}, command, error), r.ok);
    EXPECT_EQ(command.options.pad.size(), r.count);
    EXPECT_EQ(error.empty(), r.ok);
  }
}

// Every file of the game's folder, by name.
std::map<std::string, std::string> Files(const GameRun& run) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(run.dir().path()))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), run.dir().path()).string()] =
          run.dir().Read(fs::relative(entry.path(), run.dir().path()).string());
  return files;
}

TEST(PadRun, WhatTheGameKeepsIsTheSameReadWithThePadOrWithout) {
  std::vector<std::string> story = kStory;
  story.push_back("_winexit");
  auto play = [&](const std::string& pads) {
    HeadlessOptions options;
    options.slotChoices = {"3"};
    if (pads.empty()) {
      options.choices = {2};
      options.menu = {{6, "Msave"}};
    } else {
      options = Options(pads);
      options.slotChoices = {"3"};
    }
    auto run = std::make_unique<GameRun>(options);
    run->File("krv.cfg", "");
    run->Script(story);
    EXPECT_EQ(run->RunPrepared(), 0);
    return run;
  };
  const auto without = play("");
  const auto with = play("a,a,a,4:down,4:down,4:down,4:a,a,6:start,6:a");
  EXPECT_EQ(with->Flag(3), "3");
  EXPECT_EQ(with->Events("pad").size(), 10u);
  const auto expected = Files(*without);
  EXPECT_TRUE(expected.count("krv.ini"));
  EXPECT_GT(expected.size(), 3u);  // the script, krv.cfg, krv.ini and the save
  EXPECT_EQ(Files(*with), expected);
}

}  // namespace
}  // namespace korvana
