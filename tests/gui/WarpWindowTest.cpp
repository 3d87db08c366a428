// `korvana --warp PLACE --flags FILE` in the window: the story starts at the
// place with the flags given, and a place or a flag dump it cannot take
// ends the program before a window shows.
#include <QtTest>

#include "GuiGame.h"
#include "GuiTests.h"
#include "expr/FlagDump.h"
#include "expr/FlagStore.h"

using namespace korvana;
using test::Game;

namespace {

// Flag 1 says where the story started: each line adds its own digit.
constexpr const char* kStory =
    "_$flg[1]=$flg[1]*10+1\r\n:middle\r\n_$flg[1]=$flg[1]*10+2\r\n_$flg[9]=1\r\n";

std::string DumpWith(int index, const std::string& value) {
  std::string text;
  for (int i = 0; i < FlagStore::kCount; ++i) text += FlagDumpLine(i, i == index ? value : "0") + "\n";
  return text;
}

}  // namespace

class WarpWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void theStoryStartsWhereItIsTold() {
    const struct {
      const char* warp;
      bool flags;        // start with flag 1 = "5"
      const char* flag;  // flag 1 at the end; null: refused
      const char* refused;
    } rows[] = {
        {"", false, "12", ""},
        {":middle", false, "2", ""},
        {"autorun.txt:1", true, "512", ""},
        {"middle", true, "52", ""},
        {":nowhere", false, nullptr, "--warp :nowhere: no script of the game has the label :nowhere"},
        {"autorun.txt:5", false, nullptr, "autorun.txt has lines 1 to 4, not 5"},
    };
    for (const auto& r : rows) {
      test::ClearQuit();
      Game g("SavePath=.\\\r\n", kStory);
      g.app->start.warp = r.warp;
      if (r.flags) g.app->start.flagsFile = g.dir.Write("flags.txt", DumpWith(1, "5"));
      if (!r.flag) {
        QVERIFY(!g.app->Open());
        QVERIFY(!g.app->window);  // no window ever showed
        QVERIFY(g.app->refused.find(r.refused) != std::string::npos);
        continue;
      }
      QVERIFY(g.app->Open());
      QTRY_COMPARE_WITH_TIMEOUT(g.Flag(9), std::string("1"), test::kSettleMs);
      QCOMPARE(g.Flag(1), std::string(r.flag));
      QVERIFY(g.app->refused.empty());
    }
  }
};

KORVANA_GUI_TEST(WarpWindowTest);
#include "WarpWindowTest.moc"
