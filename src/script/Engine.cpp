#include "script/Engine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/Ascii.h"
#include "core/Coords.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "script/CommandTable.h"
#include "script/Coverage.h"
#include "text/FocusSpeech.h"
#include "text/HideViews.h"

namespace korvana {
namespace {

// Conditional lines may carry conditional lines; a line built to nest them
// without end must not exhaust the stack.
constexpr int kMaxCommandNesting = 64;

// The text id after "~": eight hexadecimal digits read as a 32-bit value.
int32_t ParseTextId(std::string_view digits) {
  bool ok = digits.size() == 8;
  uint32_t value = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) ok = false;
    value = value << 4 | static_cast<uint32_t>(d & 0xF);
  }
  if (!ok) throw ScriptException("'0x" + std::string(digits) + J("' は正しい整数値ではありません"));
  return static_cast<int32_t>(value);
}

}  // namespace

Engine::Engine(Platform platform, FlagStore& flags, EngineSettings settings, std::string gameFolder)
    : platform_(platform),
      flags_(flags),
      settings_(std::move(settings)),
      files_(std::move(gameFolder), settings_.dataPath),
      cursor_(platform.window),
      eval_(flags, *this, *this),
      waits_(platform.pump, platform.observer, click_),
      script_(*this),
      log_(switches_),
      // The layers and the sound system are built after the message text,
      // which only keeps references to them until the constructor's body.
      messageText_(TextEnvironment{platform.pump, platform.window, platform.observer, click_, waits_,
                                  eval_, *this, screen_, files_, switches_, layers_, sound_, *this,
                                  platform.speech, platform.textOut},
                  log_, fonts_),
      layers_(LayerEnvironment{platform.pump, platform.window, platform.dialogs, *this, waits_,
                              click_, files_, screen_, messageText_, switches_, eval_}),
      logScreen_(platform.pump, platform.window, click_, log_, messageText_, fonts_, screen_.BackImage,
                *this, files_),
      sound_(platform, click_, files_, eval_),
      selector_(SelectionEnvironment{platform.pump, platform.window, platform.observer,
                                    platform.dialogs, sound_, click_, *this, screen_, layers_, fonts_,
                                    cursor_, files_, platform.speech}) {
  prog_.ProgChapter = "Korvana";
  ApplySettings(settings_);
  platform_.window.SetInputSink(this);
  platform_.window.SetScreen(&screen_.BackImage);
  logScreen_.SetTextOut(&platform_.textOut);
}

void Engine::ShowPictureOnlyView() {
  korvana::ShowPictureOnlyView(layers_, cursor_);
}

void Engine::ShowMessageOnlyView() {
  korvana::ShowMessageOnlyView(layers_, cursor_, messageText_.text.TextColor);
}

void Engine::LineReached(int32_t column) {
  prog_.ProgResumeColumn = column;
  prog_.ProgMultiStateFlag = MultiState::InText;
}

Engine::~Engine() {
  platform_.window.SetInputSink(nullptr);
  platform_.window.SetScreen(nullptr);
}

void Engine::ApplySettings(EngineSettings newSettings) {
  settings_ = std::move(newSettings);
  files_.DataPath = settings_.dataPath;
  layers_.settings =
      LayerSettings{settings_.backgroundDarkness, settings_.darknessRate, settings_.textHideMode};
  messageText_.FontTable = settings_.fontTable;
  messageText_.ResetAllTextFields();
  log_.ClearLog();
  messageText_.ResetTextState();
  logScreen_.Tile = settings_.tile;
  selector_.MenuClickSound = settings_.menuClickSound;
  sound_.EnableMusic = settings_.enableMusic;
  sound_.EnableSound = settings_.enableSound;
  sound_.ApplyMp3Timing(settings_.mp3Timing);
  platform_.window.SetMenuItemChecked(MenuItem::Music, sound_.EnableMusic);
  platform_.window.SetMenuItemChecked(MenuItem::Sound, sound_.EnableSound);
  // The author's reload is there only for a game in debug mode.
  platform_.window.SetMenuItemEnabled(MenuItem::Reload, settings_.debugMode);
  click_.HighSpeedMode = settings_.highSpeedText;
  click_.PageUnitMode = settings_.pageUnitText;
  UseReaderSettings();
}

