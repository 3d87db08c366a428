#include "script/CoverageReport.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/Tokens.h"
#include "script/ScriptFile.h"

namespace korvana {
namespace {

constexpr std::string_view kChoiceCommands[] = {"_selmenu", "_selbutton", "_selcgmode"};

// The line as RunLine sees it: blanks and the "~" text id gone.
std::string_view Bare(std::string_view raw) {
  return WithoutTextId(TrimBlanks(raw));
}

// The command a line runs once its `_(…)` conditions hold; `conditional`
// tells whether there were any.
std::string InnerCommand(std::string_view line, CommandArgs& args, bool& conditional) {
  std::string name = SplitCommandLine(line, args);
  // The engine refuses deeper nesting the same way.
  for (int depth = 0; name.compare(0, 2, "_(") == 0 && depth < 64; ++depth) {
    conditional = true;
    const std::string inner = args[0];
    name = SplitCommandLine(inner, args);
  }
  return name;
}

// An item line's label and command (label, condition, command).
std::string ItemLabel(std::string_view item, std::string* command = nullptr) {
  const std::string_view text = TrimBlanks(item);
  int pos = 1;
  std::string label = ReadToken(text, pos, ',');
  SkipBlanks(text, pos);
  ReadToken(text, pos, ',');
  SkipBlanks(text, pos);
  if (command && pos >= 1 && pos <= static_cast<int>(text.size()))
    *command = std::string(text.substr(pos - 1));
  return label;
}

// The line of a block's end marker at or after `from` (the lines' count
// when there is none), found as the engine finds it.
int32_t FindMarker(const std::vector<std::string>& lines, int32_t from, std::string_view marker) {
  const auto n = static_cast<int32_t>(lines.size());
  while (from < n && TrimBlanks(lines[from]) != marker) ++from;
  return from;
}

// The script a `_goto` names, when the text says it (not known before the
// run when the data drive is in it).
void NoteGotoTarget(std::string_view command, std::vector<std::string>& names) {
  CommandArgs args;
  bool conditional = false;
  if (InnerCommand(command, args, conditional) != "_goto" || args[1].empty() ||
      args[1].find(kDataDriveToken) != std::string::npos)
    return;
  names.push_back(cp932::ToUtf8(args[1]));
}

std::string Percent(const ScriptCoverage::Tally& t) {
  if (t.total == 0) return "-";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f %%", 100.0 * t.reached / t.total);
  return buffer;
}

std::string Cell(const ScriptCoverage::Tally& t) {
  return std::to_string(t.reached) + " of " + std::to_string(t.total) + " (" + Percent(t) + ")";
}

void AddTally(ScriptCoverage::Tally& into, const ScriptCoverage::Tally& t) {
  into.reached += t.reached;
  into.total += t.total;
}

void Tally(ScriptCoverage& s) {
  const auto n = static_cast<int32_t>(s.lines.size());
  for (const auto& [number, line] : s.counts.lines)
    if (number > n) ++s.stale;
  for (const auto& [key, entry] : s.counts.entries)
    if (key.first > n) ++s.stale;
  for (int32_t i = 0; i < n; ++i) {
    const CoverageLine& k = s.kinds[i];
    const auto found = s.counts.lines.find(i + 1);
    const LineCoverage c = found == s.counts.lines.end() ? LineCoverage{} : found->second;
    if (k.kind == CoverageKind::Text || k.kind == CoverageKind::Label) {
      ScriptCoverage::Tally& t = k.kind == CoverageKind::Text ? s.text : s.labels;
      ++t.total;
      if (c.runs > 0)
        ++t.reached;
      else
        (k.kind == CoverageKind::Text ? s.textNeverShown : s.labelsNeverReached).push_back(i + 1);
    }
    if (k.conditional) {
      s.ways.total += 2;
      s.ways.reached += (c.held > 0) + (c.failed > 0);
      if (c.held == 0 || c.failed == 0)
        s.conditionsOneWay.push_back({i + 1, c.held == 0, c.failed == 0});
    }
    if (k.kind == CoverageKind::Entry) {
      ++s.entries.total;
      const auto e = s.counts.entries.find({k.choiceLine + 1, k.entry});
      if (e != s.counts.entries.end() && e->second.chosen > 0)
        ++s.entries.reached;
      else
        s.entriesNeverChosen.push_back({k.choiceLine + 1, k.entry, ItemLabel(s.lines[i])});
    }
  }
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// The colour class of a line in the page: c covered, p partly, n never run,
// none for a line with nothing to reach.
const char* LineClass(const ScriptCoverage& s, int32_t i) {
  const CoverageLine& k = s.kinds[i];
  if (k.kind == CoverageKind::None) return "";
  const auto found = s.counts.lines.find(i + 1);
  const LineCoverage c = found == s.counts.lines.end() ? LineCoverage{} : found->second;
  if (k.kind == CoverageKind::Entry) {
    const auto e = s.counts.entries.find({k.choiceLine + 1, k.entry});
    return e != s.counts.entries.end() && e->second.chosen > 0 ? "c" : "n";
  }
  if (c.runs == 0) return "n";
  if (k.conditional && (c.held == 0 || c.failed == 0)) return "p";
  if (k.choice) {
    for (int32_t j = i + 1; j < static_cast<int32_t>(s.kinds.size()); ++j) {
      if (s.kinds[j].kind != CoverageKind::Entry || s.kinds[j].choiceLine != i) break;
      const auto e = s.counts.entries.find({i + 1, s.kinds[j].entry});
      if (e == s.counts.entries.end() || e->second.chosen == 0) return "p";
    }
  }
  return "c";
}

std::string CountCell(const ScriptCoverage& s, int32_t i) {
  const CoverageLine& k = s.kinds[i];
  if (k.kind == CoverageKind::None) return "";
  if (k.kind == CoverageKind::Entry) {
    const auto e = s.counts.entries.find({k.choiceLine + 1, k.entry});
    return "chosen " + std::to_string(e == s.counts.entries.end() ? 0 : e->second.chosen);
  }
  const auto found = s.counts.lines.find(i + 1);
  const LineCoverage c = found == s.counts.lines.end() ? LineCoverage{} : found->second;
  if (k.conditional)
    return "true " + std::to_string(c.held) + " / false " + std::to_string(c.failed);
  return std::to_string(c.runs);
}

}  // namespace

std::vector<CoverageLine> ClassifyLines(const std::vector<std::string>& lines) {
  const auto n = static_cast<int32_t>(lines.size());
  std::vector<CoverageLine> out(lines.size());
  for (int32_t i = 0; i < n; ++i) {
    const std::string_view line = Bare(lines[i]);
    if (line.empty()) continue;
    CoverageLine& c = out[i];
    switch (line[0]) {
      case ';':
      case '#':
        continue;
      case ':':
        c.kind = CoverageKind::Label;
        continue;
      case '!':
        c.kind = CoverageKind::Command;
        continue;
      case '_':
        break;
      default:  // "\" lines are text without markup, the rest text with it
        c.kind = CoverageKind::Text;
        continue;
    }
    c.kind = CoverageKind::Command;
    CommandArgs args;
    const std::string name = InnerCommand(line, args, c.conditional);
    if (name == "_if" || name == "_branch") c.conditional = true;
    // The lines a choice or a scroll reads are its data, never run as lines;
    // the end marker is stepped over.
    for (std::string_view choice : kChoiceCommands)
      if (name == choice) c.choice = true;
    if (c.choice) {
      const int32_t end = FindMarker(lines, i + 1, "_endsel");
      for (int32_t j = i + 1; j < end; ++j) out[j] = {CoverageKind::Entry, false, false, i, j - i - 1};
      i = end;
    } else if (name == "_scroll") {
      i = FindMarker(lines, i + 1, "_endscroll");
    }
  }
  return out;
}

CoverageReport BuildCoverageReport(const Coverage& coverage, const std::string& gameFolder,
                                   int32_t key) {
  const GameFiles files(gameFolder);
  auto keyOf = [](const std::string& name) {
    std::string k = LowerAscii(name);
    for (char& c : k)
      if (c == '\\') c = '/';
    return k;
  };
  std::vector<std::string> names;
  for (const auto& [name, counts] : coverage.files) names.push_back(name);
  // The start script first, so that a game no run entered is still counted.
  names.insert(names.begin(), "autorun.txt");
  std::set<std::string> counted;
  for (const auto& [name, counts] : coverage.files) counted.insert(keyOf(name));
  CoverageReport report;
  std::map<std::string, size_t> byKey;
  for (size_t next = 0; next < names.size(); ++next) {
    const std::string name = names[next];
    const std::string k = keyOf(name);
    if (byKey.count(k)) continue;
    ScriptCoverage s;
    s.name = name;
    try {
      s.lines = ScriptFile::OpenScriptFile(cp932::FromUtf8(name), files, key);
      s.readable = true;
    } catch (const ScriptException&) {
      // The start script may be named otherwise (krv.cfg) and a `_goto`
      // may name a script that is gone (the checker says so): only a
      // missing script the runs entered is worth a word here.
      if (!counted.count(k)) continue;
    }
    s.kinds = ClassifyLines(s.lines);
    for (size_t i = 0; i < s.lines.size(); ++i) {
      const std::string_view line = Bare(s.lines[i]);
      if (s.kinds[i].kind == CoverageKind::Command) NoteGotoTarget(line, names);
      if (s.kinds[i].kind != CoverageKind::Entry) continue;
      std::string command;
      ItemLabel(s.lines[i], &command);
      if (!command.empty()) NoteGotoTarget(command, names);
    }
    byKey[k] = report.scripts.size();
    report.scripts.push_back(std::move(s));
  }
  // Names the runs spelled differently count for the one script.
  Coverage grouped;
  for (const auto& [name, counts] : coverage.files) {
    Coverage one;
    one.files[keyOf(name)] = counts;
    grouped.Merge(one);
  }
  for (ScriptCoverage& s : report.scripts)
    if (const auto found = grouped.files.find(keyOf(s.name)); found != grouped.files.end())
      s.counts = found->second;
  for (ScriptCoverage& s : report.scripts) {
    Tally(s);
    AddTally(report.text, s.text);
    AddTally(report.labels, s.labels);
    AddTally(report.entries, s.entries);
    AddTally(report.ways, s.ways);
  }
  return report;
}

std::string CoverageReportText(const CoverageReport& report) {
  std::string out;
  auto shown = [](const ScriptCoverage& s, int32_t line) {
    return cp932::ToUtf8(TrimBlanks(s.lines[line - 1]));
  };
  for (const ScriptCoverage& s : report.scripts) {
    const std::string at = s.name + ":";
    if (!s.readable) {
      out += at + " cannot be read\n";
      continue;
    }
    if (s.stale > 0)
      out += at + " " + std::to_string(s.stale) +
             " counted lines lie past the script's end: it changed since the runs\n";
    // In the script's order, as an editor steps through them.
    std::vector<std::pair<int32_t, std::string>> found;
    for (int32_t line : s.textNeverShown) found.emplace_back(line, "text never shown: " + shown(s, line));
    for (const ScriptCoverage::Condition& c : s.conditionsOneWay)
      found.emplace_back(c.line, std::string("condition ") +
                                     (c.neverHeld && c.neverFailed ? "never run"
                                      : c.neverHeld                ? "never true"
                                                                   : "never false") +
                                     ": " + shown(s, c.line));
    for (const ScriptCoverage::Entry& e : s.entriesNeverChosen)
      found.emplace_back(e.line, "choice entry " + std::to_string(e.entry) +
                                     " never chosen: " + cp932::ToUtf8(e.label));
    for (int32_t line : s.labelsNeverReached)
      found.emplace_back(line, "label never reached: " + shown(s, line));
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [line, what] : found) out += at + std::to_string(line) + ": " + what + "\n";
  }
  auto row = [](const std::string& name, const ScriptCoverage::Tally& text,
                const ScriptCoverage::Tally& ways, const ScriptCoverage::Tally& entries,
                const ScriptCoverage::Tally& labels) {
    return name + "\n  text lines shown:      " + Cell(text) +
           "\n  condition ways taken:  " + Cell(ways) +
           "\n  choice entries chosen: " + Cell(entries) +
           "\n  labels reached:        " + Cell(labels) + "\n";
  };
  for (const ScriptCoverage& s : report.scripts)
    if (s.readable) out += row(s.name, s.text, s.ways, s.entries, s.labels);
  out += row("total", report.text, report.ways, report.entries, report.labels);
  return out;
}

std::string CoverageReportHtml(const CoverageReport& report) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Coverage</title>\n<style>\n"
      "body { font-family: sans-serif; margin: 1em 2em; }\n"
      "table { border-collapse: collapse; }\n"
      "th, td { padding: 0 0.6em; text-align: left; }\n"
      ".summary td, .summary th { border: 1px solid #bbb; padding: 0.2em 0.6em; }\n"
      ".script td { font-family: monospace; white-space: pre; }\n"
      ".script td.ln, .script td.ct { color: #666; text-align: right; }\n"
      "tr.c { background: #d7f5d0; }\n"
      "tr.p { background: #fff0b0; }\n"
      "tr.n { background: #f8d0d0; }\n"
      "</style>\n</head>\n<body>\n<h1>Coverage</h1>\n"
      "<p><span style=\"background:#d7f5d0\">covered</span> "
      "<span style=\"background:#fff0b0\">partly taken (a condition one way only, a choice with "
      "an entry never chosen)</span> "
      "<span style=\"background:#f8d0d0\">never run</span>; lines without colour have nothing "
      "to reach.</p>\n"
      "<table class=\"summary\">\n<tr><th>script</th><th>text lines shown</th>"
      "<th>condition ways taken</th><th>choice entries chosen</th><th>labels reached</th></tr>\n";
  auto row = [](const std::string& name, const ScriptCoverage::Tally& text,
                const ScriptCoverage::Tally& ways, const ScriptCoverage::Tally& entries,
                const ScriptCoverage::Tally& labels) {
    return "<tr><td>" + name + "</td><td>" + Cell(text) + "</td><td>" + Cell(ways) + "</td><td>" +
           Cell(entries) + "</td><td>" + Cell(labels) + "</td></tr>\n";
  };
  for (const ScriptCoverage& s : report.scripts)
    out += s.readable ? row("<a href=\"#s" + std::to_string(&s - report.scripts.data()) + "\">" +
                                Escape(s.name) + "</a>",
                            s.text, s.ways, s.entries, s.labels)
                      : "<tr><td>" + Escape(s.name) + "</td><td colspan=\"4\">cannot be read</td></tr>\n";
  out += row("<b>total</b>", report.text, report.ways, report.entries, report.labels);
  out += "</table>\n";
  for (const ScriptCoverage& s : report.scripts) {
    if (!s.readable) continue;
    out += "<h2 id=\"s" + std::to_string(&s - report.scripts.data()) + "\">" + Escape(s.name) +
           "</h2>\n<table class=\"script\">\n";
    for (int32_t i = 0; i < static_cast<int32_t>(s.lines.size()); ++i) {
      const char* css = LineClass(s, i);
      out += std::string("<tr") + (*css ? std::string(" class=\"") + css + "\"" : "") +
             "><td class=\"ln\">" + std::to_string(i + 1) + "</td><td class=\"ct\">" +
             CountCell(s, i) + "</td><td>" + Escape(cp932::ToUtf8(s.lines[i])) + "</td></tr>\n";
    }
    out += "</table>\n";
  }
  out += "</body>\n</html>\n";
  return out;
}

}  // namespace korvana
