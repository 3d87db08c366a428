// The save point is a full copy of the game state: every field a restore
// puts back comes out of the next capture unchanged.
#include <gtest/gtest.h>

#include <string>

#include "FieldFiller.h"
#include "GameRun.h"
#include "save/SavePoint.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using Filler = test::FieldFiller;

TEST(SavePoint, RestoreThenCaptureGivesEveryFieldBack) {
  SavePoint point;
  Filler fill;
  SavePoint::Fields(point, fill);
  ASSERT_GT(fill.n, 300);  // flags, args, records, sprites and the rest

  test::GameRun run;
  Engine& engine = run.session().engine;
  engine.RestoreSavePoint(point);
  const SavePoint back = engine.CaptureSavePoint();

  SavePoint expected = point;
  // The faces come from the font table, the log bookkeeping from the live
  // log (its file is read on its own).
  const auto& table = EngineProbe(engine).Message().FontTable;
  expected.text.FontName = table[std::clamp(point.text.FontIndex, 0, 6)];
  expected.text.RubyFontName = table[3];
  expected.log = EngineProbe(engine).Log().book;
  for (size_t i = 0; i < expected.channels.size(); ++i) {
    ChannelRecord& c = expected.channels[i];
    const ChannelRecord live;
    c.trackStart = live.trackStart;
    c.trackLength = live.trackLength;
    c.playing = live.playing;
    c.deviceAvailable = live.deviceAvailable;
    c.requestedWhileOff = live.requestedWhileOff;
  }
  EXPECT_EQ(back.prog, expected.prog);
  EXPECT_EQ(back.text, expected.text);
  EXPECT_EQ(back.layers, expected.layers);
  EXPECT_EQ(back.switches, expected.switches);
  EXPECT_EQ(back.channels, expected.channels);
  EXPECT_EQ(back.selection, expected.selection);
  EXPECT_EQ(back, expected);
  EXPECT_EQ(engine.CurrentSavePoint(), point);  // a loaded slot replaces the save point
  EXPECT_EQ(run.Transcript().back(), "caption\t" + point.prog.ProgChapter);
}

TEST(SavePoint, EmptyUntilTheFirstPageClear) {
  test::GameRun run;
  run.Script({"_textwait 0", "_$flg[1]=7", "first page&second", "_$flg[1]=8"});
  HeadlessSession& session = run.session();
  std::vector<SavePoint> seen;
  session.platform.onClickWait = [&] { seen.push_back(session.engine.CurrentSavePoint()); };
  EXPECT_EQ(run.Run(), 0);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen[0].Empty());  // the wait before the first clear
  EXPECT_FALSE(seen[1].Empty());
  EXPECT_EQ(seen[1].flags[1], "7");
  EXPECT_EQ(seen[1].prog.ProgExecLine, 2);
  EXPECT_EQ(session.engine.CurrentSavePoint().flags[1], "7");  // later lines change only live flags
}

}  // namespace
}  // namespace korvana
