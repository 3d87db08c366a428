#include "save/SaveFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"

namespace korvana {
namespace {

// Whole lines: split at LF, one CR before it dropped; a last line without an
// end counts too.
std::vector<std::string_view> Lines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A signed 32-bit decimal number, the whole text.
std::optional<int64_t> Number(std::string_view text) {
  int64_t v = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  if (begin != end && *begin == '+') ++begin;
  auto [p, ec] = std::from_chars(begin, end, v);
  if (ec != std::errc() || p != end || begin == end) return std::nullopt;
  if (v < INT32_MIN || v > UINT32_MAX) return std::nullopt;
  return v;
}

// Writes the status lines in file order.
struct StatusWriter {
  std::string out;
  void Line(std::string_view text) {
    out.append(text);
    out += "\r\n";
  }
  void Title(const std::string& text) { Line(text); }
  void Text(const std::string& text) { Line(text); }
  void Int(const int32_t& v) { Line(std::to_string(v)); }
  void Colour(const uint32_t& v) { Line(std::to_string(v)); }
  void Colour(const int32_t& v) { Line(std::to_string(v)); }
  void Byte(const uint8_t& v) { Line(std::to_string(v)); }
  void Bool(const bool& v) { Line(v ? "1" : "0"); }
  void State(const MultiState& v) { Line(std::to_string(static_cast<int32_t>(v))); }
  void Zero() { Line("0"); }
};

// Reads them back in the same order; `ok` turns false at the first line that
// is missing or not a number.
struct StatusReader {
  std::vector<std::string_view> lines;
  size_t next = 0;
  bool ok = true;
  std::optional<std::string_view> Take() {
    if (next >= lines.size()) {
      ok = false;
      return std::nullopt;
    }
    return lines[next++];
  }
  std::optional<int64_t> TakeNumber() {
    auto line = Take();
    if (!line) return std::nullopt;
    auto n = Number(*line);
    if (!n) ok = false;
    return n;
  }
  void Title(std::string&) { Take(); }  // the copy at line 510 is the one read
  void Text(std::string& s) {
    if (auto line = Take()) s = std::string(*line);
  }
  void Int(int32_t& v) {
    if (auto n = TakeNumber()) v = static_cast<int32_t>(static_cast<uint32_t>(*n));
  }
  void Colour(uint32_t& v) {
    if (auto n = TakeNumber()) v = static_cast<uint32_t>(*n);
  }
  void Colour(int32_t& v) { Int(v); }
  // The byte lines are 0 or 1, whatever number a file holds.
  void Byte(uint8_t& v) {
    if (auto n = TakeNumber()) v = *n != 0;
  }
  void Bool(bool& v) {
    if (auto n = TakeNumber()) v = *n != 0;
  }
  void State(MultiState& v) {
    if (auto n = TakeNumber()) v = static_cast<MultiState>(static_cast<int32_t>(*n));
  }
  void Zero() { TakeNumber(); }
};

// The 516 lines of the status file, for the writer and the reader alike.
template <typename Point, typename Walk>
void WalkStatus(Point& p, Walk& w) {
  auto& objects = p.layers.objectRecords;
  auto& base = p.layers.baseRecords;
  auto& sprites = p.layers.sprites;
  auto& sheet = p.layers.sheet;
  auto& text = p.text;
  auto& prog = p.prog;
  auto& ch = p.channels;
  w.Title(prog.ProgChapter);
  for (auto* set : {&objects[0], &base[0]}) {
    const size_t n = set == &objects[0] ? objects.size() : base.size();
    for (size_t i = 0; i < n; ++i) w.Int(set[i].maskMode);
    for (size_t i = 0; i < n; ++i) w.Int(set[i].spare);
    for (size_t i = 0; i < n; ++i) w.Int(set[i].x);
    for (size_t i = 0; i < n; ++i) w.Int(set[i].y);
    for (size_t i = 0; i < n; ++i) w.Int(set[i].position);
  }
  for (auto& s : sprites) w.Int(s.x);
  for (auto& s : sprites) w.Int(s.y);
  for (auto& s : sprites) w.Int(s.column);
  for (auto& s : sprites) w.Int(s.row);
  for (auto& s : sprites) w.Int(s.animation);
  for (auto& c : ch) w.Int(c.timesPlayed);
  for (auto& c : ch) w.Int(c.repeatCount);
  for (auto& c : ch) w.Int(c.trackStart);
  for (auto& c : ch) w.Int(c.trackLength);
  for (auto& a : prog.ReturnAddresses) w.Int(a);
  w.Int(text.CursorX);
  w.Int(text.CursorY);
  w.Bool(text.OutlineMode);
  for (auto* v :
       {&text.CharWidth, &text.LineHeight, &text.LineGap, &text.FontHeight, &text.RubyFontHeight,
        &text.LeftMargin, &text.RightLimit, &text.BottomLimit, &text.SizeUnits, &text.OffsetX,
        &text.OffsetY, &text.LineMaxSize, &text.FontIndex, &text.CharWait})
    w.Int(*v);
  for (auto* v : {&sheet.columns, &sheet.rows, &sheet.cellWidth, &sheet.cellHeight}) w.Int(*v);
  for (auto* v : {&prog.ProgSpare, &prog.ProgExecLine, &prog.ProgNextLine, &prog.ProgResumeColumn,
                  &prog.ProgRetStack, &prog.ProgIfResult, &prog.ProgSelResult})
    w.Int(*v);
  w.State(prog.ProgMultiStateFlag);
  w.Int(p.ClickFlag);
  w.Int(p.CursorKind);
  w.Zero();
  w.Zero();
  for (auto& r : objects) w.Int(r.blendMode);
  for (auto& r : base) w.Int(r.blendMode);
  for (auto& r : objects) w.Colour(r.colorKey);
  for (auto& r : base) w.Colour(r.colorKey);
  w.Colour(text.TextColor);
  w.Colour(text.ShadowColor);
  w.Colour(sheet.colorKey);
  for (auto& r : objects) w.Byte(r.spareFlag);
  for (auto& r : objects) w.Byte(r.shown);
  for (auto& r : objects) w.Byte(r.loaded);
  for (auto& r : objects) w.Byte(r.transparent);
  for (auto& r : base) w.Byte(r.shown);
  for (auto& r : base) w.Byte(r.loaded);
  for (auto& r : base) w.Byte(r.transparent);
  for (auto& r : base) w.Byte(r.spareFlag);
  for (auto& c : ch) w.Byte(c.playing);
  for (auto& c : ch) w.Byte(c.deviceAvailable);
  for (auto& c : ch) w.Byte(c.requestedWhileOff);
  for (auto& s : sprites) w.Byte(s.visible);
  w.Zero();
  w.Bool(text.ShadowOn);
  w.Bool(text.TextVisible);
  w.Byte(sheet.transparent);
  w.Byte(sheet.usable);
  w.Zero();
  w.Bool(p.switches.DarknessSuppressed);
  w.Bool(p.switches.PopupDisabled);
  w.Zero();
  for (int i = 0; i < kStatusSelectionItems; ++i) w.Text(p.selection.ItemLabels[i]);
  for (int i = 0; i < kStatusSelectionItems; ++i) w.Text(p.selection.ItemCommands[i]);
  for (auto& r : objects) w.Text(r.fileName);
  for (auto& r : objects) w.Text(r.maskSpec);
  for (auto& r : base) w.Text(r.fileName);
  for (auto& r : base) w.Text(r.maskSpec);
  for (auto& c : ch) w.Text(c.fileName);
  for (auto& a : p.ProgArgs) w.Text(a);
  w.Text(prog.ProgChapter);
  w.Text(text.FontName);
  w.Text(text.RubyFontName);
  w.Text(sheet.fileName);
  w.Text(sheet.maskSpec);
  w.Text(prog.ProgFileName);
  w.Text(p.layers.AutoRefreshMode);
}

}  // namespace

std::string FlagFileBytes(const std::array<std::string, FlagStore::kGameCount>& flags) {
  std::string out;
  for (const std::string& f : flags) out += f + "\r\n";
  return out;
}

bool ParseFlagFile(std::string_view bytes, std::array<std::string, FlagStore::kGameCount>& flags) {
  const std::vector<std::string_view> lines = Lines(bytes);
  if (lines.size() < flags.size()) return false;
  for (size_t i = 0; i < flags.size(); ++i) flags[i] = std::string(lines[i]);
  return true;
}

std::string StatusFileBytes(const SavePoint& point) {
  StatusWriter w;
  WalkStatus(point, w);
  return w.out;
}

bool ParseStatusFile(std::string_view bytes, SavePoint& point) {
  SavePoint read = point;
  StatusReader r{Lines(bytes)};
  WalkStatus(read, r);
  if (!r.ok || r.next != kStatusLines) return false;
  point = std::move(read);
  return true;
}

std::string StatusTitle(std::string_view bytes) {
  const std::vector<std::string_view> lines = Lines(bytes.substr(0, kStatusTitleBytes));
  return lines.empty() ? std::string() : std::string(lines[0]);
}

std::string LogFileBytes(const std::vector<std::vector<std::string>>& pages) {
  std::string out = std::to_string(pages.size()) + "\r\n";
  for (size_t k = 0; k < pages.size(); ++k) {
    out += "\t" + std::to_string(k) + "\r\n";
    for (const std::string& line : pages[k]) out += line + "\r\n";
  }
  return out;
}

std::optional<std::vector<std::vector<std::string>>> ParseLogFile(std::string_view bytes) {
  const std::vector<std::string_view> lines = Lines(bytes);
  if (lines.empty()) return std::nullopt;
  const std::optional<int64_t> count = Number(lines[0]);
  if (!count || *count < 0) return std::nullopt;
  std::vector<std::vector<std::string>> pages;
  const int64_t wanted = std::min<int64_t>(*count, kMaxSavedLogPages);
  if (wanted == 0) return pages;
  pages.emplace_back();
  // The second line is page 0's "\t0"; a line with a tab starts the next.
  for (size_t i = 2; i < lines.size() && static_cast<int64_t>(pages.size()) <= wanted; ++i) {
    if (lines[i].find('\t') != std::string_view::npos) {
      if (static_cast<int64_t>(pages.size()) == wanted) break;
      pages.emplace_back();
      continue;
    }
    pages.back().emplace_back(lines[i]);
  }
  return pages;
}

std::string SaveFolder::Path(std::string_view fileName) const {
  return files_.ResolveScript(prefix_ + std::string(fileName));
}

std::string SaveFolder::SlotPath(int number, std::string_view extension) const {
  return Path("data" + std::to_string(number) + std::string(extension));
}

std::string SaveFolder::Shown() const {
  const std::string folder = SplitFolder(Path("data0.hfd")).first;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, ec).lexically_normal();
  return cp932::FromUtf8(ec ? folder : absolute.string());
}

