#pragma once
// The platform without a window: BackImage in memory, a virtual clock that
// moves only while the engine waits, scripted input, and answers to boxes and
// dialogs taken from lists. Every box shown is recorded in the transcript.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ScreenSize.h"
#include "graphics/Picture.h"
#include "config/PadMapping.h"
#include "platform/Pad.h"
#include "platform/Platform.h"
#include "script/PadInput.h"

namespace korvana {

// Ends a headless run: a limit was reached, or the story waits for something
// that nothing scripted or timed can ever bring. Deliberately not a
// std::exception, so the engine's exception path never catches it.
struct HeadlessStop {
  std::string reason;
  // A limit of the options, or a wait that nothing can end, stops the run
  // as planned; an answer the options give that the story cannot take
  // (an entry that is not there, an empty slot) fails it.
  bool failed = false;
  // A loop that takes no virtual time and waits for nothing ran past the
  // bounds: the story can never go on by itself.
  bool noProgress = false;
};

struct HeadlessOptions {
  int64_t maxClicks = -1;  // -1: unlimited
  int64_t maxLines = -1;
  int64_t maxMs = -1;
  // Real time, for loops that take no virtual time at all.
  int64_t maxWallMs = -1;
  // Passes of the message pump: the same bound counted instead of timed, so
  // that the fuzzer's runs end alike every time they are repeated.
  int64_t maxPumps = -1;
  std::vector<std::string> answers;      // "yes", "no", "ok", "cancel"
  std::vector<std::string> inputs;       // UTF-8 texts for input boxes
  std::vector<int64_t> choices;          // entry index for successive choices
  std::vector<std::string> slotChoices;  // 1-based slot or "cancel", successive slot dialogs
  std::vector<std::string> fontAnswers;  // "ok" or "cancel", successive font dialogs
  // Pop-up menu items chosen during waits for input: at the `wait`-th click
  // wait or choice (1-based), or at the next one when `wait` is 0.
  struct MenuChoice {
    int64_t wait = 0;
    std::string item;
  };
  std::vector<MenuChoice> menu;
  // Every script error report counts as a failure of the run.
  bool strict = false;
  // The engine writes its automatic saves (off unless asked for).
  bool autoSaves = false;
  // `--text-out`: text out is on from the start and each line is also
  // appended to this file or pipe.
  std::string textOut;
  // Game controller buttons given at waits for input instead of their
  // automatic click or choice: those numbered for the `wait`-th click wait or
  // choice (1-based), or else the next unnumbered one (`wait` 0).
  struct PadPress {
    int64_t wait = 0;
    PadButton button = PadButton::A;
  };
  std::vector<PadPress> pad;

  // Waits for input (click waits and choices) taken before the run ends
  // with "click limit", when `--clicks` was not given; -1: no such bound.
  static constexpr int64_t kDefaultInputBound = 10000;
  int64_t inputBound = kDefaultInputBound;
  // A loop that takes no virtual time ends with "no progress" after this
  // many script lines, or this many passes of the message pump, in which
  // neither the virtual clock moved nor a click wait or choice came.
  // Counted, never timed, so that the run ends alike every time.
  int64_t noProgressLines = 10'000'000;
  int64_t noProgressPumps = 1'000'000;
  // `--screenshot-at`: the click waits (numbered as `--menu N:` counts) at
  // which the page is written to screenshotDir as wait-N.png before its
  // click.
  std::vector<int64_t> screenshotWaits;
  std::string screenshotDir;
  // `--reload-after N:FILE`: at the `wait`-th click wait or choice (1-based),
  // FILE's bytes stand in for the game's script file of its name and the
  // running script is read again.
  struct ReloadAfter {
    int64_t wait = 1;
    std::string file;
  };
  std::vector<ReloadAfter> reloads;
};

// One item of the headless window's pop-up menu as it opens; the session
// makes them from the engine's menu table.
struct HeadlessMenuItem {
  std::string name;  // "Msave"
  std::optional<MenuItem> item;  // when the story switches it
  bool enabled = true;
  bool checked = false;
};

class HeadlessPlatform : public AllDoors, private PadTarget {
 public:
  static constexpr uint64_t kStartTick = 100000;

  explicit HeadlessPlatform(HeadlessOptions options = {}, std::vector<HeadlessMenuItem> menu = {});

  // Pump
  uint32_t TickCount() override { return static_cast<uint32_t>(clock_); }
  void ProcessMessages() override;
  void WaitMessage(int64_t timeoutMs) override;
  void SetTimer1(bool enabled) override;
  bool Timer1Enabled() override { return timer1_; }
  LocalTime Now() override;
  uint32_t RandomSeed() override { return 1; }

