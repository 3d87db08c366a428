// The author's ways of moving the story: starting it at a place, the debug
// window's jump to a label, and running it one line at a time.
#include "expr/FlagDump.h"
#include "script/Engine.h"

namespace korvana {

void Engine::StartAt(std::optional<ScriptPlace> place,
                     std::optional<std::vector<std::string>> flags) {
  startPlace_ = std::move(place);
  if (flags && flags->size() != FlagStore::kCount) flags.reset();
  startFlags_ = std::move(flags);
}

std::vector<DebugLabel> Engine::GameLabels() const {
  return korvana::GameLabels(files_, scriptKey_);
}

bool Engine::JumpToLabel(const DebugLabel& label) {
  pendingJump_ = ScriptPlace{label.file, label.line + 1};
  if (!running_) return true;
  // Served between two lines: the wait or the text line in progress ends
  // as it does for a load.
  click_.PendingRequest = Request::Jump;
  return false;
}

void Engine::ServeJump() {
  if (!pendingJump_) return;
  const ScriptPlace place = std::move(*pendingJump_);
  pendingJump_.reset();
  if (place.file != prog_.ProgFileName) {
    LoadScript(place.file);
    prog_.ProgFileName = place.file;
  }
  // The way back of a subroutine belongs to the path the story left.
  prog_.ProgRetStack = -1;
  prog_.JumpTo(place.line);
}

void Engine::RunAgain() {
  if (!pendingJump_) return;
  try {
    ServeJump();
    AdvanceLine();
    RunScript();
  } catch (const std::exception& e) {
    ReportEscapedError(e);
  }
}

void Engine::StepLine() {
  if (paused_)
    stepGranted_ = true;
  else
    stepping_ = true;
}

void Engine::ContinueStory() {
  stepping_ = false;
}

bool Engine::PauseBeforeLine() {
  // A wait like a wait for input: the window stays live, and a load, a
  // title return or a jump chosen meanwhile is served, after which the
  // story stops again at its new place.
  struct Paused {
    Engine& e;
    explicit Paused(Engine& engine) : e(engine) {
      e.paused_ = true;
      e.platform_.dialogs.DebugListChanged(DebugList::Place, -1);
    }
    ~Paused() {
      e.paused_ = false;
      e.stepGranted_ = false;
      e.platform_.dialogs.DebugListChanged(DebugList::Place, -1);
    }
  };
  {
    Paused paused(*this);
    waits_.PumpUntil([this] { return !stepping_ || stepGranted_; });
  }
  // A click on the story while it stood belongs to no wait after it.
  click_.ClearClicks();
  if (!click_.RequestPending()) return false;
  ServeRequest();
  AdvanceLine();
  return true;
}

std::string Engine::PausedAt() const {
  if (!paused_ || prog_.ProgExecLine < 0 || prog_.ProgExecLine >= script_.LineCount()) return {};
  return prog_.ProgFileName + ":" + std::to_string(prog_.ProgExecLine + 1);
}

bool PrepareStartPlace(Engine& engine, const std::string& spec, const std::string& flagsFile,
                       std::string& error) {
  std::optional<std::vector<std::string>> flags;
  if (!flagsFile.empty()) {
    std::vector<std::string> values;
    if (!ReadFlagDump(flagsFile, values, error)) {
      error = "--flags " + error;
      return false;
    }
    flags = std::move(values);
  }
  std::optional<ScriptPlace> place;
  if (!spec.empty()) {
    place = FindWarpPlace(spec, engine.Files(), LoadDecodeKey(engine.Files()),
                          engine.Settings().startScript, error);
    if (!place) {
      error = "--warp " + spec + ": " + error;
      return false;
    }
  }
  engine.StartAt(std::move(place), std::move(flags));
  return true;
}

}  // namespace korvana
