#include "script/Engine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/Cp932.h"
#include "platform/FileResolver.h"
#include "script/Tokens.h"
#include "text/TextCommands.h"

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

Engine::Engine(Platform& platform_, FlagStore& flags_, EngineSettings settings_)
    : platform(platform_),
      flags(flags_),
      settings(std::move(settings_)),
      script(*this),
      eval(flags_, *this, *this),
      waits(platform_, click, PendingRequest, CurrentTextId),
      layers(LayerEnvironment{platform_, *this, waits, click, settings.dataPath, BackImage,
                              WorkScreen, MessageImage, MessageMask, text.TextVisible,
                              DarknessSuppressed, CursorKind, settings.backgroundDarkness,
                              settings.darknessRate, settings.textHideMode,
                              [this](const std::string& e) { return eval.EvalInt(e); }}),
      messageText(TextEnvironment{platform_, prog, click, waits, eval, *this, BackImage, WorkScreen,
                                  MessageImage, MessageMask, CurrentTextId, PendingRequest,
                                  SaveDisabled, settings.dataPath},
                  text, log, fonts),
      logScreen(platform_, click, log, messageText, fonts, BackImage, *this, settings.dataPath) {
  prog.ProgChapter = "Korvana";
  textOutput_ = &messageText;
  messageText.hooks.markLayersDirty = [this] { layers.LayersDirty = true; };
  messageText.hooks.refreshScreen = [this] { layers.RefreshScreen(); };
  ApplySettings(settings);
  platform.SetInputSink(this);
  platform.SetScreen(&BackImage);
  RegisterCommands();
}

Engine::~Engine() {
  platform.SetInputSink(nullptr);
  platform.SetScreen(nullptr);
}

void Engine::ApplySettings(EngineSettings newSettings) {
  settings = std::move(newSettings);
  messageText.FontTable = settings.fontTable;
  messageText.ResetAllTextFields();
  log.ClearLog();
  messageText.ResetTextState();
  logScreen.Tile = settings.tile;
  click.HighSpeedMode = settings.highSpeedText;
  click.PageUnitMode = settings.pageUnitText;
}

void Engine::Initialize() {
  random_.seed(platform.RandomSeed());
  ScriptKey = LoadDecodeKey();
  flags.Clear(2, "0");
}

void Engine::StartEngine() {
  if (platform.ColorDepth() < 15) {
    platform.MessageBox(J("16Bit HighColor 以上でないと色が正しく表示されません"), "",
                        BoxButtons::Ok, BoxIcon::Exclamation);
  }
  if (settings.debugMode && ValList.empty()) RebuildFlagRows();
  StartText();
  try {
    // The configured background is the first picture on screen; a file
    // that cannot be read takes the exception path like any other.
    if (!settings.background.empty()) layers.LoadBackground(settings.background);
    ChooseStartScript();
    RunScript();
  } catch (const ScriptException& e) {
    platform.ShowException(e.what());
    ReportScriptError(e.what());
  } catch (const std::exception& e) {
    // Anything else that escapes (out of memory, say) takes the same path:
    // shown, reported, and the run ends with the window still open.
    std::string message = cp932::FromUtf8(e.what());
    platform.ShowException(message);
    ReportScriptError(message);
  }
}

void Engine::ChooseStartScript() {
  std::string name = "autorun.txt";
  if (!FileExists(ResolvePath("autorun.txt")) && !FileExists(ResolvePath("autorun.txd"))) {
    std::string picked;
    if (platform.OpenScriptDialog(picked)) {
      namespace fs = std::filesystem;
      fs::path path(cp932::ToUtf8(picked));
      std::error_code ec;
      if (path.parent_path() != fs::current_path(ec)) {
        BoxAnswer answer = platform.MessageBox(
            J("例：\nサンプルプログラム実行の時→はい\n制作中ソフトのテストプレイの時→いいえ"),
            J("カレントＤＩＲを変更しますか？"), BoxButtons::YesNo, BoxIcon::Question);
        if (answer == BoxAnswer::Yes) fs::current_path(path.parent_path(), ec);
      }
      name = picked;
    }
  }
  prog.ProgFileName = name;
  prog.ProgIfResult = 0;
  LoadScript(name);
  prog.ProgChapter = "Korvana";
  platform.SetCaption(prog.ProgChapter);
  flags.ResetGameFlags();
}

void Engine::LoadScript(const std::string& name) {
  script.SetLines(ScriptFile::OpenScriptFile(name, settings.dataPath, ScriptKey));
  missingMarkers_.clear();
  prog.ProgExecLine = 0;
  prog.ProgNextLine = -1;
  prog.ProgResumeColumn = 0;
  prog.ProgRetStack = -1;
  prog.ProgMultiStateFlag = 0;
}

