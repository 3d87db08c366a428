// Saving a game to a slot, loading one, returning to the title, and the
// global data of the installation. The files themselves are save/.
#include <algorithm>
#include <filesystem>

#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "core/FileWriting.h"
#include "graphics/Picture.h"
#include "graphics/Transitions.h"
#include "save/SaveFiles.h"
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

// The interpreter's position must lie in the script the same save names:
// the line being run inside it, and every jump and return address in use at
// most one past its end (where the loop ends the story as a script would).
bool PositionFitsScript(const ProgState& prog, int32_t lineCount) {
  auto atMostEnd = [&](int32_t line) { return line >= 0 && line <= lineCount; };
  if (prog.ProgExecLine < 0 || prog.ProgExecLine >= lineCount) return false;
  if (prog.ProgNextLine != -1 && !atMostEnd(prog.ProgNextLine)) return false;
  for (int32_t i = 0; i <= prog.ProgRetStack; ++i)
    if (!atMostEnd(prog.ReturnAddresses[i])) return false;
  return true;
}

}  // namespace

SaveFolder Engine::Saves() const {
  return SaveFolder(files_, settings_.savePath);
}

std::vector<SlotEntry> Engine::SlotTable(SlotMode mode) const {
  return SlotLabels(Saves(), mode == SlotMode::Load ? kLastSlot : kSlotCount);
}

void Engine::SaveFromDialog() {
  int slot = -1;
  if (!platform_.dialogs.SlotDialog(SlotMode::Save, SlotTable(SlotMode::Save), slot) || slot < 0 ||
      slot >= kSlotCount)
    return;
  WriteSlot(slot + 1);
}

void Engine::LoadFromDialog() {
  int slot = -1;
  if (platform_.dialogs.SlotDialog(SlotMode::Load, SlotTable(SlotMode::Load), slot) && slot >= 0 &&
      slot < kLastSlot)
    RequestLoadSlot(slot + 1);
  click_.ClearClicks();
}

void Engine::AskTitleReturn() {
  click_.ClearClicks();
  if (platform_.dialogs.MessageBox(J("タイトルに戻りますか？"), J("確認"), BoxButtons::OkCancel,
                                   BoxIcon::Question) != BoxAnswer::Cancel)
    RequestTitleReturn();
}

void Engine::RequestLoadSlot(int number) {
  pendingSlot_ = number;
  click_.PendingRequest = Request::Load;
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
  FileBatch batch = SlotBatch(folder, number);
  const bool ok = batch.CommitSlot(number);
  static const char* const kFailures[] = {
      "フラグデータ保存できず．．．", "ステータスデータ保存できず．．．",
      "回想データ保存できず．．．", "画像データ保存できず．．．"};
  // One report for one failed save: the file that stopped it and the folder
  // the player has to look at. The global data goes to the same folder, so
  // its own failure would only say the same again.
  if (batch.failed >= 0)
    dialogs.MessageBox(J(kFailures[std::min<size_t>(batch.failed, std::size(kFailures) - 1)]) +
                           "\n" + folder.Shown(),
                       "", BoxButtons::Ok, BoxIcon::Exclamation);
  SaveGlobalData(batch.failed < 0);
  return ok;
}

FileBatch Engine::SlotBatch(const SaveFolder& folder, int number) const {
  FileBatch batch;
  batch.Add(folder.SlotPath(number, ".hfd"), FlagFileBytes(savePoint_.flags));
  batch.Add(folder.SlotPath(number, ".hsd"), StatusFileBytes(savePoint_));
  batch.Add(folder.SlotPath(number, ".hld"), LogFileBytes(log_.SavedPages()));
  // A save point restored without a picture (none is taken before the
  // screen has been drawn) gets the screen as it is.
  const Picture shot = thumbnail_.Empty()
                           ? ShrinkByAveraging(screen_.BackImage, kScreenWidth / kThumbnailWidth)
                           : thumbnail_;
  // Only running out of memory stops the encoder; the save then goes
  // without its picture rather than not at all.
  if (std::optional<std::string> png = EncodePng(shot))
    batch.Add(folder.SlotPath(number, ".png"), std::move(*png));
  batch.record = folder.RecordPath(number);
  return batch;
}

void Engine::CaptureThumbnail() {
  static_assert(kScreenWidth / kThumbnailWidth == kScreenHeight / kThumbnailHeight &&
                kScreenWidth % kThumbnailWidth == 0 && kScreenHeight % kThumbnailHeight == 0);
  thumbnail_ = ShrinkByAveraging(screen_.BackImage, kScreenWidth / kThumbnailWidth);
}

void Engine::LoadGlobalData() {
  const SaveFolder folder = Saves();
  // A save that a crash interrupted is completed before anything reads it.
  RecoverInterruptedSaves(folder);
  if (settings_.globalFlagSave) {
    FlagStore::Half global;
    if (auto bytes = ReadWholeFile(folder.Path("data0.hfd"), kMaxFlagFileBytes);
        bytes && ParseFlagFile(*bytes, global))
      flags_.SetHalf(FlagStore::kGameCount, global);
    RebuildFlagRows();
  }
  if (messageText_.record.Exists()) {
    std::vector<uint8_t>& bits = messageText_.record.Bytes();
    // A longer file gives only the record's length, as a shorter one fills
    // only its own.
    if (auto bytes = ReadPrefix(folder.Path("textid.dat"), bits.size()))
      std::copy(bytes->begin(), bytes->end(), bits.begin());
  }
}

