// The transcript marks each click wait with the number `--menu N:`,
// `--pad N:` and `--screenshot-at` give it, and the script line it waits on;
// `--screenshot-at` keeps the pages of the waits it names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "GameRun.h"
#include "PngBytes.h"
#include "TempDir.h"

namespace korvana {
namespace {

// Click waits and a choice on two pages of autorun.txt, then a page of a
// script the game names in capitals on a file written in lower case.
void WriteGame(test::GameRun& run) {
  run.Script({"一ページ目",        // 1
              "二ページ目",        // 2
              "_selmenu 100,100",  // 3: the choice
              "はい,,_goto :yes", "いいえ", "_endsel",
              ":yes",        // 7
              "三ページ目",  // 8
              "_goto :next,Next.TXT"});
  run.Script({":next", "_textclear", "四ページ目^まだ"}, "next.txt");
}

// "wait<TAB>N<TAB>FILE:LINE" lines of a transcript.
std::vector<std::string> WaitLines(const std::vector<std::string>& transcript) {
  std::vector<std::string> out;
  for (const std::string& l : transcript)
    if (l.rfind("wait\t", 0) == 0) out.push_back(l.substr(5));
  return out;
}

TEST(WaitLines, NumberEachClickWaitAsMenuItemsCountIt) {
  test::GameRun plain;
  WriteGame(plain);
  ASSERT_EQ(plain.Run(), 0);
  const std::vector<std::string> waits = WaitLines(plain.Transcript());
  // The choice takes number 3 of its own and writes no wait line.
  const std::vector<std::string> expected = {"1\tautorun.txt:1", "2\tautorun.txt:2",
                                             "4\tautorun.txt:8", "5\tNext.TXT:3", "6\tNext.TXT:3"};
  EXPECT_EQ(waits, expected);
  // A wait's line comes right after its text.
  const std::vector<std::string> t = plain.Transcript();
  for (size_t i = 0; i < t.size(); ++i)
    if (t[i].rfind("wait\t", 0) == 0) {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(t[i - 1].rfind("text\t", 0), 0u) << t[i - 1];
    }

  // An item numbered as a wait line says is chosen at that very wait.
  for (const std::string& wait : expected) {
    const std::string n = wait.substr(0, wait.find('\t'));
    SCOPED_TRACE(n);
    test::GameRun run({.menu = {{std::stoll(n), "Mversion"}}});
    WriteGame(run);
    ASSERT_EQ(run.Run(), 0);
    const std::vector<std::string> lines = run.Transcript();
    const auto at = std::find(lines.begin(), lines.end(), "wait\t" + wait);
    ASSERT_NE(at, lines.end());
    ASSERT_NE(at + 1, lines.end());
    EXPECT_EQ(*(at + 1), "menu\tMversion");
  }
}

TEST(WaitLines, ScreenshotsAtTheNamedWaitsShowTheirPages) {
  const struct {
    std::vector<int64_t> waits;
    std::vector<int64_t> written;
  } rows[] = {
      {{1, 4}, {1, 4}},    {{2}, {2}}, {{3}, {}},  // the choice is no click wait
      {{99}, {}},                                  // past the end of the story
      {{5, 5, 6}, {5, 6}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.waits));
    test::TempDir out;
    const std::string folder = out.str() + "/shots/deeper";
    test::GameRun run({.screenshotWaits = r.waits, .screenshotDir = folder});
    WriteGame(run);
    ASSERT_EQ(run.Run(), 0);
    std::vector<int64_t> written;
    for (int64_t n = 1; n <= 10; ++n)
      if (std::filesystem::exists(folder + "/wait-" + std::to_string(n) + ".png"))
        written.push_back(n);
    EXPECT_EQ(written, r.written);
  }

  // Each picture is its own page: the text of later pages is not on it.
  test::TempDir out;
  test::GameRun run({.screenshotWaits = {1, 2, 4}, .screenshotDir = out.str()});
  WriteGame(run);
  ASSERT_EQ(run.Run(), 0);
  const Picture first = test::ReadPng(out.Read("wait-1.png"));
  const Picture second = test::ReadPng(out.Read("wait-2.png"));
  const Picture fourth = test::ReadPng(out.Read("wait-4.png"));
  ASSERT_EQ(first.Width(), 640);
  ASSERT_EQ(first.Height(), 480);
  EXPECT_NE(first.Pixels(), second.Pixels());
  EXPECT_NE(second.Pixels(), fourth.Pixels());
  // The run's last screen is not any of them.
  EXPECT_NE(fourth.Pixels(), run.session().engine.ScreenPicture().Pixels());
}

}  // namespace
}  // namespace korvana
