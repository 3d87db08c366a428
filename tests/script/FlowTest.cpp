// Jumps, calls, blocks, waits and the ends of a story.
#include <gtest/gtest.h>

#include "GameRun.h"
#include "graphics/Picture.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

TEST(Flow, GotoLabelsAndFiles) {
  GameRun run;
  run.Script({"_goto :Far", "_$flg[1]=1", ":far", "_goto :b, \"sub_file.txt\"", "_$flg[2]=1"});
  run.Script({"_$flg[3]=1", ":B", "_$flg[4]=1", "_goto , again.txt"}, "sub_file.txt");
  run.Script({"_$flg[5]=$flg[5]+1", "_(1), _goto :nowhere", "_$flg[6]=1", "_$flg[7]=1"},
             "again.txt");
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "0");
  EXPECT_EQ(run.Flag(2), "0");
  EXPECT_EQ(run.Flag(3), "0");
  EXPECT_EQ(run.Flag(4), "1");
  EXPECT_EQ(run.Flag(5), "1");
  // A missing label lands two lines below the jumping line.
  EXPECT_EQ(run.Flag(6), "0");
  EXPECT_EQ(run.Flag(7), "1");
  EXPECT_EQ(run.ErrorMessages(), (std::vector<std::string>{"ラベルが見つかりません:nowhere"}));
  EXPECT_EQ(run.probe().Prog().ProgFileName, "again.txt");
}

// Loops keep the split of the command lines they run: two scripts with
// other commands on the same lines, run in turn, each run their own.
TEST(Flow, ScriptsTakingTurnsRunTheirOwnLines) {
  GameRun run;
  run.Script({"_$flg[1]=$flg[1]+1", "_($flg[1]<3), _goto , b.txt", "_$flg[9]=$flg[1]"});
  run.Script({"_$flg[2]=$flg[2]+10", "_($flg[2]<100), _goto , autorun.txt"}, "b.txt");
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "3");
  EXPECT_EQ(run.Flag(2), "20");
  EXPECT_EQ(run.Flag(9), "3");
}

TEST(Flow, SixteenNestedCallsReturnInOrderAndTheSeventeenthOverflows) {
  // :f<n> calls :f<n+1> and appends n to flag 1 after returning.
  std::vector<std::string> lines = {"_@flg[1]=\"\"", "_gosub :f1", "_goto :done"};
  for (int n = 1; n <= 17; ++n) {
    lines.push_back(":f" + std::to_string(n));
    if (n < 17) lines.push_back("_gosub :f" + std::to_string(n + 1));
    lines.push_back("_$flg[2]=$flg[2]+1");
    lines.push_back("_return");
  }
  lines.push_back(":done");
  std::string text;
  for (auto& l : lines) text += l + "\r\n";
  GameRun run;
  run.File("autorun.txt", text);
  EXPECT_EQ(run.Run(), 0);
  // The 17th call jumped without a return address: its _return takes the
  // 16th address and lands in :f15, so :f16 never counts; every other level
  // returns in order and the stack ends empty.
  EXPECT_EQ(run.ErrorMessages(), (std::vector<std::string>{"GOSUBのスタックが溢れました"}));
  EXPECT_EQ(run.Flag(2), "16");
  EXPECT_EQ(run.probe().Prog().ProgRetStack, -1);
}

TEST(Flow, ReturnRules) {
  GameRun run;
  run.Script({
      "_return",  // empty stack: reported, next line runs
      "_$flg[1]=1",
      "_gosub :s",
      "_$flg[2]=1",  // skipped: the return goes to a label
      ":back",
      "_gosub",  // empties the stack
      "_return",
      "_goto :end",
      ":s",
      "_return :back",
      ":end",
  });
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "1");
  EXPECT_EQ(run.Flag(2), "0");
  EXPECT_EQ(run.ErrorMessages(), (std::vector<std::string>{"GOSUB無しでRETURNが実行されました",
                                                           "GOSUB無しでRETURNが実行されました"}));
  EXPECT_EQ(run.probe().Prog().ProgRetStack, -1);
}

TEST(Flow, IfThenElseAndBranch) {
  struct Case {
    std::string condition;
    std::string thenFlag, elseFlag;
  } cases[] = {{"1", "1", "0"}, {"0", "0", "1"}, {"$flg[9]==0", "1", "0"}, {"2>3", "0", "1"}};
  for (const auto& c : cases) {
    GameRun run;
    run.Script({"_if " + c.condition, "_then", "_$flg[1]=1", "_endthen", "_else", "_$flg[2]=1",
                "_endelse", "_$flg[3]=1"});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.Flag(1), c.thenFlag) << c.condition;
    EXPECT_EQ(run.Flag(2), c.elseFlag) << c.condition;
    EXPECT_EQ(run.Flag(3), "1") << c.condition;
  }

  GameRun branch;
  branch.Script({"_branch 0", "_$flg[1]=1", "_endbranch", "_branch 1", "_$flg[2]=1", "_endbranch"});
  branch.Run();
  EXPECT_EQ(branch.Flag(1), "1");  // nothing was chosen: the result is 0
  EXPECT_EQ(branch.Flag(2), "0");
}

