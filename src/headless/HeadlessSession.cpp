#include "headless/HeadlessSession.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/Cp932.h"
#include "config/InstallStore.h"
#include "config/ReaderSettings.h"
#include "core/FileResolver.h"
#include "expr/FlagDump.h"
#include "save/SaveFiles.h"
#include "script/Coverage.h"
#include "script/Startup.h"
#include "script/Warp.h"
#include "select/SelectionItems.h"

namespace korvana {

const char kHeadlessUsage[] =
    "usage: korvana --headless [options] [GAME]\n"
    "  --clicks N          end the run after N automatic clicks (choices and waits\n"
    "                      that auto mode or a pad button ends are not counted);\n"
    "                      -1: no limit. Without it the run ends after 10000 waits\n"
    "                      for input (click waits and choices) with \"click limit\"\n"
    "  --answer LIST       answers for successive question boxes: yes,no,ok,cancel\n"
    "  --input LIST        texts for successive input boxes (default: cancel)\n"
    "  --choose LIST       entry index (0-31) for successive choices (default 0)\n"
    "  --slot LIST         slot (1-80) or cancel for successive save/load dialogs;\n"
    "                      a load also takes the quick and automatic slots 81-84\n"
    "  --font LIST         ok or cancel for successive font dialogs (default cancel)\n"
    "  --menu LIST         pop-up menu items (Msave, Mload, Mtitle, …) chosen during\n"
    "                      waits for input; N:item at the N-th click wait or choice\n"
    "  --pad LIST          game controller buttons (a, b, x, y, lb, rb, lt, rt, start,\n"
    "                      back, up, down, left, right) pressed at waits for input\n"
    "                      instead of their automatic click or choice: N:button at\n"
    "                      the N-th click wait or choice, else one to a wait\n"
    "  --max-lines N       end the run after N executed script lines\n"
    "  --max-ms N          end the run after N virtual milliseconds\n"
    "  --max-wall-ms N     end the run after N real milliseconds (for loops that\n"
    "                      take no virtual time)\n"
    "  --screenshot FILE   write the screen as PNG when the run ends; screenshots\n"
    "                      taken with Xshot go to FILE's folder (default: the\n"
    "                      current folder) as GAME-YYYYMMDD-HHMMSS.png\n"
    "  --settings FILE     the reader's settings (settings.ini) to run with instead of\n"
    "                      the defaults\n"
    "  --autosave          write the automatic saves (slots 82-84), off otherwise\n"
    "  --dump-flags FILE   write the 512 flags when the run ends\n"
    "  --dump-state FILE   write the interpreter state dump when the run ends\n"
    "  --transcript FILE   write one line per event, as it happens (boxes, dialogs,\n"
    "                      menu items, choices, sounds, text)\n"
    "  --strict            any script error report fails the run (exit status 4)\n"
    "  --text-out PATH     turn text out on and append each page's text (UTF-8,\n"
    "                      ruby as 漢字(かな)) to the file or pipe PATH\n"
    "  --screenshot-at N,M,... DIR\n"
    "                      write the page at the N-th, M-th ... click wait (numbered\n"
    "                      as --menu N: counts) to DIR/wait-N.png before its click\n"
    "  --coverage FILE     add which script lines ran, which way each condition went\n"
    "                      and which choice entries were chosen to FILE (created when\n"
    "                      missing; a damaged FILE is refused with status 2); report\n"
    "                      with korvana-script coverage FILE GAME\n"
    "  --warp PLACE        start the story at PLACE instead of its start: a label\n"
    "                      (:name or name; the start script's, else the one script\n"
    "                      that has it) or FILE:LINE (a script of the game and its\n"
    "                      1-based line); the lines before it do not run\n"
    "  --flags FILE        start with the 512 flags of FILE, as --dump-flags writes\n"
    "                      them (\"%03d = value\", UTF-8, every line; read strictly);\n"
    "                      a place not there or a bad line is refused (status 2)\n"
    "  --reload-after N:FILE  at the N-th click wait or choice, FILE stands in for\n"
    "                      the game's script of FILE's name (any case) and the\n"
    "                      running script is read again, as the debug mode's\n"
    "                      Xreload does: written as reload FILE OLD → NEW (1-based\n"
    "                      lines), or reload FILE failed: WHY; may be repeated\n"
    "The reader's comforts are chosen with --menu (Xback, Xforward, Xauto, Xqsave,\n"
    "Xqload, Xshot, Xsettings, Xspeak, Xtextout) and recorded as back N,\n"
    "forward N, auto on|off, qsave 81, qload 81, autosave N, shot FILE and\n"
    "note TEXT; what would be spoken as speak TEXT (150 virtual ms per\n"
    "character) and each line of text out as textout TEXT. Auto mode runs in\n"
    "virtual time: --clicks 1 --menu 1:Xauto reads a whole game.\n"
    "Each pad button is recorded as pad NAME and does what the reader's settings\n"
    "map it to (--settings; by default a clicks, b the pop-up menu, x hides the\n"
    "text, y the log, lb/rb page back/forward, lt held skips until the next pad\n"
    "button, rt auto mode, start saves, back loads, the d-pad moves as the arrow\n"
    "keys); a choice answered by the pad is recorded with \"pad\" as its index.\n"
    "A run that ends before the story does writes \"stop<TAB>REASON\" to the\n"
    "transcript: a limit, a wait nothing can end, or an answer of --choose or\n"
    "--slot the story cannot take, or pad buttons that leave their wait waiting\n"
    "(also written to stderr as \"stop: REASON\").\n"
    "Each click wait writes \"wait<TAB>N<TAB>FILE:LINE\" after its text: N is the\n"
    "number --menu N:, --pad N: and --screenshot-at use (click waits and choices\n"
    "are counted together, so a choice takes a number of its own), FILE:LINE the\n"
    "script line of the wait. A loop that takes no virtual time ends with \"stop\n"
    "no progress\" after 10000000 script lines or 1000000 passes of the message\n"
    "pump in which neither virtual time passed nor a click wait or choice came.\n"
    "exit status: 0, 1 after the error report was answered yes, 2 for bad options\n"
    "or a --settings or --coverage file that cannot be read,\n"
    "3 when no start script could be run (no krv.cfg, no autorun.txt),\n"
    "4 for script errors with --strict,\n"
    "5 when --choose or --slot named an entry or slot that cannot be taken, or the\n"
    "buttons --pad gave a wait did not end it, 6 when a loop made no progress\n";

namespace {

// The headless window's menu as the desktop window's opens without a krv.ini;
// the engine sets what the game's settings change as it starts.
std::vector<HeadlessMenuItem> HeadlessMenu(std::span<const MenuRow> rows) {
  const config::Settings fresh;
  std::vector<HeadlessMenuItem> menu;
  for (const MenuRow& row : rows)
    if (!row.submenu)
      menu.push_back({row.name, row.item, MenuStartsEnabled(row, fresh),
                      MenuStartsChecked(row, fresh) == 1});
  return menu;
}

}  // namespace

HeadlessSession::HeadlessSession(HeadlessOptions options, EngineSettings settings,
                                 std::string folder, std::span<const MenuRow> menu)
    : platform(std::move(options), HeadlessMenu(menu)),
      engine(platform.Doors(), flags, std::move(settings), folder),
      gameFolder(std::move(folder)) {
  // Runs compared with approved transcripts must not grow saves they never
  // asked for.
  engine.AllowAutoSaves(platform.options().autoSaves);
  platform.runMenuItem = [this, menu](const std::string& name) {
    const MenuRow* row = FindMenuItem(menu, name);
    if (!row) return false;
    // Of the window's own parts only the close request exists here: there is
    // no frame to toggle and no screen to fill.
    if (row->host == MenuHost::Close) platform.RequestClose();
    // The settings dialog is answered by keeping the settings as they are.
    if (row->host == MenuHost::Settings) platform.SettingsDialog();
    RunMenuAction(engine, *row);
    return true;
  };
  platform.storyLeaving = [this] { return engine.RequestPending(); };
  if (!platform.options().reloads.empty()) {
    engine.ExpectReloads();
    platform.reloadScript = [this](const std::string& file) {
      const std::string name = std::filesystem::path(file).filename().string();
      std::optional<std::string> bytes = ReadWholeFile(file);
      if (!bytes) {
        platform.ReaderEvent("reload", name + "\tfailed: cannot read " + file);
        return;
      }
      engine.ReplaceScriptFile(cp932::FromUtf8(name), std::move(*bytes));
      engine.ReloadScript();
    };
  }
  if (!platform.options().textOut.empty()) engine.SetTextOut(true);
  platform.SetPadMapping(engine.Reader().pad);
  platform.waitingForInput = [this] { return engine.WaitingForInput(); };
  platform.padInView = [this](config::PadAction a) { return engine.PadInLogScreen(a); };
  platform.scriptPlace = [this] { return engine.StoryPlace(); };
}

bool HeadlessSession::Prepare() {
  GamePreparation prepared = PrepareGame(platform.Doors(), gameFolder);
  if (prepared.exitProgram) {
    endReason = "no game configuration";
    failed = true;
    platform.RecordStop(endReason);
    return false;
  }
  engine.SetGameFolder(prepared.settings.StartFolder);
  // The reader's settings stay those the session was given.
  EngineSettings engineSettings = EngineSettingsFrom(prepared.settings, engine.Reader());
  engineSettings.startScript = startScript;
  engine.ApplySettings(engineSettings);
  settings = std::move(prepared.settings);
  return true;
}

int HeadlessSession::Run() {
  int status = 0;
  bool stopped = false;
  try {
    platform.ArmLimits();
    engine.Initialize();
    engine.StartEngine();
    endReason = engine.ScriptStarted() ? "end" : "no start script";
    if (!engine.ScriptStarted()) {
      status = kNoStartScript;
      stopped = failed = true;
    }
  } catch (const HeadlessStop& stop) {
    endReason = stop.reason;
    stopped = true;
    if (stop.failed) {
      status = kStopped;
      failed = true;
    }
    if (stop.noProgress) {
      status = kNoProgress;
      failed = true;
    }
  } catch (const EngineExit& exit) {
    status = exit.code;
    endReason = exit.code == 0 ? "exit" : "terminated";
    if (exit.save && settings) SaveAtExit(engine, *settings, platform);
  }
  platform.FlushText();
  if (stopped) platform.RecordStop(endReason);
  if (status == 0 && platform.options().strict && platform.ErrorReports() > 0)
    status = kScriptErrors;
  return status;
}

std::vector<std::string> HeadlessSession::FlagDump() const {
  std::vector<std::string> lines;
  for (int i = 0; i < FlagStore::kCount; ++i) lines.push_back(FlagDumpLine(i, flags.Get(i)));
  return lines;
}

std::vector<std::string> HeadlessSession::StateDump() const {
  std::vector<std::string> lines;
  for (const std::string& l : engine.StateDump()) lines.push_back(cp932::ToUtf8(l));
  return lines;
}

namespace {

// A whole number written in decimal digits alone, from `low` to `high`; a
// number too large for any counter is refused, not read as the largest.
bool ParseCount(const std::string& text, int64_t& out, int64_t low = 0,
                int64_t high = std::numeric_limits<int64_t>::max()) {
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    if (v > (std::numeric_limits<int64_t>::max() - (c - '0')) / 10) return false;
    v = v * 10 + (c - '0');
  }
  if (v < low || v > high) return false;
  out = v;
  return true;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    out.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

// Every entry of `list` is one of `words`; else `error` names the first
// stranger and what `option` takes.
bool OnlyWords(const std::vector<std::string>& list, std::initializer_list<std::string_view> words,
               const std::string& option, std::string& error) {
  for (const std::string& entry : list) {
    if (std::find(words.begin(), words.end(), entry) != words.end()) continue;
    std::string takes;
    for (std::string_view w : words) {
      if (!takes.empty()) takes += w == *(words.end() - 1) ? " or " : ", ";
      takes += w;
    }
    error = option + " takes " + takes + ", not \"" + entry + "\"";
    return false;
  }
  return true;
}

// "-" is standard output.
bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  if (path == "-") {
    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
    return std::fflush(stdout) == 0;
  }
  std::ofstream out(path, std::ios::binary);
  for (const std::string& l : lines) out << l << '\n';
  return static_cast<bool>(out);
}

}  // namespace

