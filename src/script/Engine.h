#pragma once
// The engine object: owns what the main window owns (the loaded script, the
// interpreter state, the screen, the layers, the message text and its log)
// and wires the subsystems together through their narrow interfaces. The
// logic lives in the subsystems; the commands that drive them are bound in
// script/commands/.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/ReaderSettings.h"
#include "config/Settings.h"
#include "core/ClickState.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/ProgState.h"
#include "core/StoryCursor.h"
#include "core/SystemSwitches.h"
#include "core/Tokens.h"
#include "core/Waits.h"
#include "expr/Evaluator.h"
#include "graphics/Layers.h"
#include "graphics/Screen.h"
#include "platform/Platform.h"
#include "save/PageHistory.h"
#include "save/SavePoint.h"
#include "script/ScriptFile.h"
#include "script/Warp.h"
#include "select/Selection.h"
#include "select/SelectionItems.h"
#include "sound/SoundSystem.h"
#include "text/Glyphs.h"
#include "text/LogScreen.h"
#include "text/MessageLog.h"
#include "text/MessageText.h"

namespace korvana {

class CoverageRecorder;
class FlagStore;
class SaveFolder;
struct FileBatch;

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
  FontSlots fontTable = config::InitialFontTable();
  FontSlots defaultFont;
  std::string icon;
  std::string tile;
  // Picture shown as the background at start and at the return to the title.
  std::string background;
  // Played after every choice.
  std::string menuClickSound;
  // The `Kmusic` and `Ksound` switches as the player left them, and the
  // MP3 library's timing.
  bool enableMusic = true;
  bool enableSound = true;
  int32_t mp3Timing = 5;
  std::optional<int> textMaxIndex;
  // Save files: the save folder prefix (CP932) and whether flags 256-511
  // live in "data0.hfd".
  std::string savePath;
  bool globalFlagSave = true;
  bool highSpeedText = false;
  bool pageUnitText = false;
  // The font dialog's comments (`CommentFont0`-`CommentFont3`).
  std::array<std::string, 4> commentFont = config::DefaultCommentFonts();
  // The version dialog: the game's picture, its id (both CP932), the
  // installation folder when one is known and the start folder (UTF-8).
  std::string version;
  std::string programId;
  std::string installFolder;
  std::string startFolder;
  // The script the game starts with (CP932, in the start folder) when the
  // player named one; empty: "autorun.txt", or the chooser without it.
  std::string startScript;
  // The reader's own settings (settings.ini), which no game's files hold.
  config::ReaderSettings reader;
};

// The menu states the player leaves behind, written to the settings at exit.
struct PlayerChoices {
  bool backgroundDarkness = true;
  bool highSpeedText = false;
  bool pageUnitText = false;
  bool enableMusic = true;
  bool enableSound = true;
  // `FontTable` entries 0-3 as the game runs them: the candidates resolved
  // at start, then the font dialog's choice.
  std::array<std::string, 4> fonts;
};