TEST(Flow, MissingEndMarkerContinuesAtLineTwoThenEndsTheLoop) {
  GameRun run;
  run.Script({"_$flg[1]=$flg[1]+1", "_$flg[2]=$flg[2]+1", "_if 0", "_then", "_$flg[3]=1"});
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(3), "0");
  EXPECT_EQ(run.Flag(1), "1");  // line index 0 never runs again
  EXPECT_EQ(run.Flag(2), "2");  // line index 1 runs once more, then the same block
  // The first time: the message box and the report, and the story goes on;
  // the second time at the same line the run ends through the exception box.
  const auto boxes = run.Events("box");
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0], "\t_endthenが見つかりません\tok");
  EXPECT_EQ(boxes[2], "Korvana\t_endthenが見つかりません\tok");
  EXPECT_EQ(run.session().endReason, "end");
}

TEST(Flow, ScrollBlockIsCollectedAndSkipped) {
  GameRun run;
  // Each line of the block is a picture rolled in from the bottom, two rows
  // per step, with a band of the fill colour after it; the block's lines are
  // never run.
  ASSERT_TRUE(WritePng(Picture(640, 4, 0xFF0000), run.dir().str() + "/a.png"));
  ASSERT_TRUE(WritePng(Picture(640, 4, 0x0000FF), run.dir().str() + "/b.png"));
  run.Script({"_scroll 10,#FF8000,2", "_$flg[1]=1", "  a.png", "b.png", "_endscroll",
              "_$flg[2]=1"});
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "0");
  EXPECT_EQ(run.Flag(2), "1");
  const Picture& screen = run.session().platform.Screen();
  std::vector<uint32_t> bottom;
  for (int y = 468; y < 480; y += 2) bottom.push_back(screen.Pixel(0, y));
  EXPECT_EQ(bottom, (std::vector<uint32_t>{0xFF0000, 0xFF0000, 0xFF8000, 0x0000FF, 0x0000FF,
                                           0xFF8000}));
}

TEST(Flow, WaitsTakeExactlyTheirVirtualTime) {
  GameRun run;
  run.Script({
      "_$flg[0]=$sys[31]",
      "_waitset",
      "_wait 500",
      "_$flg[1]=$sys[31]-$flg[0]",
      "_wait 500",  // no new _waitset: returns at once
      "_$flg[2]=$sys[31]-$flg[0]",
      "_delay 250",
      "_$flg[3]=$sys[31]-$flg[0]",
      "_delay -30",
      "_delay",
      "_$flg[4]=$sys[31]-$flg[0]",
      "_mouseclick",
      "_$flg[5]=$sys[31]-$flg[0]",
  });
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "500");
  EXPECT_EQ(run.Flag(2), "500");
  EXPECT_EQ(run.Flag(3), "750");
  EXPECT_EQ(run.Flag(4), "781");
  EXPECT_EQ(run.Flag(5), "781");  // the automatic click takes no time
  EXPECT_EQ(run.session().platform.ClicksGiven(), 1);
  EXPECT_EQ(run.session().platform.ShownCursor(), Cursor::Pen);  // restored after the wait
}

TEST(Flow, StopWaitsUntilARequestAndLimitsEndHeadlessRuns) {
  GameRun run;
  run.Script({"_stop \"一時停止\"", "_$flg[1]=1"});
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "0");
  EXPECT_EQ(run.session().endReason, "waiting for input that never comes");
  EXPECT_EQ(run.Events("caption").back(), "一時停止");
  EXPECT_EQ(run.probe().Prog().ProgChapter, "Korvana");
  EXPECT_TRUE(run.session().platform.MenuItemEnabled(MenuItem::Load));

  GameRun clicks({.maxClicks = 2});
  clicks.Script(
      {"_mouseclick", "_$flg[1]=1", "_mouseclick", "_$flg[2]=1", "_mouseclick", "_$flg[3]=1"});
  clicks.Run();
  EXPECT_EQ(clicks.Flag(2), "1");
  EXPECT_EQ(clicks.Flag(3), "0");
  EXPECT_EQ(clicks.session().endReason, "clicks");

  GameRun loop({.maxLines = 100});
  loop.Script({":a", "_$flg[1]=$flg[1]+1", "_goto :a"});
  loop.Run();
  EXPECT_EQ(loop.Flag(1), "50");

  GameRun timed({.maxMs = 1000});
  timed.Script({":a", "_delay 300", "_$flg[1]=$flg[1]+1", "_goto :a"});
  timed.Run();
  EXPECT_EQ(timed.Flag(1), "3");
  EXPECT_EQ(timed.session().platform.ElapsedMs(), 1000u);
}