bool ParseHeadlessCommandLine(const std::vector<std::string>& args, HeadlessCommandLine& out,
                              std::string& error, std::span<const MenuRow> menu) {
  bool haveDir = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& dest) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      dest = args[++i];
      return true;
    };
    std::string v;
    if (a == "--clicks" && i + 1 < args.size() && args[i + 1] == "-1") {
      // No bound at all: not even that of a run without --clicks.
      ++i;
      out.options.maxClicks = -1;
      out.options.inputBound = -1;
    } else if (a == "--clicks" || a == "--max-lines" || a == "--max-ms" || a == "--max-wall-ms") {
      if (!value(v)) return false;
      if (a == "--clicks") out.options.inputBound = -1;
      int64_t n;
      if (!ParseCount(v, n)) {
        error = a + " needs a whole number, not \"" + v + "\"";
        return false;
      }
      (a == "--clicks"      ? out.options.maxClicks
       : a == "--max-lines" ? out.options.maxLines
       : a == "--max-ms"    ? out.options.maxMs
                            : out.options.maxWallMs) = n;
    } else if (a == "--answer") {
      if (!value(v)) return false;
      out.options.answers = SplitList(v);
      if (!OnlyWords(out.options.answers, {"yes", "no", "ok", "cancel"}, a, error)) return false;
    } else if (a == "--input") {
      if (!value(v)) return false;
      out.options.inputs = SplitList(v);
    } else if (a == "--screenshot") {
      if (!value(out.screenshot)) return false;
    } else if (a == "--settings") {
      if (!value(out.settings)) return false;
    } else if (a == "--dump-flags") {
      if (!value(out.dumpFlags)) return false;
    } else if (a == "--dump-state") {
      if (!value(out.dumpState)) return false;
    } else if (a == "--strict") {
      out.options.strict = true;
    } else if (a == "--autosave") {
      out.options.autoSaves = true;
    } else if (a == "--transcript") {
      if (!value(out.transcript)) return false;
    } else if (a == "--text-out") {
      if (!value(out.options.textOut)) return false;
    } else if (a == "--coverage") {
      if (!value(out.coverage)) return false;
    } else if (a == "--choose") {
      if (!value(v)) return false;
      for (const std::string& item : SplitList(v)) {
        int64_t n;
        if (!ParseCount(item, n, 0, SelectionItems::kMaxItems - 1)) {
          error = "--choose takes entry indices 0 to " +
                  std::to_string(SelectionItems::kMaxItems - 1) + ", not \"" + item + "\"";
          return false;
        }
        out.options.choices.push_back(n);
      }
    } else if (a == "--slot") {
      if (!value(v)) return false;
      for (const std::string& item : SplitList(v)) {
        int64_t n;
        if (item != "cancel" && !ParseCount(item, n, 1, kLastSlot)) {
          error = "--slot takes slots 1 to " + std::to_string(kLastSlot) + " or cancel, not \"" +
                  item + "\"";
          return false;
        }
        out.options.slotChoices.push_back(item);
      }
    } else if (a == "--font") {
      if (!value(v)) return false;
      out.options.fontAnswers = SplitList(v);
      if (!OnlyWords(out.options.fontAnswers, {"ok", "cancel"}, a, error)) return false;
    } else if (a == "--menu") {
      if (!value(v)) return false;
      for (const std::string& item : SplitList(v)) {
        HeadlessOptions::MenuChoice choice;
        choice.item = item;
        if (const size_t colon = item.find(':'); colon != std::string::npos) {
          if (!ParseCount(item.substr(0, colon), choice.wait, 1)) {
            error = "--menu takes N:item with N from 1, not \"" + item + "\"";
            return false;
          }
          choice.item = item.substr(colon + 1);
        }
        if (!FindMenuItem(menu, choice.item)) {
          error = "--menu does not know the item \"" + choice.item + "\"";
          return false;
        }
        out.options.menu.push_back(choice);
      }
    } else if (a == "--pad") {
      if (!value(v)) return false;
      for (const std::string& item : SplitList(v)) {
        HeadlessOptions::PadPress press;
        std::string name = item;
        if (const size_t colon = item.find(':'); colon != std::string::npos) {
          if (!ParseCount(item.substr(0, colon), press.wait, 1)) {
            error = "--pad takes N:button with N from 1, not \"" + item + "\"";
            return false;
          }
          name = item.substr(colon + 1);
        }
        const std::optional<PadButton> button = ParsePadButton(name);
        if (!button) {
          std::string names;
          for (std::string_view n : kPadButtonNames) names += (names.empty() ? "" : ", ") + std::string(n);
          error = "--pad does not know the button \"" + name + "\" (" + names + ")";
          return false;
        }
        press.button = *button;
        out.options.pad.push_back(press);
      }
    } else if (a == "--screenshot-at") {
      if (!value(v)) return false;
      for (const std::string& item : SplitList(v)) {
        int64_t n;
        if (!ParseCount(item, n, 1)) {
          error = "--screenshot-at takes click waits N,M,... numbered from 1, not \"" + item + "\"";
          return false;
        }
        out.options.screenshotWaits.push_back(n);
      }
      if (!value(out.options.screenshotDir)) return false;
      if (out.options.screenshotDir.empty()) {
        error = "--screenshot-at needs a folder";
        return false;
      }
    } else if (a == "--warp" || a == "--flags") {
      if (!value(a == "--warp" ? out.warp : out.flagsFile)) return false;
      if ((a == "--warp" ? out.warp : out.flagsFile).empty()) {
        error = a + (a == "--warp" ? " needs a label or FILE:LINE" : " needs a file");
        return false;
      }
    } else if (a == "--reload-after") {
      if (!value(v)) return false;
      HeadlessOptions::ReloadAfter reload;
      const size_t colon = v.find(':');
      if (colon == std::string::npos || !ParseCount(v.substr(0, colon), reload.wait, 1) ||
          colon + 1 == v.size()) {
        error = "--reload-after takes N:FILE with N from 1, not \"" + v + "\"";
        return false;
      }
      reload.file = v.substr(colon + 1);
      out.options.reloads.push_back(reload);
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (!haveDir) {
      out.gameDir = a;
      haveDir = true;
    } else {
      error = "only one game folder may be given";
      return false;
    }
  }
  return true;
}

