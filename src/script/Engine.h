#pragma once
// The engine object: owns what the main window owns (the loaded script, the
// interpreter state, the text state, the input flags) and wires the
// subsystems together. The logic lives in the subsystems.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "expr/Evaluator.h"
#include "expr/FlagStore.h"
#include "graphics/Layers.h"
#include "graphics/Picture.h"
#include "platform/Platform.h"
#include "script/CommandTable.h"
#include "script/ProgState.h"
#include "script/Report.h"
#include "script/ScriptFile.h"
#include "text/ClickState.h"
#include "text/Glyphs.h"
#include "text/LogScreen.h"
#include "text/MessageLog.h"
#include "text/MessageText.h"
#include "text/TextOutput.h"
#include "text/TextState.h"
#include "text/Waits.h"

namespace korvana {

// What the engine takes from the settings.
struct EngineSettings {
  bool debugMode = false;
  bool backgroundDarkness = true;
  int32_t darknessRate = 32;  // 0 to 256
  int32_t textHideMode = 0;
  std::string dataPath;
  // Message text: the faces of font slots 0 to 6, the candidate lists
  // resolved against the installed faces at start, the click marker and log
  // backdrop pictures, the size in bytes of the read-text record (none when
  // not configured) and the reading modes the player left.
  std::array<std::string, 7> fontTable = config::InitialFontTable();
  std::array<std::string, 7> defaultFont;
  std::string icon;
  std::string tile;
  // Picture shown as the background at start and at the return to the title.
  std::string background;
  std::optional<int> textMaxIndex;
  bool highSpeedText = false;
  bool pageUnitText = false;
};

class Engine : public ErrorSink, public SystemValues, public InputSink {
 public:
  static constexpr double kVersion = 1.42;
  static constexpr int32_t kVersionNumber = 142;

  Engine(Platform& platform, FlagStore& flags, EngineSettings settings = {});
  ~Engine() override;

  // Takes the settings read at start (fonts, reading modes, pictures of the
  // marker and the log) before the story runs.
  void ApplySettings(EngineSettings newSettings);

  // The part of start-up done while the window is created: the script key,
  // every flag "0", the random generator.
  void Initialize();
  // The first idle moment: choose the start script and run the story.
  // Returns when the script run ends (the window then stays open).
  void StartEngine();
  // Chooses "autorun.txt" (or lets the player pick a script) and loads it.
  void ChooseStartScript();
  void RunScript();

  // Loads a script and resets the interpreter position; the caller sets
  // ProgFileName.
  void LoadScript(const std::string& name);
  void ExecuteCommand(std::string_view line);

  // ErrorSink
  void ScriptError(const std::string& message) override;
  void ReportScriptError(const std::string& message) override;
  // SystemValues
  int32_t SystemValue(int index) override;
  // InputSink
  void OnMouseDown(int x, int y, MouseButton button) override;
  void OnMouseUp(int x, int y, MouseButton button) override;
  void OnClick(int x, int y) override;
  void OnMouseMove(int x, int y) override;
  void OnKey(Key key) override;
  void OnTimer1() override;
  void OnWheel(int x, int y, int delta) override;
  void OnCtrl(bool down) override;
  bool OnCloseRequest() override;

  // Writes settings, global flags and the read-text record, then ends the
  // program with exit code 0 (unwinds with EngineExit).
  [[noreturn]] void ExitWithSaving();

  // The debug window's state dump, one line each.
  std::vector<std::string> StateDump() const;

  // Hook for the staff-roll display: lines, first argument, colour
  // (0x00BBGGRR), third, fourth, style.
  using ScrollDisplay = std::function<void(const std::vector<std::string>&, int32_t, uint32_t,
                                           int32_t, int32_t, int32_t)>;
  void SetScrollDisplay(ScrollDisplay display) { scrollDisplay_ = std::move(display); }

  Platform& platform;
  FlagStore& flags;
  EngineSettings settings;
  ProgState prog;
  ScriptFile script;
  TextState text;
  ClickState click;
  Evaluator eval;
  // The visible screen, and the composed scene under the message text. The
  // platform shows BackImage and is told when it changed.
  Picture BackImage{640, 480};
  Picture WorkScreen{640, 480};
  // The message window: its picture (black where empty) and mask (white
  // where the scene shows through).
  Picture MessageImage{640, 480, 0x000000};
  Picture MessageMask{640, 480, 0xFFFFFF};
  Waits waits;
  CommandTable commands;
  int32_t ScriptKey = kDefaultScriptKey;
  int32_t CurrentTextId = -1;
  int32_t PendingRequest = 0;
  // The debug window's lists: errors answered "continue" and flag values.
  std::vector<std::string> ErrList;
  std::vector<std::string> ValList;
  // Switches of the system commands.
  bool DarknessSuppressed = false;
  bool PopupDisabled = false;
  bool SaveDisabled = false;
  bool LogDisabled = false;
  int32_t CursorKind = 1;
  int mouseX = 0, mouseY = 0;
  // Tick count of the last `_waitset`; 0 before the first.
  uint32_t waitReference = 0;
  // Lines executed so far (for tools and benchmarks).
  uint64_t executedLines = 0;
  // Background, objects, effect, sprites and their composition.
  Layers layers;
  // The pop-up menu's darkness switch and its two views: the picture without
  // the message window, and the message window alone.
  void ToggleDarkness() { layers.ToggleDarkness(); }
  void ShowPictureOnlyView() { layers.ShowPictureOnlyView(); }
  void ShowMessageOnlyView() { layers.ShowMessageOnlyView(text.TextColor); }
  // Message text, its log and the log screen.
  FontLibrary fonts;
  MessageLog log{LogDisabled};
  MessageText messageText;
  LogScreen logScreen;

  // The menu action "前の文章を読む".
  void ShowLogScreen() { logScreen.ShowLogScreen(); }
  // The menu toggles "高速文字表示" and "ページ単位表示", and "読んだ文章を飛ばす".
  void ToggleHighSpeed();
  void TogglePageUnit();
  void StartSkipRead();

 private:
  void RegisterCommands();
  void RegisterFlowCommands();
  void RegisterFlagCommands();
  void RegisterSystemCommands();
  void RegisterLayerCommands();
  // The font step of the start: faces resolved, click marker, read-text
  // record, reading-mode menu items.
  void StartText();
  void RunLine(std::string_view raw);
  void ServeRequest();
  void AssignFlag(const std::string& name);
  void UpdateFlagRow(int index);
  void RebuildFlagRows();
  int32_t FindEndMarker(std::string_view marker, int32_t start);
  // Missing end markers already reported in this script: (line, marker).
  std::set<std::pair<int32_t, std::string>> missingMarkers_;
  std::string MessageDetail(const std::string& message) const;

  TextOutput* textOutput_ = nullptr;
  ScrollDisplay scrollDisplay_;
  std::mt19937 random_;
  int commandDepth_ = 0;
};

}  // namespace korvana
