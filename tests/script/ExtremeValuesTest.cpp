// The largest and smallest 32-bit values in every position, size and step a
// script or a saved game gives: the story runs on to its end. The test build
// stops at the first signed overflow, so a sum or product that leaves int
// fails here instead of drawing garbage on a player's screen.
#include <gtest/gtest.h>

#include <climits>

#include "GameRun.h"
#include "graphics/Picture.h"
#include "save/SaveFiles.h"

namespace korvana {
namespace {

using test::GameRun;

void WritePictures(GameRun& run) {
  const Picture small(8, 8, 0x406080);
  for (const char* name : {"pic.png", "bg.png", "mv646.png", "mv647.png", "mv648.png"})
    ASSERT_TRUE(WritePng(small, run.dir().str() + "/" + name));
}

TEST(ExtremeValues, EveryCommandRunsToTheEndOfTheScript) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    // The story's last line stores this in flag 9 ($sys or a plain 1).
    std::string result = "1";
    std::string endReason = "end";
    // The boxes a player sees on the way (UTF-8).
    std::vector<std::string> messages = {};
  };
  // The smallest int as an expression: its digits alone are beyond int.
  const std::string max = "2147483647", min = "-2147483647-1", least = "-2147483648";
  const Case cases[] = {
      {"ruby at the far cursor",
       {"_textoffset " + max + "," + max, "_textloc " + max + "," + max, "あ(a)b)い"}},
      {"ruby at the near cursor",
       {"_textoffset " + min + "," + min, "_textloc " + min + "," + min, "あ(a)b)い"}},
      {"cursor commands",
       {"_textcur " + max + "," + min, "_textcurto " + max + "," + min,
        "_textlocto " + min + "," + max, "あ", "_textcur " + min + "," + max,
        "_textcurto " + min + "," + max, "_textlocto " + max + "," + min, "い"}},
      {"inline cursor letters",
       {"<X" + max + "><Y" + least + "><M" + max + "><N" + least + ">あ",
        "<L" + max + "><H" + least + "><J" + least + "><K" + max + ">い",
        "<T" + least + "><T" + max + "><I" + max + "><R" + least + "><U" + least + ">う"}},
      {"the column read back across the margin",
       {"_textloc " + min + ",0", "<I" + max + ">%", "_$flg[9]=$sys[17]"},
       "-178956970"},
      {"text rectangle and pictures",
       {"_textrect " + min + "," + min + "," + max + "," + max,
        "_textimage " + max + "," + min + ",pic.png,#NONE",
        "_textimage " + min + "," + max + ",pic.png,\"#TOP_LEFT\"", "_textloc " + max + "," + max,
        "<A\"pic.png\">あ"}},
      {"objects and the effect layer",
       {"_autorefresh 1", "_bgload bg.png", "_objput 0,pic.png,#NONE," + max + "," + min,
        "_objset 0,1," + min + "," + max, "_efload pic.png,#NONE,0",
        "_efset 1,#BLEND," + max + "," + min + ",0",
        "_efset 1,#OVERLAY," + min + "," + max + ",2"}},
      {"sprites",
       {"_sprload pic.png,2,2,#NONE", "_sprset 0,3,3", "_sprput 0," + max + "," + min,
        "_spranime 0,-1", "_sprput 0," + min + "," + max, "_sprrefresh", "_sprhide 0",
        "_sprload pic.png," + max + "," + max + ",#NONE", "_sprput 1,0,0"}},
      {"moving windows",
       {"_bgload bg.png",
        "_bhole pic.png," + max + "," + min + "," + max + "," + min + "," + max + "," + max +
            ",3,0,6,8",
        "_bhole pic.png," + min + "," + max + "," + min + "," + max + "," + min + "," + min +
            ",3," + min + ",1,2",
        "_bholeop pic.png,0,0,0,0,4,4,2,0,1,1," + max + "," + min + ",3,pic.png",
        "_bholeover pic.png,0,0,0,0,4,4,2,0,1,1," + min + "," + max + ",pic.png,pic.png"}},
      {"shakes", {"_shake " + max + ",3,0", "_shake " + min + ",3," + min, "_shake 1,2," + max}},
      {"scroll rolls",
       {"_scroll " + min + ",#FFFFFF," + max + ",0,0", "pic.png", "|4800", "_endscroll",
        "_scroll 0,#000000," + min + ",1,1", "pic.png", "|16", "_endscroll",
        "_scroll " + max + ",#000000," + max + ",0,4", "@pic.png", "pic.png", "_endscroll"}},
      {"numbered pictures across the ends of int",
       {"_movplay mv.png,2147483646," + max + "," + min + ",1",
        "_movplay mv.png," + min + ",-2147483647,0,0"}},
      {"the pointer", {"_mouseloc " + max + "," + min, "_mouseloc " + min + "," + max}},
      {"a text menu at the far corner",
       {"_selmenu " + max + "," + max + ",,," + max, "a,,_$flg[8]=1", "_endsel"},
       "1",
       "waiting for input that never comes"},
      {"a text menu at the near corner",
       {"_selmenu " + min + "," + min + ",,," + min, "a,,_$flg[8]=1", "_endsel"},
       "1",
       "waiting for input that never comes"},
      {"buttons larger than their picture",
       {"_selbutton " + max + "," + min + ",pic.png," + max + "," + max + ",#NONE", "1",
        "_endsel"},
       "1",
       "end",
       {"画像の読み込み失敗もしくはサイズ指定が異常です"}},
      {"a grid of endless columns",
       {"_selcgmode " + min + "," + min + ",pic.png,1,1," + max + ",#NONE", "1", "1", "_endsel"},
       "1",
       "waiting for input that never comes"},
  };
  for (const Case& c : cases) {
    GameRun run({.maxLines = 200});
    WritePictures(run);
    std::vector<std::string> lines = {"_textwait 0"};
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
    if (c.lines.back().rfind("_$flg[9]", 0) != 0) lines.push_back("_$flg[9]=1");
    run.Script(lines);
    EXPECT_EQ(run.Run(), 0) << c.what;
    EXPECT_EQ(run.session().endReason, c.endReason) << c.what;
    // A choice that no click can reach leaves the story before its end.
    EXPECT_EQ(run.Flag(9), c.endReason == "end" ? c.result : "0") << c.what;
    EXPECT_EQ(run.ErrorMessages(), c.messages) << c.what;
  }
}