std::string ScreenshotFolderFor(const std::string& screenshot) {
  const std::string folder = std::filesystem::path(screenshot).parent_path().string();
  return folder.empty() ? "." : folder;
}

int RunHeadlessCommand(const HeadlessCommandLine& command) {
  const std::string& screenshot = command.screenshot;
  const std::string& dumpFlags = command.dumpFlags;
  const std::string& dumpState = command.dumpState;
  const std::string& transcript = command.transcript;

  const std::optional<GameLocation> game = LocateGame(command.gameDir);
  if (!game) {
    std::fprintf(stderr, "korvana: %s is neither a game folder nor a script\n",
                 command.gameDir.c_str());
    return 2;
  }
  // The reader's settings come from the file named, never from the reader's
  // own: a run must not depend on who runs it. Automatic saves stay off
  // unless --autosave asks for them (the session sees to that), so that a
  // run writes no slot it was not told to.
  EngineSettings settings;
  if (!command.settings.empty()) {
    std::string error;
    if (!config::ReadReaderSettings(command.settings, settings.reader, error)) {
      std::fprintf(stderr, "korvana: %s\n", error.c_str());
      return 2;
    }
  }
  // A coverage file that is damaged would be lost under the sum: refused
  // before the run, not after it.
  std::optional<CoverageRecorder> coverage;
  if (!command.coverage.empty()) {
    std::string error;
    if (!ReadCoverageFile(command.coverage, error)) {
      std::fprintf(stderr, "korvana: %s\n", error.c_str());
      return 2;
    }
    coverage.emplace();
  }
  HeadlessSession session(command.options, settings, game->folder);
  if (coverage) session.engine.SetCoverage(&*coverage);
  // Screenshots taken with the menu go where --screenshot writes.
  session.platform.screenshotFolder = ScreenshotFolderFor(screenshot);
  session.startScript = game->startScript;
  // An installed game (read-only) keeps its player's files where the window
  // would; the in-process sessions of the tests keep them nowhere else.
  session.platform.userDataHome = config::DefaultUserDataHome();
  std::FILE* stream = nullptr;
  if (transcript == "-")
    stream = stdout;
  else if (!transcript.empty())
    stream = std::fopen(transcript.c_str(), "wb");
  if (!transcript.empty() && !stream)
    std::fprintf(stderr, "korvana: cannot write %s\n", transcript.c_str());
  session.platform.StreamTranscript(stream);
  int status = HeadlessSession::kNoStartScript;
  if (session.Prepare()) {
    std::string refused;
    if (!PrepareStartPlace(session.engine, command.warp, command.flagsFile, refused)) {
      std::fprintf(stderr, "korvana: %s\n", refused.c_str());
      if (stream && stream != stdout) std::fclose(stream);
      return 2;
    }
    status = session.Run();
  }
  if (session.failed) std::fprintf(stderr, "korvana: stop: %s\n", session.endReason.c_str());

  bool ok = true;
  if (stream && stream != stdout) ok &= std::fclose(stream) == 0;
  if (!dumpFlags.empty()) ok &= WriteLines(dumpFlags, session.FlagDump());
  if (!dumpState.empty()) ok &= WriteLines(dumpState, session.StateDump());
  if (!screenshot.empty()) ok &= WritePng(session.engine.ScreenPicture(), screenshot);
  for (const std::string& shot : session.platform.UnwrittenShots()) {
    std::fprintf(stderr, "korvana: cannot write %s\n", shot.c_str());
    ok = false;
  }
  if (coverage) {
    std::string error;
    if (!MergeIntoCoverageFile(command.coverage, coverage->Result(), error)) {
      std::fprintf(stderr, "korvana: %s\n", error.c_str());
      ok = false;
    }
  }
  if (!ok) std::fprintf(stderr, "korvana: could not write every output file\n");
  return status;
}

}  // namespace korvana
