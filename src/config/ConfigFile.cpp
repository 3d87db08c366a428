#include "config/ConfigFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"

namespace korvana::config {
bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return cp932::EqualsIgnoringCase(a, b);
}

bool EqualsIgnoringCaseUtf8(std::string_view a, std::string_view b) {
  return EqualsIgnoringAsciiCase(a, b);
}

std::optional<int> ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

std::string QuoteForReport(std::string_view value) {
  constexpr size_t kMax = 40;
  std::string out;
  for (size_t i = 0; i < value.size();) {
    size_t n = cp932::CharLength(value, i);
    if (out.size() + n > kMax) {
      out += "...";
      break;
    }
    unsigned char c = value[i];
    if (n == 1 && (c < 0x20 || c == 0x7F || cp932::IsLeadByte(c)))
      out += '?';
    else
      out.append(value.substr(i, n));
    i += n;
  }
  return "\"" + out + "\"";
}

ConfigFile ConfigFile::Parse(std::string_view bytes, std::vector<std::string>* problems,
                             TextEncoding encoding) {
  ConfigFile file;
  file.encoding_ = encoding;
  size_t lineNumber = 0;
  size_t pos = 0;
  while (pos < bytes.size()) {
    ++lineNumber;
    size_t end = bytes.find_first_of("\r\n", pos);
    bool terminated = end != std::string_view::npos;
    if (!terminated) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end;
    if (terminated)
      pos += (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;

    if (line.size() > kMaxConfigLineBytes) {
      if (problems)
        problems->push_back(std::to_string(lineNumber) + J("行目が長すぎるため読み飛ばしました（") +
                            std::to_string(line.size()) + J("バイト）"));
      continue;
    }
    if (!terminated && encoding == TextEncoding::Cp932) {
      // A last line cut inside a two-byte character (a truncated file).
      size_t last = 0;
      for (size_t i = 0; i < line.size(); i += cp932::CharLength(line, i)) last = i;
      if (!line.empty() && last == line.size() - 1 &&
          cp932::IsLeadByte(static_cast<unsigned char>(line[last]))) {
        line.remove_suffix(1);
        if (problems) problems->push_back(J("最後の行が文字の途中で切れています"));
      }
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    file.entries_.emplace_back(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
  }
  return file;
}

std::optional<std::string> ConfigFile::Find(std::string_view name) const {
  for (const auto& [key, value] : entries_)
    if (encoding_ == TextEncoding::Cp932 ? EqualsIgnoringCase(key, name)
                                         : EqualsIgnoringCaseUtf8(key, name))
      return value;
  return std::nullopt;
}

std::pair<LoadStatus, std::string> ReadSmallFile(const std::string& path, size_t limit) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0)
    return {(errno == ENOENT || errno == ENOTDIR) ? LoadStatus::Missing : LoadStatus::Unreadable,
            {}};
  if (!S_ISREG(st.st_mode)) return {LoadStatus::Unreadable, {}};
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {LoadStatus::Unreadable, {}};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return {LoadStatus::Unreadable, {}};
  }
  // Files under /proc report size 0, so read to the end rather than trusting st_size.
  std::string data;
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return {LoadStatus::Unreadable, {}};
    }
    if (n == 0) break;
    if (data.size() + static_cast<size_t>(n) > limit) {
      ::close(fd);
      return {LoadStatus::NotText, {}};
    }
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return {LoadStatus::Ok, std::move(data)};
}

LoadedConfig LoadConfigFile(const std::string& path, TextEncoding encoding) {
  LoadedConfig out;
  out.path = path;
  auto [status, bytes] = ReadSmallFile(path, kMaxConfigFileBytes);
  out.status = status;
  if (status != LoadStatus::Ok) return out;
  if (bytes.find('\0') != std::string::npos) {
    out.status = LoadStatus::NotText;
    return out;
  }
  out.file = ConfigFile::Parse(bytes, &out.problems, encoding);
  return out;
}

std::string FindInFolder(const std::string& folder, std::string_view name) {
  std::string exact = folder.empty() ? std::string(name) : folder + "/" + std::string(name);
  struct stat st;
  if (::lstat(exact.c_str(), &st) == 0) return exact;
  const auto found = FindEntryIgnoringCase(folder, name);
  if (!found) return exact;
  return folder.empty() ? *found : folder + "/" + *found;
}

}  // namespace korvana::config
