// The flow every selection command shares; the commands bind their
// arguments in commands/SelectCommands.cpp and the choices are select/.
#include "core/Cp932.h"
#include "script/Coverage.h"
#include "script/Engine.h"
#include "select/ItemLines.h"

namespace korvana {

void Engine::RunSelection(bool textMenu, bool keepPlaces, const std::function<int()>& choose) {
  Window& window = platform_.window;
  const bool canSave = !switches_.SaveDisabled && HasSavePoint();
  window.SetMenuItemEnabled(MenuItem::Save, canSave);
  window.SetMenuItemEnabled(MenuItem::QuickSave, canSave);
  // A reader who regrets the page before may go back to it from here, as
  // from any place where saving is allowed.
  OfferPageSteps(canSave);
  window.SetMenuItemEnabled(MenuItem::Font, false);
  const bool dirty = layers_.LayersDirty;
  if (textMenu) layers_.LayersDirty = true;

  const int32_t commandLine = prog_.ProgExecLine;
  ++prog_.ProgExecLine;
  std::array<int32_t, SelectionItems::kMaxItems> itemLines{};
  if (!ReadItemLines(script_.Lines(), prog_.ProgExecLine, keepPlaces, eval_, *this, selection_,
                     coverage_ ? &itemLines : nullptr)) {
    // Reported on the command's line; the choice goes on with what was read
    // and the script ends after it.
    const int32_t end = prog_.ProgExecLine;
    prog_.ProgExecLine = commandLine;
    ScriptError(J("_endselが見つかりません"));
    prog_.ProgExecLine = end;
  }
  // Before the choice shows: a reader who regrets the answer finds the
  // question in the automatic saves.
  AutoSave();
  const int r = choose();
  OfferPageSteps(false);
  // The picture choices give "フォント設定" back too: nothing else would.
  auto restoreMenu = [&] {
    window.SetMenuItemEnabled(MenuItem::Font, true);
    window.SetMenuItemEnabled(MenuItem::Save, false);
    window.SetMenuItemEnabled(MenuItem::QuickSave, false);
  };
  // Left by a page step: the step restores everything the choice changed.
  if (click_.RequestPending()) {
    restoreMenu();
    return;
  }
  choseSincePage_ = true;
  const int n = selection_.ItemCount;
  // Counted by the entry's place below the command, which conditions that
  // drop entries do not move.
  if (coverage_ && r >= 0 && r < n)
    coverage_->Chosen(itemLines[r] - commandLine - 1, selection_.ItemLabels[r]);
  if (n > 0 && r >= 0 && r < n && !selection_.ItemCommands[r].empty()) {
    prog_.ProgMultiStateFlag = MultiState::Conditional;
    const std::string command = selection_.ItemCommands[r];
    ExecuteCommand(command);
  }
  prog_.ProgSelResult = r;
  layers_.LayersDirty = dirty;
  restoreMenu();
}

}  // namespace korvana
