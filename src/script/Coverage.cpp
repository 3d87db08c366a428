#include "script/Coverage.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <limits>
#include <vector>

#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "core/FileWriting.h"

namespace korvana {
namespace {

// Counts that would pass the largest number stay there: a file merged for
// years must not wrap to few.
uint64_t Add(uint64_t a, uint64_t b) {
  return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max()
                                                      : a + b;
}

std::optional<uint64_t> ReadNumber(std::string_view text) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (v > (std::numeric_limits<uint64_t>::max() - digit) / 10) return std::nullopt;
    v = v * 10 + digit;
  }
  return v;
}

// A line number or an entry index: within what a script can hold.
std::optional<int32_t> ReadIndex(std::string_view text, int32_t low) {
  const std::optional<uint64_t> v = ReadNumber(text);
  if (!v || *v < static_cast<uint64_t>(low) ||
      *v > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    return std::nullopt;
  return static_cast<int32_t>(*v);
}

// The first `count` tab-separated fields; the last takes the rest of the
// line, tabs and all.
std::vector<std::string_view> Fields(std::string_view line, size_t count) {
  std::vector<std::string_view> out;
  while (out.size() + 1 < count) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) break;
    out.push_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  out.push_back(line);
  return out;
}

// Labels are kept for a person reading the file; a line break or a tab in
// one would break its record.
std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return out;
}

void MergeFile(FileCoverage& into, const FileCoverage& from) {
  for (const auto& [number, line] : from.lines) {
    LineCoverage& l = into.lines[number];
    l.runs = Add(l.runs, line.runs);
    l.held = Add(l.held, line.held);
    l.failed = Add(l.failed, line.failed);
  }
  for (const auto& [key, entry] : from.entries) {
    EntryCoverage& e = into.entries[key];
    e.chosen = Add(e.chosen, entry.chosen);
    if (!entry.label.empty()) e.label = entry.label;
  }
}

}  // namespace

void Coverage::Merge(const Coverage& other) {
  for (const auto& [name, file] : other.files) MergeFile(files[name], file);
}

std::string FormatCoverage(const Coverage& coverage) {
  std::string out(kCoverageHeader);
  out += '\n';
  for (const auto& [name, file] : coverage.files) {
    out += "file\t" + OneLine(name) + "\n";
    for (const auto& [number, line] : file.lines) {
      if (line.runs > 0)
        out += "line\t" + std::to_string(number) + "\t" + std::to_string(line.runs) + "\n";
      if (line.held > 0 || line.failed > 0)
        out += "cond\t" + std::to_string(number) + "\t" + std::to_string(line.held) + "\t" +
               std::to_string(line.failed) + "\n";
    }
    for (const auto& [key, entry] : file.entries)
      out += "choice\t" + std::to_string(key.first) + "\t" + std::to_string(key.second) + "\t" +
             std::to_string(entry.chosen) + "\t" + OneLine(entry.label) + "\n";
  }
  return out;
}