void Engine::RunScript() {
  std::string line;
  for (;;) {
    if (prog.ProgExecLine < 0 || prog.ProgExecLine >= script.LineCount()) return;
    platform.ScriptLineStarting();
    ++executedLines;
    // A copy: the command may load another script over this one.
    line = script.Lines()[prog.ProgExecLine];
    RunLine(line);
    if (PendingRequest != 0) ServeRequest();
    if (prog.ProgNextLine == -1) {
      ++prog.ProgExecLine;
    } else {
      prog.ProgExecLine = prog.ProgNextLine;
      prog.ProgNextLine = -1;
    }
  }
}

void Engine::RunLine(std::string_view raw) {
  std::string_view line = TrimBlanks(raw);
  if (!line.empty() && line[0] == '~') {
    CurrentTextId = ParseTextId(line.substr(1, 8));
    line = line.size() > 9 ? line.substr(9) : std::string_view();
  } else {
    CurrentTextId = -1;
  }
  if (line.empty()) return;
  const std::string_view rest = line.substr(1);
  switch (line[0]) {
    case '_':
      prog.ProgMultiStateFlag = 0;
      ExecuteCommand(line);
      break;
    case '!':
      prog.ProgChapter = std::string(rest);
      platform.SetCaption(prog.ProgChapter);
      break;
    case ':':
    case ';':
    case '#':
      break;
    case '\\':
      textOutput_->ShowPlainText(std::string(rest) + "\n");
      break;
    default:
      textOutput_->ShowTextLine(line, 1);
      break;
  }
}

void Engine::ServeRequest() {
  if (PendingRequest == 1) {
    // Loading the chosen slot restores the interpreter state; a game saved
    // inside a text line shows that line again from where it was.
    CurrentTextId = -1;
    if (prog.ProgMultiStateFlag == 2 && prog.ProgExecLine >= 0 &&
        prog.ProgExecLine < script.LineCount()) {
      std::string_view line = TrimBlanks(script.Lines()[prog.ProgExecLine]);
      if (!line.empty() && line[0] == '~') line = line.size() > 9 ? line.substr(9) : "";
      textOutput_->ClearPage();
      if (prog.ProgResumeColumn < static_cast<int32_t>(line.size()))
        textOutput_->ShowTextLine(line, prog.ProgResumeColumn);
    }
  } else {
    // Return to the title: an empty stage (with the configured background),
    // the start script, and the switches of a new game.
    layers.ResetLayers();
    layers.AutoRefreshMode.clear();
    if (!settings.background.empty()) layers.LoadBackground(settings.background);
    ChooseStartScript();
    DarknessSuppressed = PopupDisabled = SaveDisabled = LogDisabled = false;
    flags.clickFlag = -1;
  }
  PendingRequest = 0;
}

void Engine::ExecuteCommand(std::string_view line) {
  if (commandDepth_ >= kMaxCommandNesting) {
    ScriptError(J("条件行の入れ子が深すぎます"));
    return;
  }
  struct DepthGuard {
    int& d;
    explicit DepthGuard(int& v) : d(v) { ++d; }
    ~DepthGuard() { --d; }
  } guard(commandDepth_);

  const std::string name = SplitCommandLine(line, prog.ProgArgs);
  if (name.compare(0, 2, "_(") == 0) {
    int pos = 2;
    if (eval.EvalAt(name, pos) != 0) {
      prog.ProgMultiStateFlag = 1;
      const std::string inner = prog.ProgArgs[0];
      ExecuteCommand(inner);
    }
    return;
  }
  if (name.compare(0, 5, "_$flg") == 0 || name.compare(0, 5, "_@flg") == 0) {
    AssignFlag(name);
    return;
  }
  if (const CommandTable::Handler* handler = commands.Find(name)) {
    (*handler)();
    return;
  }
  if (name.compare(0, 4, "_end") == 0) return;
  ScriptError(J("コマンドが変です") + name);
}

void Engine::AssignFlag(const std::string& name) {
  const std::string value = prog.ProgArgs[0];
  // The reference without the command's "_" is what a report shows.
  const int index = eval.ParseFlagTarget(std::string_view(name).substr(1), 1);
  if (name[1] == '$') {
    flags.Set(index, std::to_string(eval.EvalInt(value)));
  } else if (!value.empty() && value[0] == '@') {
    int pos = 1;
    flags.Set(index, eval.ReadFlagText(value, pos));
  } else {
    flags.Set(index, value);
  }
  UpdateFlagRow(index);
}

