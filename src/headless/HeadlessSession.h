#pragma once
// `korvana --headless`: runs a game folder without a window and writes the
// requested dumps on every way the run ends.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "backends/headless/HeadlessPlatform.h"
#include "config/Settings.h"
#include "expr/FlagStore.h"
#include "script/Engine.h"
#include "script/MenuTable.h"

namespace korvana {

// One game run in this process: platform, flags and engine together. The
// game's files are found in `gameFolder` (empty: the current folder), so
// sessions of different games can run side by side.
class HeadlessSession {
 public:
  // Exit statuses beyond 0, 1 (the error report answered "terminate") and 2
  // (bad options).
  static constexpr int kNoStartScript = 3;
  static constexpr int kScriptErrors = 4;
  // The options asked for an answer the story could not take: an entry of
  // a choice that is not there or is locked, a slot with nothing to load.
  static constexpr int kStopped = 5;
  // A loop that took no virtual time and met no wait for input ran past
  // the bounds of HeadlessOptions (script lines or pump passes).
  static constexpr int kNoProgress = 6;

  // The window's pop-up menu is made from `menu` (a table of rows that
  // outlives the session).
  explicit HeadlessSession(HeadlessOptions options = {}, EngineSettings settings = {},
                           std::string gameFolder = {},
                           std::span<const MenuRow> menu = MenuTable());

  // Reads the game's configuration as the program does at start (krv.cfg,
  // krv.ini, start folder, data drive); false when the program would end
  // here (krv.cfg missing). Without it the engine runs on defaults and an
  // exit with saving writes nothing.
  bool Prepare();

  // Initializes the engine and runs the story until it ends; returns the exit
  // status (0, 1 after the error report was answered "terminate", or one of
  // the statuses above). A run that ends before the story does gets a
  // "stop" line in the transcript.
  int Run();

  HeadlessPlatform platform;
  FlagStore flags;
  Engine engine;
  // Why the run ended: "end", "exit", "terminated" or a limit's name.
  std::string endReason;
  // The run ended for a reason that is neither the story's end nor a limit.
  bool failed = false;
  // The configuration read by Prepare().
  std::optional<config::Settings> settings;
  std::string gameFolder;
  // The script the game starts with (CP932); empty for the usual choice.
  std::string startScript;

  std::vector<std::string> FlagDump() const;   // UTF-8 lines "%03d = value"
  std::vector<std::string> StateDump() const;  // UTF-8
};

struct HeadlessCommandLine {
  HeadlessOptions options;
  std::string gameDir = ".";
  std::string screenshot, dumpFlags, dumpState, transcript;
  // The reader's settings file to run with; empty: the defaults.
  std::string settings;
  // The coverage file the run's counts are added to; empty: none kept.
  std::string coverage;
  // Where the story starts (a label or FILE:LINE) and the flag dump it
  // starts with; empty: the start script's start, its own flags.
  std::string warp, flagsFile;
};

// Parses the options after "--headless"; false with `error` set when they
// are malformed. `--menu` takes the items of `menu`.
bool ParseHeadlessCommandLine(const std::vector<std::string>& args, HeadlessCommandLine& out,
                              std::string& error, std::span<const MenuRow> menu = MenuTable());

// Where a run's screenshots taken with the menu go: the folder of the
// --screenshot file, or the current folder.
std::string ScreenshotFolderFor(const std::string& screenshot);

// The whole command: finds the game (a folder, or a script in one), runs it,
// writes the outputs.
int RunHeadlessCommand(const HeadlessCommandLine& command);

extern const char kHeadlessUsage[];

}  // namespace korvana
