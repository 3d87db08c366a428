// What each pad button does, as the reader's settings file keeps it: one
// "Pad<button>=<action>" line per button, read back as written, and a value
// that is no action makes the file damaged as any bad value does.
#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "config/PadMapping.h"
#include "config/ReaderSettings.h"

namespace korvana::config {
namespace {

TEST(PadMapping, EveryActionNameReadsBackAsItself) {
  for (size_t i = 0; i < kPadActionNames.size(); ++i) {
    const auto action = static_cast<PadAction>(i);
    EXPECT_EQ(ParsePadAction(PadActionName(action)), action);
  }
  EXPECT_EQ(ParsePadAction("jump"), std::nullopt);
  EXPECT_EQ(ParsePadAction(""), std::nullopt);
}

TEST(PadMapping, TheFileHoldsOneKeyPerButton) {
  const struct {
    const char* what;
    std::string bytes;
    bool damaged;
    PadButton button;
    PadAction action;
  } rows[] = {
      {"a button given another action", "PadA=auto\n", false, PadButton::A, PadAction::Auto},
      {"case and blanks", "padstart = LOAD\n", false, PadButton::Start, PadAction::Load},
      {"the d-pad turned", "PadUp=down\n", false, PadButton::Up, PadAction::Down},
      {"a button switched off", "PadY=none\n", false, PadButton::Y, PadAction::None},
      {"no pad line: the default", "AutoBaseMs=900\n", false, PadButton::LT, PadAction::Skip},
      {"an action that is not there", "PadB=jump\n", true, PadButton::B, PadAction::Menu},
      {"an empty action", "PadRT=\n", true, PadButton::RT, PadAction::Auto},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    test::TempDir dir;
    const std::string path = dir.Write("korvana/settings.ini", r.bytes);
    int reports = 0;
    ReaderSettingsFile file(path);
    const ReaderSettings read = file.Load([&](const std::string&) { ++reports; });
    EXPECT_EQ(reports, r.damaged ? 1 : 0);
    EXPECT_EQ(std::filesystem::exists(path + ".bak"), r.damaged);
    EXPECT_EQ(ActionOf(read.pad, r.button), r.action);
  }
}

TEST(PadMapping, AChangedMappingSurvivesSavingAndTheDefaultsAddNothing) {
  test::TempDir dir;
  const std::string path = dir.Write("korvana/settings.ini", "# mine\n");
  ReaderSettingsFile file(path);
  ReaderSettings settings = file.Load(nullptr);
  ASSERT_TRUE(file.Save(settings));
  // A reader who never touched the pad finds no pad lines in the file.
  EXPECT_EQ(dir.Read("korvana/settings.ini").find("Pad"), std::string::npos);

  settings.pad[static_cast<size_t>(PadButton::A)] = PadAction::Auto;
  settings.pad[static_cast<size_t>(PadButton::Right)] = PadAction::None;
  ASSERT_TRUE(file.Save(settings));
  const std::string bytes = dir.Read("korvana/settings.ini");
  EXPECT_NE(bytes.find("\nPadA=auto\n"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("\nPadRight=none\n"), std::string::npos) << bytes;
  EXPECT_EQ(ReaderSettingsFile(path).Load(nullptr), settings);

  // Put back as it came, a line the file already has is written again.
  settings.pad = DefaultPadMapping();
  ASSERT_TRUE(file.Save(settings));
  EXPECT_NE(dir.Read("korvana/settings.ini").find("\nPadA=click\n"), std::string::npos);
  EXPECT_EQ(ReaderSettingsFile(path).Load(nullptr), settings);
}

}  // namespace
}  // namespace korvana::config