void Engine::UpdateFlagRow(int index) {
  if (!settings.debugMode) return;
  if (ValList.size() != FlagStore::kCount) ValList.resize(FlagStore::kCount);
  char head[16];
  std::snprintf(head, sizeof head, "%03d = ", index);
  ValList[index] = head + flags.Get(index);
}

void Engine::RebuildFlagRows() {
  if (!settings.debugMode) return;
  for (int i = 0; i < FlagStore::kCount; ++i) UpdateFlagRow(i);
}

std::string Engine::MessageDetail(const std::string& message) const {
  return "File:" + prog.ProgFileName + " Line:" + std::to_string(prog.ProgExecLine + 1) + "/" +
         message;
}

void Engine::ScriptError(const std::string& message) {
  platform.MessageBox(message, "", BoxButtons::Ok, BoxIcon::Exclamation);
  ReportScriptError(message);
}

void Engine::ReportScriptError(const std::string& message) {
  const std::string detail = MessageDetail(message);
  BoxAnswer answer =
      platform.MessageBox(J("エラー発生！！強制終了しますか？(設定ファイルを保存しません)"), detail,
                          BoxButtons::YesNo, BoxIcon::Question);
  if (answer == BoxAnswer::Yes) throw EngineExit{1, false};
  if (settings.debugMode) ErrList.push_back(detail);
}

int32_t Engine::SystemValue(int index) {
  auto draw = [&] { return static_cast<int32_t>(random_() >> 1); };
  auto divide = [](int32_t a, int32_t b) { return b == 0 ? 0 : a / b; };
  const TextState& t = text;
  switch (index) {
    case 0:
      return mouseX;
    case 1:
      return mouseY;
    case 2:
      return settings.debugMode ? 1 : 0;
    case 3:
      return settings.backgroundDarkness ? 1 : 0;
    case 4:
      return t.CharWidth;
    case 5:
      return t.LineHeight;
    case 6:
      return t.LineGap;
    case 7:
      return t.FontIndex;
    case 8:
      return t.LeftMargin;
    case 9:
      return t.RightLimit;
    case 10:
      return t.BottomLimit;
    case 11:
      return t.SizeUnits;
    case 12:
      return t.FontHeight;
    case 13:
      return t.RubyFontHeight;
    case 14:
      return t.CharWait;
    case 15:
      return t.CursorX;
    case 16:
      return t.CursorY;
    case 17:
      return divide(t.CursorX - t.LeftMargin, t.CharWidth);
    case 18:
      return divide(t.CursorY, t.LineHeight + t.LineGap);
    case 19:
      return kVersionNumber;
    case 20:
      return draw() % 100;
    case 21:
      return draw() % 1024;
    case 30:
      return draw() % 2147483647;
    case 31:
      return static_cast<int32_t>(platform.TickCount());
    default:
      break;
  }
  if (index >= 22 && index <= 29) {
    const LocalTime now = platform.Now();
    switch (index) {
      case 22:
        return now.second;
      case 23:
        return now.minute;
      case 24:
        return now.hour;
      case 25:
        return now.day;
      case 26:
        return now.month;
      case 27:
        return now.yearSince1900 < 71 ? 2000 + now.yearSince1900 : 1900 + now.yearSince1900;
      case 28:
        return now.weekday;
      case 29:
        return now.yearDay;
    }
  }
  return 0;
}

void Engine::OnMouseDown(int x, int y, MouseButton button) {
  if (logScreen.IsOpen()) {
    logScreen.MouseDown(x, y, button);
    return;
  }
  click.MouseDownFlag = true;
  click.SkipReadMode = false;
}

void Engine::OnMouseUp(int x, int y, MouseButton button) {
  if (logScreen.IsOpen()) {
    logScreen.MouseUp(x, y, button);
    return;
  }
  click.MouseUpFlag = true;
  if (click.TextActive) click.FinishTextFlag = true;
}

void Engine::OnClick(int, int) {
  if (logScreen.IsOpen()) return;  // the log screen's buttons act on release
  if (flags.clickFlag >= 0 && flags.clickFlag < FlagStore::kCount) {
    flags.Set(flags.clickFlag, "1");
    UpdateFlagRow(flags.clickFlag);
  }
  if (click.ClickEnabled) click.ClickFlag = true;
}

void Engine::OnMouseMove(int x, int y) {
  mouseX = x;
  mouseY = y;
}

void Engine::OnKey(Key key) {
  switch (key) {
    case Key::Escape:
      platform.RequestClose();
      break;
    case Key::Space:
      if (click.PageUnitMode) TogglePageUnit();
      break;
    case Key::Enter:
      if (click.TextActive) click.FinishTextFlag = true;
      if (click.ClickEnabled) click.ClickFlag = true;
      break;
    case Key::Other:
      break;
  }
}

void Engine::OnTimer1() {
  messageText.OnTimer1();
}