  // Dialogs
  BoxAnswer MessageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                       BoxIcon icon) override;
  void ShowException(const std::string& message) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& text) override;
  bool OpenScriptDialog(std::string& path) override;
  bool SaveFolderDialog(std::string& file) override;
  // The next entry of the slot list; a used slot in save mode asks the
  // overwrite question first, an empty one in load mode ends the run.
  bool SlotDialog(SlotMode mode, const std::vector<SlotEntry>& slots, int& slot) override;
  // The next entry of the font answers (default cancel). OK keeps each face
  // that the window's lists would show and empties the others, as the
  // window does for a face that is not installed.
  bool FontDialog(FontChoice& choice) override;
  void VersionDialog(const VersionInfo& info) override;
  void ShowDebugWindow(DebugSource& source) override;
  // The reader's settings dialog, answered by keeping what it shows.
  void SettingsDialog() { Record({"dialog", "settings", "cancel"}); }

  // Window
  void SetInputSink(InputSink* sink) override { sink_ = sink; }
  void SetScreen(const Picture* screen) override { screen_ = screen; }
  void SetCaption(const std::string& caption) override;
  void SetCursor(Cursor cursor) override { cursor_ = cursor; }
  void SetPopupEnabled(bool enabled) override { popupEnabled_ = enabled; }
  bool PopupEnabled() override { return popupEnabled_; }
  void SetMenuItemEnabled(MenuItem item, bool enabled) override;
  void SetMenuItemChecked(MenuItem item, bool checked) override;
  void InvalidateScreen() override {}
  int ColorDepth() override { return 32; }

  void RequestClose() override;
  // Moves the virtual pointer at once; the engine hears of it on the next
  // pump, before any input queued earlier.
  bool MovePointer(int x, int y) override;

  // Audio and Movie: no device and no sound; each play ends after the
  // file's decoded length in virtual time, and a file that cannot be
  // decoded cannot be opened.
  bool Open(AudioChannel channel, const std::string& path) override;
  bool OpenCd(const std::vector<std::string>& trackFolders) override;
  bool Close(AudioChannel channel) override;
  bool Play(AudioChannel channel, const std::string& path, int64_t startMs,
            int64_t lengthMs) override;
  int Stop(AudioChannel channel) override;
  bool PlayShort(const std::string& path) override;
  void StopShort() override;
  bool CdTrack(int track, int64_t& startMs, int64_t& lengthMs) override;
  bool Play(const std::string& path, int x, int y, int w, int h) override;
  void Stop() override;

  // Machine
  std::vector<Volume> ListVolumes() override { return volumes; }
  std::string UserDataHome() override { return userDataHome; }
  std::string ScreenshotFolder() override { return screenshotFolder; }
  // Where "スクリーンショット" writes; empty (the default for tests): it
  // cannot.
  std::string screenshotFolder;
  // Where a game folder that cannot be written keeps its player's files;
  // empty (the default for tests): nowhere else.
  std::string userDataHome;
  bool CanWrite(const std::string& folder) override;
  // Folders (and what lies below them) that count as unwritable, as a disc
  // would be.
  std::vector<std::string> readOnlyFolders;
  // The mounted volumes the data drive search sees.
  std::vector<Volume> volumes;

  // Observer
  void TextDrawn(const std::string& chars) override { pendingText_ += chars; }
  void ClickWaitStarted() override;
  void ScriptLineStarting() override;
  // Moves the pointer onto the chosen entry's centre and clicks it; an entry
  // that cannot be chosen ends the run.
  void ChoiceStarted(const ChoiceView& choice) override;
  void SoundEvent(const char* channel, const char* event, const std::string& file,
                  int repeat) override;
  void ReaderEvent(const char* event, const std::string& detail) override {
    Record({event, detail});
  }
  // Window: the note is recorded, as a box is.
  void ShowNote(const std::string& text) override;

  // Speech: what would be spoken is recorded ("speak"), and it lasts
  // kSpeechMsPerChar of virtual time for each character, so that auto mode
  // waits for it as for a voice.
  static constexpr int64_t kSpeechMsPerChar = 150;
  bool SpeechAvailable(std::string& why) override { return true; }
  void Say(const std::string& text) override;
  void StopSpeech() override { speaking_ = false; }
  bool Speaking() override { return speaking_ && speechEnd_ > clock_; }
  // Text out: each line is recorded ("textout") and appended to the file
  // of `--text-out`, when one was given.
  void SendText(const std::string& line) override;

  // Queues input as if the user gave it now.
  void QueueClick(int x, int y);
  void QueueKey(Key key);
  void QueueMove(int x, int y);
  void QueueWheel(int delta);
  void QueueCtrl(bool down);
  // A Ctrl+letter shortcut, as the window delivers one: Ctrl goes down, the
  // letter comes with it and runs its pop-up menu item `item` ("Msave",
  // "Mdarkness" …) as `--menu` would (a disabled item ignores its shortcut),
  // then Ctrl comes up. Input queued after it waits until the item is done,
  // so items that wait for input of their own (the log screen, the views)
  // cannot be given it this way.
  void QueueShortcut(const std::string& item);
  // Runs `action` when the queue reaches it (tests look inside waits).
  void QueueAction(std::function<void()> action) { events_.push_back(std::move(action)); }
  // Called at the start of every click wait, before its automatic click is
  // queued: tests act as the player would during that wait.
  std::function<void()> onClickWait;
  // Called when a choice starts, instead of answering it from the list of
  // choices: tests move, press and type as the player would.
  std::function<void(const ChoiceView&)> onChoice;
  // Called when a movie starts: tests click as the player would.
  std::function<void()> onMovie;
  // Called when the font dialog opens, instead of answering it from the
  // list: tests choose faces as the player would; true for OK.
  std::function<bool(FontChoice&)> onFontDialog;
  // The version dialog's contents and the debug window's source, as last shown.
  std::function<void(const VersionInfo&)> onVersionDialog;
  DebugSource* debugWindow = nullptr;
  // Runs a pop-up menu item by name (the engine's); false when unknown.
  std::function<bool(const std::string&)> runMenuItem;
  // Reads the script again with FILE standing in for the game's file of its
  // name (`--reload-after`).
  std::function<void(const std::string& file)> reloadScript;
  // True when an item chosen at a choice sends the story elsewhere (a page
  // step): the choice is left unanswered and keeps its `--choices` answer.
  std::function<bool()> storyLeaving;
  // A window whose pointer no program may move (full screen), for tests.
  bool pointerFixed = false;

  // What the pad's buttons do (the reader's settings).
  void SetPadMapping(const config::PadMapping& mapping) { pad_.SetMapping(mapping); }
  // Queues a press and release of a pad button, recorded as "pad NAME"
  // when it comes. A button that skips stays held until the next pad button
  // comes, as a reader holds it through the pages.
  void QueuePad(PadButton button);
  // True while a click wait or a choice waits for the reader: the buttons
  // `--pad` gives a wait that leave it waiting end the run.
  std::function<bool()> waitingForInput;
  // Hands a pad action to a screen of the story's own that is open; true
  // when one took it.
  std::function<bool(config::PadAction)> padInView;

  // Writes the text drawn since the last text event as one.
  void FlushText();
  // The run's limits stop it only from here on: the engine pumps while it is
  // being set up, outside the session's handling of a stop.
  void ArmLimits() { limitsArmed_ = true; }
  // Writes the "stop" line of a run that ended before the story did.
  void RecordStop(const std::string& reason) { Record({"stop", reason}); }
  // Where the story stands at a click wait: the script file as the game
  // names it (CP932) and the 1-based line, for the transcript's wait line.
  std::function<std::pair<std::string, int64_t>()> scriptPlace;
  // The screenshots of `--screenshot-at` that could not be written.
  const std::vector<std::string>& UnwrittenShots() const { return unwrittenShots_; }

  // Every line so far, unless the lines are streamed.
  const std::vector<std::string>& Transcript() const { return transcript_; }
  // Writes every transcript line to `out` as it happens, flushed, so a run
  // stopped from outside still shows how far it got; null: nowhere. The
  // lines are then not kept in memory as well, where a long run would grow
  // by every one of them.
  void StreamTranscript(std::FILE* out) {
    stream_ = out;
    keepTranscript_ = false;
  }
  // How many script errors were reported (the terminate question was put).
  int ErrorReports() const { return errorReports_; }
  // What the window would show; a black screen before an engine exists.
  const Picture& Screen() const;
  Cursor ShownCursor() const { return cursor_; }
  int PointerX() const { return pointerX_; }
  int PointerY() const { return pointerY_; }
  // False for an item the menu does not have.
  bool MenuItemEnabled(MenuItem item) const;
  bool MenuItemChecked(MenuItem item) const;
  int64_t ClicksGiven() const { return clicksGiven_; }
  int64_t LinesRun() const { return linesRun_; }
  uint64_t ElapsedMs() const { return clock_ - kStartTick; }
  const HeadlessOptions& options() const { return options_; }

 private:
  void Record(std::initializer_list<std::string> fields);
  void Record(const std::vector<std::string>& fields);
  void Advance(uint64_t to);
  // Ends the run at the limits of loops that take no virtual time.
  void CheckLoopLimits();
  // A click wait or choice has come, or virtual time moved: the loop
  // bounds count again from zero.
  void Progressed() { linesIdle_ = pumpsIdle_ = 0; }
  // The wait line of the click wait about to be numbered, and its picture
  // when `--screenshot-at` names it.
  void MarkClickWait();
  // Ends the run when the waits for input reach the bound of a run
  // without `--clicks`.
  void CheckInputBound();
  // The real-time limit alone; checked wherever a loop might run.
  void CheckWallClock();
  // The menu items due at this wait for input, before its answer.
  void ChooseMenuItems();
  // Runs one pop-up menu item when the story has it enabled; recorded either way.
  void ChooseMenuItem(const std::string& item);
  bool DeliverOne();
  // The pad buttons `--pad` gives the `wait`-th wait for input, taken.
  std::vector<PadButton> PadPressesDue(int64_t wait);
  // Queues the buttons for the wait just started; the first time the
  // platform would sleep after them, it looks whether they ended it.
  void QueuePads(const std::vector<PadButton>& pads);
  void CheckPadsEndedTheirWait();
  int64_t padCheckWait_ = -1;
  bool padSkipHeld_ = false;
  // PadTarget: what the pad's buttons reach.
  void PadClick() override;
  // As the right mouse button; there is no pop-up menu to open here.
  void PadMenu() override;
  void PadMenuItem(const char* name) override { ChooseMenuItem(name); }
  void PadArrow(Key key) override;
  void PadSkip(bool held) override;
  bool PadInView(config::PadAction action) override { return padInView && padInView(action); }
  PadInput pad_{*this};
  std::vector<bool> padDone_;
  // Plays that end in virtual time: the four audio channels, then the movie.
  static constexpr int kMovieSlot = 4;
  // The shortest play in virtual time: about one mix of the window's mixer,
  // which takes that long to end even a sound of one sample.
  static constexpr int64_t kShortestPlayMs = 20;
  struct Playing {
    bool active = false;
    uint64_t end = 0;
  };
  Playing playing_[kMovieSlot + 1];
  // Starts slot `slot` for `lengthMs`; false when the length is unknown.
  bool StartPlaying(int slot, int64_t lengthMs);
  // The earliest end of a play, or UINT64_MAX.
  uint64_t NextEnd() const;
  // Reports the ends that are due, in time order.
  void EndDuePlays();
  std::map<int, std::string> cdTracks_;
  // The file each channel last opened and its decoded length: a play of the
  // opened file does not decode it a second time.
  struct Opened {
    std::string path;
    int64_t lengthMs = -1;
  };
  Opened opened_[kMovieSlot];
  int64_t LengthOf(AudioChannel channel, const std::string& path);
  // Wakes that only a play's end brought: endless music behind a wait that
  // nothing else can end would otherwise loop for ever.
  int64_t soundOnlyWakes_ = 0;
  bool speaking_ = false;
  uint64_t speechEnd_ = 0;

  HeadlessOptions options_;
  InputSink* sink_ = nullptr;
  uint64_t clock_ = kStartTick;
  bool timer1_ = false;
  uint64_t timer1Next_ = 0;
  std::deque<std::function<void()>> events_;
  size_t nextAnswer_ = 0;
  size_t nextInput_ = 0;
  size_t nextChoice_ = 0;
  size_t nextSlot_ = 0;
  size_t nextFontAnswer_ = 0;
  int64_t inputWaits_ = 0;
  std::vector<bool> menuDone_;
  // A reload at this wait sends the story back to draw the line again: the
  // wait's own click is not given.
  bool reloadedHere_ = false;
  int64_t clicksGiven_ = 0;
  int64_t linesRun_ = 0;
  int64_t pumps_ = 0;
  int64_t linesIdle_ = 0;
  int64_t pumpsIdle_ = 0;
  std::vector<std::string> unwrittenShots_;
  Cursor cursor_ = Cursor::Pen;
  bool popupEnabled_ = true;
  bool closeAccepted_ = false;
  std::vector<HeadlessMenuItem> menu_;
  // The entry of an item the story switches, added when the menu lacks it.
  HeadlessMenuItem& Entry(MenuItem item);
  const HeadlessMenuItem* Find(MenuItem item) const;
  int pointerX_ = 0, pointerY_ = 0;
  std::string pendingText_;
  std::FILE* stream_ = nullptr;
  bool keepTranscript_ = true;
  bool limitsArmed_ = false;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  int errorReports_ = 0;
  std::vector<std::string> transcript_;
  const Picture* screen_ = nullptr;
};

}  // namespace korvana
