// Choices: the box and grid geometry, what they draw and put back, how the
// pointer, the arrow keys and the wheel pick an entry, the command flow around
// them, and bad input.
#include <gtest/gtest.h>

#include "GameRun.h"
#include "core/Cp932.h"
#include "graphics/Picture.h"
#include "script/EngineProbe.h"
#include "select/Selection.h"

namespace korvana {
namespace {

using test::GameRun;

SelectionItems Labels(std::initializer_list<std::string> labels) {
  SelectionItems items;
  for (const std::string& l : labels) items.ItemLabels[items.ItemCount++] = l;
  return items;
}

TEST(Selection, MenuGeometry) {
  struct Case {
    std::vector<int> labelBytes;
    int32_t size;
    int64_t width, height, itemHeight;
  };
  const Case cases[] = {
      {{4, 10, 6}, 28, 156, 100, 32},  // 14 × 11 + 2 wide, 3 × 32 + 4 high
      {{3}, 28, 58, 36, 32},           // odd byte lengths count whole
      {{5, 1}, 27, 80, 66, 31},        // 13 × 6 + 2
      {{1}, 3, 8, 12, 8},              // below 4 is 4; never narrower than 8
      {{2}, -50, 8, 12, 8},
      {{0, 0}, 40, 22, 92, 44},  // empty labels still take a place
  };
  for (const Case& c : cases) {
    SelectionItems items;
    for (int bytes : c.labelBytes) items.ItemLabels[items.ItemCount++] = std::string(bytes, 'a');
    const MenuBox box = MenuGeometry(items, c.size);
    EXPECT_EQ(box.width, c.width) << c.size;
    EXPECT_EQ(box.height, c.height) << c.size;
    EXPECT_EQ(box.itemHeight, c.itemHeight) << c.size;
  }
}

// A game whose choices the test answers by hand: `input` runs when a choice
// starts and queues what the player does.
struct ChoiceGame {
  explicit ChoiceGame(std::vector<std::string> lines, HeadlessOptions options = {})
      : run(std::move(options)) {
    std::vector<std::string> all = {"_textwait 0", "_sysdark 1", "_bgload bg.png", "_refresh"};
    all.insert(all.end(), lines.begin(), lines.end());
    std::string text;
    for (const std::string& l : all) text += test::Sjis(l) + "\r\n";
    run.File("autorun.txt", text);
    EXPECT_TRUE(WritePng(Picture(640, 480, 0x335577), run.dir().str() + "/bg.png"));
    // Buttons of 40 × 20: column 0 normal, 1 highlighted; row = state.
    Picture sheet(80, 60);
    for (int row = 0; row < 3; ++row)
      for (int column = 0; column < 2; ++column)
        sheet.FillRect(column * 40, row * 20, 40, 20, ButtonColour(column, row));
    EXPECT_TRUE(WritePng(sheet, run.dir().str() + "/buttons.png"));
  }
  static uint32_t ButtonColour(int column, int row) {
    return 0x102030u + static_cast<uint32_t>(column) * 0x400000u +
           static_cast<uint32_t>(row) * 0x40u;
  }
  HeadlessPlatform& platform() { return run.session().platform; }
  Engine& engine() { return run.session().engine; }
  std::vector<std::string> Choices() const { return run.Events("choice"); }

