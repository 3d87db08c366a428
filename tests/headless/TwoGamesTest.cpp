// One process runs two games side by side: each finds its own files in its
// own folder, whatever the process's current folder is.
#include <gtest/gtest.h>

#include <thread>

#include "GameRun.h"
#include "graphics/Picture.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

TEST(TwoGames, RunAtOnceEachWithItsOwnFiles) {
  struct Game {
    uint32_t colour;
    const char* name;
    test::GameRun run;
  };
  Game games[] = {{0x204080, "first", {}}, {0xC06010, "second", {}}};
  for (Game& g : games) {
    ASSERT_TRUE(WritePng(Picture(640, 480, g.colour), g.run.dir().str() + "/BG.png"));
    g.run.Script({"_sysdark 1", "_bgload bg.png", "_refresh", "_goto , part.txt"});
    g.run.Script({std::string("_@flg[1]=") + g.name, "_$flg[2]=$flg[2]+1"}, "Part.TXT");
  }
  std::thread other([&] { EXPECT_EQ(games[1].run.Run(), 0); });
  EXPECT_EQ(games[0].run.Run(), 0);
  other.join();
  for (Game& g : games) {
    EXPECT_EQ(g.run.Flag(1), g.name);
    EXPECT_EQ(g.run.Flag(2), "1");
    EXPECT_EQ(g.run.probe().BackImage().Pixel(320, 240), g.colour) << g.name;
    EXPECT_TRUE(g.run.ErrorMessages().empty()) << g.name;
  }
}

}  // namespace
}  // namespace korvana