void Engine::SetGameFolder(std::string folder) {
  files_.SetRoot(std::move(folder));
}

void Engine::Initialize() {
  random_.seed(platform_.pump.RandomSeed());
  scriptKey_ = LoadDecodeKey(files_);
  flags_.Clear(2, "0");
}

void Engine::StartEngine() {
  if (platform_.window.ColorDepth() < 15) {
    platform_.dialogs.MessageBox(J("16Bit HighColor 以上でないと色が正しく表示されません"), "",
                                 BoxButtons::Ok, BoxIcon::Exclamation);
  }
  if (settings_.debugMode && valueLines_.empty()) RebuildFlagRows();
  StartText();
  try {
    // The configured background is the first picture on screen; a file
    // that cannot be read takes the exception path like any other.
    if (!settings_.background.empty()) layers_.LoadBackground(settings_.background);
    if (startPlace_) {
      OpenStartScript(startPlace_->file);
      prog_.ProgExecLine = startPlace_->line;
    } else {
      ChooseStartScript();
    }
    scriptStarted_ = true;
    LoadGlobalData();
    if (startFlags_) {
      for (int i = 0; i < FlagStore::kCount; ++i) flags_.Set(i, (*startFlags_)[i]);
      RebuildFlagRows();
    }
    RunScript();
  } catch (const std::exception& e) {
    // Whatever escapes the run (a script error, out of memory, a failed
    // conversion) is shown and reported, and the run ends with the window
    // still open.
    ReportEscapedError(e);
  }
}

void Engine::ChooseStartScript() {
  std::string name = "autorun.txt";
  if (!settings_.startScript.empty()) {
    name = settings_.startScript;
  } else if (!FileExists(files_.Resolve("autorun.txt")) &&
             !FileExists(files_.Resolve("autorun.txd"))) {
    std::string picked;
    if (platform_.dialogs.OpenScriptDialog(picked)) {
      namespace fs = std::filesystem;
      const fs::path path(cp932::ToUtf8(picked));
      std::error_code ec;
      const fs::path folder =
          files_.Root().empty() ? fs::current_path(ec) : fs::path(files_.Root());
      if (path.parent_path() != folder) {
        BoxAnswer answer = platform_.dialogs.MessageBox(
            J("例：\nサンプルプログラム実行の時→はい\n制作中ソフトのテストプレイの時→いいえ"),
            J("カレントＤＩＲを変更しますか？"), BoxButtons::YesNo, BoxIcon::Question);
        if (answer == BoxAnswer::Yes) files_.SetRoot(path.parent_path().string());
      }
      name = picked;
    }
  }
  OpenStartScript(name);
}

void Engine::OpenStartScript(const std::string& name) {
  prog_.ProgFileName = name;
  prog_.ProgIfResult = 0;
  LoadScript(name);
  prog_.ProgChapter = "Korvana";
  platform_.window.SetCaption(prog_.ProgChapter);
  flags_.ResetGameFlags();
  RebuildFlagRows();
}

void Engine::LoadScript(const std::string& name) {
  script_.SetLines(ReadScriptLines(name));
  missingMarkers_.clear();
  lineStartLine_ = -1;
  prog_.ProgExecLine = 0;
  prog_.ProgNextLine = -1;
  prog_.ProgResumeColumn = 0;
  prog_.ProgRetStack = -1;
  prog_.ProgMultiStateFlag = MultiState::Command;
}

void Engine::RunScript() {
  struct Running {
    bool& running;
    explicit Running(bool& r) : running(r) { running = true; }
    ~Running() { running = false; }
  } running(running_);
  std::string line;
  for (;;) {
    if (prog_.ProgExecLine < 0 || prog_.ProgExecLine >= script_.LineCount()) return;
    if (stepping_ && PauseBeforeLine()) continue;
    platform_.observer.ScriptLineStarting();
    ++executedLines_;
    if (coverage_) coverage_->LineRan(prog_.ProgFileName, prog_.ProgExecLine);
    // A copy: the command may load another script over this one.
    line = script_.Lines()[prog_.ProgExecLine];
    RunLine(line, prog_.ProgExecLine);
    if (click_.RequestPending()) ServeRequest();
    AdvanceLine();
  }
}

