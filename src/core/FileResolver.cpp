#include "core/FileResolver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/Ascii.h"
#include "core/Cp932.h"

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

std::optional<std::string> ReadWholeFile(const std::string& resolvedPath) {
  if (!FileExists(resolvedPath)) return std::nullopt;
  FILE* f = std::fopen(resolvedPath.c_str(), "rb");
  if (!f) return std::nullopt;
  std::string data;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) return std::nullopt;
  return data;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, bool sync) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w <= 0)
      ok = false;
    else
      done += static_cast<size_t>(w);
  }
  if (sync) ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

bool WriteFileAtomically(const std::string& resolvedPath, std::string_view bytes) {
  const std::string temp = resolvedPath + ".tmp";
  if (!WriteWholeFile(temp, bytes)) return false;
  if (::rename(temp.c_str(), resolvedPath.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace korvana