namespace {

constexpr std::string_view kRecordHeader = "korvana slot commit 1";

}  // namespace

bool FileBatch::Commit() {
  int step = 0;
  auto go = [&] { return !failAt || failAt(step++); };
  failed = -1;
  std::vector<std::string> temps;
  auto fail = [&](size_t item) {
    failed = static_cast<int>(item);
    for (const std::string& t : temps) ::unlink(t.c_str());
    return false;
  };
  for (size_t i = 0; i < items.size(); ++i) {
    if (!go()) return false;
    // A folder standing where a file belongs would stop the renames half
    // way; it is found before anything changes.
    struct stat st;
    if (::lstat(items[i].path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return fail(i);
    std::optional<std::string> temp = WriteTempBeside(items[i].path, items[i].bytes, write);
    if (!temp) return fail(i);
    temps.push_back(std::move(*temp));
  }
  if (!go()) return false;
  std::string text = std::string(kRecordHeader) + "\n";
  for (size_t i = 0; i < items.size(); ++i)
    text += SplitFolder(temps[i]).second + "\t" + SplitFolder(items[i].path).second + "\n";
  text += "end\n";
  if (!record.empty()) {
    const std::optional<std::string> recordTemp = WriteTempBeside(record, text, write);
    if (!recordTemp || !ReplaceWithTemp(*recordTemp, record)) return fail(0);
  }
  // From here on the save is decided: what a crash interrupts, the next
  // start completes from the record.
  for (size_t i = 0; i < items.size(); ++i) {
    if (!go()) return false;
    if (::rename(temps[i].c_str(), items[i].path.c_str()) != 0) {
      failed = static_cast<int>(i);
      return false;
    }
  }
  SyncFolderOf(items.empty() ? record : items[0].path);
  if (!go()) return false;
  if (!record.empty()) ::unlink(record.c_str());
  return true;
}

bool FileBatch::CommitSlot(int number) {
  RecoverSlotFiles(record, number);
  std::vector<std::string> targets;
  for (const Item& item : items) targets.push_back(item.path);
  targets.push_back(record);
  RemoveLeftoverTemps(targets);
  return Commit();
}

void RecoverSlotFiles(const std::string& record, int number) {
  struct stat st;
  if (::lstat(record.c_str(), &st) != 0) return;
  const std::optional<std::string> bytes =
      S_ISREG(st.st_mode) ? ReadWholeFile(record, 4096) : std::nullopt;
  const std::vector<std::string_view> lines = bytes ? Lines(*bytes) : std::vector<std::string_view>{};
  // Only the files of this slot (three, or four with its picture), each from a temporary name of
  // its own, in the record's folder: a record shipped with a game cannot move anything else.
  std::vector<std::pair<std::string, std::string>> renames;
  bool ours = lines.size() >= 2 && lines.front() == kRecordHeader && lines.back() == "end";
  for (size_t i = 1; ours && i + 1 < lines.size(); ++i) {
    const size_t tab = lines[i].find('\t');
    if (tab == std::string_view::npos) {
      ours = false;
      break;
    }
    const std::string_view temp = lines[i].substr(0, tab), target = lines[i].substr(tab + 1);
    bool slotFile = false;
    for (const char* ext : {".hfd", ".hsd", ".hld", ".png"})
      slotFile = slotFile || EqualsIgnoringAsciiCase(target, "data" + std::to_string(number) + ext);
    ours = slotFile && IsTempName(temp, target);
    if (ours) renames.emplace_back(temp, target);
  }
  const std::string dir = SplitFolder(record).first;
  if (ours) {
    for (const auto& [temp, target] : renames) {
      const std::string from = dir + "/" + temp;
      // A temporary file that is gone was renamed before the crash.
      if (::lstat(from.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::rename(from.c_str(), (dir + "/" + target).c_str());
    }
    SyncFolderOf(record);
  }
  ::unlink(record.c_str());
}

void RecoverInterruptedSaves(const SaveFolder& folder) {
  // Looked up by the name this program writes, without the case-blind
  // search: a start must not read the save folder once per slot.
  const std::string dir = SplitFolder(folder.Path("data0.hfd")).first;
  for (int n = 1; n <= kLastSlot; ++n) {
    const std::string record = dir + "/data" + std::to_string(n) + ".commit";
    struct stat st;
    if (::lstat(record.c_str(), &st) == 0) RecoverSlotFiles(record, n);
  }
}

bool SlotUsed(const SaveFolder& folder, int number) {
  struct stat st;
  return ::stat(folder.SlotPath(number, ".hsd").c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<SlotEntry> SlotLabels(const SaveFolder& folder, int count) {
  count = std::clamp(count, 0, kLastSlot);
  std::vector<SlotEntry> slots(count);
  for (int n = 1; n <= count; ++n) {
    SlotEntry& e = slots[n - 1];
    std::string label = std::to_string(n);
    label.resize(3, ' ');
    const std::string path = folder.SlotPath(n, ".hsd");
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      std::string title = StatusTitle(ReadPrefix(path, kStatusTitleBytes).value_or(""));
      while (!title.empty() && static_cast<unsigned char>(title.back()) <= 0x20) title.pop_back();
      title += std::string(kSlotTitleBytes, ' ');
      // As many half-width places as bytes; a double-byte character that
      // would be cut in half gives way to a blank.
      size_t end = 0;
      while (end < kSlotTitleBytes) {
        const size_t n = cp932::CharLength(title, end);
        if (end + n > kSlotTitleBytes) break;
        end += n;
      }
      label += title.substr(0, end) + std::string(kSlotTitleBytes - end, ' ');
      std::tm tm{};
      const std::time_t t = st.st_mtime;
      localtime_r(&t, &tm);
      char date[32];
      std::snprintf(date, sizeof date, "(%04d/%02d/%02d %02d:%02d)", tm.tm_year + 1900,
                    tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
      label += date;
      e.used = true;
      // Whether it can be read is the dialog's to find out: it shows
      // nothing for a picture it cannot decode.
      const std::string picture = folder.SlotPath(n, ".png");
      if (::stat(picture.c_str(), &st) == 0 && S_ISREG(st.st_mode)) e.thumbnail = picture;
    } else {
      label += J("データがありません");
    }
    e.label = std::move(label);
  }
  return slots;
}

int NextAutoSlot(const SaveFolder& folder, std::span<const int> writtenThisRun) {
  struct Candidate {
    struct timespec time;
    // Where this run wrote it in its order of writes; -1 when it did not.
    long written;
  };
  std::array<Candidate, kAutoSlotCount> slots{};
  for (int i = 0; i < kAutoSlotCount; ++i) {
    struct stat st;
    const std::string path = folder.SlotPath(kFirstAutoSlot + i, ".hsd");
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kFirstAutoSlot + i;
    const auto at = std::find(writtenThisRun.begin(), writtenThisRun.end(), kFirstAutoSlot + i);
    slots[i] = {st.st_mtim, at == writtenThisRun.end() ? -1 : at - writtenThisRun.begin()};
  }
  // Files written within one tick of the file system's clock carry the same
  // time: among equals, what this run wrote earlier is older, and what it
  // did not write older still.
  auto older = [](const Candidate& a, const Candidate& b) {
    if (a.time.tv_sec != b.time.tv_sec) return a.time.tv_sec < b.time.tv_sec;
    if (a.time.tv_nsec != b.time.tv_nsec) return a.time.tv_nsec < b.time.tv_nsec;
    return a.written < b.written;
  };
  int best = 0;
  for (int i = 1; i < kAutoSlotCount; ++i)
    if (older(slots[i], slots[best])) best = i;
  return kFirstAutoSlot + best;
}

}  // namespace korvana