// A saved game is a file a player can edit: any value in it reaches the
// drawing of the story that goes on from it.
TEST(ExtremeValues, ASavedGameWithExtremeSizesLoadsAndTheStoryGoesOn) {
  struct Case {
    const char* what;
    std::function<void(SavePoint&)> edit;
  };
  const Case cases[] = {
      {"text sizes at the top",
       [](SavePoint& p) {
         p.text.CharWidth = p.text.LineHeight = p.text.LineGap = INT_MAX;
         p.text.FontHeight = p.text.RubyFontHeight = INT_MAX;
       }},
      {"text sizes at the bottom",
       [](SavePoint& p) {
         p.text.CharWidth = p.text.LineHeight = p.text.LineGap = INT_MIN;
         p.text.FontHeight = p.text.RubyFontHeight = INT_MIN;
       }},
      {"the background far away",
       [](SavePoint& p) {
         p.layers.baseRecords[kBackgroundRecord].x = INT_MIN;
         p.layers.baseRecords[kBackgroundRecord].y = INT_MIN;
       }},
      {"a sprite's cell past every row",
       [](SavePoint& p) {
         Sprite& s = p.layers.sprites[0];
         s.column = s.row = INT_MAX;
         s.animation = -1;
         p.layers.sheet.cellWidth = p.layers.sheet.cellHeight = INT_MAX;
       }},
  };
  const std::vector<std::string> story = {
      "_textwait 0",
      "_bgload bg.png",
      "_sprload pic.png,2,2,#NONE",
      "_sprput 0,1,1",
      "first page&",  // the clear takes the save point
      "second page.",
      "_textcur 2,3",
      "_textcurto -1,1",
      "<H2><K-1><U0>い(a)b)う",
      "_$flg[9]=$sys[18]",
      "_sprput 0,3,3",
      "_refresh",
      "_$flg[8]=1",
  };
  for (const Case& c : cases) {
    GameRun saving({.slotChoices = {"1"}, .menu = {{2, "Msave"}}});
    WritePictures(saving);
    saving.Script(story);
    ASSERT_EQ(saving.Run(), 0) << c.what;
    const std::string status = saving.dir().Read("data1.hsd");
    SavePoint point;
    ASSERT_TRUE(ParseStatusFile(status, point)) << c.what;
    c.edit(point);
    saving.dir().Write("data1.hsd", StatusFileBytes(point));

    HeadlessOptions options{.maxLines = 200, .slotChoices = {"1"}, .menu = {{1, "Mload"}}};
    HeadlessSession loading(options, {}, saving.dir().str());
    EXPECT_EQ(loading.Run(), 0) << c.what;
    EXPECT_EQ(loading.endReason, "end") << c.what;
    EXPECT_EQ(loading.flags.Get(8), "1") << c.what;
  }
}

}  // namespace
}  // namespace korvana