void Engine::AdvanceLine() {
  if (prog_.ProgNextLine == -1) {
    ++prog_.ProgExecLine;
  } else {
    prog_.ProgExecLine = prog_.ProgNextLine;
    prog_.ProgNextLine = -1;
    if (coverage_) NoteJump();
  }
}

void Engine::RecordCondition(bool held) {
  if (commandDepth_ == 1) coverage_->Condition(held);
}

void Engine::NoteJump() {
  // A jump to a label lands on the line after it: the label was reached
  // all the same.
  const int32_t label = prog_.ProgExecLine - 1;
  if (label < 0 || label >= script_.LineCount()) return;
  const std::string_view line = TrimLeftBlanks(script_.Lines()[label]);
  if (!line.empty() && line[0] == ':') coverage_->LineRan(prog_.ProgFileName, label);
}

void Engine::RunLine(std::string_view raw, int32_t scriptLine) {
  std::string_view line = TrimBlanks(raw);
  if (!line.empty() && line[0] == '~') {
    click_.CurrentTextId = ParseTextId(line.substr(1, 8));
    line = WithoutTextId(line);
  } else {
    click_.CurrentTextId = -1;
  }
  if (line.empty()) return;
  const std::string_view rest = line.substr(1);
  switch (line[0]) {
    case '_':
      prog_.ProgMultiStateFlag = MultiState::Command;
      ExecuteCommand(line, scriptLine);
      break;
    case '!':
      prog_.ProgChapter = std::string(rest);
      platform_.window.SetCaption(prog_.ProgChapter);
      break;
    case ':':
    case ';':
    case '#':
      break;
    case '\\':
      messageText_.ShowPlainText(std::string(rest) + "\n");
      break;
    default:
      // Kept for an author's reload, which draws the line again.
      if (settings_.debugMode || expectReloads_) {
        messageText_.MarkLineStart(lineStart_);
        lineStartLog_ = log_.LogPages;
        lineStartBook_ = log_.book;
        lineStartLine_ = prog_.ProgExecLine;
      }
      messageText_.ShowTextLine(line, 1);
      break;
  }
}

void Engine::RequestLoad(const SavePoint& slot) {
  pendingLoad_ = slot;
  click_.PendingRequest = Request::Load;
}

void Engine::ServeRequest() {
  // A page step shows its text line again, where the reader may step again
  // at once (Backspace held down): that request is served before the story
  // goes on, so no line of the page left behind runs in between.
  Request served;
  do {
    served = ServeOneRequest();
  } while ((served == Request::Back || served == Request::Forward) && click_.RequestPending());
}

Request Engine::ServeOneRequest() {
  // Taken first: serving it shows text, which a pending request would end.
  const Request request = click_.PendingRequest;
  click_.PendingRequest = Request::None;
  if (request == Request::Load) {
    if (pendingSlot_) {
      const int slot = *pendingSlot_;
      pendingSlot_.reset();
      LoadGame(slot);
      return request;
    }
    if (pendingLoad_) {
      pages_.Clear();
      RestoreSavePoint(*pendingLoad_);
      pendingLoad_.reset();
    }
    ResumeSavedLine();
  } else if (request == Request::Title) {
    ReturnToTitle();
  } else if (request == Request::Back || request == Request::Forward) {
    if (StepPage(request == Request::Back ? -1 : 1)) ResumeSavedLine();
  } else if (request == Request::Jump) {
    ServeJump();
  } else if (request == Request::Reload) {
    DrawReloadedLineAgain();
  }
  return request;
}

void Engine::ResumeSavedLine() {
  // A game saved inside a text line shows that line again from where it was,
  // on a cleared page.
  click_.CurrentTextId = -1;
  lineStartLine_ = -1;
  if (prog_.ProgMultiStateFlag != MultiState::InText || prog_.ProgExecLine < 0 ||
      prog_.ProgExecLine >= script_.LineCount())
    return;
  const std::string line(WithoutTextId(TrimBlanks(script_.Lines()[prog_.ProgExecLine])));
  messageText_.ClearPage();
  if (prog_.ProgResumeColumn < static_cast<int32_t>(line.size()))
    messageText_.ShowTextLine(line, prog_.ProgResumeColumn);
}

