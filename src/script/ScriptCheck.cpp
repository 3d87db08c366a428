#include "script/ScriptCheck.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "core/Tokens.h"
#include "expr/Evaluator.h"
#include "graphics/PictureLoader.h"
#include "script/CommandTable.h"
#include "script/ScriptFile.h"
#include "select/SelectionItems.h"

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
  // Where each end marker stands, filled when first asked for.
  std::map<std::string, std::vector<int>> markers;
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
      // Anything by a script's name but a folder is checked: what the engine
      // cannot open (a pipe, a link that leads nowhere) is reported as such.
      // The non-throwing test: a link loop must not end the check.
      std::error_code entry;
      if ((ext == ".txt" || ext == ".txd") && !it->is_directory(entry)) files.push_back(it->path());
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

  // An unquoted "_" ends the argument list and the engine ignores the rest
  // of the line: `_bgload my_room.png` loads "my". Kept as it is, since
  // games rely on it, but worth a word to the author, with the quoted fix.
  void Warn(const std::string& file, int index, int column, const std::string& sjisMessage) {
    faults_.push_back({file, index + 1, cp932::ToUtf8(sjisMessage), true, column});
  }

  // Pictures and sounds that a command names: an extension the engine does
  // not load is silently nothing at run time, and a file that is not there
  // an error box.
  void CheckFiles(const std::string& file, int index, const std::string& name,
                  const CommandArgs& args) {
    enum Kind { Picture, Sound, Movie };
    struct Files {
      const char* command;
      std::initializer_list<int> pictures;
      std::initializer_list<int> others;
      Kind other = Sound;
    };
    static const Files kFiles[] = {
        {"_bgload", {0}, {}},    {"_objload", {1}, {}},     {"_objput", {1}, {}},
        {"_efload", {0}, {}},    {"_sprload", {0}, {}},     {"_textimage", {2}, {}},
        {"_bhole", {0}, {}},     {"_bholeop", {0, 14}, {}}, {"_bholeover", {0, 14}, {}},
        {"_selbutton", {2}, {}}, {"_selcgmode", {2}, {}},   {"_midiplay", {}, {0}},
        {"_pcmplay", {}, {0}},   {"_aviplay", {}, {0}, Movie},
    };
    // What the players decode; anything else plays nothing.
    static const std::set<std::string> kSounds = {".mid", ".midi", ".wav", ".mp3",
                                                  ".ogg", ".opus", ".flac"};
    static const std::set<std::string> kMovies = {".avi", ".mpg", ".mpeg", ".mp4",
                                                  ".mov", ".wmv", ".mkv", ".webm"};
    const auto known = [](const std::string& name, const std::set<std::string>& extensions) {
      const size_t dot = name.find_last_of('.');
      const size_t slash = name.find_last_of("\\/");
      return dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
             extensions.count(LowerAscii(name.substr(dot))) != 0;
    };
    for (const Files& f : kFiles) {
      if (name != f.command) continue;
      auto check = [&](int k, Kind kind) {
        const std::string& arg = args[k];
        if (arg.empty() || arg.find(kDataDriveToken) != std::string::npos) return;
        if (kind == Picture && FormatForName(arg) == PictureFormat::None) {
          Warn(file, index, 0, J("画像として読み込まれない名前です: ") + arg);
          return;
        }
        if (kind != Picture && !known(arg, kind == Movie ? kMovies : kSounds)) {
          Warn(file, index, 0,
               (kind == Movie ? J("動画として再生されない名前です: ")
                              : J("音として再生されない名前です: ")) +
                   arg);
          return;
        }
        if (!FileExists(files_.Resolve(arg)))
          Warn(file, index, 0, J("ファイルがありません: ") + arg);
      };
      for (int k : f.pictures) check(k, Picture);
      for (int k : f.others) check(k, f.other);
    }
  }

  void WarnCut(const std::string& file, int index, std::string_view line, int cut) {
    const size_t at = static_cast<size_t>(cut - 1);
    // A "_" standing on its own ends the list on purpose (a comment after it).
    if (at == 0 || line[at - 1] == ' ' || line[at - 1] == '\t' || line[at - 1] == ',') return;
    size_t begin = line.find_last_of(", ", at);
    begin = begin == std::string_view::npos ? 0 : begin + 1;
    size_t end = line.find(',', at);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view argument = TrimBlanks(line.substr(begin, end - begin));
    const std::string rest(TrimBlanks(line.substr(at + 1)));
    ScriptFault f{file, index + 1,
                  cp932::ToUtf8(J("「_」で引数が終わるため「") + rest +
                                J("」は読まれません。一続きにするには \"") + std::string(argument) +
                                J("\" と書きます")),
                  true, cut};
    faults_.push_back(std::move(f));
  }

  void CheckFile(const fs::path& path) {
    const std::string rel = path.lexically_relative(folder_).string();
    Script* script = Load(cp932::FromUtf8(rel));
    if (!script) {
      Fault(rel, 1, J("ファイルを開けません: ") + cp932::FromUtf8(rel));
      return;
    }
    for (const std::string& m : script->labelErrors) Fault(rel, 1, m);
    const auto& lines = script->lines;
    for (size_t i = 0; i < lines.size(); ++i) {
      // A label keeps its trailing blanks and no jump's name has any: such a
      // label can never be reached.
      const std::string_view label = TrimLeftBlanks(lines[i]);
      if (!label.empty() && label[0] == ':' && TrimBlanks(label).size() < label.size())
        Warn(rel, static_cast<int>(i), static_cast<int>(lines[i].size() - label.size()) + 1,
             J("ラベルの後ろに空白があり、どのジャンプも届きません: ") +
                 std::string(TrimBlanks(label)));
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string_view line = TrimBlanks(lines[i]);
      if (!line.empty() && line[0] == '~') line = line.size() > 9 ? line.substr(9) : "";
      if (line.empty() || line[0] != '_') continue;
      // A selection's item lines are not lines of the story: go on after them.
      i = static_cast<size_t>(CheckCommand(rel, *script, static_cast<int>(i), line, 0, false));
    }
  }

  void CheckExpression(const std::string& file, int line, const std::string& text) {
    Collector sink;
    Evaluator eval(flags_, sink, sink);
    eval.EvalInt(text);
    for (const std::string& m : sink.messages) Fault(file, line + 1, m);
  }

  // The first line at or after `from` that is `marker`; -1 for none. The
  // lines of each marker are listed once per script, so a script of many
  // blocks is checked in linear time.
  int FindMarker(Script& s, int from, std::string_view marker) {
    auto [it, fresh] = s.markers.try_emplace(std::string(marker));
    if (fresh)
      for (size_t i = 0; i < s.lines.size(); ++i)
        if (TrimBlanks(s.lines[i]) == marker) it->second.push_back(static_cast<int>(i));
    const auto at = std::lower_bound(it->second.begin(), it->second.end(), from);
    return at == it->second.end() ? -1 : *at;
  }

  // The item lines from `index` + 1 up to `end` (the "_endsel" line): a label,
  // a condition and, optionally, a command that runs when the item is chosen.
  void CheckSelectionItems(const std::string& file, Script& script, int index, int end, int depth) {
    for (int i = index + 1; i < end; ++i) {
      if (i - index == SelectionItems::kMaxItems + 1)
        Fault(file, i + 1,
              J("選択肢が多すぎます。最大：") + std::to_string(SelectionItems::kMaxItems));
      const std::string_view item = script.lines[i];
      int pos = 1;
      SkipBlanks(item, pos);
      ReadToken(item, pos, ',');  // the label
      SkipBlanks(item, pos);
      const std::string condition = ReadToken(item, pos, ',');
      if (!condition.empty()) CheckExpression(file, i, condition);
      if (pos > static_cast<int>(item.size()) || depth >= 64) continue;
      const std::string_view command = TrimBlanks(item.substr(pos - 1));
      if (!command.empty()) CheckCommand(file, script, i, command, depth + 1, true);
    }
  }

  // Checks one command line; returns the index of the last line it takes
  // (past `index` only for a selection and its item lines). An item's command
  // (`inItem`) takes no lines of its own.
  int CheckCommand(const std::string& file, Script& script, int index, std::string_view line,
                   int depth, bool inItem) {
    CommandArgs args;
    int cut = 0;
    const std::string name = SplitCommandLine(line, args, &cut);
    if (cut > 0) WarnCut(file, index, line, cut);
    if (name.compare(0, 2, "_(") == 0) {
      Collector sink;
      Evaluator eval(flags_, sink, sink);
      int pos = 2;
      eval.Evaluate(name, pos);
      if (pos < 0)
        Fault(file, index + 1,
              J("算術エラーが発生しました。コード:") + std::to_string(pos) + J(" 式:") + name);
      for (const std::string& m : sink.messages) Fault(file, index + 1, m);
      if (depth < 64) return CheckCommand(file, script, index, args[0], depth + 1, inItem);
      return index;
    }
    if (name.compare(0, 5, "_$flg") == 0) {
      CheckExpression(file, index, args[0]);
      return index;
    }
    if (name.compare(0, 5, "_@flg") == 0) return index;
    if (!IsCommandName(name)) {
      Fault(file, index + 1, J("コマンドが変です") + name);
      return index;
    }
    CheckFiles(file, index, name, args);
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
    if (!inItem && (name == "_selmenu" || name == "_selbutton" || name == "_selcgmode")) {
      const int end = FindMarker(script, index + 1, "_endsel");
      if (end < 0) {
        Fault(file, index + 1, "_endsel" + J("が見つかりません"));
        return index;
      }
      CheckSelectionItems(file, script, index, end, depth);
      return end;
    }
    if (name == "_goto" || name == "_gosub" || name == "_return") {
      Script* target = &script;
      if (name == "_goto" && !args[1].empty()) {
        if (args[1].find(kDataDriveToken) != std::string::npos)
          return index;  // known only at run time
        target = Load(args[1]);
        if (!target) {
          Fault(file, index + 1, J("ファイルを開けません: ") + args[1]);
          return index;
        }
      }
      if (!args[0].empty() && !HasLabel(*target, args[0]))
        Fault(file, index + 1, J("ラベルが見つかりません") + args[0]);
    }
    return index;
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