void Engine::OnWheel(int, int, int delta) {
  // Turning the wheel up in a click wait reads back; it never advances text.
  if (logScreen.IsOpen()) {
    logScreen.Wheel(delta);
    return;
  }
  if (delta > 0 && messageText.InClickWait() && click.ModalDepth == 0) ShowLogScreen();
}

void Engine::OnCtrl(bool down) {
  click.CtrlSkip = down && click.ModalDepth == 0 && !logScreen.IsOpen();
}

void Engine::ToggleHighSpeed() {
  click.HighSpeedMode = !click.HighSpeedMode;
  platform.SetMenuItemChecked(MenuItem::HighSpeed, click.HighSpeedMode);
  click.ClearClicks();
}

void Engine::TogglePageUnit() {
  click.PageUnitMode = !click.PageUnitMode;
  platform.SetMenuItemChecked(MenuItem::PageUnit, click.PageUnitMode);
  click.ClearClicks();
}

void Engine::StartSkipRead() {
  click.SkipReadMode = true;
  click.ClearClicks();
}

void Engine::StartText() {
  // Configured faces that are not installed give way to the first installed
  // candidate of the game's lists.
  config::Settings faces;
  faces.FontTable = settings.fontTable;
  faces.DefaultFont = settings.defaultFont;
  config::ResolveFontCandidates(faces, fonts.InstalledFaces());
  messageText.FontTable = faces.FontTable;
  for (int i = 0; i < 4; ++i)
    if (messageText.FontTable[i].empty()) messageText.FontTable[i] = config::DefaultMessageFont();
  text.FontName = messageText.FontTable[std::clamp(text.FontIndex, 0, 6)];
  text.RubyFontName = messageText.FontTable[3];
  messageText.LoadClickIcon(settings.icon);
  messageText.record.Create(settings.textMaxIndex.value_or(0));
  platform.SetMenuItemEnabled(MenuItem::SkipRead, settings.textMaxIndex.has_value());
  platform.SetMenuItemChecked(MenuItem::HighSpeed, click.HighSpeedMode);
  platform.SetMenuItemChecked(MenuItem::PageUnit, click.PageUnitMode);
}

bool Engine::OnCloseRequest() {
  if (platform.MessageBox(J("終了しますか？"), J("終了"), BoxButtons::OkCancel,
                          BoxIcon::Question) == BoxAnswer::Ok)
    return true;
  // The click that cancelled must not continue the story.
  click.ClearClicks();
  return false;
}

void Engine::ExitWithSaving() {
  throw EngineExit{0, true};
}

std::vector<std::string> Engine::StateDump() const {
  std::vector<std::string> out;
  out.push_back("LogTotalPage:" + std::to_string(log.LogTotalPage));
  out.push_back("LogCurrentPage:" + std::to_string(log.LogCurrentPage));
  out.push_back("LogCurrentLine:" + std::to_string(log.LogCurrentLine));
  out.push_back("SaveLogStartPage:" + std::to_string(log.SaveLogStartPage));
  out.push_back("SaveLogTotalPage:" + std::to_string(log.SaveLogTotalPage));
  out.push_back("ProgFileName:" + prog.ProgFileName);
  out.push_back("ProgChapter:" + prog.ProgChapter);
  out.push_back("ProgExecLine:" + std::to_string(prog.ProgExecLine));
  out.push_back("ProgNextLine:" + std::to_string(prog.ProgNextLine));
  out.push_back("ProgRetStack:" + std::to_string(prog.ProgRetStack));
  out.push_back("Prog[_if]Result:" + std::to_string(prog.ProgIfResult));
  out.push_back("Prog[_sel]Result:" + std::to_string(prog.ProgSelResult));
  out.push_back("ProgMultiStateFlag:" + std::to_string(prog.ProgMultiStateFlag));
  out.push_back("ProgRunningScript:");
  if (prog.ProgExecLine > 0 && prog.ProgExecLine < script.LineCount())
    out.push_back("\"" + std::string(TrimBlanks(script.Lines()[prog.ProgExecLine])) + "\"");
  else
    out.push_back(J("**実行が終了しているか、スクリプトが走っていません**"));
  std::error_code ec;
  out.push_back(J("カレントDIR:") + "\"" +
                cp932::FromUtf8(std::filesystem::current_path(ec).string()) + "\"");
  return out;
}

void Engine::RegisterCommands() {
  for (std::string_view name : PendingCommandNames()) commands.Add(name, [] {});
  RegisterFlowCommands();
  RegisterFlagCommands();
  RegisterSystemCommands();
  RegisterLayerCommands();
  RegisterTextCommands(commands, prog, eval, text, messageText, log);
}

}  // namespace korvana
