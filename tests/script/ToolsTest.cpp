// The programs as authors and tests call them: `korvana --headless` and
// `korvana-script`.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "TempDir.h"
#include "core/Cp932.h"
#include "headless/HeadlessSession.h"
#include "script/ScriptFile.h"
#include "TestPaths.h"

namespace korvana {
namespace {

const std::string kKorvana = std::string(KORVANA_BINARY_DIR) + "/src/app/korvana";
const std::string kScriptTool = std::string(KORVANA_BINARY_DIR) + "/tools/script/korvana-script";
const std::string kData = KORVANA_TEST_DATA;

// The exit status of a shell command; its output goes nowhere unless the
// command redirects it itself.
int RunCommand(const std::string& command) {
  const bool redirected = command.find('>') != std::string::npos;
  int status = std::system((command + (redirected ? " 2>/dev/null" : " >/dev/null 2>&1")).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> out;
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

TEST(HeadlessCommand, TourDumps) {
  test::TempDir out;
  const std::string flags = out.str() + "/flags.txt", state = out.str() + "/state.txt",
                    transcript = out.str() + "/t.txt", shot = out.str() + "/shot.png";
  ASSERT_EQ(
      RunCommand(kKorvana + " --headless --dump-flags " + flags + " --dump-state " + state +
                 " --transcript " + transcript + " --screenshot " + shot + " " + kData + "/tour"),
      0);
  const auto f = Lines(flags);
  ASSERT_EQ(f.size(), 512u);
  const std::vector<std::string> expected = {
      "000 = 100000", "001 = 120", "002 = 200", "003 = 名前, 空白", "004 = 名前, 空白",
      "005 = 3",      "006 = 1",   "007 = 1",   "008 = 1",          "009 = 9",
      "010 = 1",      "011 = 0",   "012 = 10"};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(f[i], expected[i]);
  EXPECT_EQ(f[255], "255 = 0");
  EXPECT_EQ(f[256], "256 = g");
  EXPECT_EQ(f[511], "511 = g");

  const auto s = Lines(state);
  ASSERT_EQ(s.size(), 16u);
  EXPECT_EQ(s[0], "LogTotalPage:1");
  EXPECT_EQ(s[5], "ProgFileName:part_two.txt");  // read from the scrambled form
  EXPECT_EQ(s[6], "ProgChapter:ツアー");
  EXPECT_EQ(s[7], "ProgExecLine:3");
  EXPECT_EQ(s[10], "Prog[_if]Result:1");
  EXPECT_EQ(s[14], "\"_stop\"");

  EXPECT_EQ(Lines(transcript),
            (std::vector<std::string>{
                "caption\tKorvana", "caption\tツアー", "text\t既読の行", "wait\t1\tautorun.txt:27",
                "text\t\\nそのまま\\n", "wait\t2\tautorun.txt:30",
                "box\t\tコマンドが変です_unknown\tok",
                "box\tFile:autorun.txt Line:32/コマンドが変です_unknown\tエラー発生！！強制終了"
                "しますか？(設定ファイルを保存しません)\tno",
                "stop\twaiting for input that never comes"}));
  std::ifstream png(shot, std::ios::binary);
  char magic[4] = {};
  png.read(magic, 4);
  EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

TEST(HeadlessCommand, ExitStatusAndOptions) {
  test::TempDir game;
  game.Write("krv.cfg", "SavePath=.\\\r\n");
  game.Write("autorun.txt", "_nosuch\r\n");
  EXPECT_EQ(RunCommand(kKorvana + " --headless --answer yes " + game.str()), 1);
  EXPECT_EQ(RunCommand(kKorvana + " --headless --answer no " + game.str()), 0);
  EXPECT_EQ(RunCommand(kKorvana + " --headless --answer maybe " + game.str()), 2);
  EXPECT_EQ(RunCommand(kKorvana + " --headless --max-lines x " + game.str()), 2);
  EXPECT_EQ(RunCommand(kKorvana + " --headless --bogus " + game.str()), 2);
  EXPECT_EQ(RunCommand(kKorvana + " --headless " + game.str() + "/missing-folder"), 2);

  // Outputs are written however the run ends: here by the error report.
  const std::string flags = game.str() + "/f.txt";
  EXPECT_EQ(
      RunCommand(kKorvana + " --headless --answer yes --dump-flags " + flags + " " + game.str()),
      1);
  EXPECT_EQ(Lines(flags).size(), 512u);

  // Without krv.cfg the program says so and fails before any line, as
  // without a start script.
  test::TempDir bare;
  bare.Write("autorun.txt", "_$flg[1]=1\r\n");
  const std::string transcript = bare.str() + "/t.txt";
  EXPECT_EQ(RunCommand(kKorvana + " --headless --transcript " + transcript + " --dump-flags " +
                       flags + " " + bare.str() + " 2>/dev/null"),
            HeadlessSession::kNoStartScript);
  EXPECT_EQ(Lines(transcript),
            (std::vector<std::string>{"box\t\t設定ファイルkrv.cfgが見つかりません\tok",
                                      "stop\tno game configuration"}));
  EXPECT_EQ(Lines(flags)[1], "001 = 0");
}

TEST(ScriptTool, CheckWarnsWhereTheLanguageSurprises) {
  test::TempDir game;
  for (const char* file : {"chara.png", "my_room.png", "room.png", "song", "Op.AVI", "se.Wav"})
    game.Write(file, "");
  game.Write("autorun.txt", cp932::FromUtf8("_bgload my_room.png\r\n"
                                            "_objput 0,chara.png,#TOP_LEFT,100,50\r\n"
                                            "_bgload \"my_room.png\"\r\n"
                                            "_bgload room.png _ a comment on purpose\r\n"
                                            "_bgload room.jpeg\r\n"
                                            "_bgload ROOM.PNG\r\n"
                                            "_pcmplay click.wav\r\n"
                                            "_goto :end\r\n"
                                            "_midiplay song,0\r\n"
                                            "_aviplay op.avi\r\n"
                                            "_aviplay se.wav\r\n"
                                            "_pcmplay SE.WAV,1\r\n"
                                            ":end  \r\n"
                                            ":end\r\n"));
  const std::string out = game.str() + "/out.log";
  // Warnings leave the status alone unless --werror asks.
  EXPECT_EQ(RunCommand(kScriptTool + " check " + game.str() + " > " + out), 0);
  EXPECT_EQ(
      Lines(out),
      (std::vector<std::string>{
          "autorun.txt:13:1: warning: ラベルの後ろに空白があり、どのジャンプも届きません: :end",
          "autorun.txt:1:11: warning: 「_」で引数が終わるため「room.png」は読まれません。"
          "一続きにするには \"my_room.png\" と書きます",
          "autorun.txt:1: warning: 画像として読み込まれない名前です: my",
          "autorun.txt:2:25: warning: 「_」で引数が終わるため「LEFT,100,50」は読まれません。"
          "一続きにするには \"#TOP_LEFT\" と書きます",
          "autorun.txt:5: warning: 画像として読み込まれない名前です: room.jpeg",
          "autorun.txt:7: warning: ファイルがありません: click.wav",
          "autorun.txt:9: warning: 音として再生されない名前です: song",
          "autorun.txt:11: warning: 動画として再生されない名前です: se.wav"}));
  EXPECT_EQ(RunCommand(kScriptTool + " check " + game.str() + " --werror"), 1);
}

TEST(ScriptTool, CheckSurvivesOddFoldersAndLargeScripts) {
  test::TempDir game;
  // A link that loops, a pipe by a script's name, and 100,000 blocks that
  // the end-marker search once took minutes over.
  std::filesystem::create_symlink("loop.txt", game.path() / "loop.txt");
  ASSERT_EQ(::mkfifo((game.str() + "/pipe.txt").c_str(), 0644), 0);
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "_then\r\n";
  big += "_endthen\r\n";
  game.Write("big.txt", big);
  const std::string out = game.str() + "/out.log";
  EXPECT_EQ(RunCommand(kScriptTool + " check " + game.str() + " > " + out), 1);
  const std::vector<std::string> faults = Lines(out);
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_EQ(faults[0].rfind("loop.txt:1: ファイルを開けません", 0), 0u) << faults[0];
  EXPECT_EQ(faults[1].rfind("pipe.txt:1: ファイルを開けません", 0), 0u) << faults[1];
}

TEST(HeadlessCommand, ExitStatusSaysWhenTheRunFailed) {
  // A folder without a start script, a script error answered "continue"
  // with and without --strict, and a clean run.
  struct Case {
    const char* script;  // empty: none
    const char* options;
    int status;
  } cases[] = {{"", "", 3},
               {"_nosuchcommand\r\n_$flg[1]=1\r\n", "", 0},
               {"_nosuchcommand\r\n_$flg[1]=1\r\n", "--strict", 4},
               {"_$flg[1]=1\r\n", "--strict", 0}};
  for (const Case& c : cases) {
    test::TempDir game;
    game.Write("krv.cfg", "SavePath=.\\\r\n");
    if (*c.script) game.Write("autorun.txt", c.script);
    EXPECT_EQ(RunCommand(kKorvana + " --headless " + c.options + " " + game.str()), c.status)
        << c.script << " " << c.options;
  }
}

TEST(HeadlessCommand, TheTranscriptIsWrittenAsTheRunGoes) {
  // A run stopped from outside keeps what it had written: the first text is
  // in the file while the second click wait is still waiting.
  test::TempDir game;
  game.Write("krv.cfg", "SavePath=.\\\r\n");
  game.Write("autorun.txt", cp932::FromUtf8("_textwait 0\r\nfirst.\r\n:a\r\n_goto :a\r\n"));
  const std::string transcript = game.str() + "/t.txt";
  const pid_t run = ::fork();
  ASSERT_GE(run, 0);
  if (run == 0) {
    ::execl(kKorvana.c_str(), kKorvana.c_str(), "--headless", "--transcript", transcript.c_str(),
            game.str().c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // The endless loop runs until it is killed, as soon as the text is in the
  // file (or after a bound that fails the test).
  std::vector<std::string> lines;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!(lines.size() >= 2 && lines[1] == "text\tfirst") &&
         std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    lines = Lines(transcript);
  }
  int status = 0;
  EXPECT_EQ(::waitpid(run, &status, WNOHANG), 0);  // still running
  ::kill(run, SIGKILL);
  ASSERT_EQ(::waitpid(run, &status, 0), run);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "caption\tKorvana");
  EXPECT_EQ(lines[1], "text\tfirst");
}

TEST(HeadlessCommand, SaveFolderThatCannotBeWrittenIsReportedAtStart) {
  struct Case {
    std::string savePath;
    bool reported;
  } cases[] = {{".\\", false},
               {"Save\\", false},
               {"save\\", false},
               {"missing\\", true},
               {"autorun.txt\\", true}};
  for (const auto& c : cases) {
    test::TempDir game;
    game.Write("Save/keep", "");
    game.Write("krv.cfg", "SavePath=" + c.savePath + "\r\n");
    game.Write("autorun.txt", "_$flg[1]=1\r\n");
    const std::string transcript = game.str() + "/t.txt", flags = game.str() + "/f.txt";
    EXPECT_EQ(RunCommand(kKorvana + " --headless --transcript " + transcript + " --dump-flags " +
                         flags + " " + game.str()),
              0);
    const auto boxes = Lines(transcript);
    EXPECT_EQ(
        !boxes.empty() && boxes[0].find("セーブフォルダーに書き込めません") != std::string::npos,
        c.reported)
        << c.savePath;
    EXPECT_EQ(Lines(flags)[1], "001 = 1") << c.savePath;  // the story runs all the same
  }
}

TEST(HeadlessCommand, ExitWithSavingWritesTheUserSettings) {
  test::TempDir game;
  game.Write("krv.cfg", "SavePath=save\\\r\nBGDarkness=1\r\n");
  game.Write("autorun.txt", "_winexit\r\n_$flg[1]=1\r\n");
  EXPECT_EQ(RunCommand(kKorvana + " --headless " + game.str()), 0);
  std::string expected =
      "Version=1.42\r\n[Display]\r\nBGDarkness=1\r\n[System]\r\nSavePath=save\\\r\n"
      "EnableMusic=1\r\nEnableSound=1\r\nHighSpeedText=0\r\nSkipText=0\r\n[Font]\r\n";
  for (int i = 0; i < 4; ++i)  // empty slots stand for "ＭＳ ゴシック"
    expected +=
        "Font" + std::to_string(i) + "=\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e\r\n";
  EXPECT_EQ(game.Read("krv.ini"), expected);
  EXPECT_EQ(game.Read("krv.ini").find("$flg"), std::string::npos);
}

TEST(ScriptTool, CheckListsEveryFault) {
  test::TempDir out;
  const std::string listing = out.str() + "/faults.txt";
  EXPECT_EQ(RunCommand("cd " + kData + "/faulty && " + kScriptTool + " check . > " + listing), 1);
  EXPECT_EQ(Lines(listing), (std::vector<std::string>{
                                "autorun.txt:2: ラベルが見つかりません:nolabel",
                                "autorun.txt:3: コマンドが変です_foo",
                                "autorun.txt:4: _endthenが見つかりません",
                                "autorun.txt:5: 算術エラーが発生しました。コード:-6 式:1+abc",
                                "autorun.txt:6: ファイルを開けません: missing.txt",
                                "autorun.txt:7: ラベルが見つかりません:y",
                                "autorun.txt:10: 算術エラーが発生しました。コード:-5 式:*3",
                                "autorun.txt:11: _endscrollが見つかりません",
                                "autorun.txt:12: 算術エラーが発生しました。コード:-3 式:_(abc)",
                                "autorun.txt:13: 算術エラーが発生しました。コード:-1 式:$flg[512]",
                                "other.txt:2: _endelseが見つかりません",
                                "other.txt:5: コマンドが変です_TEXTCLEAR",
                            }));
}

TEST(ScriptTool, CheckReadsSelectionBlocks) {
  std::string items32, items33;
  for (int i = 0; i < 32; ++i) items32 += "x,1\r\n";
  items33 = items32 + "x,1\r\n";
  struct Case {
    std::string script;  // UTF-8; written as CP932
    std::vector<std::string> faults;
  } cases[] = {
      {"_selmenu 0,0,#000000,#ffffff,0\r\nはい,1\r\n_foo\r\n",
       {"autorun.txt:1: _endselが見つかりません", "autorun.txt:3: コマンドが変です_foo"}},
      {"_(1), _selcgmode 1,1,a.bmp,0,0,0\r\n", {"autorun.txt:1: _endselが見つかりません"}},
      {"_selbutton 1,1,a.bmp,0,0\r\n" + items32 + "  _endsel \r\n", {}},
      {"_selbutton 1,1,a.bmp,0,0\r\n" + items33 + "_endsel\r\n",
       {"autorun.txt:34: 選択肢が多すぎます。最大：32"}},
      {"_selmenu 0,0,#000000,#ffffff,0\r\n"
       "_foo, 1\r\n"
       "\"a,b\", 1+abc\r\n"
       "c, $flg[1]==1, _goto :nolabel\r\n"
       "d,, _bar 1\r\n"
       "e, 1, _selmenu 0,0,#000000,#ffffff,1+abc\r\n"
       "_endsel\r\n"
       "_(1), _selmenu 0,0,#000000,#ffffff,0\r\n"
       "_baz,0\r\n"
       "_endsel\r\n"
       "_qux\r\n",
       {"autorun.txt:3: 算術エラーが発生しました。コード:-6 式:1+abc",
        "autorun.txt:4: ラベルが見つかりません:nolabel", "autorun.txt:5: コマンドが変です_bar",
        "autorun.txt:6: 算術エラーが発生しました。コード:-6 式:1+abc",
        "autorun.txt:11: コマンドが変です_qux"}},
  };
  for (const Case& c : cases) {
    test::TempDir game;
    game.Write("autorun.txt", cp932::FromUtf8(c.script));
    const std::string listing = game.str() + "/faults.log";
    EXPECT_EQ(RunCommand(kScriptTool + " check " + game.str() + " > " + listing),
              c.faults.empty() ? 0 : 1)
        << c.script;
    // The faults only: the pictures these blocks name do not exist.
    std::vector<std::string> faults;
    for (const std::string& l : Lines(listing))
      if (l.find(": warning: ") == std::string::npos) faults.push_back(l);
    EXPECT_EQ(faults, c.faults) << c.script;
  }
}

TEST(ScriptTool, EncodeDecodeRoundTripKeepsLineEnds) {
  test::TempDir dir;
  const std::string original = "_goto :a\r\n\tテキスト\n\r\nlast";
  dir.Write("decode.key", "12345");
  dir.Write("s.txt", original);
  ASSERT_EQ(RunCommand(kScriptTool + " encode " + dir.str() + "/s.txt"), 0);
  const std::string scrambled = dir.Read("s.txd");
  EXPECT_NE(scrambled, original);
  EXPECT_EQ(scrambled.size(), original.size());
  // The engine reads it back with the same key.
  std::vector<std::string> lines = SplitLines(scrambled);
  DecodeScriptLines(lines, DeriveScriptKey(12345));
  EXPECT_EQ(lines, SplitLines(original));

  EXPECT_EQ(RunCommand(kScriptTool + " decode " + dir.str() + "/s.txd"),
            1);  // would overwrite s.txt
  dir.Write("s.txt", "changed");
  ASSERT_EQ(RunCommand(kScriptTool + " decode " + dir.str() + "/s.txd --force"), 0);
  EXPECT_EQ(dir.Read("s.txt"), original);
}

}  // namespace
}  // namespace korvana
