// Saving a game to a slot, loading one, returning to the title, and the
// global data of the installation. The files themselves are save/.
#include <algorithm>

#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "graphics/Transitions.h"
#include "script/Engine.h"

namespace korvana {
namespace {

// A script named by a save file must be one of the game's: a relative name
// that never climbs out of the game folder, or one on the data drive.
bool InsideTheGame(const std::string& name) {
  if (name.rfind(std::string(kDataDriveToken), 0) == 0) return true;
  if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::vector<SlotEntry> Engine::SlotTable() const {
  return SlotLabels(Saves());
}

void Engine::SaveFromDialog() {
  int slot = -1;
  if (!platform_.dialogs.SlotDialog(SlotMode::Save, SlotTable(), slot) || slot < 0 ||
      slot >= kSlotCount)
    return;
  WriteSlot(slot + 1);
}

void Engine::LoadFromDialog() {
  int slot = -1;
  if (platform_.dialogs.SlotDialog(SlotMode::Load, SlotTable(), slot) && slot >= 0 &&
      slot < kSlotCount)
    RequestLoadSlot(slot + 1);
  click.ClearClicks();
}

void Engine::AskTitleReturn() {
  click.ClearClicks();
  if (platform_.dialogs.MessageBox(J("タイトルに戻りますか？"), J("確認"), BoxButtons::OkCancel,
                                   BoxIcon::Question) != BoxAnswer::Cancel)
    RequestTitleReturn();
}

void Engine::RequestLoadSlot(int number) {
  pendingSlot_ = number;
  click.PendingRequest = Request::Load;
}

bool Engine::WriteSlot(int number) {
  Dialogs& dialogs = platform_.dialogs;
  if (savePoint_.Empty()) {
    // Nothing is written at all: a flag file without its status file would
    // leave the slot half old, half new.
    const std::string message = J("システムがセーブ可能な状態ではありません");
    dialogs.MessageBox(message, "", BoxButtons::Ok, BoxIcon::Exclamation);
    ReportScriptError(message);
    return false;
  }
  const SaveFolder folder = Saves();
  FileBatch batch;
  batch.Add(folder.SlotPath(number, ".hfd"), FlagFileBytes(savePoint_.flags));
  batch.Add(folder.SlotPath(number, ".hsd"), StatusFileBytes(savePoint_));
  batch.Add(folder.SlotPath(number, ".hld"), LogFileBytes(log.SavedPages()));
  batch.failAt = saveFault;
  batch.Commit();
  static const char* const kFailures[] = {"フラグデータ保存できず．．．",
                                          "ステータスデータ保存できず．．．",
                                          "回想データ保存できず．．．"};
  bool ok = true;
  for (size_t i = 0; i < batch.items.size(); ++i) {
    if (batch.items[i].written) continue;
    ok = false;
    dialogs.MessageBox(J(kFailures[i]), "", BoxButtons::Ok, BoxIcon::Exclamation);
  }
  SaveGlobalData();
  return ok;
}

void Engine::LoadGlobalData() {
  const SaveFolder folder = Saves();
  if (settings_.globalFlagSave) {
    FlagStore::Half global;
    if (auto bytes = ReadWholeFile(folder.Path("data0.hfd"));
        bytes && ParseFlagFile(*bytes, global))
      flags_.SetHalf(FlagStore::kGameCount, global);
    RebuildFlagRows();
  }
  if (messageText.record.Exists()) {
    if (auto bytes = ReadWholeFile(folder.Path("textid.dat"))) {
      std::vector<uint8_t>& bits = messageText.record.Bytes();
      std::copy_n(bytes->begin(), std::min(bytes->size(), bits.size()), bits.begin());
    }
  }
}

void Engine::SaveGlobalData() const {
  const SaveFolder folder = Saves();
  FileBatch batch;
  if (settings_.globalFlagSave) {
    batch.Add(folder.Path("data0.hfd"), FlagFileBytes(flags_.CopyHalf(FlagStore::kGameCount)));
  }
  if (messageText.record.Exists()) {
    const std::vector<uint8_t>& bits = messageText.record.Bytes();
    batch.Add(folder.Path("textid.dat"), std::string(bits.begin(), bits.end()));
  }
  batch.Commit();
  for (const FileBatch::Item& item : batch.items)
    if (!item.written)
      platform_.dialogs.MessageBox(J("フラグデータ保存できず．．．"), "", BoxButtons::Ok,
                                   BoxIcon::Exclamation);
}

void Engine::ResetStage() {
  layers.ResetLayers();
  messageText.MessageImage.Resize(kScreenWidth, kScreenHeight, 0x000000);
  messageText.MessageMask.Resize(kScreenWidth, kScreenHeight, 0xFFFFFF);
}

void Engine::LoadGame(int number) {
  // Everything is read and checked before anything changes: a damaged slot
  // leaves the story where the reader was.
  const SaveFolder folder = Saves();
  const std::string unreadable = J("ステータスデータが読めません．．．");
  auto refuse = [&] {
    platform_.dialogs.MessageBox(unreadable, "", BoxButtons::Ok, BoxIcon::Exclamation);
  };
  SavePoint point = savePoint_;
  if (auto bytes = ReadWholeFile(folder.SlotPath(number, ".hfd")))
    ParseFlagFile(*bytes, point.flags);
  const std::optional<std::string> status = ReadWholeFile(folder.SlotPath(number, ".hsd"));
  const std::optional<std::string> logBytes = ReadWholeFile(folder.SlotPath(number, ".hld"));
  std::optional<std::vector<std::vector<std::string>>> pages;
  if (logBytes) pages = ParseLogFile(*logBytes);
  if (!status || !ParseStatusFile(*status, point) || !pages ||
      !InsideTheGame(point.prog.ProgFileName)) {
    refuse();
    return;
  }
  // Values no script could have made are brought into range.
  point.prog.ProgRetStack =
      std::clamp<int32_t>(point.prog.ProgRetStack, -1, ProgState::kReturnDepth - 1);
  const auto state = static_cast<int32_t>(point.prog.ProgMultiStateFlag);
  if (state < 0 || state > 2) point.prog.ProgMultiStateFlag = MultiState::Command;
  std::vector<std::string> lines;
  try {
    lines = ScriptFile::OpenScriptFile(point.prog.ProgFileName, files_, ScriptKey);
  } catch (const ScriptException& e) {
    platform_.dialogs.MessageBox(e.what(), "", BoxButtons::Ok, BoxIcon::Exclamation);
    refuse();
    return;
  }

  sound.StopAll();
  ResetStage();
  log.RestorePages(*pages);
  script.SetLines(std::move(lines));
  missingMarkers_.clear();
  RestoreSavePoint(point);
  sound.ResumeAfterLoad(point.channels);
  platform_.window.SetCaption(prog.ProgChapter);
  layers.RestorePictures();
  cursor_.ShowChosen();
  RunTransition(layers, "#WIPE2");
  layers.RefreshScreen();
  ResumeSavedLine();
}

void Engine::ReturnToTitle() {
  sound.StopAll();
  ResetStage();
  messageText.ResetAllTextFields();
  cursor_.Choose(1);
  if (!settings_.background.empty()) layers.LoadBackground(settings_.background);
  switches = SystemSwitches{};
  layers.state.AutoRefreshMode.clear();
  flags_.clickFlag = -1;
  log.ClearLog();
  {
    // The message window is reset on a screen without the darkness.
    const bool darkness = layers.settings.DarknessEnabled;
    layers.settings.DarknessEnabled = false;
    messageText.ResetTextState();
    layers.settings.DarknessEnabled = darkness;
  }
  ChooseStartScript();
  prog.JumpTo(0);
}

bool Engine::RunMenuItem(std::string_view name) {
  if (name == "Msave")
    SaveFromDialog();
  else if (name == "Mload")
    LoadFromDialog();
  else if (name == "Mtitle")
    AskTitleReturn();
  else if (name == "Mback")
    ShowLogScreen();
  else if (name == "Ktxtwait")
    ToggleHighSpeed();
  else if (name == "Ktxtskip")
    TogglePageUnit();
  else if (name == "Mdarkness")
    ToggleDarkness();
  else if (name == "Khideimage")
    ShowMessageOnlyView();
  else if (name == "Khidetext")
    ShowPictureOnlyView();
  else if (name == "Mskipout")
    StartSkipRead();
  else if (name == "Kmusic")
    sound.ToggleMusic();
  else if (name == "Ksound")
    sound.ToggleSound();
  else if (name == "Kwinmode" || name == "Kfullscr")
    sound.RestartMusic();  // the window itself is the shell's
  else if (name == "Mexit")
    platform_.window.RequestClose();
  else if (name == "Kfont")
    ChooseFonts();
  else if (name == "Mversion")
    ShowVersion();
  else if (name == "Mdebug")
    ShowDebugWindow();
  else
    return false;
  click.ClearClicks();
  return true;
}

}  // namespace korvana
