// The interpreter loop, dispatch, flow control and the flag commands, run as
// small games through the headless platform.
#include <gtest/gtest.h>

#include <set>

#include "GameRun.h"
#include "core/Cp932.h"
#include "script/CommandTable.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

const char kReport[] = "エラー発生！！強制終了しますか？(設定ファイルを保存しません)";

TEST(Interpreter, LineKinds) {
  GameRun run;
  run.Script({
      "!第一章",
      "; a comment",
      "# another",
      ":label",
      "   ",
      "",
      "\\plain <text>",
      "本文です",
      "~0000002A既読",
      "_$flg[1]=$sys[0]+5",
  });
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Events("caption"), (std::vector<std::string>{"Korvana", "第一章"}));
  // A line's break follows its end-of-line wait.
  EXPECT_EQ(run.Events("text"),
            (std::vector<std::string>{"plain <text>\\n本文です", "\\n既読", "\\n"}));
  EXPECT_TRUE(run.ErrorMessages().empty());
  EXPECT_EQ(run.probe().Clicks().CurrentTextId, -1);
  EXPECT_EQ(run.probe().ExecutedLines(), 10u);
}

TEST(Interpreter, TextIdPrefix) {
  GameRun run({.maxClicks = 0});
  run.Script({"~0000002Aこんにちは"});
  run.Run();
  EXPECT_EQ(run.probe().Clicks().CurrentTextId, 42);
  EXPECT_EQ(run.probe().Prog().ProgMultiStateFlag, MultiState::InText);

  GameRun bad;
  bad.Script({"~00zz002Aこんにちは", "_$flg[2]=1"});
  EXPECT_EQ(bad.Run(), 0);
  // Shown by the exception box, reported, and the run ends there.
  ASSERT_GE(bad.Events("box").size(), 2u);
  EXPECT_EQ(bad.Events("box")[0].substr(0, 8), "Korvana\t");
  EXPECT_EQ(bad.Flag(2), "0");
  EXPECT_TRUE(bad.Events("text").empty());
}

TEST(Interpreter, EmptyAndBinaryScripts) {
  GameRun empty;
  empty.File("autorun.txt", "");
  EXPECT_EQ(empty.Run(), 0);
  EXPECT_EQ(empty.probe().ExecutedLines(), 0u);

  GameRun binary({.maxLines = 1000});
  std::string bytes;
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);
  binary.File("autorun.txt", bytes);
  EXPECT_EQ(binary.Run(), 0);  // reports, never crashes

  GameRun longLine({.maxLines = 10});
  longLine.File("autorun.txt",
                "_goto " + std::string(200000, 'x') + "\r\n" + std::string(100000, '(') + "\r\n");
  EXPECT_EQ(longLine.Run(), 0);
}

TEST(Interpreter, MissingStartScriptOpensDialogThenReports) {
  GameRun run;
  EXPECT_EQ(run.Run(), HeadlessSession::kNoStartScript);
  EXPECT_EQ(run.Events("dialog"), (std::vector<std::string>{"open\tcancel"}));
  ASSERT_EQ(run.Events("box").size(), 2u);
  EXPECT_NE(run.Events("box")[1].find("File:autorun.txt Line:1/"), std::string::npos);
}

TEST(Interpreter, ScrambledStartScript) {
  GameRun run;
  std::vector<std::string> lines = {cp932::FromUtf8("!暗号"), "_$flg[7]=7"};
  DecodeScriptLines(lines, kDefaultScriptKey);
  run.File("autorun.txd", lines[0] + "\r\n" + lines[1] + "\r\n");
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(7), "7");
  EXPECT_EQ(run.probe().Prog().ProgFileName, "autorun.txt");
}

TEST(Interpreter, ErrorReportAnswers) {
  // No: the error is listed and the next line runs.
  GameRun no({}, {.debugMode = true});
  no.Script({"_TEXTCLEAR", "_$flg[1]=1"});
  EXPECT_EQ(no.Run(), 0);
  EXPECT_EQ(no.Flag(1), "1");
  EXPECT_EQ(no.Events("box"),
            (std::vector<std::string>{"\tコマンドが変です_TEXTCLEAR\tok",
                                      "File:autorun.txt Line:1/コマンドが変です_TEXTCLEAR\t" +
                                          std::string(kReport) + "\tno"}));
  EXPECT_EQ(no.session().engine.ErrorLines().size(), 1u);

  // Yes: the process ends with status 1 and nothing after runs.
  GameRun yes({.answers = {"yes"}});
  yes.Script({"_nosuch", "_$flg[1]=1"});
  EXPECT_EQ(yes.Run(), 1);
  EXPECT_EQ(yes.Flag(1), "0");
  EXPECT_EQ(yes.session().endReason, "terminated");
}

TEST(Dispatch, NamesAndSpecialForms) {
  GameRun run;
  run.Script({
      "_endthen",  // markers do nothing in the normal flow
      "_endwhatever",
      "_cdstop",  // later subsystems: recognised, silent
      "_winload",
      "_textclear",
      "_(0), _$flg[1]=1",
      "_(1), _$flg[2]=2",
      "_(1), _(1), _$flg[3]=3",
      "_$flg[4] = 2 * 5",
      "_@flg[5]=abc",
      "_@flg[6]=@flg[5]",
      "_@flg[7]=@xyz",
      "_@flg[8]=\"a b, c\"",
      "_$sys[1]=3",
      "_$flg[600]=9",
  });
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "0");
  EXPECT_EQ(run.Flag(2), "2");
  EXPECT_EQ(run.Flag(3), "3");
  EXPECT_EQ(run.Flag(4), "10");
  EXPECT_EQ(run.Flag(5), "abc");
  EXPECT_EQ(run.Flag(6), "abc");
  EXPECT_EQ(run.Flag(7), "");
  EXPECT_EQ(run.Flag(8), "a b, c");
  EXPECT_EQ(run.Flag(0), "9");  // a bad index writes flag 0
  EXPECT_EQ(run.ErrorMessages(), (std::vector<std::string>{"コマンドが変です_$sys[1]",
                                                           "フラグの添字が異常です$flg[600]"}));
}

// Every handler of the table runs once, without arguments, under the
// sanitizers; the run ends normally.
TEST(Dispatch, EveryHandlerRunsOnceWithoutArguments) {
  GameRun run({.maxMs = 100000});
  std::vector<std::string> lines;
  for (const CommandSpec& command : AllCommands()) {
    const std::string_view name = command.name;
    // Commands that wait, jump or end are exercised elsewhere.
    static const std::set<std::string_view> skip = {
        "_goto",      "_gosub",    "_return",     "_then",    "_else",      "_branch",
        "_stop",      "_winexit",  "_mouseclick", "_scroll",  "_version",   "_flginstr",
        "_flginstrd", "_flgclick", "_wait",       "_selmenu", "_selbutton", "_selcgmode"};
    if (!skip.count(name)) lines.push_back(std::string(name));
  }
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  run.File("autorun.txt", text);
  EXPECT_EQ(run.Run(), 0);
  for (const std::string& m : run.ErrorMessages())
    EXPECT_EQ(m.find("コマンドが変です"), std::string::npos) << m;
}

TEST(Dispatch, ConditionalNestingIsBounded) {
  GameRun run;
  std::string line;
  for (int i = 0; i < 5000; ++i) line += "_(1),";
  line += "_$flg[1]=1";
  run.File("autorun.txt", line + "\r\n");
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "0");
  EXPECT_EQ(run.ErrorMessages(), (std::vector<std::string>{"条件行の入れ子が深すぎます"}));
}

}  // namespace
}  // namespace korvana
