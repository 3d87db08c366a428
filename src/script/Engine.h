#pragma once
// The engine object: owns what the main window owns (the loaded script, the
// interpreter state, the text state, the input flags) and wires the
// subsystems together. The logic lives in the subsystems.
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "expr/Evaluator.h"
#include "expr/FlagStore.h"
#include "graphics/Picture.h"
#include "platform/Platform.h"
#include "script/CommandTable.h"
#include "script/ProgState.h"
#include "script/Report.h"
#include "script/ScriptFile.h"
#include "text/ClickState.h"
#include "text/TextOutput.h"
#include "text/TextState.h"
#include "text/Waits.h"

namespace korvana {

// What the engine takes from the settings.
struct EngineSettings {
  bool debugMode = false;
  bool backgroundDarkness = true;
  std::string dataPath;
};

class Engine : public ErrorSink, public SystemValues, public InputSink {
 public:
  static constexpr double kVersion = 1.42;
  static constexpr int32_t kVersionNumber = 142;

  Engine(Platform& platform, FlagStore& flags, EngineSettings settings = {});
  ~Engine() override;

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

 private:
  void RegisterCommands();
  void RegisterFlowCommands();
  void RegisterFlagCommands();
  void RegisterSystemCommands();
  void RunLine(std::string_view raw);
  void ServeRequest();
  void AssignFlag(const std::string& name);
  void UpdateFlagRow(int index);
  void RebuildFlagRows();
  int32_t FindEndMarker(std::string_view marker, int32_t start);
  std::string MessageDetail(const std::string& message) const;

  std::unique_ptr<TextOutput> textOutput_;
  ScrollDisplay scrollDisplay_;
  std::mt19937 random_;
  int commandDepth_ = 0;
};

}  // namespace korvana
