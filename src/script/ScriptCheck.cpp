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
#include "graphics/Layers.h"
#include "graphics/Picture.h"
#include "graphics/PictureLoader.h"
#include "script/CommandTable.h"
#include "script/FlowCheck.h"
#include "script/ScriptFile.h"
#include "script/TextCheck.h"
#include "select/SelectionItems.h"
#include "sound/SoundSystem.h"

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

// A whole integer written out, the only argument whose value a reading knows.
std::optional<int64_t> Literal(std::string_view text) {
  text = TrimBlanks(text);
  const bool negative = !text.empty() && text[0] == '-';
  if (negative || (!text.empty() && text[0] == '+')) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// Where `text` stands in a line, 1-based; 0 when it is not there as written.
// The last place: the arguments checked come after the names before them
// (`_objput 0,a.png,a.png` has its mask second).
int ColumnOf(std::string_view line, std::string_view text) {
  const size_t at = text.empty() ? std::string_view::npos : line.rfind(text);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

class Checker {
 public:
  Checker(fs::path folder, int32_t key, const CheckOptions& options)
      : folder_(std::move(folder)), files_(folder_.string()), key_(key), options_(options) {}

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
    for (const fs::path& p : files) scripts_.push_back(p.lexically_relative(folder_).string());
    FindBgmModes();
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
  // `cut`: the line's arguments end early, which WarnCut explains; what a
  // cut transparency argument then reads as is not worth a second word.
  void CheckFiles(const std::string& file, Script& script, int index, const std::string& name,
                  const CommandArgs& args, bool cut) {
    struct Files {
      const char* command;
      std::initializer_list<int> pictures;
      std::initializer_list<int> others;
      NamedFile other = NamedFile::Sound;
      int mask = -1;  // the transparency argument, which may name a mask picture
    };
    static const Files kFiles[] = {
        {"_bgload", {0}, {}},
        {"_objload", {1}, {}, NamedFile::Sound, 2},
        {"_objput", {1}, {}, NamedFile::Sound, 2},
        {"_efload", {0}, {}, NamedFile::Sound, 1},
        {"_sprload", {0}, {}, NamedFile::Sound, 3},
        {"_textimage", {2}, {}},
        {"_bhole", {0}, {}},
        {"_bholeop", {0, 14}, {}},
        {"_bholeover", {0, 14}, {}},
        {"_selbutton", {2}, {}},
        {"_selcgmode", {2}, {}},
        {"_midiplay", {}, {0}},
        {"_pcmplay", {}, {0}},
        {"_aviplay", {}, {0}, NamedFile::Movie},
    };
    for (const Files& f : kFiles) {
      if (name != f.command) continue;
      for (int k : f.pictures)
        if (std::string problem = CheckFileName(NamedFile::Picture, args[k], files_); !problem.empty())
          Warn(file, index, 0, problem);
      for (int k : f.others)
        if (std::string problem = CheckFileName(f.other, args[k], files_); !problem.empty())
          Warn(file, index, 0, problem);
      if (f.mask >= 0 && !cut) CheckMask(file, script.lines[index], index, args[f.mask]);
    }
    if (name == "_bgmplay") CheckBgm(file, script.lines[index], index, args[0]);
    if (name == "_movplay") CheckFrames(file, script.lines[index], index, args);
  }

  // A transparency argument is a colour ("#RRGGBB"), a keyword ("#NONE",
  // "#TOP_LEFT" …) or else the name of a mask picture, read as the layers
  // read it.
  void CheckMask(const std::string& file, std::string_view raw, int index, const std::string& spec) {
    if (spec.empty()) return;
    Collector reports;
    const Picture none;
    const int column = ColumnOf(raw, spec);
    if (ParseTransparencySpec(spec, none, reports) != kMaskFromFile) {
      if (!reports.messages.empty())
        Warn(file, index, column,
             J("透過色 ") + spec + J(" は読めません（実行時「") + reports.messages.front() +
                 J("」）。#RRGGBB（16進数6桁）か #NONE・#TOP_LEFT・#TOP_RIGHT・#BOTTOM_LEFT・"
                   "#BOTTOM_RIGHT と書きます"));
      return;
    }
    if (std::string problem = CheckFileName(NamedFile::Picture, spec, files_); !problem.empty())
      Warn(file, index, column, J("マスク画像: ") + problem);
  }

  // The modes `_bgmmode` sets anywhere in the game, when every one of them
  // is written as a number.
  void FindBgmModes() {
    for (const std::string& rel : scripts_) {
      Script* script = Load(cp932::FromUtf8(rel));
      if (!script) continue;
      for (const std::string& line : script->lines) {
        for (size_t at = line.find("_bgmmode"); at != std::string::npos;
             at = line.find("_bgmmode", at + 1)) {
          CommandArgs args;
          SplitCommandLine(std::string_view(line).substr(at), args, nullptr);
          if (const std::optional<int64_t> mode = Literal(args[0]))
            bgmModes_.insert(*mode);
          else
            bgmModesKnown_ = false;
        }
      }
    }
  }

  // `_bgmplay NAME` looks for a file, or a CD track, that depends on the
  // mode: warned when no mode the game sets could find it.
  void CheckBgm(const std::string& file, std::string_view raw, int index, const std::string& base) {
    if (base.empty() || base.find(kDataDriveToken) != std::string::npos || !bgmModesKnown_) return;
    const int column = ColumnOf(raw, base);
    std::string misses;
    bool anyMode = false;
    for (const int64_t mode : bgmModes_) {
      if (mode < 0 || mode > 4) continue;
      anyMode = true;
      const std::string miss = BgmMiss(static_cast<int32_t>(mode), base);
      if (miss.empty()) return;
      misses += (misses.empty() ? "" : J("、")) + miss;
    }
    if (!anyMode) {
      Warn(file, index, column,
           J("_bgmmode で 0 から 4 のモードがどこにも指定されていないため、_bgmplay ") + base +
               J(" は何も鳴らしません。先に _bgmmode 0（") + base + J(".mid）などと書きます"));
      return;
    }
    Warn(file, index, column,
         J("_bgmplay ") + base + J(" はスクリプトが指定するどの BGM モードでも見つかりません: ") +
             misses);
  }

  // Why mode `mode` finds nothing for `base`; empty when it finds it or
  // cannot be told (a disc may hold any track).
  std::string BgmMiss(int32_t mode, const std::string& base) {
    const std::string prefix = J("モード") + std::to_string(mode) + " ";
    if (mode != 4) {
      const std::string name = BgmFileForMode(mode, base);
      return FileExists(files_.Resolve(files_.Expand(name))) ? std::string()
                                                              : prefix + name + J(" がありません");
    }
    const std::string text = BgmTrackText(mode, base);
    Collector reports;
    Evaluator eval(flags_, reports, reports);
    const int32_t track = eval.EvalInt(text);
    if (!reports.messages.empty())
      return prefix + J("名前の頭の2文字 ") + text + J(" が曲番号になりません（01 など）");
    if (!options_.rippedTracks) return {};
    const std::vector<int> ripped = options_.rippedTracks(files_.Resolve("cdda"));
    if (ripped.empty() || std::find(ripped.begin(), ripped.end(), track) != ripped.end()) return {};
    return prefix + J("cdda に track") + (track < 10 ? "0" : "") + std::to_string(track) +
           J(" がありません");
  }

  // The numbered pictures of `_movplay`, when both ends are written as
  // numbers: one warning per command, naming the first that is missing.
  void CheckFrames(const std::string& file, std::string_view raw, int index,
                   const CommandArgs& args) {
    const std::optional<int64_t> first = Literal(args[1]), last = Literal(args[2]);
    if (args[0].empty() || args[0].find(kDataDriveToken) != std::string::npos || !first || !last)
      return;
    const int column = ColumnOf(raw, args[0]);
    int missing = 0, count = 0;
    std::string firstMissing;
    for (int64_t n = *first; n <= *last && count < 10000; ++n, ++count) {
      const std::string frame = NumberedFrameName(args[0], n);
      if (FormatForName(frame) == PictureFormat::None) {
        Warn(file, index, column, J("画像として読み込まれない名前です: ") + frame);
        return;
      }
      if (FileExists(files_.Resolve(frame))) continue;
      if (missing++ == 0) firstMissing = frame;
    }
    if (missing > 0)
      Warn(file, index, column,
           J("_movplay のコマ ") + std::to_string(count) + J(" 枚のうち ") +
               std::to_string(missing) + J(" 枚がありません。最初にないのは ") + firstMissing);
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
    int scrollEnd = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string_view line = TrimBlanks(lines[i]);
      int offset = static_cast<int>(lines[i].size() - TrimLeftBlanks(lines[i]).size());
      if (!line.empty() && line[0] == '~') {
        line = line.size() > 9 ? line.substr(9) : "";
        offset += 9;
      }
      if (line.empty()) continue;
      if (line[0] != '_') {
        // The lines of a scroll are its pictures' text, not message text.
        if (static_cast<int>(i) > scrollEnd && std::string_view("!:;#\\").find(line[0]) ==
                                                   std::string_view::npos)
          for (const TextNote& note : CheckMessageText(line, files_))
            Warn(rel, static_cast<int>(i), offset + note.column, note.message);
        continue;
      }
      if (line.substr(0, line.find(' ')) == "_scroll")
        scrollEnd = FindMarker(*script, static_cast<int>(i) + 1, "_endscroll");
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
    CheckFiles(file, script, index, name, args, cut > 0);
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
      if (!args[0].empty() && !HasLabel(*target, args[0])) {
        Fault(file, index + 1, J("ラベルが見つかりません") + args[0]);
        PointToLabel(file, script.lines[index], index, name, args[0]);
      } else if (name == "_gosub" && !args[0].empty()) {
        CheckReturn(file, script, index, args[0]);
      }
    }
    return index;
  }

  // A label missing where a jump looks may stand in another script: say
  // where, and how to get there.
  void PointToLabel(const std::string& file, std::string_view raw, int index,
                    const std::string& command, const std::string& label) {
    for (const std::string& rel : scripts_) {
      Script* other = Load(cp932::FromUtf8(rel));
      if (!other || !HasLabel(*other, label) || rel == file) continue;
      const std::string where = J("ラベル ") + label + J(" は ") + cp932::FromUtf8(rel) +
                                J(" にあります。");
      Warn(file, index, ColumnOf(raw, label),
           where + (command == "_goto"
                        ? J("\"_goto ") + label + "," + cp932::FromUtf8(rel) + J("\" と書きます")
                        : command + J(" は同じスクリプトの中しか探しません")));
      return;
    }
  }

  // The lines a subroutine runs, walked as the run could take them.
  struct Lookup : FlowLookup {
    Checker& checker;
    Script& script;
    Lookup(Checker& c, Script& s) : checker(c), script(s) {}
    int Label(std::string_view name) override { return script.file->FindLabel(name, -1); }
    int Marker(int from, std::string_view marker) override {
      return checker.FindMarker(script, from, marker);
    }
    bool OtherScript(const std::string& name) override {
      Script* target = checker.Load(name);
      return target && target->lines != script.lines;
    }
  };

  void CheckReturn(const std::string& file, Script& script, int index, const std::string& label) {
    if (label.find(kDataDriveToken) != std::string::npos) return;
    const int start = script.file->FindLabel(label, -1);
    auto [known, fresh] = openPaths_.try_emplace({&script, start});
    if (fresh) {
      Lookup lookup(*this, script);
      known->second = FindOpenPath(script.lines, start + 1, lookup);
    }
    if (!known->second) return;
    const OpenPath& path = *known->second;
    const std::string where =
        path.away ? std::to_string(path.line + 1) + J(" 行目の _goto で別のスクリプトへ出ます")
                  : std::to_string(path.line) + J(" 行目でスクリプトの終わりに着きます");
    Warn(file, index, ColumnOf(script.lines[index], "_gosub"),
         J("_gosub ") + label + J(" の行き先は、_return を通らずに ") + where +
             J("。戻る所に _return を書きます"));
  }

  fs::path folder_;
  GameFiles files_;
  int32_t key_;
  const CheckOptions& options_;
  std::vector<std::string> scripts_;  // every script checked, relative, UTF-8
  std::set<int64_t> bgmModes_;
  bool bgmModesKnown_ = true;
  std::map<std::pair<const Script*, int>, std::optional<OpenPath>> openPaths_;
  FlagStore flags_;
  Collector quiet_;
  std::map<std::string, std::unique_ptr<Script>> cache_;
  std::vector<ScriptFault> faults_;
};

}  // namespace

std::vector<ScriptFault> CheckScripts(const std::string& folder, int32_t key,
                                      const CheckOptions& options) {
  std::error_code ec;
  fs::path root = fs::absolute(folder, ec);
  Checker checker(root, key, options);
  return checker.Run();
}

}  // namespace korvana
