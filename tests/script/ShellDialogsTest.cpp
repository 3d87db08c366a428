// The engine's side of the shell's dialogs, through the headless platform:
// the font table behind the font dialog, the version dialog's contents, what
// the debug window reads and edits, and the application's error handler.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "GameRun.h"
#include "core/Cp932.h"
#include "script/EngineProbe.h"
#include "script/Startup.h"

namespace korvana {
namespace {

using test::GameRun;
using test::Sjis;

EngineSettings Debugging() {
  EngineSettings settings;
  settings.debugMode = true;
  return settings;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// ---------------------------------------------------------------- the menu

TEST(ShellDialogs, MenuItemsOpenTheDialogsAndTheTranscriptRecordsThem) {
  const struct {
    const char* name;
    bool debugMode;
    std::vector<std::string> menu, fontAnswers, dialogs;
  } rows[] = {
      {"all three",
       true,
       {"Kfont", "Mversion", "Mdebug"},
       {"ok"},
       {"font\tok", "version", "debug"}},
      {"cancel by default", true, {"Kfont", "2:Kfont"}, {"ok"}, {"font\tok", "font\tcancel"}},
      {"debugging off", false, {"Mdebug", "Mversion"}, {}, {"version"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    HeadlessOptions options;
    for (const std::string& item : r.menu) {
      const size_t colon = item.find(':');
      options.menu.push_back(colon == std::string::npos
                                 ? HeadlessOptions::MenuChoice{0, item}
                                 : HeadlessOptions::MenuChoice{std::stoll(item.substr(0, colon)),
                                                               item.substr(colon + 1)});
    }
    options.fontAnswers = r.fontAnswers;
    EngineSettings settings;
    settings.debugMode = r.debugMode;
    GameRun run(options, settings);
    run.Script({"あ", "い"});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.Events("dialog"), r.dialogs);
    EXPECT_EQ(run.Events("menu").size(), r.menu.size());  // chosen, even when it does nothing
  }
}

TEST(ShellDialogs, FontAnswersOnTheCommandLine) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> answers;
    const char* error;
  } rows[] = {
      {{"--font", "ok,cancel", "--menu", "Kfont,Mversion,Mdebug"}, {"ok", "cancel"}, ""},
      {{"--font", "ok,maybe"}, {}, "--font takes ok or cancel, not \"maybe\""},
      {{"--answer", "yes,later"}, {}, "--answer takes yes, no, ok or cancel, not \"later\""},
      {{"--font"}, {}, "--font needs a value"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.error);
    HeadlessCommandLine command;
    std::string error;
    EXPECT_EQ(ParseHeadlessCommandLine(r.args, command, error), *r.error == '\0');
    EXPECT_EQ(error, r.error);
    if (*r.error == '\0') {
      EXPECT_EQ(command.options.fontAnswers, r.answers);
    }
  }
}

TEST(ShellDialogs, TheFontItemIsRefusedDuringAChoice) {
  GameRun run({.menu = {{0, "Kfont"}}});
  run.Script({"_selmenu 100,100", "はい", "いいえ", "_endsel"});
  run.Run();
  EXPECT_EQ(run.Events("menu"), std::vector<std::string>{"Kfont\tdisabled"});
  EXPECT_TRUE(run.Events("dialog").empty());
}

// ------------------------------------------------------------ the font table

TEST(ShellDialogs, FontDialogOkMakesTheChoiceTheTableAndTheNextFaces) {
  const std::array<std::string, 4> chosen = {"IPAMincho", "IPAGothic", "IPAMincho", "IPAGothic"};
  for (const bool ok : {true, false}) {
    SCOPED_TRACE(ok);
    EngineSettings settings;
    settings.fontTable[1] = "IPAMincho";
    settings.commentFont = {Sjis("本文"), Sjis("会話"), Sjis("強調"), Sjis("ふりがな")};
    GameRun run({.menu = {{1, "Kfont"}}}, settings);
    FontChoice offered;
    run.session().platform.onFontDialog = [&](FontChoice& choice) {
      offered = choice;
      choice.faces = chosen;
      return ok;
    };
    run.Script({"<F1>あ"});
    run.Run();
    Engine& e = run.session().engine;
    EngineProbe probe(e);
    // The dialog opened on the table, with the game's comments and the
    // installed faces.
    EXPECT_EQ(offered.faces[1], "IPAMincho");
    EXPECT_EQ(offered.faces[0], Sjis("ＭＳ ゴシック"));
    EXPECT_EQ(offered.comments, settings.commentFont);
    EXPECT_NE(std::find(offered.installed.begin(), offered.installed.end(), Sjis("IPA明朝")),
              offered.installed.end());
    const auto& table = probe.Message().FontTable;
    const std::array<std::string, 4> now = {table[0], table[1], table[2], table[3]};
    EXPECT_EQ(now, ok ? chosen : offered.faces);
    // Font slot 1 is current ("<F1>"); the ruby face is entry 3.
    EXPECT_EQ(probe.Message().text.FontName, ok ? "IPAGothic" : "IPAMincho");
    EXPECT_EQ(probe.Message().text.RubyFontName, ok ? "IPAGothic" : Sjis("ＭＳ ゴシック"));
    EXPECT_EQ(table[4], "Marlett");  // the symbol fonts are not the dialog's
  }
}

TEST(ShellDialogs, OkStoresAnEmptyNameForAFaceThatIsNotInstalled) {
  EngineSettings settings;
  settings.fontTable[0] = "IPAGothic";
  settings.fontTable[1] = "NoSuchFace";
  settings.fontTable[2] = "@IPAGothic";  // vertical faces are never listed
  settings.fontTable[3] = "IPAMincho";
  GameRun run({.fontAnswers = {"ok"}, .menu = {{1, "Kfont"}}}, settings);
  run.Script({"あ"});
  run.Run();
  const auto& table = run.probe().Message().FontTable;
  // A face the table names by another of its names comes back by the name
  // the list shows it by.
  EXPECT_EQ(table[0], Sjis("IPAゴシック"));
  EXPECT_EQ(table[1], "");
  EXPECT_EQ(table[2], "");
  EXPECT_EQ(table[3], Sjis("IPA明朝"));
  EXPECT_EQ(run.probe().Message().text.FontName, Sjis("IPAゴシック"));
}

TEST(ShellDialogs, FontListsNameEachInstalledFaceOnceByANameCp932CanSpell) {
  GameRun run({.menu = {{1, "Kfont"}}});
  FontChoice offered;
  run.session().platform.onFontDialog = [&](FontChoice& choice) {
    offered = choice;
    return false;
  };
  run.Script({"あ"});
  run.Run();
  auto listed = [&](const std::string& name) {
    return std::count(offered.installed.begin(), offered.installed.end(), name);
  };
  // The IPA faces once each, by their Japanese names; the English ones lead
  // there.
  const struct {
    const char* japanese;
    const char* english;
  } ipa[] = {{"IPAゴシック", "IPAGothic"}, {"IPA明朝", "IPAMincho"}};
  for (const auto& face : ipa) {
    SCOPED_TRACE(face.english);
    EXPECT_EQ(listed(Sjis(face.japanese)), 1);
    EXPECT_EQ(listed(face.english), 0);
    EXPECT_EQ(offered.Listed(face.english), Sjis(face.japanese));
  }
  // Every name once, and each spelt in full.
  for (const std::string& name : offered.installed) {
    bool complete = true;
    EXPECT_EQ(cp932::FromUtf8(cp932::ToUtf8(name), &complete), name);
    EXPECT_TRUE(complete) << cp932::ToUtf8(name);
    EXPECT_EQ(name.find('?'), std::string::npos) << cp932::ToUtf8(name);
    EXPECT_EQ(listed(name), 1) << cp932::ToUtf8(name);
  }
}

TEST(ShellDialogs, TheSettingsKeepTheFacesTheGameRanWith) {
  // Without krv.ini the candidate list decides slot 0; the dialog then
  // changes slot 1; exit writes both, not the configured names.
  GameRun run({.menu = {{1, "Kfont"}, {1, "Mexit"}}});
  run.File("krv.cfg", "SavePath=.\\\r\nDefaultFont0=NoSuchFace, IPAMincho\r\n");
  run.session().platform.onFontDialog = [](FontChoice& choice) {
    choice.faces[1] = "IPAGothic";
    return true;
  };
  run.Script({"あ", "い"});
  EXPECT_EQ(run.RunPrepared(), 0);
  EXPECT_EQ(run.session().endReason, "exit");
  const std::string ini = ReadFile(run.dir().str() + "/krv.ini");
  EXPECT_NE(ini.find("Font0=IPAMincho\r\nFont1=IPAGothic\r\nFont2=" + Sjis("ＭＳ ゴシック")),
            std::string::npos)
      << ini;
}

// ----------------------------------------------------------- version dialog

struct ShownVersion {
  bool shown = false;
  VersionInfo info;
  Picture picture;
};

ShownVersion OpenVersion(GameRun& run) {
  ShownVersion shown;
  run.session().platform.onVersionDialog = [&](const VersionInfo& info) {
    shown.shown = true;
    shown.info = info;
    if (info.picture) shown.picture = *info.picture;
    shown.info.picture = nullptr;
  };
  run.Script({"あ"});
  run.Run();
  return shown;
}

TEST(ShellDialogs, VersionDialogShowsThePictureTheIdAndTheFolder) {
  const struct {
    const char* name;
    const char* version;  // the setting
    int fileWidth, fileHeight;
    const char* programId;
    const char* installFolder;
    int shownWidth, shownHeight;
    const char* programLine;
    const char* pathStart;
  } rows[] = {
      {"small", "ver.png", 100, 50, "KorvanaDemo", "/opt/demo", 100, 50, "ProgramID=KorvanaDemo",
       "InstallPath=/opt/demo"},
      {"large, cut to the area", "big.png", 700, 300, "", "", 512, 128, "ProgramID=設定無し",
       "CurrentDir="},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EngineSettings settings;
    settings.version = r.version;
    settings.programId = Sjis(r.programId);
    settings.installFolder = r.installFolder;
    GameRun run({.menu = {{1, "Mversion"}}}, settings);
    Picture file(r.fileWidth, r.fileHeight, 0x2040C0);
    file.SetPixel(r.shownWidth - 1, r.shownHeight - 1, 0xFFFF00);
    ASSERT_TRUE(WritePng(file, run.dir().str() + "/" + r.version));
    const ShownVersion shown = OpenVersion(run);
    ASSERT_TRUE(shown.shown);
    EXPECT_EQ(shown.info.versionLine, "Ver 1.42");
    EXPECT_EQ(shown.picture.Width(), r.shownWidth);
    EXPECT_EQ(shown.picture.Height(), r.shownHeight);
    EXPECT_EQ(shown.picture.Pixel(0, 0), 0x2040C0u);
    EXPECT_EQ(shown.picture.Pixel(r.shownWidth - 1, r.shownHeight - 1), 0xFFFF00u);
    EXPECT_EQ(cp932::ToUtf8(shown.info.programLine), r.programLine);
    EXPECT_EQ(shown.info.pathLine.rfind(r.pathStart, 0), 0u) << shown.info.pathLine;
    EXPECT_TRUE(run.ErrorMessages().empty());
    EXPECT_EQ(run.Events("dialog"), std::vector<std::string>{"version"});
  }
}

TEST(ShellDialogs, WithoutAVersionPictureTheAreaSaysSo) {
  GameRun run({.menu = {{1, "Mversion"}}});
  const ShownVersion shown = OpenVersion(run);
  ASSERT_EQ(shown.picture.Width(), 512);
  ASSERT_EQ(shown.picture.Height(), 128);
  // Black text at (32, 32) on white, nothing above or left of it.
  int ink = 0, stray = 0;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 512; ++x) {
      const uint32_t p = shown.picture.Pixel(x, y);
      if (p == 0x000000) (x >= 32 && y >= 32 && y < 32 + 16 ? ink : stray)++;
      if (p != 0x000000 && p != 0xFFFFFF) ++stray;
    }
  EXPECT_GT(ink, 100);
  EXPECT_EQ(stray, 0);
  EXPECT_EQ(cp932::ToUtf8(shown.info.programLine), "ProgramID=設定無し");
  EXPECT_EQ(shown.info.pathLine, "CurrentDir=" + cp932::FromUtf8(run.dir().str()));
}

TEST(ShellDialogs, AVersionPictureThatCannotBeReadIsReportedAndTheAreaStaysEmpty) {
  const struct {
    const char* name;
    const char* file;  // written into the game when not null
    std::string bytes;
  } rows[] = {
      {"missing", nullptr, ""},
      {"damaged", "ver.png", "\x89PNG\r\n\x1a\n not a picture at all"},
      {"truncated BMP", "ver.bmp", "BM\x10\x00\x00\x00"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EngineSettings settings;
    settings.version = r.file ? r.file : "ver.png";
    GameRun run({.menu = {{1, "Mversion"}}}, settings);
    if (r.file) run.File(r.file, r.bytes);
    const ShownVersion shown = OpenVersion(run);
    EXPECT_TRUE(shown.shown);
    EXPECT_TRUE(shown.picture.Empty());
    // The standard box with the loader's message, then the error report.
    const auto boxes = run.Events("box");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].rfind("Korvana\t", 0), 0u);
    EXPECT_NE(boxes[1].find("File:autorun.txt Line:1/"), std::string::npos);
    EXPECT_EQ(run.session().endReason, "end");  // answered "continue"
  }
}

