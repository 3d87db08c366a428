// Choices: the box and grid geometry, what they draw and put back, how the
// pointer, the arrow keys and the wheel pick an entry, the command flow around
// them, and bad input.
#include <gtest/gtest.h>

#include "GameRun.h"
#include "core/Cp932.h"
#include "graphics/Picture.h"
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
    EXPECT_EQ(game.engine().prog.ProgSelResult, c.chosen < 0 ? 2 : c.chosen) << c.x << "," << c.y;
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
    const Engine& e = game.engine();
    EXPECT_EQ(e.prog.ProgSelResult, 1);
    Picture scene = e.screen.WorkScreen;
    e.messageText.OverlayMessage(scene);
    EXPECT_EQ(e.screen.BackImage.Pixels(), scene.Pixels());
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
    EXPECT_EQ(game.engine().prog.ProgSelResult, c.choose[0]) << c.command;
  }
}

}  // namespace
}  // namespace korvana
