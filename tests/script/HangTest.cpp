// Effects of endless zero-length steps still hear the window: a close
// request ends them, and a headless run ends on its wall-clock limit.
#include <gtest/gtest.h>

#include "GameRun.h"
#include "graphics/Picture.h"

namespace korvana {
namespace {

using test::GameRun;

TEST(Hangs, ZeroLengthStepsLetTheCloseBoxAndTheLimitsThrough) {
  const char* effects[] = {
      "_shake 1,2147483647,0",
      "_bhole pic.png,0,0,0,0,1,1,2147483647,0,0,0",
  };
  for (const char* effect : effects) {
    for (const bool escape : {true, false}) {
      GameRun run({.maxWallMs = escape ? -1 : 300});
      ASSERT_TRUE(WritePng(Picture(4, 4, 0x123456), run.dir().str() + "/pic.png"));
      run.Script({effect, "_$flg[1]=1"});
      // Esc is pressed as the effect starts; the close question is answered OK.
      if (escape) run.session().platform.QueueKey(Key::Escape);
      EXPECT_EQ(run.Run(), 0) << effect;
      EXPECT_EQ(run.session().endReason, escape ? "exit" : "max-wall-ms") << effect;
      EXPECT_EQ(run.Flag(1), "0") << effect;
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