TEST(ShellDialogs, AVersionPictureLargerThanAnyDecoderTakesIsReported) {
  EngineSettings settings;
  settings.version = "huge.png";
  GameRun run({.menu = {{1, "Mversion"}}}, settings);
  ASSERT_TRUE(WritePng(Picture(kMaxPictureSide + 1, 1), run.dir().str() + "/huge.png"));
  const ShownVersion shown = OpenVersion(run);
  EXPECT_TRUE(shown.shown);
  EXPECT_TRUE(shown.picture.Empty());
  EXPECT_EQ(run.Events("box").size(), 2u);
}

// ------------------------------------------------------------ debug window

// Every line of `ValList` is the flag it shows.
void ExpectCurrentLines(const Engine& e, const FlagStore& flags) {
  ASSERT_EQ(e.ValueLines().size(), static_cast<size_t>(FlagStore::kCount));
  for (int i = 0; i < FlagStore::kCount; ++i) {
    char head[16];
    std::snprintf(head, sizeof head, "%03d = ", i);
    ASSERT_EQ(e.ValueLines()[i], head + flags.Get(i)) << i;
  }
}

TEST(ShellDialogs, ValueLinesFollowAssignmentsClicksClearingAndTheTitleReturn) {
  GameRun run({.maxClicks = 4}, Debugging());
  run.Script({
      "_($flg[300]==1), _goto :again",  // global flags outlive the title return
      "_$flg[300]=1", "_$flg[5]=9", "_@flg[6]=abc", "_flgclick 7",
      "あ",  // wait 1: the click sets flag 7
      "_flgclear 0,x",
      "い",  // wait 2: the title is chosen
      ":again",
      "う",  // wait 3, after the title return
  });
  HeadlessSession& session = run.session();
  std::vector<std::vector<std::string>> seen;
  session.platform.onClickWait = [&] {
    ExpectCurrentLines(session.engine, session.flags);
    seen.push_back(session.engine.ValueLines());
    if (seen.size() == 2) session.engine.RequestTitleReturn();
  };
  run.Run();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0][5], "005 = 9");
  EXPECT_EQ(seen[0][6], "006 = abc");
  EXPECT_EQ(seen[0][7], "007 = 0");
  EXPECT_EQ(seen[1][7], "007 = x");  // cleared after the click made it 1
  EXPECT_EQ(seen[1][300], "300 = 1");
  EXPECT_EQ(seen[2][5], "005 = 0");  // the title return cleared the game's flags
  EXPECT_EQ(seen[2][300], "300 = 1");
}

