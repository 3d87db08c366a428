#include "script/ScriptCheck.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "core/Tokens.h"
#include "expr/Evaluator.h"
#include "script/CommandTable.h"
#include "script/ScriptFile.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

// Collects what the evaluator would report instead of showing it.
struct Collector : ErrorSink, SystemValues {
  std::vector<std::string> messages;
  void ScriptError(const std::string& m) override { messages.push_back(m); }
  void ReportScriptError(const std::string&) override {}
  int32_t SystemValue(int) override { return 1; }
};

struct Script {
  std::vector<std::string> lines;
  std::vector<std::string> labelErrors;
  std::unique_ptr<ScriptFile> file;
};

class Checker {
 public:
  Checker(fs::path folder, int32_t key)
      : folder_(std::move(folder)), files_(folder_.string()), key_(key) {}

  std::vector<ScriptFault> Run() {
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      std::string ext = it->path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
      if (it->is_regular_file() && (ext == ".txt" || ext == ".txd")) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& p : files) CheckFile(p);
    return std::move(faults_);
  }

 private:
  // The script as a run would read it when `name` is requested from the
  // game folder; null when it cannot be read.
  Script* Load(const std::string& sjisName) {
    auto it = cache_.find(sjisName);
    if (it != cache_.end()) return it->second.get();
    auto script = std::make_unique<Script>();
    try {
      script->lines = ScriptFile::OpenScriptFile(sjisName, files_, key_);
    } catch (const ScriptException&) {
      script.reset();
    }
    if (script) {
      Collector sink;
      script->file = std::make_unique<ScriptFile>(sink);
      script->file->SetLines(script->lines);
      script->labelErrors = sink.messages;
      script->file = std::make_unique<ScriptFile>(quiet_);
      script->file->SetLines(script->lines);
    }
    return (cache_[sjisName] = std::move(script)).get();
  }

  bool HasLabel(Script& s, const std::string& label) { return s.file->FindLabel(label, -1) >= 0; }

  void Fault(const std::string& file, int line, const std::string& sjisMessage) {
    faults_.push_back({file, line, cp932::ToUtf8(sjisMessage)});
  }

  void CheckFile(const fs::path& path) {
    const std::string rel = fs::relative(path, folder_).string();
    Script* script = Load(cp932::FromUtf8(rel));
    if (!script) {
      Fault(rel, 1, J("ファイルを開けません: ") + cp932::FromUtf8(rel));
      return;
    }
    for (const std::string& m : script->labelErrors) Fault(rel, 1, m);
    const auto& lines = script->lines;
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string_view line = TrimBlanks(lines[i]);
      if (!line.empty() && line[0] == '~') line = line.size() > 9 ? line.substr(9) : "";
      if (line.empty() || line[0] != '_') continue;
      CheckCommand(rel, *script, static_cast<int>(i), line, 0);
    }
  }

  void CheckExpression(const std::string& file, int line, const std::string& text) {
    Collector sink;
    Evaluator eval(flags_, sink, sink);
    eval.EvalInt(text);
    for (const std::string& m : sink.messages) Fault(file, line + 1, m);
  }

  int FindMarker(const Script& s, int from, std::string_view marker) {
    for (size_t i = from; i < s.lines.size(); ++i)
      if (TrimBlanks(s.lines[i]) == marker) return static_cast<int>(i);
    return -1;
  }

  void CheckCommand(const std::string& file, Script& script, int index, std::string_view line,
                    int depth) {
    CommandArgs args;
    const std::string name = SplitCommandLine(line, args);
    if (name.compare(0, 2, "_(") == 0) {
      Collector sink;
      Evaluator eval(flags_, sink, sink);
      int pos = 2;
      eval.Evaluate(name, pos);
      if (pos < 0)
        Fault(file, index + 1,
              J("算術エラーが発生しました。コード:") + std::to_string(pos) + J(" 式:") + name);
      for (const std::string& m : sink.messages) Fault(file, index + 1, m);
      if (depth < 64) CheckCommand(file, script, index, args[0], depth + 1);
      return;
    }
    if (name.compare(0, 5, "_$flg") == 0) {
      CheckExpression(file, index, args[0]);
      return;
    }
    if (name.compare(0, 5, "_@flg") == 0) return;
    if (!IsCommandName(name)) {
      Fault(file, index + 1, J("コマンドが変です") + name);
      return;
    }
    const uint32_t ints = IntArgumentMask(name);
    for (int k = 0; k < 16; ++k)
      if ((ints >> k & 1) && !args[k].empty()) CheckExpression(file, index, args[k]);
    static const std::map<std::string, std::string> markers = {{"_then", "_endthen"},
                                                               {"_else", "_endelse"},
                                                               {"_branch", "_endbranch"},
                                                               {"_scroll", "_endscroll"}};
    if (auto m = markers.find(name); m != markers.end()) {
      if (FindMarker(script, index + 1, m->second) < 0)
        Fault(file, index + 1, m->second + J("が見つかりません"));
    }
    if (name == "_goto" || name == "_gosub" || name == "_return") {
      Script* target = &script;
      if (name == "_goto" && !args[1].empty()) {
        if (args[1].find(kDataDriveToken) != std::string::npos) return;  // known only at run time
        target = Load(args[1]);
        if (!target) {
          Fault(file, index + 1, J("ファイルを開けません: ") + args[1]);
          return;
        }
      }
      if (!args[0].empty() && !HasLabel(*target, args[0]))
        Fault(file, index + 1, J("ラベルが見つかりません") + args[0]);
    }
  }

  fs::path folder_;
  GameFiles files_;
  int32_t key_;
  FlagStore flags_;
  Collector quiet_;
  std::map<std::string, std::unique_ptr<Script>> cache_;
  std::vector<ScriptFault> faults_;
};

}  // namespace

std::vector<ScriptFault> CheckScripts(const std::string& folder, int32_t key) {
  std::error_code ec;
  fs::path root = fs::absolute(folder, ec);
  Checker checker(root, key);
  return checker.Run();
}

}  // namespace korvana