  GameRun run;
};

TEST(Selection, MenuHitTestingUsesStrictEdges) {
  // A box at (100, 100) with entries of 32 pixels: the frame line and the
  // three pixels inside it belong to no entry, so clicks there go on waiting.
  struct Case {
    int x, y;
    int chosen;  // -1: the click does not end the choice
  };
  const Case cases[] = {
      {101, 104, 0},  {255, 104, 0},  {150, 134, 0},  {150, 135, 1},  {150, 196, 2},
      {100, 150, -1}, {256, 150, -1}, {150, 103, -1}, {150, 197, -1}, {20, 20, -1},
  };
  for (const Case& c : cases) {
    ChoiceGame game(
        {"_selmenu 100,100", "abcd", "abcdefghij", "abcdef", "_endsel", "_$flg[1]=$sys[18]"});
    game.platform().onChoice = [&](const ChoiceView&) {
      game.platform().QueueMove(c.x, c.y);
      game.platform().QueueClick(c.x, c.y);
      // The entry 2 centre, for the clicks that must not end the choice.
      game.platform().QueueMove(150, 180);
      game.platform().QueueClick(150, 180);
    };
    EXPECT_EQ(game.run.Run(), 0);
    EXPECT_EQ(EngineProbe(game.engine()).Prog().ProgSelResult, c.chosen < 0 ? 2 : c.chosen)
        << c.x << "," << c.y;
  }
}

TEST(Selection, MenuDrawsFrameLabelsAndHighlightAndPutsTheScreenBack) {
  for (const bool outline : {false, true}) {
    SCOPED_TRACE(outline);
    ChoiceGame game({outline ? "<E1B#00FF00C#0000FF>|" : "<B#00FF00C#0000FF>|",
                     "_selmenu 100,100,#FF0000,#00FFFF,28", "あい", "うえ", "_endsel"});
    Picture atStart, highlighted;
    game.platform().onChoice = [&](const ChoiceView& view) {
      atStart = game.platform().Screen();
      EXPECT_EQ(view.kind, "menu");
      ASSERT_EQ(view.entries.size(), 2u);
      EXPECT_EQ(view.entries[1].x, 100 + 72 / 2);
      game.platform().QueueMove(view.entries[1].x, view.entries[1].y);
      // The pointer rests for one more message before the look at the screen.
      game.platform().QueueAction([] {});
      game.platform().QueueAction([&] { highlighted = game.platform().Screen(); });
      game.platform().QueueClick(view.entries[1].x, view.entries[1].y);
    };
    EXPECT_EQ(game.run.Run(), 0);
    // The frame: text colour (blue) from the corner, the shadow (green) one
    // pixel further; the box is 14 × 5 + 2 = 72 wide and 2 × 32 + 4 = 68 high.
    EXPECT_EQ(atStart.Pixel(100, 100), 0x0000FFu);
    EXPECT_EQ(atStart.Pixel(170, 166), 0x0000FFu);
    EXPECT_EQ(atStart.Pixel(171, 167), 0x00FF00u);
    EXPECT_EQ(atStart.Pixel(172, 168), 0x335577u);
    auto count = [](const Picture& p, int top, uint32_t colour) {
      int n = 0;
      for (int y = top; y < top + 32; ++y)
        for (int x = 100; x < 172; ++x) n += p.Pixel(x, y) == colour;
      return n;
    };
    // Both labels in the normal colour (cyan as written, red and blue
    // swapped) with their black shadow or green outline copies.
    const uint32_t shade = outline ? 0x00FF00u : 0u;
    for (int top : {100, 132}) {
      EXPECT_GT(count(atStart, top, 0x00FFFFu), 20) << top;
      EXPECT_GT(count(atStart, top, shade), 20) << top;
      EXPECT_EQ(count(atStart, top, 0xFF0000u), 0) << top;
    }
    // The pointer over the second entry draws it, and only it, in red.
    EXPECT_EQ(count(highlighted, 100, 0xFF0000u), 0);
    EXPECT_GT(count(highlighted, 132, 0xFF0000u), 20);
    // Afterwards the screen is as before the choice.
    Engine& e = game.engine();
    EngineProbe probe(e);
    EXPECT_EQ(probe.Prog().ProgSelResult, 1);
    Picture scene = probe.WorkScreen();
    probe.PokeMessage().OverlayMessage(scene);
    EXPECT_EQ(probe.BackImage().Pixels(), scene.Pixels());
  }
}

TEST(Selection, ItemLinesConditionsCommandsAndBranches) {
  // Each kind of choice, the chosen entry's command and `_branch` after it.
  struct Case {
    const char* command;
    std::vector<int64_t> choose;
    std::string flag1, flag2;
  };
  const Case cases[] = {
      {"_selmenu 10,10", {0}, "a", "0"},
      {"_selmenu 10,10", {1}, "b", "1"},  // the false entry is dropped
      {"_selmenu 10,10", {2}, "jumped", "0"},
      {"_selbutton 10,10,buttons.png,40,20,#NONE", {1}, "b", "1"},
      {"_selcgmode 10,10,buttons.png,40,20,2,#NONE",
       {3},
       "jumped",
       "0"},  // the false entry keeps its place
  };
  for (const Case& c : cases) {
    ChoiceGame game(
        {c.command, "1, , _@flg[1]=a", "2, 0, _@flg[1]=never", "\"1\" , 1 , _(1), _@flg[1]=b",
         "2,,_goto :far", "_endsel", "_branch 1", "_$flg[2]=1", "_endbranch", ":far"},
        {.choices = c.choose});
    EXPECT_EQ(game.run.Run(), 0) << c.command;
    EXPECT_EQ(game.run.Flag(1), c.flag1 == "jumped" ? "0" : c.flag1) << c.command;
    EXPECT_EQ(game.run.Flag(2), c.flag2) << c.command;
    EXPECT_EQ(EngineProbe(game.engine()).Prog().ProgSelResult, c.choose[0]) << c.command;
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(Selection, GridRowsLockedEntriesAndColumns) {
  // Six unlocked entries in three columns take three rows; the third is
  // empty and a click there goes on waiting, as a click on a locked entry
  // does. No columns means one.
  struct Case {
    const char* command;
    std::vector<std::string> states;
    std::pair<int, int> refused, chosen;  // pointer positions
    int result;
    int64_t height;
  };
  const Case cases[] = {
      {"_selcgmode 100,50,buttons.png,40,20,3,#NONE",
       {"1", "1", "1", "1", "1", "1"},
       {150, 95},
       {170, 75},
       4,
       60},
      {"_selcgmode 100,50,buttons.png,40,20,2,#NONE",
       {"1", "0", "2", "$flg[9]"},
       {150, 55},
       {150, 75},
       3,
       60},
      {"_selcgmode 100,50,buttons.png,40,20,0,#NONE",
       {"1", "1", "1"},
       {120, 125},
       {120, 95},
       2,
       80},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = {"_$flg[9]=2", c.command};
    for (const std::string& s : c.states) lines.push_back(s);
    lines.push_back("_endsel");
    ChoiceGame game(lines);
    std::vector<bool> choosable;
    game.platform().onChoice = [&](const ChoiceView& view) {
      for (const auto& e : view.entries) choosable.push_back(e.choosable);
      for (auto [x, y] : {c.refused, c.chosen}) {
        game.platform().QueueMove(x, y);
        game.platform().QueueClick(x, y);
      }
    };
    EXPECT_EQ(game.run.Run(), 0) << c.command;
    EXPECT_EQ(EngineProbe(game.engine()).Prog().ProgSelResult, c.result) << c.command;
    EXPECT_EQ(EngineProbe(game.engine()).PokeSelector().area.height, c.height) << c.command;
    for (size_t i = 0; i < choosable.size(); ++i)
      EXPECT_EQ(choosable[i], c.states[i] != "0") << c.command << " entry " << i;
  }
}

TEST(Selection, ButtonsShowTheirRowsHighlightAndLeaveNoSprite) {
  ChoiceGame game({"_selbutton 200,100,buttons.png,40,20,#NONE", "0", "2", "1", "_endsel"});
  Picture atStart, highlighted;
  game.platform().onChoice = [&](const ChoiceView& view) {
    atStart = game.platform().Screen();
    EXPECT_EQ(view.kind, "button");
    game.platform().QueueMove(220, 130);  // entry 1
    game.platform().QueueAction([] {});
    game.platform().QueueAction([&] { highlighted = game.platform().Screen(); });
    game.platform().QueueClick(220, 130);
  };
  EXPECT_EQ(game.run.Run(), 0);
  for (int i = 0; i < 3; ++i) {
    const int row = i == 0 ? 0 : i == 1 ? 2 : 1;
    EXPECT_EQ(atStart.Pixel(210, 105 + 20 * i), ChoiceGame::ButtonColour(0, row)) << i;
  }
  EXPECT_EQ(highlighted.Pixel(210, 125), ChoiceGame::ButtonColour(1, 2));
  EXPECT_EQ(highlighted.Pixel(210, 105), ChoiceGame::ButtonColour(0, 0));
  Engine& e = game.engine();
  EngineProbe probe(e);
  EXPECT_EQ(probe.Prog().ProgSelResult, 1);
  for (const Sprite& s : probe.Layers().state.sprites) EXPECT_FALSE(s.visible);
  EXPECT_EQ(probe.Layers().state.sheet.fileName, "buttons.png");
  EXPECT_EQ(probe.BackImage().Pixel(210, 125), 0x335577u);
}

TEST(Selection, UnusableButtonPicturesChooseTheFirstEntry) {
  const char* commands[] = {
      "_selbutton 10,10,buttons.png,0,0,#NONE",      // cells of no size
      "_selbutton 10,10,buttons.png,100,100,#NONE",  // smaller than one cell
      "_selcgmode 10,10,missing.png,40,20,2,#NONE",  // no such file
  };
  for (const char* command : commands) {
    ChoiceGame game({command, "1,,_$flg[1]=1", "1,,_$flg[1]=2", "_endsel", "_$flg[2]=1"});
    EXPECT_EQ(game.run.Run(), 0) << command;
    EXPECT_EQ(game.run.Flag(1), "1") << command;  // entry 0's command runs
    EXPECT_EQ(game.run.Flag(2), "1") << command;  // and the story goes on
    const std::vector<std::string> messages = game.run.ErrorMessages();
    ASSERT_FALSE(messages.empty()) << command;
    EXPECT_EQ(messages.back(), "画像の読み込み失敗もしくはサイズ指定が異常です") << command;
    EXPECT_TRUE(game.Choices().empty()) << command;
  }
}

TEST(Selection, ArrowKeysAndTheWheelMoveThePointerFromEntryToEntry) {
  // A menu at (100, 100) of five 32-pixel entries, 30 wide: the first press
  // from outside goes to the first entry's centre, then steps stop at the
  // edges. Grids of 40 × 20 cells at (100, 50) go from entry to entry and
  // never onto the empty places of the last row or the spare row below it.
  const std::vector<std::string> five = {"1", "2", "3", "4", "5"};
  const std::vector<std::string> four = {"1", "2", "3", "4"};
  const char* grid3 = "_selcgmode 100,50,buttons.png,40,20,3,#NONE";
  const char* grid2 = "_selcgmode 100,50,buttons.png,40,20,2,#NONE";
  struct Case {
    const char* command;
    std::vector<std::string> labels;
    std::vector<Key> keys;
    std::pair<int, int> pointer;
    int result;
  };
  const Case cases[] = {
      {"_selmenu 100,100", five, {Key::Down}, {117, 118}, 0},
      {"_selmenu 100,100", five, {Key::Down, Key::Down, Key::Down, Key::Down, Key::Down}, {117, 246}, 4},
      {"_selmenu 100,100", five, {Key::Down, Key::Down, Key::Up, Key::Up, Key::Up}, {117, 118}, 0},
      {"_selmenu 100,100", five, {Key::Down, Key::Right}, {117, 118}, 0},  // menus ignore sideways
      // Rows end where they end; Down into the shorter last row takes its
      // nearest entry.
      {grid3, five, {Key::Right, Key::Right, Key::Right, Key::Down, Key::Right, Key::Left}, {120, 80}, 3},
      {grid3, five, {Key::Right, Key::Right, Key::Right, Key::Right}, {200, 60}, 2},
      // Four in two columns: from entry 3, Down and Right stay (the spare
      // row below is empty), Up goes back a row.
      {grid2, four, {Key::Right, Key::Down, Key::Right, Key::Down, Key::Right}, {160, 80}, 3},
      {grid2, four, {Key::Right, Key::Down, Key::Right, Key::Down, Key::Up}, {160, 60}, 1},
      // A locked entry takes the focus, but Enter on it chooses nothing.
      {grid2, {"1", "0", "1"}, {Key::Right, Key::Right, Key::Enter, Key::Left}, {120, 60}, 0},
  };
  // A window that may not move the pointer (full screen) chooses the same.
  for (const bool pointerFixed : {false, true}) {
    for (const Case& c : cases) {
      std::vector<std::string> script = {c.command};
      script.insert(script.end(), c.labels.begin(), c.labels.end());
      script.push_back("_endsel");
      ChoiceGame game(script);
      game.platform().pointerFixed = pointerFixed;
      game.platform().onChoice = [&](const ChoiceView&) {
        for (Key k : c.keys) game.platform().QueueKey(k);
        game.platform().QueueKey(Key::Enter);
      };
      EXPECT_EQ(game.run.Run(), 0) << c.command;
      if (!pointerFixed)
        EXPECT_EQ(std::pair(game.platform().PointerX(), game.platform().PointerY()), c.pointer)
            << c.command << " " << c.keys.size();
      EXPECT_EQ(EngineProbe(game.engine()).Prog().ProgSelResult, c.result)
          << c.command << " " << c.keys.size() << (pointerFixed ? " fixed" : "");
    }
  }
  // The wheel steps like Up and Down.
  ChoiceGame wheel({"_selmenu 100,100", "a", "b", "c", "_endsel"});
  wheel.platform().onChoice = [&](const ChoiceView&) {
    for (int delta : {-120, -120, -120, 120}) wheel.platform().QueueWheel(delta);
    wheel.platform().QueueKey(Key::Enter);
  };
  EXPECT_EQ(wheel.run.Run(), 0);
  EXPECT_EQ(EngineProbe(wheel.engine()).Prog().ProgSelResult, 1);
}

TEST(Selection, MenuItemsDuringAndAfterAChoice) {
  ChoiceGame game({"_selmenu 10,10", "a", "_endsel", "_$flg[1]=1"});
  bool fontDuring = true, saveDuring = true;
  game.platform().onChoice = [&](const ChoiceView& view) {
    fontDuring = game.platform().MenuItemEnabled(MenuItem::Font);
    saveDuring = game.platform().MenuItemEnabled(MenuItem::Save);
    game.platform().QueueMove(view.entries[0].x, view.entries[0].y);
    game.platform().QueueClick(view.entries[0].x, view.entries[0].y);
  };
  EXPECT_EQ(game.run.Run(), 0);
  EXPECT_FALSE(fontDuring);
  EXPECT_FALSE(saveDuring);  // no save point can be written yet
  EXPECT_TRUE(game.platform().MenuItemEnabled(MenuItem::Font));
  EXPECT_FALSE(game.platform().MenuItemEnabled(MenuItem::Save));
  EXPECT_FALSE(EngineProbe(game.engine()).Layers().LayersDirty);  // the mark is put back
}

TEST(Selection, HeadlessChoicesAndTheirTranscript) {
  struct Case {
    std::vector<int64_t> choose;
    std::string transcript;
    std::string endReason;
    int status;
  };
  const Case cases[] = {
      {{}, "grid\t3\t0\t1\t0\t2", "end", 0},
      {{2}, "grid\t3\t2\t1\t0\t2", "end", 0},
      {{1}, "grid\t3\t1\t1\t0\t2", "choice 1 cannot be chosen", HeadlessSession::kStopped},
      {{3}, "grid\t3\t3\t1\t0\t2", "choice 3 cannot be chosen", HeadlessSession::kStopped},
  };
  for (const Case& c : cases) {
    ChoiceGame game({"_selcgmode 10,10,buttons.png,40,20,2,#NONE", "1", "0", "2", "_endsel"},
                    {.choices = c.choose});
    EXPECT_EQ(game.run.Run(), c.status);
    EXPECT_EQ(game.Choices(), std::vector<std::string>{c.transcript});
    EXPECT_EQ(game.run.session().endReason, c.endReason);
  }
}

TEST(Selection, BadInputIsReportedAndNeverStopsTheStory) {
  std::vector<std::string> many = {"_selmenu 10,10"};
  for (int i = 0; i < 40; ++i) many.push_back("e" + std::to_string(i));
  many.push_back("_endsel");
  many.push_back("_$flg[1]=1");
  ChoiceGame tooMany(many, {.choices = {31}});
  EXPECT_EQ(tooMany.run.Run(), 0);
  EXPECT_EQ(tooMany.run.ErrorMessages(), std::vector<std::string>{"選択肢が多すぎます。最大：32"});
  EXPECT_NE(tooMany.run.Events("box")[1].find("Line:38/"), std::string::npos);  // the 33rd item
  EXPECT_EQ(tooMany.Choices()[0].substr(0, 11), "menu\t32\t31\t");
  EXPECT_EQ(tooMany.run.Flag(1), "1");

  ChoiceGame unended({"_selmenu 10,10", "a,,_$flg[1]=1", "b"});
  EXPECT_EQ(unended.run.Run(), 0);
  EXPECT_EQ(unended.run.ErrorMessages(), std::vector<std::string>{"_endselが見つかりません"});
  EXPECT_NE(unended.run.Events("box")[1].find("Line:5/"), std::string::npos);  // the command's
  EXPECT_EQ(unended.run.Flag(1), "1");

  ChoiceGame colour({"_selmenu 10,10,#GG0000", "a", "_endsel", "_$flg[1]=1"});
  EXPECT_EQ(colour.run.Run(), 0);
  EXPECT_EQ(colour.run.Events("box")[0], "Korvana\t'0xGG0000' は正しい整数値ではありません\tok");
  EXPECT_EQ(colour.run.Flag(1), "0");  // the conversion error ends the run

  // A label of 10,000 bytes at a huge size, a nested choice as an item's
  // command: drawn clipped, answered, and the screen comes back.
  ChoiceGame odd({"_selmenu 600,450,#FFFFFF,#808080,2000000000",
                  std::string(10000, 'x') + ",,_selmenu 10,10", "_endsel", "inner,,_$flg[1]=1",
                  "_endsel", "_$flg[2]=1"});
  odd.platform().onChoice = [&](const ChoiceView& view) {
    odd.platform().QueueMove(view.entries[0].x, view.entries[0].y);
    odd.platform().QueueClick(view.entries[0].x, view.entries[0].y);
  };
  EXPECT_EQ(odd.run.Run(), 0);
  EXPECT_EQ(odd.run.Flag(1), "1");
  EXPECT_EQ(odd.run.Flag(2), "1");
  EXPECT_EQ(EngineProbe(odd.engine()).BackImage().Pixel(639, 479), 0x335577u);

  // Far off the screen nothing can be clicked: a headless run ends as any
  // wait that nothing can end does, without a fault.
  ChoiceGame far({"_selmenu 2000000000,-2000000000", "a", "_endsel"});
  EXPECT_EQ(far.run.Run(), 0);
  EXPECT_EQ(far.run.session().endReason, "waiting for input that never comes");
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(Selection, HandCursorOverEntriesThenTheScriptsCursorAndTheMouseCommand) {
  ChoiceGame game({"_mousepat 4", "_mouseloc 300,200", "_delay 1", "_$flg[1]=$sys[0]",
                   "_$flg[2]=$sys[1]", "_selmenu 10,10", "a", "b", "_endsel"});
  Cursor overEntry = Cursor::Default, outside = Cursor::Default;
  game.platform().onChoice = [&](const ChoiceView& view) {
    game.platform().QueueMove(view.entries[1].x, view.entries[1].y);
    game.platform().QueueAction([] {});
    game.platform().QueueAction([&] { overEntry = game.platform().ShownCursor(); });
    game.platform().QueueMove(600, 400);
    game.platform().QueueAction([] {});
    game.platform().QueueAction([&] { outside = game.platform().ShownCursor(); });
    game.platform().QueueMove(view.entries[1].x, view.entries[1].y);
    game.platform().QueueClick(view.entries[1].x, view.entries[1].y);
  };
  EXPECT_EQ(game.run.Run(), 0);
  EXPECT_EQ(game.run.Flag(1), "300");  // `_mouseloc` moved the pointer
  EXPECT_EQ(game.run.Flag(2), "200");
  EXPECT_EQ(overEntry, Cursor::Hand);
  EXPECT_EQ(outside, Cursor::Arrow);  // the script's kind 4
  EXPECT_EQ(game.platform().ShownCursor(), Cursor::Arrow);
  EXPECT_EQ(EngineProbe(game.engine()).Prog().ProgSelResult, 1);
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// A window system delivers what is queued in one go: a tap or a quick click
// can come in the same message as the move that led to it. The click counts
// when it was made where the pointer moved to; a click made before the move,
// where the pointer stood, does not.
TEST(Selection, ClickArrivingWithItsMoveChooses) {
  struct Case {
    std::string command;
    std::vector<std::string> items;
    int x, y;            // where the pointer moves and the click is made
    bool clickFirst;     // the click was made before the move, where the pointer stood
    int result;
  } cases[] = {
      {"_selmenu 100,100", {"abcd", "efgh", "ijkl"}, 130, 150, false, 1},
      {"_selmenu 100,100", {"abcd", "efgh", "ijkl"}, 130, 150, true, 0},
      {"_selbutton 200,100,buttons.png,40,20,#NONE", {"0", "1", "2"}, 220, 150, false, 2},
      {"_selcgmode 200,100,buttons.png,40,20,2,#NONE", {"1", "1", "1"}, 220, 130, false, 2},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = {c.command};
    lines.insert(lines.end(), c.items.begin(), c.items.end());
    lines.push_back("_endsel");
    ChoiceGame game(lines);
    game.platform().onChoice = [&](const ChoiceView& view) {
      Engine& sink = game.engine();
      const ClickState& clicks = EngineProbe(sink).Clicks();
      const int startX = clicks.PointerX, startY = clicks.PointerY;
      game.platform().QueueAction([&sink, &c, startX, startY] {
        const int clickX = c.clickFirst ? startX : c.x, clickY = c.clickFirst ? startY : c.y;
        if (!c.clickFirst) sink.OnMouseMove(c.x, c.y);
        sink.OnMouseDown(clickX, clickY, MouseButton::Left);
        sink.OnClick(clickX, clickY);
        sink.OnMouseUp(clickX, clickY, MouseButton::Left);
        if (c.clickFirst) sink.OnMouseMove(c.x, c.y);
      });
      // Only a click that did not count leaves the choice to this one.
      game.platform().QueueMove(view.entries[0].x, view.entries[0].y);
      game.platform().QueueClick(view.entries[0].x, view.entries[0].y);
    };
    EXPECT_EQ(game.run.Run(), 0) << c.command;
    EXPECT_EQ(EngineProbe(game.engine()).Prog().ProgSelResult, c.result)
        << c.command << " " << c.clickFirst;
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// A picture button owns its left and top edges: a click at the centre of a
// cell of any size, down to one pixel, chooses it.
TEST(Selection, ClickAtTheCentreOfACellOfAnySizeChoosesIt) {
  struct Case {
    int w, h;
  } sizes[] = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {1, 3}, {3, 1}, {40, 20}};
  const char* const commands[] = {"_selcgmode 100,50,cells.png,%d,%d,2,#NONE",
                                  "_selbutton 100,50,cells.png,%d,%d,#NONE"};
  for (const char* command : commands) {
    for (const Case& c : sizes) {
      for (int64_t chosen : {0, 1}) {
        char line[80];
        std::snprintf(line, sizeof line, command, c.w, c.h);
        ChoiceGame game({line, "1", "1", "_endsel"}, {.choices = {chosen}});
        Picture sheet(c.w * 2, c.h * 2, 0x808080);
        ASSERT_TRUE(WritePng(sheet, game.run.dir().str() + "/cells.png"));
        EXPECT_EQ(game.run.Run(), 0) << line << " entry " << chosen;
        EXPECT_EQ(game.run.session().endReason, "end") << line << " entry " << chosen;
        EXPECT_EQ(EngineProbe(game.engine()).Prog().ProgSelResult, chosen) << line;
      }
    }
  }
}

}  // namespace
}  // namespace korvana
