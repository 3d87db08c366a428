#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "config/InstallStore.h"
#include "config/Settings.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"

namespace korvana::config {
namespace {

using test::TempDir;

struct Reports {
  std::vector<std::string> messages;
  ConfigReport fn() {
    return [this](const std::string& m) { messages.push_back(m); };
  }
  bool Mentions(std::string_view text) const {
    for (const auto& m : messages)
      if (m.find(text) != std::string::npos) return true;
    return false;
  }
};

// The bytes of a file from lines: CP932 of each UTF-8 line, CR LF after each.
std::string Lines(std::initializer_list<std::string_view> utf8Lines) {
  std::string out;
  for (auto l : utf8Lines) out += J(l) + "\r\n";
  return out;
}

ConfigReadResult Read(const TempDir& dir, Reports& reports, const InstallStore* store = nullptr) {
  return ReadConfiguration({dir.str(), store}, reports.fn());
}

TEST(Settings, MissingGameConfigGivesItsMessageAndEnds) {
  TempDir dir;
  dir.Write("krv.ini", "BGDarkness=1\r\n");
  Reports reports;
  ConfigReadResult r = Read(dir, reports);
  EXPECT_TRUE(r.exitProgram);
  ASSERT_EQ(reports.messages.size(), 1u);
  EXPECT_EQ(reports.messages[0],
            "\x90\xdd\x92\xe8\x83\x74\x83\x40\x83\x43\x83\x8b"
            "krv.cfg"
            "\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
  EXPECT_EQ(reports.messages[0], MissingGameConfigMessage());
  EXPECT_FALSE(r.settings.BGDarkness);  // nothing else was read
}

TEST(Settings, DefaultsWithAnEmptyGameConfigAndNoUserSettings) {
  TempDir dir;
  dir.Write("krv.cfg", "");
  Reports reports;
  ConfigReadResult r = Read(dir, reports);
  ASSERT_FALSE(r.exitProgram);
  EXPECT_TRUE(reports.messages.empty());
  const Settings& s = r.settings;
  Settings expected;
  expected.StartFolder = dir.str();
  EXPECT_EQ(s, expected);
  EXPECT_EQ(s.DarknessRate, 32);
  EXPECT_EQ(s.MP3Timing, 5);
  EXPECT_EQ(s.BGHideMode, 0);
  EXPECT_EQ(s.TextHideMode, 0);
  EXPECT_TRUE(s.GlobalFlagSave);
  EXPECT_FALSE(s.TextMaxIndex.has_value());
  EXPECT_FALSE(s.BGDarkness);
  EXPECT_TRUE(s.EnableMusic);
  EXPECT_TRUE(s.EnableSound);
  EXPECT_FALSE(s.HighSpeedText);
  EXPECT_FALSE(s.SkipText);
  EXPECT_FALSE(s.DebugMode);
  EXPECT_FALSE(s.EnableAllDrive);
  EXPECT_FALSE(s.UserSettingsRead);
  EXPECT_EQ(s.SavePath, "");
  EXPECT_TRUE(NeedsSaveFolderDialog(s));
  EXPECT_EQ(s.DataPath, "");
  const std::string gothic =
      "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック
  std::array<std::string, 7> fonts = {gothic,    gothic,   gothic,     gothic,
                                      "Marlett", "Symbol", "Wingdings"};
  EXPECT_EQ(s.FontTable, fonts);
  std::array<std::string, 4> comments = {J("テキストフォント１"), J("テキストフォント２"),
                                         J("テキストフォント３"), J("ルビフォント")};
  EXPECT_EQ(comments[0],
            "\x83\x65\x83\x4c\x83\x58\x83\x67\x83\x74\x83\x48\x83\x93\x83\x67\x82\x50");
  EXPECT_EQ(s.CommentFont, comments);
}

TEST(Settings, ReadsEveryGameConfigKey) {
  TempDir dir;
  dir.Write("krv.cfg", Lines({
                           "ProgramID=SAMPLE",
                           "BGDarkness=1",
                           "SavePath=save\\",
                           "DarknessRate=64",
                           "DefaultFont0=ＭＳ 明朝,IPAMincho",
                           "DefaultFont1=f1",
                           "DefaultFont2=f2",
                           "DefaultFont3=f3",
                           "DefaultFont4=f4",
                           "DefaultFont5=f5",
                           "DefaultFont6=f6",
                           "CommentFont0=本文",
                           "CommentFont2=見出し",
                           "Icon=icon.bmp",
                           "BackGround=back.bmp",
                           "Tile=tile.bmp",
                           "Version=ver.bmp",
                           "MenuClickSound=click.wav",
                           "DataDriveLabel=GAMEDISC",
                           "TextMaxIndex=4096",
                           "BGHideMode=3",
                           "TextHideMode=9",
                           "GlobalFlagSave=0",
                           "MP3Timing=7",
                       }));
  Reports reports;
  Settings s = Read(dir, reports).settings;
  EXPECT_TRUE(reports.messages.empty());
  EXPECT_EQ(s.ProgramID, "SAMPLE");
  EXPECT_TRUE(s.BGDarkness);  // from krv.cfg: there is no krv.ini
  EXPECT_EQ(s.SavePath, "save\\");
  EXPECT_FALSE(NeedsSaveFolderDialog(s));
  EXPECT_EQ(s.DarknessRate, 64);
  std::array<std::string, 7> lists = {J("ＭＳ 明朝,IPAMincho"), "f1", "f2", "f3", "f4", "f5", "f6"};
  EXPECT_EQ(s.DefaultFont, lists);
  EXPECT_EQ(s.FontTable, InitialFontTable());  // candidates wait for ResolveFontCandidates
  std::array<std::string, 4> comments = {J("本文"), J("テキストフォント２"), J("見出し"),
                                         J("ルビフォント")};
  EXPECT_EQ(s.CommentFont, comments);
  EXPECT_EQ(s.Icon, "icon.bmp");
  EXPECT_EQ(s.BackGround, "back.bmp");
  EXPECT_EQ(s.Tile, "tile.bmp");
  EXPECT_EQ(s.Version, "ver.bmp");
  EXPECT_EQ(s.MenuClickSound, "click.wav");
  EXPECT_EQ(s.DataDriveLabel, "GAMEDISC");
  EXPECT_EQ(s.TextMaxIndex, 4096);
  EXPECT_EQ(s.ForceDataDrivePath, "");
  EXPECT_EQ(s.DataPath, "");
  EXPECT_EQ(s.BGHideMode, 3);
  EXPECT_EQ(s.TextHideMode, 9);
  EXPECT_FALSE(s.GlobalFlagSave);
  EXPECT_EQ(s.MP3Timing, 7);
}

TEST(Settings, UserSettingsWinOverTheGameConfigFallbacks) {
  TempDir dir;
  dir.Write("krv.cfg", Lines({"BGDarkness=1", "SavePath=cfgsave\\", "DefaultFont0=Candidate",
                              "DefaultFont4=Sym"}));
  dir.Write("krv.ini",
            Lines({"Version=1.42", "[Display]", "BGDarkness=0", "[System]", "SavePath=inisave\\",
                   "EnableMusic=0", "EnableSound=0", "HighSpeedText=1", "SkipText=1",
                   "DebugMode=on", "EnableAllDrive=on", "[Font]", "Font0=IPAGothic",
                   "Font1=", "Font2=ＭＳ 明朝", "Font3=Ruby"}));
  Reports reports;
  Settings s = Read(dir, reports).settings;
  EXPECT_TRUE(reports.messages.empty());
  EXPECT_TRUE(s.UserSettingsRead);
  EXPECT_FALSE(s.BGDarkness);  // krv.cfg's BGDarkness is read only without krv.ini
  EXPECT_EQ(s.SavePath, "inisave\\");
  EXPECT_FALSE(s.EnableMusic);
  EXPECT_FALSE(s.EnableSound);
  EXPECT_TRUE(s.HighSpeedText);
  EXPECT_TRUE(s.SkipText);
  EXPECT_TRUE(s.DebugMode);
  EXPECT_TRUE(s.EnableAllDrive);
  EXPECT_EQ(s.FontTable[0], "IPAGothic");
  EXPECT_EQ(s.FontTable[1], DefaultMessageFont());  // empty means ＭＳ ゴシック
  EXPECT_EQ(s.FontTable[2], J("ＭＳ 明朝"));
  EXPECT_EQ(s.FontTable[3], "Ruby");
  EXPECT_EQ(s.FontTable[4], "Marlett");
  EXPECT_EQ(s.DefaultFont[0], "");  // DefaultFont0-3 are not read with krv.ini
  EXPECT_EQ(s.DefaultFont[4], "Sym");
}

TEST(Settings, SavePathFromGameConfigOnlyWhenUserSettingsGiveNone) {
  TempDir dir;
  dir.Write("krv.cfg", "SavePath=cfgsave\\\r\n");
  dir.Write("krv.ini",
            "BGDarkness=0\r\nSavePath=\r\nEnableMusic=1\r\nEnableSound=1\r\n"
            "HighSpeedText=0\r\nSkipText=0\r\n");
  Reports reports;
  EXPECT_EQ(Read(dir, reports).settings.SavePath, "cfgsave\\");
  EXPECT_TRUE(reports.messages.empty());
}

TEST(Settings, OnKeysNeedExactlyLowerCaseOn) {
  struct Case {
    const char* value;
    bool on;
  } cases[] = {{"on", true},   {"On", false}, {"ON", false}, {"1", false},
               {"on ", false}, {"", false},   {"yes", false}};
  for (const auto& c : cases) {
    TempDir dir;
    dir.Write("krv.cfg", "");
    dir.Write("krv.ini", std::string("BGDarkness=0\r\nEnableMusic=1\r\nEnableSound=1\r\n"
                                     "HighSpeedText=0\r\nSkipText=0\r\nDebugMode=") +
                             c.value + "\r\nenableALLdrive=" + c.value + "\r\n");
    Reports reports;
    Settings s = Read(dir, reports).settings;
    EXPECT_EQ(s.DebugMode, c.on) << c.value;
    EXPECT_EQ(s.EnableAllDrive, c.on) << c.value;
    EXPECT_TRUE(reports.messages.empty());
  }
}

TEST(Settings, GlobalFlagSaveIsOffOnlyForZero) {
  struct Case {
    const char* line;
    bool on;
  } cases[] = {{"GlobalFlagSave=0", false}, {"GlobalFlagSave=off", true},
               {"GlobalFlagSave=00", true}, {"GlobalFlagSave=", true},
               {"globalflagsave=0", false}, {"Other=0", true}};
  for (const auto& c : cases) {
    TempDir dir;
    dir.Write("krv.cfg", std::string(c.line) + "\r\n");
    Reports reports;
    EXPECT_EQ(Read(dir, reports).settings.GlobalFlagSave, c.on) << c.line;
  }
}

TEST(Settings, FlagsAreNonZeroIntegers) {
  TempDir dir;
  dir.Write("krv.cfg", "");
  dir.Write("krv.ini",
            "BGDarkness=2\r\nEnableMusic=-1\r\nEnableSound=0\r\nHighSpeedText=  1\r\n"
            "SkipText=000\r\n");
  Reports reports;
  Settings s = Read(dir, reports).settings;
  EXPECT_TRUE(s.BGDarkness);
  EXPECT_TRUE(s.EnableMusic);
  EXPECT_FALSE(s.EnableSound);
  EXPECT_TRUE(s.HighSpeedText);
  EXPECT_FALSE(s.SkipText);
  EXPECT_TRUE(reports.messages.empty());
}

TEST(Settings, MissingOrNonNumericUserSettingsFallBackWithOneReport) {
  TempDir dir;
  dir.Write("krv.cfg", "BGDarkness=1\r\n");
  dir.Write("krv.ini", "EnableMusic=yes\r\nEnableSound=\r\nHighSpeedText=1\r\nSavePath=s\\\r\n");
  Reports reports;
  ConfigReadResult r = Read(dir, reports);
  ASSERT_FALSE(r.exitProgram);
  const Settings& s = r.settings;
  EXPECT_TRUE(s.BGDarkness);     // missing: what a run without krv.ini has (krv.cfg's 1)
  EXPECT_TRUE(s.EnableMusic);    // "yes": default on
  EXPECT_TRUE(s.EnableSound);    // empty: default on
  EXPECT_TRUE(s.HighSpeedText);  // read
  EXPECT_FALSE(s.SkipText);      // missing: default off
  EXPECT_EQ(s.SavePath, "s\\");  // the rest is still read
  ASSERT_EQ(reports.messages.size(), 1u);
  const std::string& m = reports.messages[0];
  EXPECT_EQ(m.find(J("設定ファイルkrv.ini")), 0u);
  for (const char* key : {"BGDarkness", "EnableMusic=\"yes\"", "EnableSound", "SkipText"})
    EXPECT_NE(m.find(key), std::string::npos) << key;
  EXPECT_EQ(m.find("HighSpeedText"), std::string::npos);
}

TEST(Settings, NonNumericGameConfigKeysFallBackWithOneReport) {
  TempDir dir;
  dir.Write("krv.cfg",
            "DarknessRate=dark\r\nBGHideMode=x\r\nTextHideMode=\r\nMP3Timing=5ms\r\n"
            "TextMaxIndex=many\r\nBGDarkness=yes\r\n");
  Reports reports;
  Settings s = Read(dir, reports).settings;
  EXPECT_EQ(s.DarknessRate, 32);
  EXPECT_EQ(s.BGHideMode, 0);
  EXPECT_EQ(s.TextHideMode, 0);  // empty: the default, silently
  EXPECT_EQ(s.MP3Timing, 5);
  EXPECT_FALSE(s.TextMaxIndex.has_value());
  EXPECT_FALSE(s.BGDarkness);
  ASSERT_EQ(reports.messages.size(), 1u);
  const std::string& m = reports.messages[0];
  EXPECT_EQ(m.find(J("設定ファイルkrv.cfg")), 0u);
  for (const char* key : {"DarknessRate", "BGHideMode", "MP3Timing", "TextMaxIndex", "BGDarkness"})
    EXPECT_NE(m.find(key), std::string::npos) << key;
  EXPECT_EQ(m.find("TextHideMode"), std::string::npos);
}

TEST(Settings, OutOfRangeValuesAreReportedAndClamped) {
  struct Case {
    const char* cfg;
    int darkness;
    std::optional<int> textMax;
    bool reported;
  } cases[] = {
      {"DarknessRate=0", 0, std::nullopt, false},
      {"DarknessRate=256", 256, std::nullopt, false},
      {"DarknessRate=300", 256, std::nullopt, true},
      {"DarknessRate=-1", 0, std::nullopt, true},
      {"TextMaxIndex=0", 32, 0, false},
      {"TextMaxIndex=16777216", 32, kMaxTextMaxIndex, false},
      {"TextMaxIndex=2000000000", 32, kMaxTextMaxIndex, true},
      {"TextMaxIndex=-5", 32, std::nullopt, true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.Write("krv.cfg", std::string(c.cfg) + "\r\n");
    Reports reports;
    Settings s = Read(dir, reports).settings;
    EXPECT_EQ(s.DarknessRate, c.darkness) << c.cfg;
    EXPECT_EQ(s.TextMaxIndex, c.textMax) << c.cfg;
    EXPECT_EQ(!reports.messages.empty(), c.reported) << c.cfg;
  }
}

TEST(Settings, ForceDataDrivePathSkipsTheDriveSearch) {
  TempDir dir;
  dir.Write("krv.cfg", "DataDriveLabel=GAMEDISC\r\nForceDataDrivePath=E:\\data\\\r\n");
  Reports reports;
  Settings s = Read(dir, reports).settings;
  EXPECT_EQ(s.DataPath, "E:\\data\\");
  EXPECT_EQ(s.DataDriveLabel, "");
  EXPECT_EQ(ExpandDataDrive("%DATA_DRIVE%bg\\a.bmp", s.DataPath), "E:\\data\\bg\\a.bmp");
}

TEST(Settings, KeysAreFoundInAnySectionAndAnyCaseAndTheFirstWins) {
  TempDir dir;
  dir.Write("KRV.CFG", "[Whatever]\r\nicon=first.bmp\r\nICON=second.bmp\r\n");
  dir.Write("Krv.Ini",
            "[Font]\r\nsavepath=lower\\\r\nSavePath=upper\\\r\nbgdarkness=1\r\n"
            "ENABLEMUSIC=0\r\nenablesound=0\r\nhighspeedtext=1\r\nskiptext=1\r\n");
  Reports reports;
  Settings s = Read(dir, reports).settings;
  EXPECT_TRUE(reports.messages.empty());
  EXPECT_EQ(s.Icon, "first.bmp");
  EXPECT_EQ(s.SavePath, "lower\\");
  EXPECT_TRUE(s.BGDarkness);
  EXPECT_FALSE(s.EnableMusic);
  EXPECT_FALSE(s.EnableSound);
  EXPECT_TRUE(s.HighSpeedText);
  EXPECT_TRUE(s.SkipText);
  EXPECT_EQ(UserSettingsPath(s), dir.str() + "/Krv.Ini");
}

// --- the written file ---------------------------------------------------------

TEST(Settings, WritesTheExactBytes) {
  Settings s;
  s.BGDarkness = true;
  s.SavePath = J("C:\\ゲーム\\表セーブ\\");  // "表" ends in 0x5C
  s.EnableMusic = false;
  s.EnableSound = true;
  s.HighSpeedText = true;
  s.SkipText = false;
  s.FontTable[1] = J("ＭＳ 明朝");
  s.FontTable[3] = "IPAGothic";
  s.FontTable[4] = "NotWritten";
  std::string expected =
      "Version=1.42\r\n"
      "[Display]\r\n"
      "BGDarkness=1\r\n"
      "[System]\r\n"
      "SavePath=C:\\\x83\x51\x81\x5b\x83\x80\\\x95\x5c\x83\x5a\x81\x5b\x83\x75\\\r\n"
      "EnableMusic=0\r\n"
      "EnableSound=1\r\n"
      "HighSpeedText=1\r\n"
      "SkipText=0\r\n"
      "[Font]\r\n"
      "Font0=\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e\r\n"
      "Font1=\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9\r\n"
      "Font2=\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e\r\n"
      "Font3=IPAGothic\r\n";
  EXPECT_EQ(BuildUserSettingsText(s), expected);

  s.DebugMode = true;
  s.EnableAllDrive = true;
  std::string withModes = BuildUserSettingsText(s);
  EXPECT_NE(withModes.find("SkipText=0\r\nDebugMode=on\r\nEnableAllDrive=on\r\n[Font]\r\n"),
            std::string::npos);
  s.DebugMode = false;
  EXPECT_NE(BuildUserSettingsText(s).find("SkipText=0\r\nEnableAllDrive=on\r\n[Font]\r\n"),
            std::string::npos);
}

TEST(Settings, AValueCannotAddALine) {
  Settings s;
  s.SavePath = "a\r\nDebugMode=on\nb";
  s.FontTable[0] = std::string("x\0y", 3);
  std::string text = BuildUserSettingsText(s);
  EXPECT_NE(text.find("SavePath=aDebugMode=onb\r\n"), std::string::npos);
  EXPECT_NE(text.find("Font0=xy\r\n"), std::string::npos);
  EXPECT_EQ(text.find("\r\nDebugMode=on"), std::string::npos);
}

TEST(Settings, WrittenSettingsReadBackTheSame) {
  struct Case {
    bool dark, music, sound, fast, skip, debug, all;
    const char* save;
    const char* font0;
    const char* font3;
  } cases[] = {
      {false, true, true, false, false, false, false, "", "", ""},
      {true, false, false, true, true, true, true, "/home/me/セーブ/", "IPAMincho", "ＭＳ 明朝"},
      {true, true, false, false, true, false, true, "save\\表\\", "ＭＳ ゴシック", "a=b,c"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.Write("krv.cfg", Lines({"DefaultFont5=Other", "DarknessRate=40"}));
    dir.Write("krv.ini", "");  // read with krv.ini from the start, as after a first end
    Reports reports;
    Settings first = Read(dir, reports).settings;
    first.BGDarkness = c.dark;
    first.EnableMusic = c.music;
    first.EnableSound = c.sound;
    first.HighSpeedText = c.fast;
    first.SkipText = c.skip;
    first.DebugMode = c.debug;
    first.EnableAllDrive = c.all;
    first.SavePath = J(c.save);
    first.FontTable[0] = J(c.font0);
    first.FontTable[3] = J(c.font3);
    if (first.FontTable[0].empty()) first.FontTable[0] = DefaultMessageFont();
    if (first.FontTable[3].empty()) first.FontTable[3] = DefaultMessageFont();
    ASSERT_TRUE(WriteUserSettings(first, reports.fn()));
    std::string bytes = dir.Read("krv.ini");
    EXPECT_EQ(bytes, BuildUserSettingsText(first));
    EXPECT_EQ(bytes.substr(0, 14), "Version=1.42\r\n");

    reports.messages.clear();
    Settings second = Read(dir, reports).settings;
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
    EXPECT_EQ(second, first) << c.save;
    // And writing again gives the same bytes.
    EXPECT_EQ(BuildUserSettingsText(second), bytes);
  }
}

TEST(Settings, WritingReplacesTheFileAndLeavesNoTemporaryFile) {
  TempDir dir;
  dir.Write("krv.cfg", "");
  dir.Write("KRV.INI", std::string(5000, '#'));
  Reports reports;
  Settings s = Read(dir, reports).settings;
  EXPECT_EQ(reports.messages.size(), 1u);  // the overlong line
  reports.messages.clear();
  s.SkipText = true;
  ASSERT_TRUE(WriteUserSettings(s, reports.fn()));
  EXPECT_TRUE(reports.messages.empty());
  EXPECT_EQ(dir.Read("KRV.INI"), BuildUserSettingsText(s));  // the existing spelling reused
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"KRV.INI", "krv.cfg"}));
}

TEST(Settings, AFailedWriteIsReportedAndKeepsTheOldFile) {
  TempDir dir;
  Settings s;
  s.StartFolder = dir.str() + "/gone";
  Reports reports;
  EXPECT_FALSE(WriteUserSettings(s, reports.fn()));
  ASSERT_EQ(reports.messages.size(), 1u);
  EXPECT_EQ(reports.messages[0].find(J("設定ファイルkrv.iniを保存できませんでした。")), 0u);
  EXPECT_NE(reports.messages[0].find("/gone/krv.ini"), std::string::npos);

  // A folder in the way: nothing is replaced, nothing is left behind.
  std::filesystem::create_directories(dir.path() / "game" / "krv.ini" / "inside");
  s.StartFolder = dir.str() + "/game";
  reports.messages.clear();
  EXPECT_FALSE(WriteUserSettings(s, reports.fn()));
  EXPECT_EQ(reports.messages.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "game" / "krv.ini" / "inside"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "game" / "krv.ini.tmp"));
}

// --- bad krv.ini --------------------------------------------------------------

TEST(Settings, BinaryUserSettingsAreReportedAndReadAsMissing) {
  TempDir dir;
  dir.Write("krv.cfg", "DefaultFont0=Candidate\r\nBGDarkness=1\r\n");
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  dir.Write("krv.ini", binary);
  Reports reports;
  ConfigReadResult r = Read(dir, reports);
  ASSERT_FALSE(r.exitProgram);
  ASSERT_EQ(reports.messages.size(), 1u);
  EXPECT_EQ(reports.messages[0],
            J("設定ファイルkrv.iniはテキストファイルではありません。既定の設定で続けます。\n"
              "元のファイルは終了時に krv.ini.bak として残します。"));
  EXPECT_FALSE(r.settings.UserSettingsRead);
  EXPECT_EQ(r.settings.DefaultFont[0], "Candidate");  // as without krv.ini
  EXPECT_TRUE(r.settings.BGDarkness);
  EXPECT_TRUE(r.settings.EnableMusic);
}

TEST(Settings, AnUnreadableUserFileIsKeptBesideTheNewOne) {
  // The reader's settings with one NUL byte, or grown past the limit: the
  // file is kept as krv.ini.bak, once, and a new krv.ini is written.
  for (const std::string& bytes : {std::string("SavePath=mine\\\r\nFont0=Mine\0\r\n", 30),
                                   "SavePath=mine\\\r\n" + std::string(kMaxConfigFileBytes, 'x')}) {
    TempDir dir;
    dir.Write("krv.cfg", "");
    dir.Write("krv.ini", bytes);
    Reports reports;
    ConfigReadResult r = Read(dir, reports);
    EXPECT_TRUE(r.settings.UserSettingsUnreadable);
    EXPECT_TRUE(reports.Mentions(J("krv.ini.bak")));
    ASSERT_TRUE(WriteUserSettings(r.settings, {}));
    ASSERT_TRUE(WriteUserSettings(r.settings, {}));  // a second write keeps the copy
    EXPECT_EQ(dir.Read("krv.ini.bak"), bytes);
    EXPECT_EQ(dir.Read("krv.ini"), BuildUserSettingsText(r.settings));
  }
}

TEST(Settings, HugeOrUnreadableUserSettingsAreReported) {
  {
    TempDir dir;
    dir.Write("krv.cfg", "");
    dir.Write("krv.ini", std::string(kMaxConfigFileBytes + 10, 'A'));
    Reports reports;
    EXPECT_FALSE(Read(dir, reports).settings.UserSettingsRead);
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_TRUE(reports.Mentions(J("テキストファイルではありません")));
  }
  {
    TempDir dir;
    dir.Write("krv.cfg", "");
    std::filesystem::create_directory(dir.path() / "krv.ini");
    Reports reports;
    EXPECT_FALSE(Read(dir, reports).settings.UserSettingsRead);
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(reports.messages[0],
              J("設定ファイルkrv.iniを読み込めません。既定の設定で続けます。"));
  }
}

TEST(Settings, OverlongLinesAreSkippedAndTheRestIsRead) {
  TempDir dir;
  dir.Write("krv.cfg", "");
  dir.Write("krv.ini", "BGDarkness=1\r\nSavePath=" + std::string(100000, 'x') +
                           "\r\nEnableMusic=0\r\nEnableSound=0\r\nHighSpeedText=1\r\nSkipText=1\r\n"
                           "Font0=" +
                           std::string(5000, 'f') + "\r\nFont1=Kept\r\n");
  Reports reports;
  Settings s = Read(dir, reports).settings;
  EXPECT_TRUE(s.BGDarkness);
  EXPECT_EQ(s.SavePath, "");
  EXPECT_FALSE(s.EnableMusic);
  EXPECT_TRUE(s.SkipText);
  EXPECT_EQ(s.FontTable[0], DefaultMessageFont());
  EXPECT_EQ(s.FontTable[1], "Kept");
  ASSERT_EQ(reports.messages.size(), 1u);
  EXPECT_NE(reports.messages[0].find(J("2行目が長すぎる")), std::string::npos);
  EXPECT_NE(reports.messages[0].find(J("7行目が長すぎる")), std::string::npos);
}

TEST(Settings, EveryTruncationOfAWrittenFileReadsWithoutHarm) {
  Settings full;
  full.BGDarkness = true;
  full.SavePath = J("セーブ\\");
  full.EnableMusic = false;
  full.EnableSound = false;
  full.HighSpeedText = true;
  full.SkipText = true;
  full.DebugMode = true;
  full.EnableAllDrive = true;
  full.FontTable = {J("ＭＳ 明朝"), "B",      "C",        J("ＭＳ Ｐゴシック"),
                    "Marlett",      "Symbol", "Wingdings"};
  const std::string bytes = BuildUserSettingsText(full);
  for (size_t len = 0; len <= bytes.size(); ++len) {
    TempDir dir;
    dir.Write("krv.cfg", "");
    dir.Write("krv.ini", bytes.substr(0, len));
    Reports reports;
    ConfigReadResult r = Read(dir, reports);
    ASSERT_FALSE(r.exitProgram);
    const Settings& s = r.settings;
    EXPECT_TRUE(s.UserSettingsRead);
    EXPECT_LE(reports.messages.size(), 1u) << len;
    // Every numeric key is either read right or its default, reported.
    struct Key {
      const char* name;
      bool value, fallback, full;
    } keys[] = {{"BGDarkness", s.BGDarkness, false, true},
                {"EnableMusic", s.EnableMusic, true, false},
                {"EnableSound", s.EnableSound, true, false},
                {"HighSpeedText", s.HighSpeedText, false, true},
                {"SkipText", s.SkipText, false, true}};
    for (const auto& k : keys) {
      std::string line = std::string(k.name) + "=" + (k.full ? "1" : "0");
      bool complete = bytes.substr(0, len).find(line) != std::string::npos;
      EXPECT_EQ(k.value, complete ? k.full : k.fallback) << k.name << " at " << len;
      if (!complete) {
        EXPECT_TRUE(reports.Mentions(k.name)) << k.name << " at " << len;
      }
    }
    // A text value is a prefix of the written one, never with half a character.
    for (int i = 0; i < 4; ++i) {
      const std::string& f = s.FontTable[i];
      if (f == DefaultMessageFont()) continue;
      EXPECT_EQ(full.FontTable[i].substr(0, f.size()), f) << len;
      EXPECT_EQ(cp932::ToUtf8(f).find("\uFFFD"), std::string::npos) << len;
    }
  }
}

TEST(Settings, BinaryGameConfigIsReportedButDoesNotEndTheProgram) {
  TempDir dir;
  dir.Write("krv.cfg", std::string("\0\0\0\x01", 4));
  Reports reports;
  ConfigReadResult r = Read(dir, reports);
  EXPECT_FALSE(r.exitProgram);
  ASSERT_EQ(reports.messages.size(), 1u);
  EXPECT_EQ(reports.messages[0],
            J("設定ファイルkrv.cfgはテキストファイルではありません。既定の設定で続けます。"));
  EXPECT_EQ(r.settings.DarknessRate, 32);
}

// --- installation folder -----------------------------------------------------

TEST(Settings, TheInstallationFolderBecomesTheStartFolder) {
  TempDir home, launch, install;
  home.Write("korvana/install-paths",
             "# Korvana installation folders\n"
             "other=/nowhere\n"
             "sample=" +
                 install.str() +
                 "\n"
                 "SAMPLE=/second/wins/not\n");
  InstallStore store(home.str() + "/korvana/install-paths");
  launch.Write("krv.cfg", "ProgramID=Sample\r\nIcon=from-launch.bmp\r\n");
  launch.Write("krv.ini", "SavePath=launch\\\r\n");
  install.Write("krv.cfg", "Icon=from-install.bmp\r\n");
  install.Write("krv.ini",
                "BGDarkness=1\r\nSavePath=install\\\r\nEnableMusic=1\r\n"
                "EnableSound=1\r\nHighSpeedText=0\r\nSkipText=0\r\n");
  Reports reports;
  Settings s = Read(launch, reports, &store).settings;
  EXPECT_TRUE(reports.messages.empty());
  EXPECT_EQ(s.InstallFolder, install.str());
  EXPECT_EQ(s.StartFolder, install.str());
  EXPECT_EQ(s.Icon, "from-launch.bmp");  // krv.cfg was loaded before the change
  EXPECT_EQ(s.SavePath, "install\\");    // krv.ini comes from the start folder
  EXPECT_TRUE(s.BGDarkness);
  EXPECT_EQ(UserSettingsPath(s), install.str() + "/krv.ini");
}

TEST(Settings, InstallationFolderProblems) {
  TempDir home, launch;
  launch.Write("krv.cfg", "ProgramID=Sample\r\n");
  {  // no store, no entry, no ProgramID: silently the current folder
    InstallStore none(home.str() + "/absent");
    Reports reports;
    EXPECT_EQ(Read(launch, reports, &none).settings.StartFolder, launch.str());
    EXPECT_TRUE(reports.messages.empty());
    home.Write("store", "Other=/x\n");
    InstallStore noEntry(home.str() + "/store");
    EXPECT_EQ(Read(launch, reports, &noEntry).settings.StartFolder, launch.str());
    EXPECT_EQ(Read(launch, reports, nullptr).settings.StartFolder, launch.str());
    EXPECT_TRUE(reports.messages.empty());
  }
  {  // the folder does not exist
    home.Write("store2", "Sample=" + home.str() + "/not-there\n");
    InstallStore store(home.str() + "/store2");
    Reports reports;
    Settings s = Read(launch, reports, &store).settings;
    EXPECT_EQ(s.StartFolder, launch.str());
    EXPECT_EQ(s.InstallFolder, home.str() + "/not-there");
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(reports.messages[0].find(J("インストールフォルダが見つかりません。")), 0u);
  }
  {  // an unreadable store: one report, then as if empty
    std::filesystem::create_directories(home.path() / "dirstore");
    InstallStore store(home.str() + "/dirstore");
    Reports reports;
    Settings s = Read(launch, reports, &store).settings;
    EXPECT_EQ(s.StartFolder, launch.str());
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(reports.messages[0].find(J("インストール先の記録を読み込めません。")), 0u);
    EXPECT_NE(reports.messages[0].find("/dirstore"), std::string::npos);
  }
  {  // without a ProgramID the store is never read
    TempDir bare;
    bare.Write("krv.cfg", "Icon=x\r\n");
    InstallStore store(home.str() + "/dirstore");
    Reports reports;
    EXPECT_EQ(Read(bare, reports, &store).settings.StartFolder, bare.str());
    EXPECT_TRUE(reports.messages.empty());
  }
}

TEST(Settings, ARelativeInstallationFolderIsTakenFromTheCurrentFolder) {
  TempDir launch;
  launch.Write("krv.cfg", "ProgramID=p\r\n");
  launch.Write("data/krv.ini", "SavePath=rel\\\r\n");
  launch.Write("store", "p=data\n");
  InstallStore store(launch.str() + "/store");
  Reports reports;
  Settings s = Read(launch, reports, &store).settings;
  EXPECT_EQ(s.StartFolder, launch.str() + "/data");
  EXPECT_EQ(s.SavePath, "rel\\");
}

// --- fonts and the save folder ------------------------------------------------

TEST(Settings, FontCandidatesTakeTheFirstInstalledName) {
  TempDir dir;
  dir.Write("krv.cfg",
            Lines({"DefaultFont0=ＭＳ 明朝, IPAMincho ,IPAGothic", "DefaultFont1=Nothing,Installed",
                   "DefaultFont2=", "DefaultFont3=ipagothic", "DefaultFont5=,,IPAGothic",
                   "DefaultFont6=None1,None2"}));
  Reports reports;
  Settings s = Read(dir, reports).settings;
  ResolveFontCandidates(s, std::vector<std::string>{"IPAMincho", "IPAGothic", "Installed"});
  EXPECT_EQ(s.FontTable[0], "IPAMincho");  // first name not installed, second is
  EXPECT_EQ(s.FontTable[1], "Installed");
  EXPECT_EQ(s.FontTable[2], DefaultMessageFont());  // no list
  EXPECT_EQ(s.FontTable[3], "ipagothic");           // found without regard to case, kept as listed
  EXPECT_EQ(s.FontTable[4], "Marlett");
  EXPECT_EQ(s.FontTable[5], "IPAGothic");
  EXPECT_EQ(s.FontTable[6], "Wingdings");  // nothing installed: keeps its name
}

TEST(Settings, SavedFontsWinOnceUserSettingsExist) {
  TempDir dir;
  dir.Write("krv.cfg", "DefaultFont0=IPAGothic\r\nDefaultFont4=IPAGothic\r\n");
  dir.Write("krv.ini", "Font0=Mine\r\n");
  Reports reports;
  Settings s = Read(dir, reports).settings;
  ResolveFontCandidates(s, [](std::string_view) { return true; });
  EXPECT_EQ(s.FontTable[0], "Mine");
  EXPECT_EQ(s.FontTable[4], "IPAGothic");
}

TEST(Settings, SaveFolderFromTheChosenFileName) {
  struct Case {
    std::string name, folder;
  } cases[] = {
      {"/home/me/saves/data0.hfd", "/home/me/saves/"},
      {"C:\\Games\\save\\data0.hfd", "C:\\Games\\save\\"},
      {"data0.hfd", ""},
      {"/data0.hfd", "/"},
      {J("/セーブ/表"), J("/セーブ/")},  // "表" ends in 0x5C: no separator
  };
  for (const auto& c : cases) EXPECT_EQ(SaveFolderFromChosenFile(c.name), c.folder) << c.name;
}

TEST(InstallStore, PathFollowsTheXdgRules) {
  EXPECT_EQ(InstallStorePathFrom("/x/conf", "/home/me"), "/x/conf/korvana/install-paths");
  EXPECT_EQ(InstallStorePathFrom("/x/conf/", "/home/me"), "/x/conf/korvana/install-paths");
  EXPECT_EQ(InstallStorePathFrom("relative", "/home/me"), "/home/me/.config/korvana/install-paths");
  EXPECT_EQ(InstallStorePathFrom("", "/home/me"), "/home/me/.config/korvana/install-paths");
  EXPECT_EQ(InstallStorePathFrom(nullptr, "/home/me"), "/home/me/.config/korvana/install-paths");
  EXPECT_EQ(InstallStorePathFrom(nullptr, nullptr), "");
  EXPECT_EQ(InstallStorePathFrom(nullptr, ""), "");
}

TEST(InstallStore, LooksUpTheProgramId) {
  TempDir dir;
  dir.Write("store",
            "# comment\r\n\r\nGame=/games/one\r\nゲーム=/games/日本語 フォルダ\r\n"
            "Spaced= /games/two \r\n");
  InstallStore store(dir.str() + "/store");
  Reports reports;
  EXPECT_EQ(store.Lookup("game", reports.fn()), "/games/one");
  EXPECT_EQ(store.Lookup(J("ゲーム"), reports.fn()), "/games/日本語 フォルダ");
  EXPECT_EQ(store.Lookup("Spaced", reports.fn()), " /games/two ");
  EXPECT_EQ(store.Lookup("missing", reports.fn()), "");
  EXPECT_EQ(store.Lookup("", reports.fn()), "");
  EXPECT_EQ(InstallStore("").Lookup("game", reports.fn()), "");
  EXPECT_TRUE(reports.messages.empty());

  dir.Write("binary", std::string("Game=/x\0", 8));
  EXPECT_EQ(InstallStore(dir.str() + "/binary").Lookup("Game", reports.fn()), "");
  EXPECT_EQ(reports.messages.size(), 1u);
}

}  // namespace
}  // namespace korvana::config
