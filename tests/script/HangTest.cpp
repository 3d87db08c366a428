// Effects of endless zero-length steps still hear the window: a close
// request ends them, and a headless run ends on its wall-clock or pump limit.
#include <gtest/gtest.h>

#include "GameRun.h"
#include "graphics/Picture.h"

namespace korvana {
namespace {

using test::GameRun;

TEST(Hangs, ZeroLengthStepsLetTheCloseBoxAndTheLimitsThrough) {
  const std::vector<std::vector<std::string>> effects = {
      {"_shake 1,2147483647,0"},
      {"_bhole pic.png,0,0,0,0,1,1,2147483647,0,0,0"},
      {"_movplay frame,0,2147483647,0"},
      {"_scroll 0,#FFFFFF,1", "|2147483647", "_endscroll"},
  };
  struct Way {
    HeadlessOptions options;
    bool escape;
    const char* endReason;
  };
  const Way ways[] = {
      // Esc is pressed as the effect starts; the close question is answered OK.
      {{}, true, "exit"},
      {{.maxWallMs = 100}, false, "max-wall-ms"},
      {{.maxPumps = 1000}, false, "max-pumps"},
  };
  for (const auto& effect : effects) {
    for (const Way& way : ways) {
      GameRun run(way.options);
      ASSERT_TRUE(WritePng(Picture(4, 4, 0x123456), run.dir().str() + "/pic.png"));
      std::vector<std::string> lines = effect;
      lines.push_back("_$flg[1]=1");
      run.Script(lines);
      if (way.escape) run.session().platform.QueueKey(Key::Escape);
      EXPECT_EQ(run.Run(), 0) << effect[0];
      EXPECT_EQ(run.session().endReason, way.endReason) << effect[0];
      EXPECT_EQ(run.Flag(1), "0") << effect[0];
    }
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(Limits, FlagTextsStopAt64KiBWithAReport) {
  struct Case {
    std::string line;
    int flag;
    size_t bytes;
  };
  const std::string x8MB(8 << 20, 'x');
  std::string kana = "x";
  for (int i = 0; i < 40000; ++i) kana += "あ";
  const Case cases[] = {
      {"_flgclear 2," + x8MB, 511, FlagStore::kMaxTextBytes},
      {"_@flg[3]=" + std::string(100000, 'y'), 3, FlagStore::kMaxTextBytes},
      // A two-byte character at the cut is left out whole.
      {"_@flg[4]=" + kana, 4, FlagStore::kMaxTextBytes - 1},
  };
  for (const Case& c : cases) {
    GameRun run;
    run.Script({c.line, "_$flg[0]=1"});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.session().flags.Get(c.flag).size(), c.bytes);
    EXPECT_EQ(run.ErrorMessages(),
              std::vector<std::string>{"フラグの値が長すぎます。最大バイト数：65536"});
    EXPECT_EQ(run.Flag(0), "1");
  }
}

}  // namespace
}  // namespace korvana