std::string Engine::SplitScriptLine(std::string_view line, int32_t scriptLine,
                                    CommandArgs& args) {
  if (scriptLine < 0) return SplitCommandLine(line, args);
  if (!splits_) splits_ = std::make_unique<std::array<SplitLine, kKeptSplits>>();
  const uint64_t tag = uint64_t{script_.Generation()} << 32 | static_cast<uint32_t>(scriptLine);
  // A conditional line's command is kept apart from the line itself.
  const size_t at = static_cast<size_t>(scriptLine & ~kConditionalPart) +
                    ((scriptLine & kConditionalPart) ? kKeptSplits / 2 : 0);
  SplitLine& kept = (*splits_)[at % kKeptSplits];
  if (kept.tag != tag) {
    kept.tag = tag;
    kept.name = SplitCommandLine(line, kept.args);
    kept.used = static_cast<int>(kept.args.size());
    while (kept.used > 0 && kept.args[kept.used - 1].empty()) --kept.used;
  }
  for (int k = 0; k < kept.used; ++k) args[k] = kept.args[k];
  for (size_t k = kept.used; k < args.size(); ++k) args[k].clear();
  return kept.name;
}

void Engine::ExecuteCommand(std::string_view line, int32_t scriptLine) {
  if (commandDepth_ >= kMaxCommandNesting) {
    ScriptError(J("条件行の入れ子が深すぎます"));
    return;
  }
  struct DepthGuard {
    int& d;
    explicit DepthGuard(int& v) : d(v) { ++d; }
    ~DepthGuard() { --d; }
  } guard(commandDepth_);

  // The handler gets its own copy: a nested command (a conditional line, a
  // selection item) replaces progArgs_ but never what the outer one reads.
  // One buffer per nesting depth keeps the strings' storage from line to line
  // (a deque: growing it never moves the buffers that outer commands hold).
  while (argBuffers_.size() < static_cast<size_t>(commandDepth_)) argBuffers_.emplace_back();
  CommandArgs& args = argBuffers_[commandDepth_ - 1];
  const std::string name = SplitScriptLine(line, scriptLine, args);
  progArgs_ = &args;
  const std::string_view head(name);
  if (head.starts_with("_(")) {
    int pos = 2;
    const bool held = eval_.EvalAt(name, pos) != 0;
    NoteCondition(held);
    if (held) {
      prog_.ProgMultiStateFlag = MultiState::Conditional;
      // Only the first condition's command is kept: a condition inside it
      // would be kept under the same line.
      const bool outer = scriptLine >= 0 && !(scriptLine & kConditionalPart);
      ExecuteCommand(args[0], outer ? scriptLine | kConditionalPart : -1);
    }
    return;
  }
  if (head.starts_with("_$flg") || head.starts_with("_@flg")) {
    AssignFlag(name, args[0]);
    return;
  }
  if (const CommandSpec* command = FindCommand(name)) {
    command->handler(*this, args);
    return;
  }
  if (head.starts_with("_end")) return;
  ScriptError(J("コマンドが変です") + name);
}

void Engine::AssignFlag(const std::string& name, const std::string& value) {
  // The reference without the command's "_" is what a report shows.
  const int index = eval_.ParseFlagTarget(std::string_view(name).substr(1), 1);
  bool whole = true;
  if (name[1] == '$') {
    flags_.SetNumber(index, eval_.EvalInt(value));
  } else if (!value.empty() && value[0] == '@') {
    int pos = 1;
    whole = flags_.Set(index, eval_.ReadFlagText(value, pos));
  } else {
    whole = flags_.Set(index, value);
  }
  if (!whole) ReportLongFlag();
  UpdateFlagRow(index);
}

void Engine::ReportLongFlag() {
  ScriptError(J("フラグの値が長すぎます。最大バイト数：") +
              std::to_string(FlagStore::kMaxTextBytes));
}

void Engine::WriteFlagRow(int index) {
  if (valueLines_.size() != FlagStore::kCount) valueLines_.resize(FlagStore::kCount);
  char head[16];
  std::snprintf(head, sizeof head, "%03d = ", index);
  valueLines_[index] = head + flags_.Get(index);
}

void Engine::UpdateFlagRow(int index) {
  if (!settings_.debugMode) return;
  WriteFlagRow(index);
  platform_.dialogs.DebugListChanged(DebugList::Values, index);
}