TEST(ShellDialogs, ValueLinesFollowALoadedGame) {
  GameRun run({}, Debugging());
  run.Script({"_$flg[5]=1", "あ", "い"});
  HeadlessSession& session = run.session();
  int waits = 0;
  SavePoint first;
  session.platform.onClickWait = [&] {
    ExpectCurrentLines(session.engine, session.flags);
    if (++waits == 1) first = session.engine.CaptureSavePoint();
    if (waits != 2) return;
    // Changed from the window after the save; the load brings back "0".
    session.engine.SetFlagFromDebug(8, "late");
    session.engine.RequestLoad(first);
  };
  run.Run();
  EXPECT_EQ(run.Flag(8), "0");
  EXPECT_EQ(session.engine.ValueLines()[8], "008 = 0");
  ExpectCurrentLines(session.engine, session.flags);
}

TEST(ShellDialogs, SetFromTheDebugWindowIsSeenByTheScriptAtOnce) {
  GameRun run({}, Debugging());
  run.Script({"_$flg[1]=1", "あ", "_$flg[2]=$flg[1]+1"});
  Engine& e = run.session().engine;
  run.session().platform.onClickWait = [&] {
    DebugSource& window = e;
    window.SetFlagFromDebug(1, "41");
    window.SetFlagFromDebug(-1, "x");  // no line selected: nothing
    window.SetFlagFromDebug(FlagStore::kCount, "x");
  };
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Flag(2), "42");
  EXPECT_EQ(e.ValueLines()[1], "001 = 41");
  EXPECT_TRUE(run.ErrorMessages().empty());
}

