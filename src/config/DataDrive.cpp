#include "config/DataDrive.h"

#include "config/ConfigFile.h"
#include "config/Settings.h"
#include "core/Cp932.h"

namespace korvana::config {
namespace {

// The root as DataPath: CP932, ending with "/"; empty when CP932 cannot spell
// it so that the resolver would find the same folder again.
std::string DataPathFor(const std::string& root) {
  std::string sjis = cp932::FromUtf8(root);
  if (cp932::ToUtf8(sjis) != root) return {};
  // The resolver turns a lone "\" into "/": such a root would change meaning.
  for (size_t i = 0; i < sjis.size(); i += cp932::CharLength(sjis, i))
    if (sjis[i] == '\\') return {};
  if (sjis.back() != '/') sjis += '/';
  return sjis;
}

}  // namespace

std::string SearchDataDrive(const std::vector<Volume>& volumes, std::string_view label,
                            bool allDrives) {
  if (label.empty()) return {};
  const bool anyOptical = label == "*";
  // Labels are compared in UTF-8, where ASCII letters fold exactly as in CP932.
  const std::string wanted = cp932::ToUtf8(label);
  for (const Volume& v : volumes) {
    if (v.root.empty()) break;
    if (!v.isOptical && !allDrives) continue;
    if (!v.hasMedium) continue;
    bool match = (anyOptical && v.isOptical) || EqualsIgnoringCaseUtf8(v.label, wanted);
    if (!match) continue;
    std::string path = DataPathFor(v.root);
    if (!path.empty()) return path;
  }
  return {};
}

void FindDataPath(Settings& settings, const std::function<std::vector<Volume>()>& listVolumes) {
  if (settings.DataDriveLabel.empty()) return;
  settings.DataPath = SearchDataDrive(listVolumes ? listVolumes() : std::vector<Volume>{},
                                      settings.DataDriveLabel, settings.EnableAllDrive);
}

}  // namespace korvana::config
