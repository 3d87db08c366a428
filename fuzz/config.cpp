// The configuration readers on arbitrary bytes: krv.cfg, krv.ini and the
// installation folder store as the files of a game folder, read as at start
// and turned into the engine's settings. Never a fault; every number within
// the range the readers promise; and the krv.ini they would write reads back
// to the same settings.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzFolder.h"
#include "config/DataDrive.h"
#include "config/InstallStore.h"
#include "config/Settings.h"
#include "core/FileResolver.h"
#include "core/FileWriting.h"
#include "script/Startup.h"

using namespace korvana;
using korvana::fuzz::Check;
using korvana::fuzz::FuzzFolder;
using namespace korvana::config;

namespace {

// The settings krv.ini carries, as the reader gives them back.
bool SameUserSettings(const Settings& a, const Settings& b) {
  return a.BGDarkness == b.BGDarkness && a.SavePath == b.SavePath &&
         a.EnableMusic == b.EnableMusic && a.EnableSound == b.EnableSound &&
         a.HighSpeedText == b.HighSpeedText && a.SkipText == b.SkipText &&
         a.DebugMode == b.DebugMode && a.EnableAllDrive == b.EnableAllDrive &&
         std::equal(a.FontTable.begin(), a.FontTable.begin() + 4, b.FontTable.begin());
}

void ParseAlone(const std::string& bytes) {
  for (TextEncoding encoding : {TextEncoding::Cp932, TextEncoding::Utf8}) {
    std::vector<std::string> problems;
    const ConfigFile file = ConfigFile::Parse(bytes, &problems, encoding);
    for (const char* key : {"SavePath", "savepath", "Font0", "DarknessRate", ""})
      if (auto value = file.Find(key)) Check(value->size() <= kMaxConfigLineBytes);
  }
  if (auto n = ParseDecimal(bytes)) Check(std::to_string(*n).size() <= bytes.size());
  // At most 40 bytes of the value, then "..." when it was cut, in quotes.
  Check(QuoteForReport(bytes).size() <= 40 + 3 + 2);
  Check(SaveFolderFromChosenFile(bytes).size() <= bytes.size());
  const std::vector<Volume> volumes = {{"/media/a", "GAME", true, true},
                                       {"/media/b", "", false, true},
                                       {"", "END", true, true},
                                       {"/media/c", "LATE", true, true}};
  for (bool all : {false, true}) Check(SearchDataDrive(volumes, bytes, all) != "/media/c/");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = FuzzFolder();
  FuzzedDataProvider in(data, size);
  const bool withIni = in.ConsumeBool();
  const std::string cfg = in.ConsumeRandomLengthString(size);
  const std::string ini = in.ConsumeRandomLengthString(size);
  const std::string store = in.ConsumeRemainingBytesAsString();
  ParseAlone(cfg);

  std::filesystem::remove(folder + "/krv.ini");
  std::filesystem::remove(folder + "/krv.ini.bak");
  Check(WriteFileAtomically(folder + "/krv.cfg", cfg));
  if (withIni) Check(WriteFileAtomically(folder + "/krv.ini", ini));
  Check(WriteFileAtomically(folder + "/install-paths", store));
  const InstallStore installStore(folder + "/install-paths");

  int reports = 0;
  const ConfigReport report = [&](const std::string&) { ++reports; };
  ConfigReadResult read = ReadConfiguration({folder, &installStore}, report);
  Check(!read.exitProgram);
  Settings& s = read.settings;
  Check(s.DarknessRate >= 0 && s.DarknessRate <= 256);
  Check(!s.TextMaxIndex || (*s.TextMaxIndex >= 0 && *s.TextMaxIndex <= kMaxTextMaxIndex));
  Check(s.UserSettingsRead == (withIni && !s.UserSettingsUnreadable) || s.StartFolder != folder);
  FindDataPath(s, [] { return std::vector<Volume>{{"/media/disc", "GAME", true, true}}; });
  ResolveFontCandidates(s, std::vector<std::string>{"IPAGothic", "IPAMincho", "Symbol"});
  const EngineSettings engine = EngineSettingsFrom(s);
  Check(engine.darknessRate == s.DarknessRate && engine.savePath == s.SavePath);

  // The store may send the start folder anywhere; only ours is written to.
  if (s.StartFolder != folder) return 0;
  Check(WriteUserSettings(s, report));
  if (s.UserSettingsUnreadable) Check(std::filesystem::exists(folder + "/krv.ini.bak"));
  const ConfigReadResult again = ReadConfiguration({folder, &installStore}, report);
  Check(again.settings.UserSettingsRead && SameUserSettings(again.settings, s));
  return 0;
}
