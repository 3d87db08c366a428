// Quick save and quick load (slot 81) and the automatic saves (82 to 84).
#include <string>

#include "core/Cp932.h"
#include "save/SaveFiles.h"
#include "script/Engine.h"

namespace korvana {

void Engine::QuickSave() {
  // The same writer, boxes and global data as a save chosen in the dialog:
  // only the slot's number tells the files apart.
  if (WriteSlot(kQuickSlot)) platform_.observer.ReaderEvent("qsave", std::to_string(kQuickSlot));
}

void Engine::QuickLoad() {
  click_.ClearClicks();
  if (!SlotUsed(Saves(), kQuickSlot)) {
    platform_.window.ShowNote(J("クイックセーブがありません"));
    return;
  }
  platform_.observer.ReaderEvent("qload", std::to_string(kQuickSlot));
  RequestLoadSlot(kQuickSlot);
}

void Engine::AutoSave() {
  if (!autoSavesAllowed_ || !settings_.reader.autoSaves || switches_.SaveDisabled ||
      !HasSavePoint())
    return;
  const SaveFolder folder = Saves();
  const int number = NextAutoSlot(folder, autoSlotsWritten_);
  FileBatch batch = SlotBatch(folder, number);
  if (batch.CommitSlot(number)) {
    std::erase(autoSlotsWritten_, number);
    autoSlotsWritten_.push_back(number);
    autoSaveFailureShown_ = false;
    platform_.observer.ReaderEvent("autosave", std::to_string(number));
    return;
  }
  // A folder that cannot be written stays so for a while: one note, not one
  // at every choice.
  if (!autoSaveFailureShown_) {
    autoSaveFailureShown_ = true;
    platform_.window.ShowNote(J("オートセーブできませんでした") + " " + folder.Shown());
  }
}

}  // namespace korvana