TEST(ShellDialogs, SetWithATextTooLongForAFlagIsReportedAndCut) {
  GameRun run({}, Debugging());
  run.Script({"あ"});
  Engine& e = run.session().engine;
  const std::string tenThousand(10000 * 2, '\x82');  // 10,000 two-byte characters fit
  run.session().platform.onClickWait = [&] {
    e.SetFlagFromDebug(3, tenThousand);
    e.SetFlagFromDebug(4, std::string(FlagStore::kMaxTextBytes + 10, 'a'));
  };
  run.Run();
  EXPECT_EQ(run.session().flags.Get(3), tenThousand);
  EXPECT_EQ(run.session().flags.Get(4).size(), FlagStore::kMaxTextBytes);
  EXPECT_EQ(e.ValueLines()[4].size(), FlagStore::kMaxTextBytes + 6);
  EXPECT_EQ(run.ErrorMessages(),
            std::vector<std::string>{"フラグの値が長すぎます。最大バイト数：65536"});
}

TEST(ShellDialogs, RewritingTheLinesFollowsTheFlagsAndNeedsDebugging) {
  for (const bool debugging : {true, false}) {
    SCOPED_TRACE(debugging);
    EngineSettings settings;
    settings.debugMode = debugging;
    GameRun run({.menu = {{1, "Mdebug"}}}, settings);
    run.Script({"_nosuchcommand", "あ"});
    run.Run();
    Engine& e = run.session().engine;
    run.session().flags.Set(9, "behind the list's back");
    e.RewriteValueLines();
    if (debugging) {
      ExpectCurrentLines(e, run.session().flags);
      EXPECT_EQ(e.ErrorLines(), std::vector<std::string>{"File:autorun.txt Line:1/" +
                                                         Sjis("コマンドが変です_nosuchcommand")});
      EXPECT_EQ(run.session().platform.debugWindow, &e);
    } else {
      EXPECT_TRUE(e.ValueLines().empty());
      EXPECT_TRUE(e.ErrorLines().empty());
      EXPECT_EQ(run.session().platform.debugWindow, nullptr);
    }
  }
}