void Engine::RebuildFlagRows() {
  if (!settings_.debugMode) return;
  for (int i = 0; i < FlagStore::kCount; ++i) WriteFlagRow(i);
  platform_.dialogs.DebugListChanged(DebugList::Values, -1);
}

int32_t Engine::FindEndMarker(std::string_view marker, int32_t start) {
  const auto& lines = script_.Lines();
  for (int32_t i = start < 0 ? 0 : start; i < script_.LineCount(); ++i)
    if (TrimBlanks(lines[i]) == marker) return i;
  const std::string message = std::string(marker) + J("が見つかりません");
  // After the report the story goes on at line index 1, which usually leads
  // back to the same block: the second time the run ends instead of asking
  // the same question for ever.
  if (!missingMarkers_.insert({prog_.ProgExecLine, std::string(marker)}).second)
    throw ScriptException(message);
  ScriptError(message);
  return 0;
}

std::string Engine::MessageDetail(const std::string& message) const {
  return "File:" + prog_.ProgFileName + " Line:" + std::to_string(prog_.ProgExecLine + 1) + "/" +
         message;
}

void Engine::ScriptError(const std::string& message) {
  platform_.dialogs.MessageBox(message, "", BoxButtons::Ok, BoxIcon::Exclamation);
  ReportScriptError(message);
}

void Engine::ReportScriptError(const std::string& message) {
  const std::string detail = MessageDetail(message);
  BoxAnswer answer = platform_.dialogs.MessageBox(
      J("エラー発生！！強制終了しますか？(設定ファイルを保存しません)"), detail, BoxButtons::YesNo,
      BoxIcon::Question);
  if (answer == BoxAnswer::Yes) throw EngineExit{1, false};
  if (!settings_.debugMode) return;
  // A story that errs on every pass of a loop keeps only its latest errors;
  // when the oldest goes, every line moves up and the whole list changes.
  const bool full = errorLines_.size() >= kMostErrorLines;
  if (full) errorLines_.erase(errorLines_.begin());
  errorLines_.push_back(detail);
  platform_.dialogs.DebugListChanged(DebugList::Errors,
                                     full ? -1 : static_cast<int>(errorLines_.size()) - 1);
}

int32_t Engine::SystemValue(int index) {
  auto draw = [&] { return static_cast<int32_t>(random_() >> 1); };
  // In 64 bits: the operands are any two values a script_ or a saved game set.
  auto divide = [](int64_t a, int64_t b) { return b == 0 ? 0 : WrapInt32(a / b); };
  auto now = [&] { return platform_.pump.Now(); };
  const TextState& t = messageText_.text;
  switch (static_cast<SysValue>(index)) {
    case SysValue::PointerX:
      return click_.PointerX;
    case SysValue::PointerY:
      return click_.PointerY;
    case SysValue::DebugMode:
      return settings_.debugMode ? 1 : 0;
    case SysValue::DarknessEnabled:
      return layers_.settings.DarknessEnabled ? 1 : 0;
    case SysValue::CharWidth:
      return t.CharWidth;
    case SysValue::LineHeight:
      return t.LineHeight;
    case SysValue::LineGap:
      return t.LineGap;
    case SysValue::FontIndex:
      return t.FontIndex;
    case SysValue::LeftMargin:
      return t.LeftMargin;
    case SysValue::RightLimit:
      return t.RightLimit;
    case SysValue::BottomLimit:
      return t.BottomLimit;
    case SysValue::SizeUnits:
      return t.SizeUnits;
    case SysValue::FontHeight:
      return t.FontHeight;
    case SysValue::RubyFontHeight:
      return t.RubyFontHeight;
    case SysValue::CharWait:
      return t.CharWait;
    case SysValue::CursorX:
      return t.CursorX;
    case SysValue::CursorY:
      return t.CursorY;
    case SysValue::CursorColumn:
      return divide(int64_t{t.CursorX} - t.LeftMargin, t.CharWidth);
    case SysValue::CursorRow:
      return divide(t.CursorY, t.LineStep());
    case SysValue::Version:
      return kVersionNumber;
    case SysValue::Random100:
      return draw() % 100;
    case SysValue::Random1024:
      return draw() % 1024;
    case SysValue::RandomLarge:
      return draw() % 2147483647;
    case SysValue::Ticks:
      return static_cast<int32_t>(platform_.pump.TickCount());
    case SysValue::Second:
      return now().second;
    case SysValue::Minute:
      return now().minute;
    case SysValue::Hour:
      return now().hour;
    case SysValue::Day:
      return now().day;
    case SysValue::Month:
      return now().month;
    case SysValue::Year: {
      const int year = now().yearSince1900;
      return year < 71 ? 2000 + year : 1900 + year;
    }
    case SysValue::Weekday:
      return now().weekday;
    case SysValue::YearDay:
      return now().yearDay;
  }
  return 0;
}

