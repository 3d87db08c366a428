// The picture and layer commands through whole scripts on the headless
// platform: argument defaults, automatic refresh, virtual durations a script
// measures with $sys[31], and bad input.
#include <gtest/gtest.h>

#include "GameRun.h"
#include "graphics/Layers.h"
#include "graphics/Picture.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

EngineSettings NoDarkness() {
  EngineSettings s;
  s.backgroundDarkness = false;
  return s;
}

void WritePicture(GameRun& run, const std::string& name, const Picture& p) {
  ASSERT_TRUE(WritePng(p, (run.dir().path() / name).string()));
}

// Runs `command` between two readings of the clock; flag 2 gets the time.
std::string Measure(const std::string& command) {
  GameRun run({}, NoDarkness());
  WritePicture(run, "bg.png", Picture(640, 480, 0x303030));
  run.Script({"_bgload bg.png", "_$flg[1]=$sys[31]", command, "_$flg[2]=$sys[31]-$flg[1]"});
  EXPECT_EQ(run.Run(), 0);
  return run.Flag(2);
}

TEST(LayerCommands, ScriptsMeasureTransitionsAsStepsTimesWait) {
  struct Case {
    const char* command;
    const char* ms;
  };
  const Case cases[] = {
      {"_fade #WIPE0", "360"},
      {"_fade #TILEH2", "0"},
      {"_fade #SCROLL2", "210"},
      {"_fade #TSLIDE0", "340"},
      {"_fade #LINE0", "960"},
      {"_fade #tile0", "0"},
      {"_fade", "0"},
      {"_fade xPAT1", "16"},
      {"_smartrefresh #TILE0,#BLEND0", "74"},
      {"_smartrefresh ,#PAT0,1", "24"},
  };
  for (const Case& c : cases) EXPECT_EQ(Measure(c.command), c.ms) << c.command;
}

TEST(LayerCommands, DarknessFollowsTheSwitchAndSysdark) {
  for (const char* sysdark : {"_sysdark 0", "_sysdark 1"}) {
    GameRun run;  // darkness on
    WritePicture(run, "bg.png", Picture(640, 480, 0x808080));
    run.Script({sysdark, "_bgload bg.png", "_refresh"});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.probe().WorkScreen().Pixel(0, 0),
              std::string(sysdark) == "_sysdark 1" ? 0x808080u : 0x707070u);
  }
}

TEST(LayerCommands, FadeRefreshesWhileSkippingReadText) {
  GameRun run({}, NoDarkness());
  WritePicture(run, "bg.png", Picture(640, 480, 0x303030));
  run.Script({"_bgload bg.png", "_$flg[1]=$sys[31]", "_fade #WIPE0", "_$flg[2]=$sys[31]-$flg[1]"});
  run.probe().PokeClicks().SkipReadMode = true;
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(2), "0");
  EXPECT_EQ(run.probe().BackImage().Pixel(0, 0), 0x303030u);
}

TEST(LayerCommands, ObjectAndEffectArgumentDefaults) {
  GameRun run({}, NoDarkness());
  WritePicture(run, "o.png", Picture(100, 60, 0x111111));
  WritePicture(run, "e.png", Picture(50, 50, 0x222222));
  run.Script({
      "_objput 1,o.png,#NONE,#CENTER,#BOTTOM",
      "_objput 2,o.png,#NONE,3*5,$flg[9]+7",
      "_objset 2,*,,100",
      "_objput 2,o.png,#NONE",
      "_objclear 0",
      "_objload 0,o.png,#NONE",
      "_efload e.png,#NONE,0",
      "_efset 1,#BLEND,10,20,1",
      "_efset 1",
  });
  EXPECT_EQ(run.Run(), 0);
  const Layers& l = run.probe().Layers();
  EXPECT_EQ(l.state.objectRecords[2].x, 270);
  EXPECT_EQ(l.state.objectRecords[2].y, 420);
  EXPECT_EQ(l.state.objectRecords[4].x, 15);
  EXPECT_EQ(l.state.objectRecords[4].y, 100);
  EXPECT_EQ(l.state.objectRecords[4].shown, 0);  // hidden by _objclear 0
  EXPECT_EQ(l.state.objectRecords[4].loaded, 1);
  EXPECT_EQ(l.state.objectRecords[0].loaded, 1);
  EXPECT_EQ(l.state.objectRecords[0].shown, 0);
  const LayerRecord& e = l.state.baseRecords[kEffectRecord];
  EXPECT_EQ(e.x, 10);
  EXPECT_EQ(e.y, 20);
  EXPECT_EQ(e.position, 1);
  EXPECT_EQ(e.blendMode, 0);
  EXPECT_EQ(e.shown, 1);
}

