// Load and title requests: they end the text line being shown at once, are
// served between two lines, and a loaded game shows its text line again from
// where the save point was taken.
#include <gtest/gtest.h>

#include "GameRun.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

// The text events of the transcript, one per click wait.
std::vector<std::string> TextEvents(const GameRun& run) {
  return run.Events("text");
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(Requests, ATitleRequestEndsTheLineWithoutDrawingOrLoggingTheRest) {
  GameRun run({.maxLines = 40});
  run.Script({
      "_textwait 0",
      "_($flg[300]==1), _goto :done",  // global flags outlive the title return
      "_$flg[300]=1",
      "before.after",  // the title is chosen at the click wait of "."
      "_$flg[1]=1",
      ":done",
  });
  HeadlessSession& session = run.session();
  int waits = 0;
  session.platform.onClickWait = [&] {
    if (++waits == 1) session.engine.RequestTitleReturn();
  };
  EXPECT_EQ(run.Run(), 0);
  // Nothing of "after" reached the screen, the line after it never ran, and
  // the story started again from its first line with an empty log.
  EXPECT_EQ(TextEvents(run), (std::vector<std::string>{"before"}));
  const MessageLog& log = EngineProbe(session.engine).Log();
  EXPECT_TRUE(log.PageAtOffset(0).empty());
  EXPECT_EQ(log.book.LogTotalPage, 0);
  EXPECT_EQ(run.Flag(1), "0");
  EXPECT_EQ(run.Flag(300), "1");
  EXPECT_EQ(EngineProbe(session.engine).Clicks().PendingRequest, Request::None);
  EXPECT_EQ(run.Events("caption").size(), 2u);  // once per start of the script
}

TEST(Requests, ALoadedGameShowsItsTextLineAgainFromTheSavePoint) {
  // 286 characters fill a page of the default layout; the page-end wait
  // clears it and captures the save point inside the line.
  const std::string page = Repeat("あ", 286);
  GameRun run;
  run.Script({
      "_textwait 0",
      "_$flg[5]=1",
      "~0000000A" + page + "いうえ",
      "_$flg[6]=$flg[6]+1",
  });
  HeadlessSession& session = run.session();
  int waits = 0;
  SavePoint saved;
  session.platform.onClickWait = [&] {
    // 1: the page end; 2: the end of the line, where the game is loaded.
    if (++waits != 2) return;
    saved = session.engine.CurrentSavePoint();
    session.flags.Set(5, "changed after the save");
    session.engine.RequestLoad(saved);
  };
  EXPECT_EQ(run.Run(), 0);

  ASSERT_FALSE(saved.Empty());
  EXPECT_EQ(saved.prog.ProgExecLine, 2);
  EXPECT_EQ(saved.prog.ProgMultiStateFlag, MultiState::InText);
  EXPECT_EQ(saved.prog.ProgResumeColumn, 1 + 2 * 286);
  EXPECT_EQ(saved.flags[5], "1");
  // The rest of the line after the column, on a cleared page, once before
  // the load (which ends the line before its line break) and once after it;
  // then the story goes on after the line.
  const std::vector<std::string> text = TextEvents(run);
  ASSERT_EQ(text.size(), 4u);
  EXPECT_EQ(text[1], "\\fいうえ");
  EXPECT_EQ(text[2], "\\fいうえ");
  EXPECT_EQ(text[3], "\\n");
  EXPECT_EQ(run.Flag(5), "1");
  EXPECT_EQ(run.Flag(6), "1");
  // Showing the line again cleared the page, which took the save point anew
  // at the same place.
  EXPECT_EQ(session.engine.CurrentSavePoint().prog, saved.prog);
}

}  // namespace
}  // namespace korvana
