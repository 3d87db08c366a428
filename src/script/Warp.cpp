#include "script/Warp.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "script/ScriptFile.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

// What reading a script would report (too many labels) is the run's to say.
struct Quiet : ErrorSink {
  void ScriptError(const std::string&) override {}
  void ReportScriptError(const std::string&) override {}
};

// The script `sjisName` as a run would read it; nothing when it cannot be.
std::optional<std::vector<std::string>> ReadScript(const std::string& sjisName,
                                                   const GameFiles& files, int32_t key) {
  try {
    return ScriptFile::OpenScriptFile(sjisName, files, key);
  } catch (const ScriptException&) {
    return std::nullopt;
  }
}

// The line after label `name` (CP932, with its ":") in the script, or -1.
int32_t LineAfterLabel(std::vector<std::string> lines, const std::string& name) {
  Quiet quiet;
  ScriptFile script(quiet);
  script.SetLines(std::move(lines));
  const int32_t at = script.FindLabel(name, -1);
  return at < 0 ? -1 : at + 1;
}

// A whole number of decimal digits alone; nothing past what a line count
// can reach.
std::optional<int64_t> LineNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 12) return std::nullopt;
  int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

std::vector<std::string> ScriptFilesUnder(const std::string& folder) {
  const fs::path root = folder.empty() ? fs::path(".") : fs::path(folder);
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::string ext = it->path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::error_code entry;
    if ((ext == ".txt" || ext == ".txd") && it->is_regular_file(entry))
      names.push_back(it->path().lexically_relative(root).generic_string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<DebugLabel> GameLabels(const GameFiles& files, int32_t key) {
  std::vector<DebugLabel> labels;
  for (const std::string& name : ScriptFilesUnder(files.Root())) {
    const std::string file = cp932::FromUtf8(name);
    std::optional<std::vector<std::string>> lines = ReadScript(file, files, key);
    if (!lines) continue;
    Quiet quiet;
    ScriptFile script(quiet);
    script.SetLines(std::move(*lines));
    for (size_t k = 0; k < script.LabelNames().size(); ++k)
      labels.push_back({file, script.LabelNames()[k], script.LabelLine(k)});
  }
  return labels;
}

std::optional<ScriptPlace> FindWarpPlace(const std::string& spec, const GameFiles& files,
                                         int32_t key, const std::string& startScript,
                                         std::string& error) {
  bool complete = true;
  const std::string sjis = cp932::FromUtf8(spec, &complete);
  if (spec.empty() || !complete) {
    error = spec.empty() ? "--warp needs a label or FILE:LINE"
                         : "\"" + spec + "\" has a character no script can hold (CP932)";
    return std::nullopt;
  }
  const size_t colon = sjis.rfind(':');
  if (colon != std::string::npos && colon > 0) {
    if (const std::optional<int64_t> line = LineNumber(std::string_view(sjis).substr(colon + 1))) {
      const std::string file = sjis.substr(0, colon);
      const std::string shown = spec.substr(0, spec.rfind(':'));
      const std::optional<std::vector<std::string>> lines = ReadScript(file, files, key);
      if (!lines) {
        error = "the game has no script " + shown;
        return std::nullopt;
      }
      if (*line < 1 || *line > static_cast<int64_t>(lines->size())) {
        error = shown + " has lines 1 to " + std::to_string(lines->size()) + ", not " +
                std::to_string(*line);
        return std::nullopt;
      }
      return ScriptPlace{file, static_cast<int32_t>(*line - 1)};
    }
  }
  const std::string label = sjis[0] == ':' ? sjis : ":" + sjis;
  const std::string start = startScript.empty() ? "autorun.txt" : startScript;
  if (std::optional<std::vector<std::string>> lines = ReadScript(start, files, key))
    if (const int32_t after = LineAfterLabel(std::move(*lines), label); after >= 0)
      return ScriptPlace{start, after};
  std::vector<ScriptPlace> found;
  std::string where;
  for (const DebugLabel& l : GameLabels(files, key)) {
    if (!cp932::EqualsIgnoringCase(l.name, label)) continue;
    if (!found.empty() && found.back().file == l.file) continue;  // the first one counts
    found.push_back({l.file, l.line + 1});
    where += (where.empty() ? "" : ", ") + cp932::ToUtf8(l.file);
  }
  if (found.size() == 1) return found[0];
  const std::string shown = cp932::ToUtf8(label);
  error = found.empty() ? "no script of the game has the label " + shown
                        : "the label " + shown + " is in several scripts (" + where +
                              "): name the place as FILE:LINE";
  return std::nullopt;
}

}  // namespace korvana
