// The author's reload: the running script read again in place, the story
// going on at the same line of the new text.
#include "core/Ascii.h"
#include "core/Cp932.h"
#include "script/Engine.h"
#include "script/ReloadLines.h"

namespace korvana {
namespace {

// A script is found again by its file name alone: the story names it with
// or without a folder, in any case.
std::string FileNameKey(std::string_view name) {
  const size_t slash = name.find_last_of("/\\");
  return LowerAscii(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

// Every line a position names: the line running, the jump about to be
// taken and each frame's return.
void MovePositions(const LineMap& map, ProgState& prog) {
  prog.ProgExecLine = map.Map(prog.ProgExecLine);
  if (prog.ProgNextLine != -1) prog.ProgNextLine = map.Map(prog.ProgNextLine);
  for (int32_t i = 0; i <= prog.ProgRetStack && i < ProgState::kReturnDepth; ++i)
    prog.ReturnAddresses[i] = map.MapReturn(prog.ReturnAddresses[i]);
}

}  // namespace

std::vector<std::string> Engine::ReadScriptLines(const std::string& name) const {
  if (!replacedScripts_.empty()) {
    const auto it = replacedScripts_.find(FileNameKey(files_.Expand(name)));
    if (it != replacedScripts_.end()) return SplitLines(it->second);
  }
  return ScriptFile::OpenScriptFile(name, files_, scriptKey_);
}

void Engine::ReplaceScriptFile(const std::string& fileName, std::string bytes) {
  replacedScripts_[FileNameKey(fileName)] = std::move(bytes);
}

std::string Engine::RunningScriptFile() const {
  if (!scriptStarted_ || prog_.ProgFileName.empty()) return {};
  return ScriptFile::LocateScriptFile(prog_.ProgFileName, files_).path;
}

bool Engine::RunningScriptChanged() const {
  if (!scriptStarted_ || prog_.ProgFileName.empty()) return false;
  try {
    return ReadScriptLines(prog_.ProgFileName) != script_.Lines();
  } catch (const ScriptException&) {
    // Gone for a moment (an editor renames its copy into place): the
    // change that brings it back is the one to read.
    return false;
  }
}

void Engine::ReloadScript() {
  if (!scriptStarted_ || prog_.ProgFileName.empty()) return;
  const std::string file = prog_.ProgFileName;
  // Everything is read and checked before anything changes: a text that
  // cannot run leaves the story as it was.
  std::vector<std::string> lines;
  try {
    lines = ReadScriptLines(file);
  } catch (const ScriptException& e) {
    ReportReloadFailure(file, e.what());
    return;
  }
  if (const std::optional<ReloadRefusal> refusal = FindReloadRefusal(lines)) {
    ReportReloadFailure(file, file + ":" + std::to_string(refusal->line) + ": " + refusal->message);
    return;
  }
  const LineMap map(script_.Lines(), lines);
  const int32_t before = prog_.ProgExecLine;
  // A text line waiting for a click is drawn again; any other wait (a
  // choice, a timed wait) goes on where it is, its line moved.
  const bool drawAgain = prog_.ProgMultiStateFlag == MultiState::InText &&
                         messageText_.InClickWait() && lineStartLine_ == before &&
                         !click_.RequestPending();
  MovePositions(map, prog_);
  // The save point and the pages kept for stepping back stand in this
  // script too: a save or a step after the reload finds their lines.
  auto move = [&](SavePoint& point) {
    if (point.prog.ProgFileName == file) MovePositions(map, point.prog);
  };
  move(savePoint_);
  pages_.ChangePoints(move);
  script_.SetLines(std::move(lines));
  missingMarkers_.clear();
  lineStartLine_ = drawAgain ? prog_.ProgExecLine : -1;
  const std::string moved = std::to_string(before + 1) + " → " + std::to_string(prog_.ProgExecLine + 1);
  platform_.observer.ReaderEvent("reload", cp932::ToUtf8(file) + "\t" + moved);
  platform_.window.ShowNote(J("スクリプト再読込: ") + file + " " + cp932::FromUtf8(moved));
  if (drawAgain) {
    click_.ClearClicks();
    click_.PendingRequest = Request::Reload;
  }
}

void Engine::DrawReloadedLineAgain() {
  if (lineStartLine_ < 0) return;
  messageText_.ReturnToLineStart(lineStart_);
  log_.LogPages = lineStartLog_;
  log_.book = lineStartBook_;
  prog_.JumpTo(lineStartLine_);
}

void Engine::ReportReloadFailure(const std::string& file, const std::string& why) {
  platform_.observer.ReaderEvent("reload", cp932::ToUtf8(file) + "\tfailed: " + cp932::ToUtf8(why));
  platform_.window.ShowNote(J("スクリプトを読み直せません: ") + why);
  // The debug window lists it with the run's errors, where an author looks.
  if (!settings_.debugMode) return;
  if (errorLines_.size() >= kMostErrorLines) errorLines_.erase(errorLines_.begin());
  errorLines_.push_back(J("スクリプトを読み直せません: ") + why);
  platform_.dialogs.DebugListChanged(DebugList::Errors, -1);
}

}  // namespace korvana