std::optional<Coverage> ParseCoverage(std::string_view text, std::string& error) {
  Coverage coverage;
  FileCoverage* file = nullptr;
  size_t number = 0;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(number) + ": " + why;
    return std::nullopt;
  };
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (number == 1) {
      if (line.substr(0, line.rfind(' ') + 1) == "korvana-coverage " && line != kCoverageHeader)
        return fail("version " + std::string(line.substr(line.rfind(' ') + 1)) +
                    " of the coverage format is not known here");
      if (line != kCoverageHeader) return fail("not a coverage file (no \"korvana-coverage\" line)");
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    const std::string_view kind = line.substr(0, line.find('\t'));
    if (kind == "file") {
      const auto f = Fields(line, 2);
      if (f.size() < 2 || f[1].empty()) return fail("a file record without a name");
      file = &coverage.files[std::string(f[1])];
      continue;
    }
    if (kind != "line" && kind != "cond" && kind != "choice")
      return fail("unknown record \"" + std::string(kind) + "\"");
    if (!file) return fail("a " + std::string(kind) + " record before any file record");
    const auto f = Fields(line, kind == "line" ? 3 : kind == "cond" ? 4 : 5);
    const size_t wanted = kind == "line" ? 3 : kind == "cond" ? 4 : 5;
    if (f.size() != wanted) return fail("a " + std::string(kind) + " record needs " +
                                        std::to_string(wanted - 1) + " fields");
    const std::optional<int32_t> at = ReadIndex(f[1], 1);
    if (!at) return fail("\"" + std::string(f[1]) + "\" is not a line number");
    if (kind == "choice") {
      const std::optional<int32_t> entry = ReadIndex(f[2], 0);
      const std::optional<uint64_t> times = ReadNumber(f[3]);
      if (!entry || !times) return fail("a choice record needs an entry index and a count");
      EntryCoverage& e = file->entries[{*at, *entry}];
      e.chosen = Add(e.chosen, *times);
      e.label = std::string(f[4]);
      continue;
    }
    std::optional<uint64_t> a = ReadNumber(f[2]), b;
    if (kind == "cond") b = ReadNumber(f[3]);
    if (!a || (kind == "cond" && !b)) return fail("a count is not a whole number");
    LineCoverage& l = file->lines[*at];
    if (kind == "line") {
      l.runs = Add(l.runs, *a);
    } else {
      l.held = Add(l.held, *a);
      l.failed = Add(l.failed, *b);
    }
  }
  // An empty file is one made to be filled (mktemp), not a damaged one.
  return coverage;
}

std::optional<Coverage> ReadCoverageFile(const std::string& path, std::string& error) {
  // Only a name with nothing behind it is a first run; anything else that
  // stands there and cannot be read must not be written over.
  std::error_code ec;
  if (std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::not_found)
    return Coverage{};
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) {
    error = path + ": cannot be read";
    return std::nullopt;
  }
  std::optional<Coverage> coverage = ParseCoverage(*bytes, error);
  if (!coverage) error = path + ": " + error;
  return coverage;
}

namespace {

// Runs that end together take turns at the file: each holds the folder's
// lock from reading to renaming, so none adds to counts another is about to
// replace. A folder that cannot be locked (a file system without locks) is
// written without.
class FolderLock {
 public:
  explicit FolderLock(const std::string& path)
      : fd_(::open(SplitFolder(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0)
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

}  // namespace

bool MergeIntoCoverageFile(const std::string& path, const Coverage& run, std::string& error) {
  const FolderLock lock(path);
  std::optional<Coverage> kept = ReadCoverageFile(path, error);
  if (!kept) return false;
  kept->Merge(run);
  if (!WriteFileAtomically(path, FormatCoverage(*kept))) {
    error = path + ": cannot be written";
    return false;
  }
  return true;
}

void CoverageRecorder::LineRan(const std::string& name, int32_t index) {
  if (index < 0) return;
  // Stories run long in one script: its name is compared, not looked up.
  if (!file_ || name != name_) {
    name_ = name;
    file_ = &data_[name];
  }
  index_ = index;
  if (file_->lines.size() <= static_cast<size_t>(index)) file_->lines.resize(index + 1);
  LineCoverage& line = file_->lines[index];
  line.runs = Add(line.runs, 1);
}

void CoverageRecorder::Condition(bool held) {
  if (!file_ || index_ < 0) return;
  LineCoverage& line = file_->lines[index_];
  uint64_t& count = held ? line.held : line.failed;
  count = Add(count, 1);
}

void CoverageRecorder::Chosen(int32_t entry, const std::string& label) {
  if (!file_ || index_ < 0) return;
  EntryCoverage& e = file_->entries[{index_ + 1, entry}];
  e.chosen = Add(e.chosen, 1);
  e.label = label;
}

Coverage CoverageRecorder::Result() const {
  Coverage out;
  for (const auto& [name, counting] : data_) {
    FileCoverage& f = out.files[cp932::ToUtf8(name)];
    for (size_t i = 0; i < counting.lines.size(); ++i)
      if (counting.lines[i] != LineCoverage{}) f.lines[static_cast<int32_t>(i) + 1] = counting.lines[i];
    for (const auto& [key, entry] : counting.entries)
      f.entries[key] = {entry.chosen, cp932::ToUtf8(entry.label)};
  }
  return out;
}

}  // namespace korvana
