// Going back a page and forward again, from the save points kept in memory.
#include "core/Cp932.h"
#include "script/Engine.h"

namespace korvana {

void Engine::TakeSavePoint() {
  savePoint_ = CaptureSavePoint();
  CaptureThumbnail();
  pages_.Capture(savePoint_, random_, log_.SavedPages(), stoppedOnPage_);
  choseSincePage_ = false;
  stoppedOnPage_ = false;
}

void Engine::OfferPageSteps(bool offered) {
  pageStepsOffered_ = offered;
  stoppedOnPage_ = stoppedOnPage_ || offered;
  // "一つ前に戻る" stays offered on the oldest page kept, where it explains
  // why it goes no further.
  platform_.window.SetMenuItemEnabled(MenuItem::Back, offered && !pages_.Empty());
  platform_.window.SetMenuItemEnabled(MenuItem::Forward, offered && CanStepForward());
}

bool Engine::CanStepForward() const {
  return pages_.Later() && !choseSincePage_;
}

void Engine::GoBack() {
  // A load or title return chosen in the same breath goes first.
  if (!pageStepsOffered_ || click_.RequestPending()) return;
  if (!pages_.Earlier()) {
    platform_.window.ShowNote(J("これより前には戻れません"));
    return;
  }
  click_.ClearClicks();
  click_.PendingRequest = Request::Back;
}

void Engine::GoForward() {
  if (!pageStepsOffered_ || click_.RequestPending() || !CanStepForward()) return;
  click_.ClearClicks();
  click_.PendingRequest = Request::Forward;
}

bool Engine::StepPage(int delta) {
  const PageEntry* entry = delta < 0 ? pages_.Earlier() : pages_.Later();
  if (!entry) return false;
  // The script is read again only when the page lies in another one.
  std::optional<std::vector<std::string>> lines;
  if (entry->point.prog.ProgFileName != prog_.ProgFileName) {
    lines = ReadSavedScript(entry->point.prog);
    if (!lines) return false;
  } else if (entry->point.prog.ProgExecLine >= script_.LineCount()) {
    return false;
  }
  pages_.Step(delta);
  RestoreGame(entry->point, entry->LogPages(), lines ? &*lines : nullptr, false);
  random_ = entry->random;
  choseSincePage_ = false;
  stoppedOnPage_ = false;
  platform_.observer.ReaderEvent(delta < 0 ? "back" : "forward",
                                 std::to_string(pages_.Behind()));
  return true;
}

}  // namespace korvana