void Engine::OnMouseDown(int x, int y, MouseButton button) {
  if (logScreen_.IsOpen()) {
    logScreen_.MouseDown(x, y, button);
    return;
  }
  click_.MouseDownFlag = true;
  StopSpeaking();
  // The press that answers a choice is the choice's; any other stops the
  // reading modes that run on by themselves.
  const bool answersChoice = click_.ModalDepth > 0;
  if (!(answersChoice && click_.SkipPastChoices)) click_.SkipReadMode = false;
  // The right button opens the pop-up menu, where "オート" itself may be
  // what the reader is after: the item chosen decides.
  if (!answersChoice && button != MouseButton::Right) StopAuto();
}

void Engine::OnMouseUp(int x, int y, MouseButton button) {
  if (logScreen_.IsOpen()) {
    logScreen_.MouseUp(x, y, button);
    return;
  }
  click_.MouseUpFlag = true;
  if (click_.TextActive) click_.FinishTextFlag = true;
}

void Engine::OnClick(int x, int y) {
  if (logScreen_.IsOpen()) return;  // the log screen's buttons act on release
  click_.ClickX = x;
  click_.ClickY = y;
  if (flags_.clickFlag >= 0 && flags_.clickFlag < FlagStore::kCount) {
    flags_.Set(flags_.clickFlag, "1");
    UpdateFlagRow(flags_.clickFlag);
  }
  if (click_.ClickEnabled) click_.ClickFlag = true;
}

void Engine::OnMouseMove(int x, int y) {
  click_.PointerX = x;
  click_.PointerY = y;
}

void Engine::OnKey(Key key) {
  // Ctrl with another key is a shortcut: it never skips text, and the item
  // it reaches decides about auto mode. Keys that answer a choice are the
  // choice's.
  if (click_.CtrlHeld)
    click_.CtrlChord = true;
  else if (click_.ModalDepth == 0)
    StopAuto();
  StopSpeaking();
  switch (key) {
    case Key::Escape:
      platform_.window.RequestClose();
      break;
    case Key::Space:
      if (click_.PageUnitMode) TogglePageUnit();
      break;
    case Key::Enter:
      if (click_.TextActive) click_.FinishTextFlag = true;
      if (click_.ClickEnabled) click_.ClickFlag = true;
      break;
    case Key::Up:
    case Key::Down:
    case Key::Left:
    case Key::Right:
      if (selector_.Active()) selector_.OnArrow(key);
      break;
    default:
      break;
  }
}

void Engine::OnTimer1() {
  messageText_.OnTimer1();
}

void Engine::OnWheel(int, int, int delta) {
  // Turning the wheel up in a click wait reads back; it never advances text.
  if (logScreen_.IsOpen()) {
    logScreen_.Wheel(delta);
    return;
  }
  // During a choice the wheel moves the highlight, as the arrow keys do.
  if (selector_.Active()) {
    if (delta != 0) selector_.OnWheel(delta);
    return;
  }
  if (delta > 0 && messageText_.InClickWait() && click_.ModalDepth == 0) {
    StopAuto();
    ShowLogScreen();
  }
}

void Engine::OnCtrl(bool down) {
  click_.CtrlHeld = down && click_.ModalDepth == 0 && !logScreen_.IsOpen();
  click_.CtrlChord = false;
  click_.CtrlDownTick = platform_.pump.TickCount();
}

void Engine::ToggleHighSpeed() {
  click_.HighSpeedMode = !click_.HighSpeedMode;
  platform_.window.SetMenuItemChecked(MenuItem::HighSpeed, click_.HighSpeedMode);
  click_.ClearClicks();
}