TEST(ShellDialogs, StateDumpSaysWhenNoLineRuns) {
  GameRun run({}, Debugging());
  run.Script({"あ", "い"});
  Engine& e = run.session().engine;
  std::vector<std::string> running;
  run.session().platform.onClickWait = [&] { running.push_back(e.StateDump()[14]); };
  run.Run();
  // Line 0 counts as not running; after the end nothing runs either.
  EXPECT_EQ(running,
            (std::vector<std::string>{Sjis("**実行が終了しているか、スクリプトが走っていません**"),
                                      "\"" + Sjis("い") + "\""}));
  const auto dump = e.StateDump();
  ASSERT_EQ(dump.size(), 16u);
  EXPECT_EQ(dump[14], Sjis("**実行が終了しているか、スクリプトが走っていません**"));
  EXPECT_EQ(dump[15], Sjis("カレントDIR:") + "\"" + run.dir().str() + "\"");
}

TEST(ShellDialogs, TheSeventeenBufferPicturesInTheWindowsOrder) {
  GameRun run({}, Debugging());
  ASSERT_TRUE(WritePng(Picture(64, 32, 0x808080), run.dir().str() + "/sheet.png"));
  ASSERT_TRUE(WritePng(Picture(64, 32, 0xFFFFFF), run.dir().str() + "/sheetm.png"));
  run.Script({"_sprload sheet.png,16,16,sheetm.png"});
  run.Run();
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  const Picture* expected[DebugSource::kBufferCount] = {&probe.WorkScreen(),
                                                        &probe.Layers().BackgroundLayer,
                                                        &probe.Layers().EffectLayer,
                                                        &probe.Message().MessageImage,
                                                        nullptr,
                                                        &probe.Layers().EffectMask,
                                                        &probe.Message().MessageMask,
                                                        &probe.Layers().TransitionBuffer,
                                                        &probe.Layers().ScratchPicture,
                                                        &probe.Layers().objectPictures[0],
                                                        &probe.Layers().objectMasks[0],
                                                        &probe.Layers().objectPictures[1],
                                                        &probe.Layers().objectMasks[1],
                                                        &probe.Layers().objectPictures[2],
                                                        &probe.Layers().objectMasks[2],
                                                        &probe.Layers().SpriteSheet,
                                                        &probe.Layers().SpriteMask};
  for (int i = 0; i < DebugSource::kBufferCount; ++i) {
    SCOPED_TRACE(i);
    const Picture& shown = e.BufferPicture(i);
    if (expected[i])
      EXPECT_EQ(&shown, expected[i]);
    else
      EXPECT_TRUE(shown.Empty());  // the background mask nothing fills
    EXPECT_EQ(e.BufferFileName(i).empty(), i < 15);
  }
  EXPECT_EQ(e.BufferPicture(15).Width(), 64);
  EXPECT_EQ(e.BufferFileName(15), "sheet.png");
  EXPECT_EQ(e.BufferFileName(16), "sheetm.png");
  EXPECT_TRUE(e.BufferPicture(17).Empty());
  EXPECT_TRUE(e.BufferPicture(-1).Empty());
}