class Engine : public ErrorSink,
               public SystemValues,
               public InputSink,
               public DebugSource,
               public TextStory {
 public:
  static constexpr double kVersion = 1.42;
  static constexpr int32_t kVersionNumber = 142;

  // `gameFolder` is where the game's files are found (UTF-8); empty for the
  // current folder.
  Engine(Platform platform, FlagStore& flags, EngineSettings settings = {},
         std::string gameFolder = {});
  // It points into itself (the running command's arguments).
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine() override;

  // Takes the settings read at start (fonts, reading modes, pictures of the
  // marker and the log) before the story runs.
  void ApplySettings(EngineSettings newSettings);
  const EngineSettings& Settings() const { return settings_; }
  // The folder the game's files are found in (the start folder of the
  // settings, or the one the script chooser moved to).
  void SetGameFolder(std::string folder);

  // The part of start-up done while the window is created: the script key,
  // every flag "0", the random generator.
  void Initialize();
  // The first idle moment: choose the start script and run the story.
  // Returns when the script run ends (the window then stays open).
  void StartEngine();
  // Chooses "autorun.txt" (or lets the player pick a script) and loads it.
  void ChooseStartScript();
  void RunScript();
  // Whether a start script was loaded (a game without one only reports).
  bool ScriptStarted() const { return scriptStarted_; }
  // Where the lines that run, the ways conditions go and the choices made
  // are counted; none (the usual case) costs a pointer test a line.
  void SetCoverage(CoverageRecorder* recorder) { coverage_ = recorder; }

  // Loads a script and resets the interpreter position; the caller sets
  // ProgFileName.
  void LoadScript(const std::string& name);
  // `scriptLine`: the index of the script line `line` was read from, when
  // it is one (its split is then kept for the next time the line runs;
  // kConditionalPart added for the command of a conditional line).
  void ExecuteCommand(std::string_view line, int32_t scriptLine = -1);

  // ErrorSink
  void ScriptError(const std::string& message) override;
  void ReportScriptError(const std::string& message) override;
  // SystemValues
  int32_t SystemValue(int index) override;
  // InputSink
  void OnMouseDown(int x, int y, MouseButton button) override;
  void OnAudioEnded(AudioChannel channel) override { sound_.OnAudioEnded(channel); }
  void OnMovieEnded() override { sound_.OnMovieEnded(); }
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
  std::vector<std::string> StateDump() const override;

  // --- the application shell's dialogs (script/ShellDialogs.cpp) -------------
  // "フォント設定": the font dialog over `FontTable` entries 0-3; OK makes the
  // choice the table and the faces of the characters still to come.
  void ChooseFonts();
  // "バージョン情報".
  void ShowVersion();
  // What the version dialog shows; `picture` receives the picture area. A
  // `Version` picture that cannot be read is reported through the error
  // handler and leaves the area empty.
  VersionInfo VersionContents(Picture& picture);
  // "デバッグモード": the debug window, when debugging is on.
  void ShowDebugWindow();
  // The application's error handler: an error that escaped to it (a library
  // exception, a failed conversion) is shown in the standard box, then
  // reported with the script's file and line.
  void ReportEscapedError(const std::string& message);
  void ReportEscapedError(const std::exception& error);

  // DebugSource: the errors answered "continue" (the latest kMostErrorLines)
  // and one line per flag.
  static constexpr size_t kMostErrorLines = 1000;
  const std::vector<std::string>& ErrorLines() const override { return errorLines_; }
  const std::vector<std::string>& ValueLines() const override { return valueLines_; }
  void SetFlagFromDebug(int index, const std::string& text) override;
  void RewriteValueLines() override;
  const Picture& BufferPicture(int index) const override;
  std::string BufferFileName(int index) const override;

  // --- the pop-up menu --------------------------------------------------------
  // "背景を暗くする" and the two views: the picture without the message
  // window, and the message window alone.
  void ToggleDarkness() { layers_.ToggleDarkness(); }
  void ShowPictureOnlyView();
  void ShowMessageOnlyView();
  // "前の文章を読む".
  void ShowLogScreen() { logScreen_.ShowLogScreen(); }
  // The log screen takes the pad's actions while it is open (true then).
  bool PadInLogScreen(config::PadAction action) { return logScreen_.PadAction(action); }
  // "音楽再生" and "効果音再生"; and the music started again after the window
  // changed its frame or went to full screen.
  void ToggleMusic() { sound_.ToggleMusic(); }
  void ToggleSound() { sound_.ToggleSound(); }
  void RestartMusic() { sound_.RestartMusic(); }
  // "高速文字表示", "ページ単位表示" and "読んだ文章を飛ばす".
  void ToggleHighSpeed();
  void TogglePageUnit();
  void StartSkipRead();
  // "タイトルへ戻る" answered OK: served between two lines.
  void RequestTitleReturn() { click_.PendingRequest = Request::Title; }
  // A game to load: its save point is restored between two lines, and a
  // text line it was saved in is shown again from where it was.
  void RequestLoad(const SavePoint& slot);
  // A load, title return or page step waits to be served: the story is
  // leaving the place where it waits.
  bool RequestPending() const { return click_.RequestPending(); }
  // A click wait or a choice is waiting for the reader.
  bool WaitingForInput() const { return messageText_.InClickWait() || selector_.Active(); }
  // The click that chose a menu entry must never continue the story.
  void ClearClicks() { click_.ClearClicks(); }
  PlayerChoices Choices() const;

  // --- the reader's comforts ("便利機能") --------------------------------------
  // "一つ前に戻る": the page before this one, restored from memory as a load
  // restores a slot; "次へ進む": the page read after it again. Each files a
  // request served between two lines; the first page has only a note.
  void GoBack();
  void GoForward();
  // Puts the story at the page one step back (-1) or forward (+1) and shows
  // it at once; false when there is none. The text line of the page is shown
  // by the caller (ResumeSavedLine), as after a load.
  bool StepPage(int delta);
  bool CanStepForward() const;
  const PageHistory& Pages() const { return pages_; }
  // "オート": click waits end by themselves while it is on. A click, a key
  // or another menu item stops it.
  void ToggleAuto();
  void StopAuto();
  // The pop-up menu stands open over the story: auto mode waits for it, and
  // starts its time again when it closes without an item chosen.
  void MenuOpened(bool open) { click_.ModalDepth += open ? 1 : -1; }
  // "クイックセーブ" and "クイックロード": slot 81, without a dialog. A quick
  // save is written as a save into any slot is; a quick load without one
  // only shows a note.
  void QuickSave();
  void QuickLoad();
  // The automatic save, into the next of slots 82 to 84: at every choice
  // before it is shown and at a normal end. Nothing is written while the
  // setting is off, while saving is disabled or before the first save
  // point; the global data is left to its own moments, and a failure is a
  // note, shown once until a save succeeds again.
  void AutoSave();
  // A host that must not write saves the reader did not ask for (the
  // headless runner, unless told) turns them off here, whatever the
  // reader's settings say.
  void AllowAutoSaves(bool allowed) { autoSavesAllowed_ = allowed; }
  // "スクリーンショット": the screen as a PNG in the machine's screenshot folder.
  void TakeScreenshot();
  // "読み上げ": each page's text is spoken at its click wait, a choice's
  // label when it takes the focus; "テキストを外部へ": each page's text
  // goes out as a line. Turned on in a click wait, the page at hand goes at
  // once. A machine that cannot speak keeps speech off with a note why.
  void ToggleSpeech();
  void ToggleTextOut();
  void SetSpeech(bool on);
  void SetTextOut(bool on);
  bool SpeechOn() const { return click_.SpeakPages; }
  bool TextOutOn() const { return click_.SendPages; }
  // A choice's entry took the focus: its label (CP932) is spoken while
  // speech is on, cutting off what was being said.
  void SpeakChoiceLabel(const std::string& label);
  // The reader's settings as the settings dialog shows and changes them.
  const config::ReaderSettings& Reader() const { return settings_.reader; }
  void SetReaderSettings(const config::ReaderSettings& reader);

  // --- saving and loading -----------------------------------------------------
  // "データ保存" and `_winsave`: the slot dialog in save mode, then the slot
  // written from the save point.
  void SaveFromDialog();
  // "データ読み込み" and `_winload`: the slot dialog in load mode; a chosen
  // slot is loaded between two lines.
  void LoadFromDialog();
  // "タイトルへ戻る": asks, and files the request when not cancelled.
  void AskTitleReturn();
  // Writes slot `number` (1 to kLastSlot) with the picture of its save point
  // and then the global flags; false when no save point exists or a file
  // could not be written (each is reported).
  bool WriteSlot(int number);
  void RequestLoadSlot(int number);
  // Reads and checks slot `number`, then replaces the running story with it;
  // a damaged slot is reported and changes nothing. The interpreter loop
  // calls it for a load request, between two lines.
  void LoadGame(int number);
  // Flags 256-511 from "data0.hfd" and the read-text record from
  // "textid.dat", at start; written back at a normal end.
  void LoadGlobalData();
  // `report`: false after a failed slot save has already named the folder.
  void SaveGlobalData(bool report = true) const;
  // The slot dialog's labels: the 80 slots a game saves into, and for
  // loading the quick and automatic saves after them.
  std::vector<SlotEntry> SlotTable(SlotMode mode = SlotMode::Save) const;

  // --- the save point ---------------------------------------------------------
  // Taken at every message-window clear while saving is allowed.
  SavePoint CaptureSavePoint() const;
  // Copies a save point back over the live state (fonts come from the table).
  void RestoreSavePoint(const SavePoint& point);
  const SavePoint& CurrentSavePoint() const { return savePoint_; }
  // TextStory
  void LineReached(int32_t column) override;
  // Also keeps the page for a step back and takes the picture a save keeps.
  void TakeSavePoint() override;
  // The screen as it is now, shrunk to the picture a save keeps beside it
  // (kThumbnailWidth × kThumbnailHeight, each pixel the average of a 4 × 4
  // block); taken with the save point.
  void CaptureThumbnail();
  const Picture& Thumbnail() const { return thumbnail_; }
  bool HasSavePoint() const override { return !savePoint_.Empty(); }
  void OfferPageSteps(bool offered) override;

  const GameFiles& Files() const { return files_; }
  // The glyph cache, for the pixel tests and the benchmarks.
  FontLibrary& Fonts() { return fonts_; }
  // The picture on the screen, for the hosts' screenshots.
  const Picture& ScreenPicture() const { return screen_.BackImage; }
  // The script file as the game named it (CP932) and the 1-based line the
  // story stands on, for the headless transcript's wait lines.
  std::pair<std::string, int64_t> StoryPlace() const {
    return {prog_.ProgFileName, int64_t{prog_.ProgExecLine} + 1};
  }

  // --- warp and step, for authors (script/EngineWarp.cpp) ---------------------
  // Before StartEngine: the story starts at `place` instead of the start
  // script's first line (the lines before it do not run; the game's
  // configuration applies as at any start), and with `flags` (all
  // FlagStore::kCount values, CP932) over what the start set.
  void StartAt(std::optional<ScriptPlace> place,
               std::optional<std::vector<std::string>> flags = std::nullopt);
  // DebugSource: the label list, the jump and the step.
  std::vector<DebugLabel> GameLabels() const override;
  bool JumpToLabel(const DebugLabel& label) override;
  void StepLine() override;
  void ContinueStory() override;
  std::string PausedAt() const override;
  // After JumpToLabel asked for it (the story had ended): runs the story on
  // from the label, as StartEngine runs it.
  void RunAgain();

  // --- the author's reload (debug mode only) ----------------------------------
  // "スクリプト再読込": reads the running script again and goes on at the same
  // line of the new text (ReloadLines.h says how a line is found); every
  // frame of the `_gosub` stack goes along. Flags, layers, sprites, music
  // and the log are left as they are. A text line waiting for a click is
  // drawn again from its start, so an edit of it shows. A new text that
  // cannot run is reported with its file and line, and the old one goes on.
  // Recorded as "reload FILE OLD → NEW" (1-based lines) or "reload FILE
  // failed: WHY". Nothing happens outside debug mode or before the story.
  void ReloadScript();
  // The running script's file (UTF-8 path), for a host that watches it;
  // empty before the story runs.
  std::string RunningScriptFile() const;
  // The file no longer holds the lines the story runs: a host's watcher asks
  // before it reloads, so that a touch or a save of the same bytes is
  // passed over.
  bool RunningScriptChanged() const;
  // Bytes read instead of a game's script file from now on, wherever the
  // story reads a script named `fileName` (case-insensitive, without a
  // folder): the headless runner's stand-in for an author's edit.
  void ReplaceScriptFile(const std::string& fileName, std::string bytes);
  // The headless runner reloads at the click waits it is told of, in debug
  // mode or not: the text lines are kept for drawing again from the start.
  void ExpectReloads() { expectReloads_ = true; }

 private:
  void SetAuto(bool on);
  // A click or a key cuts the speech off: the reader has moved on.
  void StopSpeaking() {
    if (click_.SpeakPages && platform_.speech.Speaking()) platform_.speech.StopSpeech();
  }
  // The reader's settings handed to the waits that read them.
  void UseReaderSettings();

  // The commands reach the subsystems they drive; tests, benchmarks, fuzz
  // targets and tools read the state through the probe (script/EngineProbe.h).
  friend struct CommandBindings;
  friend class EngineProbe;

  // --- state, one object per subsystem, in the order they are built ----------
  // Data members: a member of a plain struct that the state dump or the save
  // files mirror keeps that name (ProgState::ProgExecLine); any other is
  // camelCase, and a private one ends in `_`.
  Platform platform_;
  FlagStore& flags_;
  EngineSettings settings_;
  GameFiles files_;

  ProgState prog_;
  // The arguments of the command being executed; a saved game carries them.
  // They are the argument buffer of the command that started last (no other
  // command writes it before the next one starts, which points here anew),
  // or those a restored game brought: copied only when a save point is taken.
  const CommandArgs* progArgs_ = &restoredArgs_;
  CommandArgs restoredArgs_;
  ClickState click_;
  SystemSwitches switches_;
  Screen screen_;
  StoryCursor cursor_;
  Evaluator eval_;
  Waits waits_;
  FontLibrary fonts_;
  ScriptFile script_;
  MessageLog log_;
  MessageText messageText_;
  Layers layers_;
  LogScreen logScreen_;
  // Music, sound effects, CD tracks, short sounds and movies.
  SoundSystem sound_;
  // The selection items a saved game carries.
  SelectionItems selection_;
  // The choice on the screen.
  Selection selector_;
  // The debug window's lists: errors answered "continue" (the latest
  // kMostErrorLines) and flag values.
  std::vector<std::string> errorLines_;
  std::vector<std::string> valueLines_;
  // Lines executed so far (for tools and benchmarks).
  uint64_t executedLines_ = 0;

  // The font step of the start: faces resolved, click marker, read-text
  // record, reading-mode menu items.
  void StartText();
  // The flow every selection command shares: menu items, the item lines, the
  // choice (`choose`), the chosen entry's command and the result.
  void RunSelection(bool textMenu, bool keepPlaces, const std::function<int()>& choose);
  void RunLine(std::string_view raw, int32_t scriptLine);
  // The split of command line `scriptLine` into `args`, from the kept
  // splits or made and kept; returns the command's name.
  std::string SplitScriptLine(std::string_view line, int32_t scriptLine, CommandArgs& args);
  void ServeRequest();
  Request ServeOneRequest();
  void ResumeSavedLine();
  void ReturnToTitle();

  // The layer state of a new scene, the message window empty.
  void ResetStage();
  // What a load and a page step share: sound, scene, log, script and state
  // replaced by a save point's; `lines` replace the script's when given. The
  // scene is shown through the load's transition or, for a step, at once.
  // The lines of the script a save point names, when its position lies in
  // them; a script that cannot be read is shown in the standard box.
  std::optional<std::vector<std::string>> ReadSavedScript(const ProgState& prog);
  void RestoreGame(const SavePoint& point, const std::vector<LogPage>& logPages,
                   std::vector<std::string>* lines, bool transition);
  SaveFolder Saves() const;
  void AssignFlag(const std::string& name, const std::string& value);
  void UpdateFlagRow(int index);
  // The text faces from `FontTable`: entry `FontIndex` and the ruby entry.
  void UseFontTable();
  // Line `index` of the value lines from the flag, without telling the window.
  void WriteFlagRow(int index);
  // A flag text was cut to FlagStore::kMaxTextBytes.
  void ReportLongFlag();
  void RebuildFlagRows();
  int32_t FindEndMarker(std::string_view marker, int32_t start);
  std::string MessageDetail(const std::string& message) const;

  SavePoint savePoint_;
  // The picture of the screen at the save point.
  Picture thumbnail_;
  // The files of slot `number` from the save point, for one batch.
  FileBatch SlotBatch(const SaveFolder& folder, int number) const;
  bool autoSavesAllowed_ = true;
  // The automatic save slots this run wrote, each once, the latest last;
  // and whether a failed one has been reported since the last that
  // succeeded.
  std::vector<int> autoSlotsWritten_;
  bool autoSaveFailureShown_ = false;
  std::optional<SavePoint> pendingLoad_;
  std::optional<int> pendingSlot_;
  // The pages read most recently, for steps back and forward.
  PageHistory pages_;
  // Inside a click wait where saving is allowed.
  bool pageStepsOffered_ = false;
  // A choice was made since the page at hand was taken or stepped to: the
  // page read after it is offered again only once the next page clear shows
  // the reader chose as before.
  bool choseSincePage_ = false;
  // The page at hand stopped at a wait where stepping was offered.
  bool stoppedOnPage_ = false;
  int32_t scriptKey_ = kDefaultScriptKey;
  // Tick count of the last `_waitset`; 0 before the first.
  uint32_t waitReference_ = 0;
  // Missing end markers already reported in this script: (line, marker).
  std::set<std::pair<int32_t, std::string>> missingMarkers_;
  std::mt19937 random_;
  int commandDepth_ = 0;
  bool scriptStarted_ = false;
  std::deque<CommandArgs> argBuffers_;
  // Loops run the same command lines over and over: the last splits are
  // kept, each under its script's generation and line.
  struct SplitLine {
    uint64_t tag = UINT64_MAX;
    std::string name;
    CommandArgs args;
    int used = 0;  // the arguments after the last one are empty
  };
  static constexpr size_t kKeptSplits = 256;
  // Marks the command after a conditional line's condition (script lines
  // are far fewer than this).
  static constexpr int32_t kConditionalPart = 1 << 30;
  std::unique_ptr<std::array<SplitLine, kKeptSplits>> splits_;
  CoverageRecorder* coverage_ = nullptr;
  // For the coverage: the running line's own condition (not one of a
  // choice's entry commands) went one way; a jump landed under a label.
  void NoteCondition(bool held) {
    if (coverage_) RecordCondition(held);
  }
  void RecordCondition(bool held);
  void NoteJump();

  // --- warp and step ----------------------------------------------------------
  // The start script's name, opened as the story's first script.
  void OpenStartScript(const std::string& name);
  // The line after the current one, or the one a command chose.
  void AdvanceLine();
  // Stopped before a line until "1行実行" or "続行"; true when a request
  // served meanwhile (a jump, a load) moved the story instead.
  bool PauseBeforeLine();
  void ServeJump();
  std::optional<ScriptPlace> startPlace_;
  std::optional<std::vector<std::string>> startFlags_;
  std::optional<ScriptPlace> pendingJump_;
  // Inside RunScript: a jump is a request served between two lines.
  bool running_ = false;
  // Stopping before every line; standing stopped now; one line granted.
  bool stepping_ = false;
  bool paused_ = false;
  bool stepGranted_ = false;

  // The author's reload: a script's lines, through ReplaceScriptFile's bytes
  // when it has some for the name; the failure report; the text line
  // drawn again after a reload.
  std::vector<std::string> ReadScriptLines(const std::string& name) const;
  void ReportReloadFailure(const std::string& file, const std::string& why);
  void DrawReloadedLineAgain();
  // Keys: lower-case file names (CP932).
  std::map<std::string, std::string> replacedScripts_;
  // The message window and the log as the latest text line found them
  // (kept in debug mode only), and that line.
  MessageText::LineStart lineStart_;
  std::array<std::vector<std::string>, MessageLog::kPages> lineStartLog_;
  LogBookkeeping lineStartBook_{};
  int32_t lineStartLine_ = -1;
  bool expectReloads_ = false;
};

}  // namespace korvana
