#include "core/FileResolver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
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

namespace {

// A folder's names by their ASCII-lower-case spelling, read once and kept:
// games ship thousands of pictures in one folder and name them in any case,
// and reading the whole folder for each name made every lookup cost as much
// as the folder is large. A change to the folder (a file made, renamed or
// removed) changes its times, and the listing is read again.
struct FolderListing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{}, changed{};
  // The first entry in the folder's order wins among names that differ only
  // in case, as a scan of the folder would find it.
  std::unordered_map<std::string, std::string> byLowerName;
  std::unordered_set<std::string> names;
};

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Folders listed, by the path they were asked for. Loads run on more than one
// thread (the movie and sound back ends resolve names too).
std::mutex listingsMutex;
std::unordered_map<std::string, FolderListing> listings;
// More folders than a game has are dropped all at once rather than grown
// without end.
constexpr size_t kMostFoldersListed = 256;

// The folder's listing, read again when the folder changed; null when the
// folder cannot be listed. Called with listingsMutex held.
const FolderListing* Listing(const std::string& folder) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  auto it = listings.find(folder);
  if (it != listings.end() && it->second.device == st.st_dev && it->second.inode == st.st_ino &&
      SameTime(it->second.modified, st.st_mtim) && SameTime(it->second.changed, st.st_ctim))
    return &it->second;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return nullptr;
  FolderListing listing{st.st_dev, st.st_ino, st.st_mtim, st.st_ctim, {}, {}};
  while (dirent* e = ::readdir(d)) {
    listing.names.insert(e->d_name);
    listing.byLowerName.emplace(LowerAscii(e->d_name), e->d_name);
  }
  ::closedir(d);
  if (it == listings.end() && listings.size() >= kMostFoldersListed) listings.clear();
  return &listings.insert_or_assign(folder, std::move(listing)).first->second;
}

// The entry of `folder` that `part` names (`exact` is the two joined):
// itself when it is there, else the first that differs only in case. A
// folder is listed only once a name in it has missed; from then on its kept
// listing answers, as a name that is not there costs the file system a
// search of the folder.
std::optional<std::string> MatchEntry(const std::string& folder, const std::string& part,
                                      const std::string& exact) {
  bool listedBefore;
  {
    std::lock_guard lock(listingsMutex);
    listedBefore = listings.contains(folder);
  }
  if (!listedBefore && Exists(exact)) return part;
  std::lock_guard lock(listingsMutex);
  const FolderListing* listing = Listing(folder);
  if (!listing) return listedBefore && Exists(exact) ? std::optional(part) : std::nullopt;
  if (listing->names.contains(part)) return part;
  const auto found = listing->byLowerName.find(LowerAscii(part));
  if (found == listing->byLowerName.end()) return std::nullopt;
  return found->second;
}

// The name looked up in the kept listing of its folder, when there is one:
// a game that names its pictures in another case than their files would
// otherwise make the file system search a large folder for every name.
std::optional<std::string> FromKeptListing(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  std::lock_guard lock(listingsMutex);
  if (!listings.contains(folder)) return std::nullopt;
  const FolderListing* listing = Listing(folder);
  if (!listing) return std::nullopt;
  if (listing->names.contains(name)) return path;
  const auto found = listing->byLowerName.find(LowerAscii(name));
  // Not there in any case: the name as written, for the caller's message.
  if (found == listing->byLowerName.end()) return path;
  return path.substr(0, slash + 1) + found->second;
}

}  // namespace

std::optional<std::string> FindEntryIgnoringCase(const std::string& dir, std::string_view name) {
  std::lock_guard lock(listingsMutex);
  const FolderListing* listing = Listing(dir.empty() ? "." : dir);
  if (!listing) return std::nullopt;
  const auto found = listing->byLowerName.find(LowerAscii(name));
  if (found == listing->byLowerName.end()) return std::nullopt;
  return found->second;
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
  if (path.empty()) return path;
  if (std::optional<std::string> kept = FromKeptListing(path)) return *kept;
  if (Exists(path)) return path;

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
    auto match = MatchEntry(built.empty() ? (absolute ? "/" : ".") : built, part, prefix + part);
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