void Engine::TogglePageUnit() {
  click_.PageUnitMode = !click_.PageUnitMode;
  platform_.window.SetMenuItemChecked(MenuItem::PageUnit, click_.PageUnitMode);
  click_.ClearClicks();
}

void Engine::ToggleAuto() {
  SetAuto(!click_.AutoMode);
}

void Engine::StopAuto() {
  SetAuto(false);
}

void Engine::SetAuto(bool on) {
  if (on == click_.AutoMode) return;
  click_.AutoMode = on;
  platform_.window.SetMenuItemChecked(MenuItem::Auto, on);
  platform_.observer.ReaderEvent("auto", on ? "on" : "off");
  messageText_.AutoModeChanged();
}

void Engine::ToggleSpeech() {
  SetSpeech(!click_.SpeakPages);
}

void Engine::ToggleTextOut() {
  SetTextOut(!click_.SendPages);
}

void Engine::SetSpeech(bool on) {
  std::string why;
  if (on && !platform_.speech.SpeechAvailable(why)) {
    platform_.window.SetMenuItemChecked(MenuItem::Speak, false);
    platform_.window.ShowNote(cp932::FromUtf8(why));
    return;
  }
  if (on == click_.SpeakPages) return;
  click_.SpeakPages = on;
  settings_.reader.speechOn = on;
  platform_.window.SetMenuItemChecked(MenuItem::Speak, on);
  if (on)
    messageText_.OfferWaitText(true, false);
  else
    platform_.speech.StopSpeech();
}

void Engine::SetTextOut(bool on) {
  if (on == click_.SendPages) return;
  click_.SendPages = on;
  platform_.window.SetMenuItemChecked(MenuItem::TextOut, on);
  if (on) messageText_.OfferWaitText(false, true);
}

void Engine::SpeakChoiceLabel(const std::string& label) {
  SpeakFocusedLabel(click_, platform_.speech, label);
}

void Engine::SetReaderSettings(const config::ReaderSettings& reader) {
  settings_.reader = reader;
  UseReaderSettings();
}

void Engine::UseReaderSettings() {
  // The waits read these on every pass, so a change from the settings
  // dialog counts from the wait that is running.
  const config::ReaderSettings& r = settings_.reader;
  click_.AutoBaseMs = r.autoBaseMs;
  click_.AutoPerCharMs = r.autoPerCharMs;
  click_.SkipPastChoices = !r.skipStopsAtChoices;
  click_.SkipUnread = r.skipUnread;
}

void Engine::StartSkipRead() {
  click_.SkipReadMode = true;
  click_.ClearClicks();
}

PlayerChoices Engine::Choices() const {
  const auto& table = messageText_.FontTable;
  return PlayerChoices{layers_.settings.DarknessEnabled,
                       click_.HighSpeedMode,
                       click_.PageUnitMode,
                       sound_.EnableMusic,
                       sound_.EnableSound,
                       {table[0], table[1], table[2], table[3]}};
}

void Engine::StartText() {
  // Configured faces that are not installed give way to the first installed
  // candidate of the game's lists.
  config::Settings faces;
  faces.FontTable = settings_.fontTable;
  faces.DefaultFont = settings_.defaultFont;
  // Listing every installed face is needed only when the game has lists.
  const auto& lists = faces.DefaultFont;
  if (std::any_of(lists.begin(), lists.end(), [](const std::string& l) { return !l.empty(); }))
    config::ResolveFontCandidates(faces, fonts_.InstalledFaces());
  messageText_.FontTable = faces.FontTable;
  for (int i = 0; i < kPlayerFontSlotCount; ++i)
    if (messageText_.FontTable[i].empty()) messageText_.FontTable[i] = config::DefaultMessageFont();
  UseFontTable();
  messageText_.LoadClickIcon(settings_.icon);
  messageText_.record.Create(settings_.textMaxIndex.value_or(0));
  platform_.window.SetMenuItemEnabled(MenuItem::SkipRead, settings_.textMaxIndex.has_value());
  platform_.window.SetMenuItemChecked(MenuItem::HighSpeed, click_.HighSpeedMode);
  platform_.window.SetMenuItemChecked(MenuItem::PageUnit, click_.PageUnitMode);
}

