// The reader's speech and text out of the page: what a listener hears and a
// tool beside the game receives, page by page, with ruby read once; nothing
// while they are off; auto mode waits for the speech; the game's files are
// the same with and without them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>

#include "GameRun.h"
#include "TempDir.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "headless/HeadlessSession.h"
#include "script/EngineProbe.h"
#include "text/FocusSpeech.h"
#include "text/PageText.h"

namespace korvana {
namespace {

using test::GameRun;
using test::Sjis;

// A speech engine that only remembers what it was asked, and is still
// speaking until it is stopped, as a real one would be at a reader's click.
struct FakeSpeech : Speech, TextOut {
  std::vector<std::string> events;
  bool speaking = false;
  bool available = true;
  bool SpeechAvailable(std::string& why) override {
    why = "no engine here";
    return available;
  }
  void Say(const std::string& text) override {
    events.push_back("say " + text);
    speaking = true;
  }
  void StopSpeech() override {
    if (speaking) events.push_back("stop");
    speaking = false;
  }
  bool Speaking() override { return speaking; }
  void SendText(const std::string& line) override { events.push_back("send " + line); }
};

// Runs `lines` (UTF-8, text without character waits) on a headless window
// whose speech and text out are `fake`, with those outputs turned on first.
std::vector<std::string> HeardAndSent(const std::vector<std::string>& lines, bool speak, bool send,
                                      HeadlessOptions options = {}) {
  test::TempDir dir;
  std::string script = Sjis("_textwait 0") + "\r\n";
  for (const std::string& l : lines) script += Sjis(l) + "\r\n";
  dir.Write("autorun.txt", script);
  HeadlessPlatform platform(std::move(options));
  FakeSpeech fake;
  Platform doors = platform.Doors();
  FlagStore flags;
  Engine engine(Platform{doors.pump, doors.window, doors.dialogs, doors.audio, doors.movie,
                         doors.observer, doors.machine, fake, fake},
                flags, {}, dir.str());
  engine.SetSpeech(speak);
  engine.SetTextOut(send);
  platform.ArmLimits();
  try {
    engine.Initialize();
    engine.StartEngine();
  } catch (const HeadlessStop&) {
  } catch (const EngineExit&) {
  }
  return fake.events;
}

TEST(ReaderVoice, EachPageIsSpokenAtItsWaitWithRubyReadOnceAndStopsOnTheClick) {
  const struct {
    const char* what;
    std::vector<std::string> lines;
    std::vector<std::string> events;
  } rows[] = {
      {"one line", {"あいう"}, {"say あいう", "stop"}},
      {"ruby is its reading alone", {"(漢字)かんじ)を読む"}, {"say かんじを読む", "stop"}},
      {"two pages in order", {"はじめ&", "つぎ"}, {"say はじめ", "stop", "say つぎ", "stop"}},
      {"a wait inside a line speaks what came before it",
       {"あい.うえ"},
       {"say あい", "stop", "say うえ", "stop"}},
      {"colour and size never reach the ear", {"<C#FF0000S3>赤<C#FFFFFF>白"}, {"say 赤白", "stop"}},
      {"a flag value is read as it is drawn",
       {"_$flg[1]=42", "[$flg[1],2]点"},
       {"say 42点", "stop"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(HeardAndSent(r.lines, true, false), r.events);
  }
}

TEST(ReaderVoice, TextOutSendsEachPageWithRubyAfterItsBase) {
  const struct {
    const char* what;
    std::vector<std::string> lines;
    std::vector<std::string> events;
  } rows[] = {
      {"ruby in brackets", {"(漢字)かんじ)を読む"}, {"send 漢字(かんじ)を読む"}},
      {"two pages", {"一&", "二"}, {"send 一", "send 二"}},
      {"an inline group leaves nothing", {"<W0>あ<Q0>い"}, {"send あい"}},
      {"an empty page sends nothing", {"_textclear"}, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(HeardAndSent(r.lines, false, true), r.events);
  }
}

TEST(ReaderVoice, NothingIsSpokenOrSentWhileTheItemsAreOff) {
  const struct {
    const char* what;
    bool speak, send;
    size_t events;
  } rows[] = {
      {"both off", false, false, 0},
      {"speech alone", true, false, 4},
      {"text out alone", false, true, 2},
      {"both", true, true, 6},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(HeardAndSent({"(漢字)かんじ)&", "二"}, r.speak, r.send).size(), r.events);
  }
}

TEST(ReaderVoice, TheReaderSettingsKeepWhetherSpeechWasLeftOn) {
  // The window writes the reader's settings when the item changes them.
  const struct {
    std::vector<HeadlessOptions::MenuChoice> menu;
    bool on;
  } rows[] = {{{}, false}, {{{1, "Xspeak"}}, true}, {{{1, "Xspeak"}, {2, "Xspeak"}}, false}};
  for (const auto& r : rows) {
    GameRun run(HeadlessOptions{.menu = r.menu});
    run.Script({"_textwait 0", "一", "二", "三"});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.session().engine.Reader().speechOn, r.on) << r.menu.size();
  }
}

TEST(ReaderVoice, AMachineWithoutSpeechKeepsTheItemOffWithANote) {
  test::TempDir dir;
  dir.Write("autorun.txt", Sjis("_textwait 0\r\nあ\r\n"));
  HeadlessPlatform platform({.menu = {{1, "Xspeak"}}});
  FakeSpeech fake;
  fake.available = false;
  Platform doors = platform.Doors();
  FlagStore flags;
  Engine engine(Platform{doors.pump, doors.window, doors.dialogs, doors.audio, doors.movie,
                         doors.observer, doors.machine, fake, fake},
                flags, {}, dir.str());
  engine.SetSpeech(true);
  EXPECT_FALSE(engine.SpeechOn());
  EXPECT_FALSE(platform.MenuItemChecked(MenuItem::Speak));
  EXPECT_TRUE(fake.events.empty());
  EXPECT_EQ(platform.Transcript(), std::vector<std::string>{"note\tno engine here"});
}

TEST(ReaderVoice, HeadlessRunsWriteSpeakAndTextoutLines) {
  const struct {
    const char* what;
    std::vector<HeadlessOptions::MenuChoice> menu;
    std::vector<std::string> speak, textout;
  } rows[] = {
      {"neither", {}, {}, {}},
      {"both from the first wait",
       {{1, "Xspeak"}, {1, "Xtextout"}},
       {"ふりがなのかんじ", "おわり", "まだ"},
       {"ふりがなの漢字(かんじ)", "おわり", "まだ"}},
      {"speech turned on at the second wait", {{2, "Xspeak"}}, {"おわり", "まだ"}, {}},
      // The page a wait stands after has gone when the reader acts in it.
      {"text out turned off at the second wait",
       {{1, "Xtextout"}, {2, "Xtextout"}},
       {},
       {"ふりがなの漢字(かんじ)", "おわり"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    GameRun run({.menu = r.menu});
    run.Script({"_textwait 0", "ふりがなの(漢字)かんじ)", "おわり", "まだ"});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.Events("speak"), r.speak);
    EXPECT_EQ(run.Events("textout"), r.textout);
  }
}

TEST(ReaderVoice, AutoModeWaitsForTheSpeechToEnd) {
  constexpr int64_t kChar = HeadlessPlatform::kSpeechMsPerChar;
  const struct {
    const char* what;
    bool speak;
    int32_t baseMs;
    const char* page;
    uint64_t ms;
  } rows[] = {
      {"silent: the reader's time", false, 100, "あいうえお", 100},
      {"spoken: the speech's time when longer", true, 100, "あいうえお", 5 * kChar},
      {"spoken: the reader's time when longer", true, 2000, "あ", 2000},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    HeadlessOptions options;
    options.menu = {{1, "Xauto"}};
    if (r.speak) options.menu.push_back({1, "Xspeak"});
    EngineSettings settings;
    settings.reader.autoBaseMs = r.baseMs;
    settings.reader.autoPerCharMs = 0;
    GameRun run(options, settings);
    run.Script({"_textwait 0", r.page});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.session().platform.ElapsedMs(), r.ms);
  }
}

TEST(ReaderVoice, AChoiceLabelIsSpokenOnlyWhileSpeechIsOn) {
  // The keys move from entry to entry; each entry is read once as it takes
  // the highlight, and going back to one reads it again.
  for (bool on : {false, true}) {
    SCOPED_TRACE(on);
    GameRun run(on ? HeadlessOptions{.menu = {{1, "Xspeak"}}} : HeadlessOptions{});
    run.Script({"_textwait 0", "問い", "_selmenu 100,100", "はい", "いいえ", "_endsel"});
    run.session().platform.onChoice = [&](const ChoiceView&) {
      for (Key k : {Key::Down, Key::Down, Key::Down, Key::Up, Key::Enter})
        run.session().platform.QueueKey(k);
    };
    EXPECT_EQ(run.Run(), 0);
    const std::vector<std::string> expected =
        on ? std::vector<std::string>{"問い", "はい", "いいえ", "はい"} : std::vector<std::string>{};
    EXPECT_EQ(run.Events("speak"), expected);
  }
}

TEST(ReaderVoice, AFocusedLabelIsSpokenAndAnEmptyOneOnlyStops) {
  const struct {
    const char* what;
    bool on;
    std::vector<std::string> labels;
    std::vector<std::string> events;
  } rows[] = {
      {"off", false, {"はい", ""}, {}},
      {"one label", true, {"はい"}, {"say はい"}},
      {"the next label cuts the last off", true, {"はい", "いいえ"}, {"say はい", "say いいえ"}},
      {"an empty label stops", true, {"はい", ""}, {"say はい", "stop"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    ClickState click;
    click.SpeakPages = r.on;
    FakeSpeech fake;
    for (const std::string& label : r.labels) SpeakFocusedLabel(click, fake, Sjis(label));
    EXPECT_EQ(fake.events, r.events);
  }
}

TEST(ReaderVoice, TheLogScreenSendsEachPageTheReaderMovesTo) {
  GameRun run({.menu = {{1, "Xtextout"}}});
  run.Script({"_textwait 0", "一ページ目&", "二ページ目&", "三ページ目"});
  EXPECT_EQ(run.Run(), 0);
  Engine& e = run.session().engine;
  HeadlessPlatform& p = run.session().platform;
  EngineProbe probe(e);
  auto press = [&](const ImageButton& b) { p.QueueClick(b.Left + 5, b.Top + 5); };
  press(probe.LogView().TkBtn1);
  press(probe.LogView().TkBtn1);
  press(probe.LogView().TkBtn2);
  press(probe.LogView().TkBtn3);
  e.ShowLogScreen();
  EXPECT_EQ(run.Events("textout"),
            (std::vector<std::string>{"一ページ目", "二ページ目", "三ページ目", "三ページ目",
                                      "二ページ目", "一ページ目", "二ページ目"}));
}

TEST(ReaderVoice, TextOutToAFileOrAPipeNobodyReadsNeverHoldsTheGame) {
  const struct {
    const char* what;
    bool fifo;
    std::string expected;
  } rows[] = {
      {"a file gets one line per page", false, "一\n二\n"},
      {"a pipe without a reader drops the lines", true, ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    test::TempDir dir;
    const std::string path = dir.str() + "/out";
    if (r.fifo) {
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    }
    GameRun run({.textOut = path});
    run.Script({"_textwait 0", "一&", "二"});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.Events("textout"), (std::vector<std::string>{"一", "二"}));
    if (!r.fifo) {
      EXPECT_EQ(dir.Read("out"), r.expected);
    }
    EXPECT_EQ(std::filesystem::is_fifo(path), r.fifo);
  }
}

TEST(ReaderVoice, APipeWithAReaderGetsTheLines) {
  test::TempDir dir;
  const std::string path = dir.str() + "/pipe";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  // A reader that is there before the game writes.
  const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  GameRun run({.textOut = path});
  run.Script({"_textwait 0", "一&", "二"});
  EXPECT_EQ(run.Run(), 0);
  char buffer[64] = {};
  const ssize_t n = ::read(reader, buffer, sizeof buffer);
  ::close(reader);
  EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), "一\n二\n");
}

TEST(ReaderVoice, TheCommandLineTurnsTextOutOnForTheRun) {
  const struct {
    std::vector<std::string> args;
    bool ok;
    const char* path;
  } rows[] = {
      {{"--text-out", "/tmp/x", "game"}, true, "/tmp/x"},
      {{"game"}, true, ""},
      {{"game", "--text-out"}, false, ""},
  };
  for (const auto& r : rows) {
    HeadlessCommandLine command;
    std::string error;
    EXPECT_EQ(ParseHeadlessCommandLine(r.args, command, error), r.ok) << error;
    if (r.ok) {
      EXPECT_EQ(command.options.textOut, r.path);
    }
  }
}

TEST(ReaderVoice, TheGamesFilesAreTheSameWithAndWithoutSpeechAndTextOut) {
  const std::vector<std::string> script = {"~00000001(一)いち)ページ目&", "_@flg[300]=global",
                                           "~00000002二ページ目.", "~00000003三ページ目.",
                                           "_winexit"};
  const char* const kept[] = {"krv.ini",   "data0.hfd", "textid.dat",
                              "data1.hfd", "data1.hsd", "data1.hld"};
  std::map<std::string, std::optional<std::string>> files[2];
  for (int with = 0; with < 2; ++with) {
    HeadlessOptions options{.answers = {"ok"}, .slotChoices = {"1"}, .menu = {{2, "Msave"}}};
    test::TempDir out;
    if (with) {
      options.menu.insert(options.menu.begin(), {{1, "Xspeak"}, {1, "Xtextout"}});
      options.textOut = out.str() + "/lines";
    }
    GameRun run(options);
    run.File("krv.cfg", "SavePath=.\\\r\nTextMaxIndex=8\r\n");
    run.Script(script);
    EXPECT_EQ(run.RunPrepared(), 0);
    EXPECT_EQ(run.Events("speak").empty(), !with);
    for (const char* name : kept) files[with][name] = ReadWholeFile(run.dir().str() + "/" + name);
  }
  for (const char* name : kept) {
    EXPECT_TRUE(files[0][name]) << name;
    EXPECT_EQ(files[0][name], files[1][name]) << name;
  }
}

TEST(PageText, KeepsWhatTheReaderSeesInTwoForms) {
  const struct {
    const char* what;
    std::vector<std::pair<char, std::string>> steps;  // c char, b break, r ruby, e end
    std::string spoken, written;
  } rows[] = {
      {"characters", {{'c', "あ"}, {'c', "い"}}, "あい", "あい"},
      {"ruby", {{'r', "かん"}, {'c', "漢"}, {'e', ""}, {'c', "字"}}, "かん字", "漢(かん)字"},
      {"nested ruby reads the outer reading",
       {{'r', "そと"}, {'r', "なか"}, {'c', "中"}, {'e', ""}, {'e', ""}},
       "そと",
       "中(なか)(そと)"},
      {"Japanese runs on over a line break", {{'c', "あ"}, {'b', ""}, {'c', "い"}}, "あい", "あい"},
      {"Latin words stay apart", {{'c', "a"}, {'b', ""}, {'c', "b"}}, "a b", "a b"},
      {"control characters are no text", {{'c', "\f"}, {'c', "x"}}, "x", "x"},
      {"an end of ruby never begun is ignored", {{'e', ""}, {'c', "x"}}, "x", "x"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    PageText page;
    for (const auto& [kind, text] : r.steps) {
      const std::string sjis = Sjis(text);
      if (kind == 'c') page.AddChar(sjis);
      if (kind == 'b') page.LineBreak();
      if (kind == 'r') page.BeginRuby(sjis);
      if (kind == 'e') page.EndRuby();
    }
    EXPECT_EQ(page.Page().spoken, r.spoken);
    EXPECT_EQ(page.Page().written, r.written);
    const PageText::Part part = page.Take();
    EXPECT_EQ(part.written, r.written);
    EXPECT_TRUE(page.Take().Empty());           // taken once
    EXPECT_EQ(page.Page().written, r.written);  // the page itself stays
    page.Clear();
    EXPECT_TRUE(page.Page().Empty());
  }
}

}  // namespace
}  // namespace korvana
