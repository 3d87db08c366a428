// The reader's own settings file: what it reads, what it keeps when written
// again, and what becomes of a damaged one.
#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "config/ReaderSettings.h"

namespace korvana::config {
namespace {

TEST(ReaderSettings, ReadsItsKeysAndCallsAnythingElseDamaged) {
  ReaderSettings changed;
  changed.autoBaseMs = 2000;
  changed.autoPerCharMs = 0;
  changed.skipStopsAtChoices = false;
  changed.skipUnread = true;
  changed.autoSaves = false;
  changed.reloadOnChange = false;
  const struct {
    const char* what;
    std::string bytes;
    bool damaged;
    ReaderSettings expected;
  } cases[] = {
      {"empty", "", false, {}},
      {"every key, CR LF, blanks and case",
       "autobasems = 2000\r\nAutoPerCharMs=0\r\nSkipStopsAtChoices=OFF\r\nSkipUnread= on\r\n"
       "AUTOSAVES=off\r\nreloadonchange=off\r\n",
       false, changed},
      {"comments, blank lines and keys of a newer version",
       "# mine\n\n; also mine\nVoiceVolume=80\nAutoBaseMs=2000\n", false,
       [] {
         ReaderSettings s;
         s.autoBaseMs = 2000;
         return s;
       }()},
      {"UTF-8 in an unknown key's value", "Title=月の夜\n", false, {}},
      {"the display switches", "ScalingSmooth=on\nscalingfit=ON\n", false,
       [] {
         ReaderSettings s;
         s.scalingSmooth = true;
         s.scalingFit = true;
         return s;
       }()},
      {"a display switch that is neither on nor off", "ScalingFit=1\n", true, {}},
      {"a line without =", "AutoBaseMs=2000\ngarbage\n", true, {}},
      {"a number out of range", "AutoBaseMs=60001\n", true, {}},
      {"a negative time", "AutoPerCharMs=-1\n", true, {}},
      {"a switch that is neither on nor off", "SkipUnread=yes\n", true, {}},
      {"a later line of a key with a bad value", "SkipUnread=on\nSkipUnread=maybe\n", true, {}},
      {"a NUL byte", std::string("AutoBaseMs=1\0\n", 14), true, {}},
      {"CP932 bytes", "Title=\x8C\x8E\n", true, {}},
      {"an overlong UTF-8 form", "Title=\xC0\xAF\n", true, {}},
      {"a UTF-8 surrogate", "Title=\xED\xA0\x80\n", true, {}},
      {"larger than the limit", std::string(kMaxReaderSettingsBytes + 1, '#'), true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string path = dir.Write("korvana/settings.ini", c.bytes);
    int reports = 0;
    ReaderSettingsFile file(path);
    EXPECT_EQ(file.Load([&](const std::string&) { ++reports; }), c.expected);
    EXPECT_EQ(reports, c.damaged ? 1 : 0);
    EXPECT_EQ(std::filesystem::exists(path + ".bak"), c.damaged);
    EXPECT_EQ(std::filesystem::exists(path), !c.damaged);
  }
}

TEST(ReaderSettings, SpeechAndTextOutKeysTakeTheirWordsAndRanges) {
  const struct {
    const char* what;
    std::string bytes;
    bool damaged;
    std::string voice;
    int32_t rate;
    std::string target, path;
    int32_t port;
  } cases[] = {
      {"the defaults", "", false, "", 0, "clipboard", "", 7357},
      {"every key",
       "SpeechVoice=Japanese Female 1\nSpeechRate=-10\nTextOutTarget=WebSocket\n"
       "TextOutPath=/tmp/読み 1.txt\nTextOutPort=65535\n",
       false, "Japanese Female 1", -10, "websocket", "/tmp/読み 1.txt", 65535},
      {"the file target", "TextOutTarget=file\nSpeechRate=10\n", false, "", 10, "file", "", 7357},
      {"a rate too fast", "SpeechRate=11\n", true, "", 0, "clipboard", "", 7357},
      {"a target there is not", "TextOutTarget=printer\n", true, "", 0, "clipboard", "", 7357},
      {"port 0", "TextOutPort=0\n", true, "", 0, "clipboard", "", 7357},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string path = dir.Write("korvana/settings.ini", c.bytes);
    ReaderSettingsFile file(path);
    int reports = 0;
    const ReaderSettings read = file.Load([&](const std::string&) { ++reports; });
    EXPECT_EQ(reports, c.damaged ? 1 : 0);
    EXPECT_EQ(read.speechVoice, c.voice);
    EXPECT_EQ(read.speechRate, c.rate);
    EXPECT_EQ(read.textOutTarget, c.target);
    EXPECT_EQ(read.textOutPath, c.path);
    EXPECT_EQ(read.textOutPort, c.port);
    // What is written reads back the same.
    ASSERT_TRUE(file.Save(read));
    EXPECT_EQ(ReaderSettingsFile(path).Load(nullptr), read);
  }
}

TEST(ReaderSettings, WritingKeepsWhatItDoesNotKnowInItsPlace) {
  test::TempDir dir;
  const std::string path = dir.Write(
      "korvana/settings.ini",
      "# the reader's notes\nVoiceVolume=80\nskipunread=on\nSkipUnread=off\nTitle=月の夜\n");
  ReaderSettingsFile file(path);
  ReaderSettings settings = file.Load(nullptr);
  EXPECT_TRUE(settings.skipUnread);  // the first of two lines counts
  settings.autoBaseMs = 900;
  settings.skipUnread = false;
  ASSERT_TRUE(file.Save(settings));
  EXPECT_EQ(
      dir.Read("korvana/settings.ini"),
      "# the reader's notes\nVoiceVolume=80\nSkipUnread=off\n\nTitle=月の夜\n"
      "AutoBaseMs=900\nAutoPerCharMs=40\nSkipStopsAtChoices=on\nAutoSaves=on\n"
      "ScalingSmooth=off\nScalingFit=off\n"
      "SpeechVoice=\nSpeechRate=0\nTextOutTarget=clipboard\nTextOutPath=\nTextOutPort=7357\n"
      "SpeechOn=off\n");
  // What was written reads back the same.
  EXPECT_EQ(ReaderSettingsFile(path).Load(nullptr), settings);
  // The author's switch is added once it is turned off, and stays.
  settings.reloadOnChange = false;
  ASSERT_TRUE(file.Save(settings));
  EXPECT_EQ(ReaderSettingsFile(path).Load(nullptr), settings);
  const std::string added = "\nReloadOnChange=off\n";
  const std::string written = dir.Read("korvana/settings.ini");
  ASSERT_GE(written.size(), added.size());
  EXPECT_EQ(written.substr(written.size() - added.size()), added);
}

TEST(ReaderSettings, ADamagedFileIsKeptAsBakAndReportedOnce) {
  test::TempDir dir;
  const std::string path = dir.Write("korvana/settings.ini", "AutoBaseMs=soon\n");
  dir.Write("korvana/settings.ini.bak", "an older backup\n");
  std::vector<std::string> reports;
  auto report = [&](const std::string& message) { reports.push_back(message); };
  ReaderSettingsFile file(path);
  EXPECT_EQ(file.Load(report), ReaderSettings{});
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find(path + ".bak"), std::string::npos) << reports[0];
  EXPECT_EQ(dir.Read("korvana/settings.ini.bak"), "AutoBaseMs=soon\n");
  // The next start finds no file and says nothing; saving makes a good one.
  EXPECT_EQ(file.Load(report), ReaderSettings{});
  EXPECT_EQ(reports.size(), 1u);
  ASSERT_TRUE(file.Save(ReaderSettings{}));
  EXPECT_EQ(ReaderSettingsFile(path).Load(report), ReaderSettings{});
  EXPECT_EQ(reports.size(), 1u);
}

TEST(ReaderSettings, SavingMakesTheFolderAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  const std::string path = dir.str() + "/config/korvana/settings.ini";
  ReaderSettingsFile file(path);
  ReaderSettings settings = file.Load(nullptr);
  settings.autoSaves = false;
  ASSERT_TRUE(file.Save(settings));
  EXPECT_EQ(ReaderSettingsFile(path).Load(nullptr), settings);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator(dir.path() / "config/korvana"))
    ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(ReaderSettings, ThePathFollowsTheXdgRules) {
  const struct {
    const char* config;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/x/config", "/home/me", "/x/config/korvana/settings.ini"},
      {"/x/config/", "/home/me", "/x/config/korvana/settings.ini"},
      {nullptr, "/home/me", "/home/me/.config/korvana/settings.ini"},
      {"relative", "/home/me", "/home/me/.config/korvana/settings.ini"},
      {"", "", ""},
      {nullptr, nullptr, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReaderSettingsPathFrom(c.config, c.home), c.expected)
        << (c.config ? c.config : "(unset)");
}

TEST(ReaderSettings, ReadingAFileHandedToARunNeverChangesIt) {
  const struct {
    const char* what;
    const char* bytes;  // null: no file
    bool read;
    int32_t autoBaseMs;
  } cases[] = {
      {"good", "# notes\nAutoBaseMs=700\nVoice=x\n", true, 700},
      {"empty", "", true, 1500},
      {"damaged", "AutoBaseMs=soon\n", false, 0},
      {"missing", nullptr, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string path = dir.str() + "/settings.ini";
    if (c.bytes) dir.Write("settings.ini", c.bytes);
    ReaderSettings read;
    read.autoBaseMs = -5;
    std::string error;
    EXPECT_EQ(ReadReaderSettings(path, read, error), c.read);
    if (c.read) {
      EXPECT_EQ(read.autoBaseMs, c.autoBaseMs);
    } else {
      EXPECT_EQ(read.autoBaseMs, -5);  // untouched
      EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    // The file stays as it was, and no backup is made.
    EXPECT_EQ(std::filesystem::exists(path), c.bytes != nullptr);
    if (c.bytes) {
      EXPECT_EQ(dir.Read("settings.ini"), c.bytes);
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".bak"));
  }
}

}  // namespace
}  // namespace korvana::config