// ------------------------------------------------------------ error handler

TEST(ShellDialogs, ALibraryErrorInsideACommandIsShownThenReported) {
  for (const bool terminate : {false, true}) {
    SCOPED_TRACE(terminate);
    HeadlessOptions options;
    if (terminate) options.answers = {"yes"};
    GameRun run(options, Debugging());
    run.Script({"_$flg[1]=1", "_mouseclick", "_$flg[2]=1"});
    run.session().platform.onClickWait = [] {
      throw std::invalid_argument("stoi: 変換できません");
    };
    EXPECT_EQ(run.Run(), terminate ? 1 : 0);
    const auto boxes = run.Events("box");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Korvana\tstoi: 変換できません\tok");
    EXPECT_EQ(boxes[1],
              "File:autorun.txt Line:2/stoi: 変換できません\tエラー発生！！強制終了"
              "しますか？(設定ファイルを保存しません)\t" +
                  std::string(terminate ? "yes" : "no"));
    // The run ends either way; the flag after the wait is never set.
    EXPECT_EQ(run.Flag(2), "0");
    EXPECT_EQ(run.session().engine.ErrorLines().size(), terminate ? 0u : 1u);
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// A story that errs again and again keeps only the latest errors for the
// debug window.
TEST(ShellDialogs, TheErrorListKeepsItsLatestLines) {
  GameRun run({}, Debugging());
  std::vector<std::string> lines;
  for (int i = 1; i <= 1200; ++i) lines.push_back("_bad" + std::to_string(i));
  run.Script(lines);
  run.Run();
  const Engine& e = run.session().engine;
  EXPECT_EQ(run.ErrorMessages().size(), 1200u);
  ASSERT_EQ(e.ErrorLines().size(), Engine::kMostErrorLines);
  EXPECT_EQ(e.ErrorLines().front(), "File:autorun.txt Line:201/" + Sjis("コマンドが変です_bad201"));
  EXPECT_EQ(e.ErrorLines().back(),
            "File:autorun.txt Line:1200/" + Sjis("コマンドが変です_bad1200"));
}

}  // namespace
}  // namespace korvana
