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