void Engine::SaveGlobalData(bool report) const {
  const SaveFolder folder = Saves();
  std::string failures;
  if (settings_.globalFlagSave &&
      !WriteFileAtomically(folder.Path("data0.hfd"),
                           FlagFileBytes(flags_.CopyHalf(FlagStore::kGameCount))))
    failures += J("フラグデータ保存できず．．．") + "\n";
  if (messageText_.record.Exists()) {
    const std::vector<uint8_t>& bits = messageText_.record.Bytes();
    if (!WriteFileAtomically(folder.Path("textid.dat"), std::string(bits.begin(), bits.end())))
      failures += J("既読データ保存できず．．．") + "\n";
  }
  if (!failures.empty() && report)
    platform_.dialogs.MessageBox(failures + folder.Shown(), "", BoxButtons::Ok,
                                 BoxIcon::Exclamation);
}

void Engine::ResetStage() {
  layers_.ResetLayers();
  messageText_.MessageImage.Resize(kScreenWidth, kScreenHeight, 0x000000);
  messageText_.MessageMask.Resize(kScreenWidth, kScreenHeight, 0xFFFFFF);
}

void Engine::LoadGame(int number) {
  // Everything is read and checked before anything changes: a damaged slot
  // leaves the story where the reader was.
  const SaveFolder folder = Saves();
  const std::string unreadable = J("ステータスデータが読めません．．．");
  auto refuse = [&] {
    platform_.dialogs.MessageBox(unreadable, "", BoxButtons::Ok, BoxIcon::Exclamation);
  };
  RecoverSlotFiles(folder.RecordPath(number), number);
  SavePoint point = savePoint_;
  // A missing flag file is passed over, as the flags stay as they were; one
  // that is there but cannot be read whole is damage.
  const std::string flagPath = folder.SlotPath(number, ".hfd");
  const std::optional<std::string> flagBytes = ReadWholeFile(flagPath, kMaxFlagFileBytes);
  const bool flagsDamaged = !flagBytes && std::filesystem::symlink_status(flagPath).type() !=
                                              std::filesystem::file_type::not_found;
  if (flagBytes) ParseFlagFile(*flagBytes, point.flags);
  const std::optional<std::string> status =
      ReadWholeFile(folder.SlotPath(number, ".hsd"), kMaxStatusFileBytes);
  const std::optional<std::string> logBytes =
      ReadWholeFile(folder.SlotPath(number, ".hld"), kMaxLogFileBytes);
  std::optional<std::vector<std::vector<std::string>>> pages;
  if (logBytes) pages = ParseLogFile(*logBytes);
  if (flagsDamaged || !status || !ParseStatusFile(*status, point) || !pages ||
      !InsideTheGame(point.prog.ProgFileName)) {
    refuse();
    return;
  }
  // Values no script could have made are brought into range.
  point.prog.ProgRetStack =
      std::clamp<int32_t>(point.prog.ProgRetStack, -1, ProgState::kReturnDepth - 1);
  const auto state = static_cast<int32_t>(point.prog.ProgMultiStateFlag);
  if (state < 0 || state > 2) point.prog.ProgMultiStateFlag = MultiState::Command;
  std::optional<std::vector<std::string>> lines = ReadSavedScript(point.prog);
  if (!lines) {
    refuse();
    return;
  }
  // The pages read before belong to another story now.
  pages_.Clear();
  RestoreGame(point, *pages, &*lines, true);
  ResumeSavedLine();
}

std::optional<std::vector<std::string>> Engine::ReadSavedScript(const ProgState& prog) {
  std::vector<std::string> lines;
  try {
    lines = ReadScriptLines(prog.ProgFileName);
  } catch (const ScriptException& e) {
    platform_.dialogs.MessageBox(e.what(), "", BoxButtons::Ok, BoxIcon::Exclamation);
    return std::nullopt;
  }
  if (!PositionFitsScript(prog, static_cast<int32_t>(lines.size()))) return std::nullopt;
  return lines;
}

void Engine::RestoreGame(const SavePoint& point, const std::vector<LogPage>& logPages,
                         std::vector<std::string>* lines, bool transition) {
  sound_.StopAll();
  ResetStage();
  // The text line kept for a reload belongs to the story left behind.
  lineStartLine_ = -1;
  log_.RestorePages(logPages);
  if (lines) {
    script_.SetLines(std::move(*lines));
    missingMarkers_.clear();
  }
  RestoreSavePoint(point);
  sound_.ResumeAfterLoad(point.channels);
  platform_.window.SetCaption(prog_.ProgChapter);
  layers_.RestorePictures();
  cursor_.ShowChosen();
  if (transition) RunTransition(layers_, "#WIPE2");
  layers_.RefreshScreen();
  // The page's screen before its text: what its save point showed.
  CaptureThumbnail();
}

void Engine::ReturnToTitle() {
  pages_.Clear();
  sound_.StopAll();
  ResetStage();
  messageText_.ResetAllTextFields();
  cursor_.Choose(1);
  if (!settings_.background.empty()) layers_.LoadBackground(settings_.background);
  switches_ = SystemSwitches{};
  layers_.state.AutoRefreshMode.clear();
  flags_.clickFlag = -1;
  log_.ClearLog();
  {
    // The message window is reset on a screen without the darkness.
    const bool darkness = layers_.settings.DarknessEnabled;
    layers_.settings.DarknessEnabled = false;
    messageText_.ResetTextState();
    layers_.settings.DarknessEnabled = darkness;
  }
  ChooseStartScript();
  prog_.JumpTo(0);
}

}  // namespace korvana
