#include "core/FileResolver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/RegularFile.h"

namespace korvana {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::optional<std::string> FindEntryIgnoringCase(const std::string& dir, std::string_view name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* e = ::readdir(d)) {
    if (EqualsIgnoringAsciiCase(e->d_name, name)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

std::string ExpandDataDrive(std::string_view name, std::string_view dataPath) {
  size_t at = name.find(kDataDriveToken);
  if (at == std::string_view::npos) return std::string(name);
  std::string out(name.substr(0, at));
  out += dataPath;
  out += name.substr(at + kDataDriveToken.size());
  return out;
}

namespace {

// "\" → "/" outside two-byte characters (a trail byte 0x5C belongs to its
// character, as in "表"), then UTF-8.
std::string SlashedUtf8(std::string_view sjisName) {
  std::string slashed;
  slashed.reserve(sjisName.size());
  for (size_t i = 0; i < sjisName.size();) {
    size_t n = cp932::CharLength(sjisName, i);
    if (n == 1 && sjisName[i] == '\\')
      slashed += '/';
    else
      slashed.append(sjisName.substr(i, n));
    i += n;
  }
  return cp932::ToUtf8(slashed);
}

// The walk behind ResolvePath, on a UTF-8 path.
std::string ResolveUtf8(const std::string& path) {
  if (path.empty() || Exists(path)) return path;

  // Walk the components, keeping each that exists and matching the others
  // without regard to case.
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  std::string built;
  bool absolute = path[0] == '/';
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (i == 0 && absolute) continue;  // the empty part before the root slash
    std::string prefix = built.empty() ? (absolute ? "/" : "") : built + "/";
    if (part.empty() || part == "." || part == "..") {
      built = prefix + part;
      continue;
    }
    std::string exact = prefix + part;
    if (Exists(exact)) {
      built = exact;
      continue;
    }
    auto match = FindEntryIgnoringCase(built.empty() ? (absolute ? "/" : ".") : built, part);
    if (!match) return path;
    built = prefix + *match;
  }
  return built;
}

}  // namespace

std::string ResolvePath(std::string_view sjisName) {
  return ResolveUtf8(SlashedUtf8(sjisName));
}

std::string ResolveScriptPath(std::string_view sjisName, std::string_view dataPath) {
  return ResolvePath(ExpandDataDrive(sjisName, dataPath));
}

std::string GameFiles::Resolve(std::string_view sjisName) const {
  if (root_.empty() || sjisName.empty() || sjisName[0] == '/' || sjisName[0] == '\\')
    return ResolvePath(sjisName);
  return ResolveUtf8(root_ + "/" + SlashedUtf8(sjisName));
}

std::string GameFiles::Shown(const std::string& resolvedPath) const {
  if (root_.empty()) return resolvedPath;
  const std::string prefix = root_.back() == '/' ? root_ : root_ + "/";
  if (resolvedPath.compare(0, prefix.size(), prefix) == 0)
    return resolvedPath.substr(prefix.size());
  return resolvedPath;
}

std::optional<std::string> AbsoluteFolder(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path folder = fs::absolute(dir.empty() ? "." : dir, ec).lexically_normal();
  if (ec || !fs::is_directory(folder, ec)) return std::nullopt;
  if (!folder.has_filename() && folder != folder.root_path()) folder = folder.parent_path();
  return folder.string();
}

bool FileExists(const std::string& resolvedPath) {
  struct stat st;
  return ::stat(resolvedPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// At most `maxBytes` of a regular file; a longer one is refused unless only
// its start is wanted.
std::optional<std::string> ReadRegularFile(const std::string& resolvedPath, size_t maxBytes,
                                           bool startOnly) {
  const int fd = OpenRegularFile(resolvedPath);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || (!startOnly && static_cast<uint64_t>(st.st_size) > maxBytes)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string data;
  data.reserve(std::min<size_t>(static_cast<size_t>(st.st_size), maxBytes));
  char buf[65536];
  bool ok = true;
  for (;;) {
    const size_t want = startOnly ? std::min(sizeof buf, maxBytes - data.size()) : sizeof buf;
    if (want == 0) break;
    const ssize_t n = ::read(fd, buf, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    data.append(buf, static_cast<size_t>(n));
    // A file that grows while it is read is held to the same limit.
    if (data.size() > maxBytes) {
      ok = false;
      break;
    }
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  return data;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& resolvedPath, size_t maxBytes) {
  return ReadRegularFile(resolvedPath, maxBytes, false);
}

std::optional<std::string> ReadPrefix(const std::string& resolvedPath, size_t bytes) {
  return ReadRegularFile(resolvedPath, bytes, true);
}

}  // namespace korvana