TEST(LayerCommands, SpritesMovieAndEffectsFromAScript) {
  GameRun run({}, NoDarkness());
  WritePicture(run, "bg.png", Picture(640, 480, 0x303030));
  WritePicture(run, "sp.png", Picture(40, 20, 0x00FF00));
  for (int n = 1; n <= 3; ++n)
    WritePicture(run, "mv00" + std::to_string(n) + ".png", Picture(640, 480, 0x010101u * n));
  WritePicture(run, "win.png", Picture(64, 64, 0x123456));
  run.Script({
      "_bgload bg.png",
      "_refresh",
      "_sprload sp.png,20,20,#NONE",
      "_sprset 3,1,0",
      "_sprput 3,100,100",
      "_$flg[1]=$sys[31]",
      "_movplay mv.png,1,3",
      "_$flg[2]=$sys[31]-$flg[1]",
      "_movplay mv.png,1,2,10,0",
      "_$flg[3]=$sys[31]-$flg[1]",
      "_shake",
      "_$flg[4]=$sys[31]-$flg[1]",
      "_scroll 10,#FF0000,2",
      "|20",
      "_endscroll",
      "_$flg[5]=$sys[31]-$flg[1]",
      "_bhole win.png,0,0,10,10,32,32,5,20,1,0",
      "_$flg[6]=$sys[31]-$flg[1]",
  });
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(2), "99");
  EXPECT_EQ(run.Flag(3), "119");
  EXPECT_EQ(run.Flag(4), "719");  // five shakes and the rest, 100 ms each
  EXPECT_EQ(run.Flag(5), "819");
  EXPECT_EQ(run.Flag(6), "919");
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  EXPECT_EQ(probe.Layers().state.sprites[3].column, 1);
  EXPECT_TRUE(probe.Layers().LayersDirty);
  // The last window frame stays; the roll left red bands at the bottom.
  EXPECT_EQ(probe.BackImage().Pixel(15, 15), 0x123456u);
  EXPECT_EQ(probe.BackImage().Pixel(300, 475), 0xFF0000u);
}

TEST(LayerCommands, BadInputIsReportedOrIgnoredAndTheScriptGoesOn) {
  GameRun run({}, NoDarkness());
  WritePicture(run, "a.png", Picture(30, 30, 0x111111));
  run.Script({
      "_objload 5,a.png,#NONE",
      "_objset -1,1,0,0",
      "_sprload a.png,0,0,#NONE",
      "_sprput 40,0,0",
      "_spranime -3,2",
      "_sprput 0,5,5",
      "_shake 100000,1,1",
      "_shake 0,1,1",
      "_bhole a.png,0,0,0,0,10,10,1,1,9,-3",
      "_efload a.png,#NONE,0",
      "_efset 1,#NONE,100000,-100000,0",
      "_refresh",
      "_movplay nothing.png,3,1",
      "_$flg[1]=1",
  });
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "1");
  // The zero cell and the unknown blend keyword; nothing else.
  const std::vector<std::string> boxes = run.Events("box");
  EXPECT_EQ(boxes.size(), 4u);  // each: its message, then the error report
}

TEST(LayerCommands, AMissingMovieFrameTakesTheExceptionPath) {
  GameRun run({}, NoDarkness());
  WritePicture(run, "mv001.png", Picture(640, 480, 0x010101));
  run.Script({"_movplay mv.png,1,2", "_$flg[1]=1"});
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(1), "0");
  ASSERT_FALSE(run.Events("box").empty());
  EXPECT_NE(run.Events("box")[0].find("mv002.png"), std::string::npos);
}

TEST(LayerCommands, ScrollWithoutEndIsReportedAndRollsNothing) {
  HeadlessOptions options;
  options.maxLines = 6;
  GameRun run(options, NoDarkness());
  run.Script({"_$flg[1]=$flg[1]+1", "_scroll 10,#FFFFFF,2", "|40"});
  run.Run();
  ASSERT_FALSE(run.Events("box").empty());
  EXPECT_EQ(run.Events("box")[0], "\t_endscrollが見つかりません\tok");
  EXPECT_EQ(run.probe().BackImage().Pixel(0, 479), 0u);
  EXPECT_EQ(run.session().platform.ElapsedMs(), 0u);
}

TEST(LayerCommands, MenuViewsAndDarknessSwitch) {
  GameRun run({}, NoDarkness());
  WritePicture(run, "bg.png", Picture(640, 480, 0x808080));
  run.Script({"_bgload bg.png", "_refresh"});
  EXPECT_EQ(run.Run(), 0);
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  e.ToggleDarkness();
  EXPECT_EQ(probe.BackImage().Pixel(0, 0), 0x707070u);
  EXPECT_TRUE(e.Choices().backgroundDarkness);
  EXPECT_EQ(e.SystemValue(3), 1);
  const size_t clicks = run.session().platform.ClicksGiven();
  e.ShowPictureOnlyView();
  e.ShowMessageOnlyView();
  EXPECT_EQ(run.session().platform.ClicksGiven(), clicks + 2);
  EXPECT_EQ(probe.BackImage().Pixel(0, 0), 0x707070u);
}

}  // namespace
}  // namespace korvana