bool Engine::OnCloseRequest() {
  const uint32_t asked = platform_.pump.TickCount();
  const BoxAnswer answer = platform_.dialogs.MessageBox(J("終了しますか？"), J("終了"),
                                                        BoxButtons::OkCancel, BoxIcon::Question);
  click_.DialogMs += static_cast<uint32_t>(platform_.pump.TickCount() - asked);
  if (answer == BoxAnswer::Ok) return true;
  // The click that cancelled must not continue the story.
  click_.ClearClicks();
  return false;
}

void Engine::ExitWithSaving() {
  throw EngineExit{0, true};
}

SavePoint Engine::CaptureSavePoint() const {
  SavePoint point;
  point.flags = flags_.CopyHalf(0);
  point.prog = prog_;
  point.ProgArgs = *progArgs_;
  point.text = messageText_.text;
  point.layers = layers_.state;
  point.log = log_.book;
  point.channels = sound_.channels;
  point.selection = selection_;
  point.switches = switches_;
  point.CursorKind = cursor_.Kind();
  point.ClickFlag = flags_.clickFlag;
  return point;
}

void Engine::RestoreSavePoint(const SavePoint& point) {
  savePoint_ = point;
  flags_.SetHalf(0, point.flags);
  RebuildFlagRows();
  prog_ = point.prog;
  restoredArgs_ = point.ProgArgs;
  progArgs_ = &restoredArgs_;
  // The faces come from the table again: the player may have changed it.
  messageText_.text = point.text;
  UseFontTable();
  layers_.state = point.layers;
  // A channel's place in its track and its flags stay live: the restart of
  // the sound after a load reads them from the save point instead.
  ChannelRecords& channels = sound_.channels;
  for (size_t i = 0; i < channels.size(); ++i) {
    channels[i].fileName = point.channels[i].fileName;
    channels[i].timesPlayed = point.channels[i].timesPlayed;
    channels[i].repeatCount = point.channels[i].repeatCount;
  }
  selection_ = point.selection;
  switches_ = point.switches;
  cursor_.Choose(point.CursorKind);
  flags_.clickFlag = point.ClickFlag;
  platform_.window.SetCaption(prog_.ProgChapter);
}

std::vector<std::string> Engine::StateDump() const {
  std::vector<std::string> out;
  out.push_back("LogTotalPage:" + std::to_string(log_.book.LogTotalPage));
  out.push_back("LogCurrentPage:" + std::to_string(log_.book.LogCurrentPage));
  out.push_back("LogCurrentLine:" + std::to_string(log_.book.LogCurrentLine));
  out.push_back("SaveLogStartPage:" + std::to_string(log_.book.SaveLogStartPage));
  out.push_back("SaveLogTotalPage:" + std::to_string(log_.book.SaveLogTotalPage));
  out.push_back("ProgFileName:" + prog_.ProgFileName);
  out.push_back("ProgChapter:" + prog_.ProgChapter);
  out.push_back("ProgExecLine:" + std::to_string(prog_.ProgExecLine));
  out.push_back("ProgNextLine:" + std::to_string(prog_.ProgNextLine));
  out.push_back("ProgRetStack:" + std::to_string(prog_.ProgRetStack));
  out.push_back("Prog[_if]Result:" + std::to_string(prog_.ProgIfResult));
  out.push_back("Prog[_sel]Result:" + std::to_string(prog_.ProgSelResult));
  out.push_back("ProgMultiStateFlag:" +
                std::to_string(static_cast<int32_t>(prog_.ProgMultiStateFlag)));
  out.push_back("ProgRunningScript:");
  if (prog_.ProgExecLine > 0 && prog_.ProgExecLine < script_.LineCount())
    out.push_back("\"" + std::string(TrimBlanks(script_.Lines()[prog_.ProgExecLine])) + "\"");
  else
    out.push_back(J("**実行が終了しているか、スクリプトが走っていません**"));
  std::error_code ec;
  const std::string folder =
      files_.Root().empty() ? std::filesystem::current_path(ec).string() : files_.Root();
  out.push_back(J("カレントDIR:") + "\"" + cp932::FromUtf8(folder) + "\"");
  return out;
}

}  // namespace korvana