TEST(Flow, VersionAndExit) {
  struct Case {
    std::string line;
    int status;
    bool continues;
    size_t boxes;
  } cases[] = {
      {"_version 1.40", 0, true, 0},   {"_version 1.42", 0, true, 0},  {"_version 1.5", 0, true, 1},
      {"_version 1.5,1", 0, false, 1}, {"_version 1.5,0", 0, true, 1},
  };
  for (const auto& c : cases) {
    GameRun run;
    run.Script({c.line, "_$flg[1]=1"});
    EXPECT_EQ(run.Run(), c.status) << c.line;
    EXPECT_EQ(run.Flag(1), c.continues ? "1" : "0") << c.line;
    EXPECT_EQ(run.Events("box").size(), c.boxes) << c.line;
  }
  GameRun bad;
  bad.Script({"_version abc", "_$flg[1]=1"});
  EXPECT_EQ(bad.Run(), 0);
  EXPECT_EQ(bad.Flag(1), "0");  // the exception path ends the run

  GameRun cancel({.answers = {"cancel", "ok"}});
  cancel.Script({"_winexit", "_$flg[1]=1", "_winexit", "_$flg[2]=1"});
  EXPECT_EQ(cancel.Run(), 0);
  EXPECT_EQ(cancel.Flag(1), "1");
  EXPECT_EQ(cancel.Flag(2), "0");
  EXPECT_EQ(cancel.session().endReason, "exit");
  EXPECT_EQ(cancel.Events("box")[0], "終了\t終了しますか？\tcancel");
}

TEST(Flow, ReturnToTitleBringsBackTheConfiguredBackground) {
  GameRun run;
  ASSERT_TRUE(WritePng(Picture(640, 480, 0x336699), run.dir().str() + "/title.png"));
  ASSERT_TRUE(WritePng(Picture(640, 480, 0xFF0000), run.dir().str() + "/red.png"));
  run.File("krv.cfg", "SavePath=.\\\r\nBackGround=title.png\r\n");
  run.Script({
      "; the title",
      "_($flg[300]==1), _goto :again",  // global flags outlive the title return
      "_$flg[300]=1",
      "_bgload red.png",
      "_mouseclick",  // the title is asked for during this wait
      "_$flg[1]=1",
      ":again",
      "_refresh",
      "_$flg[2]=1",
  });
  HeadlessSession& session = run.session();
  bool asked = false;
  session.platform.onClickWait = [&] {
    if (asked) return;
    asked = true;
    session.engine.RequestTitleReturn();  // "タイトルへ戻る" chosen during the wait
  };
  EXPECT_EQ(run.RunPrepared(), 0);
  EXPECT_EQ(run.Flag(1), "0");
  EXPECT_EQ(run.Flag(2), "1");
  EXPECT_EQ(EngineProbe(session.engine).BackImage().Pixel(5, 5), 0x336699u);
  EXPECT_EQ(EngineProbe(session.engine).Clicks().PendingRequest, Request::None);
}

TEST(FlagCommands, ClearClickAndInput) {
  GameRun run({.inputs = {"太郎", "toolongname"}});
  run.Script({
      "_$flg[3]=5",
      "_$flg[300]=7",
      "_flgclear 1,x",
      "_flgclick $flg[10]",
      "_$flg[11]=$flg[10]",
      "_mouseclick",
      "_flginstr @flg[20],$flg[21],名前,入力,8",
      "_@flg[22]=init",
      "_flginstrd @flg[23],@flg[22],名前,入力,4",
      "_flgclick -1",
      "_mouseclick",
  });
  // The second input box is too long for the limit of 4: it opens again and
  // is cancelled (no third input), keeping the initial text.
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(3), "5");
  EXPECT_EQ(run.Flag(300), "x");
  EXPECT_EQ(run.Flag(511), "x");
  EXPECT_EQ(run.Flag(11), "0");
  EXPECT_EQ(run.Flag(10), "1");
  EXPECT_EQ(run.Flag(20), "太郎");
  EXPECT_EQ(run.Flag(21), "1");  // 4 bytes <= 8
  EXPECT_EQ(run.Flag(23), "init");
  EXPECT_EQ(run.session().flags.clickFlag, -1);
  EXPECT_EQ(run.Events("input").size(), 3u);
}

TEST(SystemValues, ComputedValues) {
  GameRun run;
  run.Script({"_$flg[0]=$sys[4]", "_$flg[1]=$sys[19]", "_$flg[2]=$sys[40]", "_$flg[3]=$sys[27]",
              "_$flg[4]=$sys[26]", "_$flg[5]=$sys[20]<100&$sys[20]>=0", "_$flg[6]=$sys[17]",
              "_$flg[7]=$sys[10]", "_$flg[8]=$sys[2]"});
  run.Run();
  std::vector<std::string> expected = {"24", "142", "0", "2000", "1", "1", "0", "440", "0"};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(run.Flag(i), expected[i]) << i;
}

}  // namespace
}  // namespace korvana
