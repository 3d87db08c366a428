#include "core/FileWriting.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace korvana {

std::pair<std::string, std::string> SplitFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

namespace {

// Eight random bytes as hex: a name nobody could have planted in advance.
std::string RandomSuffix() {
  unsigned char bytes[8];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // Early in boot the pool may not be ready; the exclusive create still
    // refuses a planted name, the time only keeps the retries few.
    uint64_t t = static_cast<uint64_t>(
                     std::chrono::steady_clock::now().time_since_epoch().count()) ^
                 (static_cast<uint64_t>(::getpid()) << 40);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(t), t >>= 8;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) out += {kHex[b >> 4], kHex[b & 15]};
  return out;
}

// "<name>.tmp" of earlier versions or "<name>.<16 hex digits>.tmp", nothing
// else that happens to share the start ("data1.hsd.old.tmp" is not ours).
bool IsLeftoverOf(std::string_view entry, const std::string& name) {
  return entry == name + ".tmp" || IsTempName(entry, name);
}

bool WriteAll(int fd, std::string_view bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

std::optional<std::string> WriteTempBeside(const std::string& target, std::string_view bytes,
                                           const WriteOptions& options) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = target + "." + RandomSuffix() + ".tmp";
    // O_EXCL with O_CREAT fails on any name that is there, a dangling link
    // included; O_NOFOLLOW says the same of the last component explicitly.
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    bool ok = WriteAll(fd, bytes);
    if (ok && options.sync) ok = options.syncFile ? options.syncFile(fd) : ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) return temp;
    ::unlink(temp.c_str());
    return std::nullopt;
  }
  return std::nullopt;
}

bool SyncFolderOf(const std::string& path) {
  const int fd = ::open(SplitFolder(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool ReplaceWithTemp(const std::string& temp, const std::string& target) {
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolderOf(target);
  return true;
}

bool WriteFileAtomically(const std::string& target, std::string_view bytes,
                         const WriteOptions& options) {
  RemoveLeftoverTemps(target);
  const std::optional<std::string> temp = WriteTempBeside(target, bytes, options);
  return temp && ReplaceWithTemp(*temp, target);
}

void RemoveLeftoverTemps(const std::string& target) {
  RemoveLeftoverTemps(std::vector<std::string>{target});
}

void RemoveLeftoverTemps(const std::vector<std::string>& targets) {
  if (targets.empty()) return;
  const std::string folder = SplitFolder(targets.front()).first;
  std::vector<std::string> names;
  for (const std::string& t : targets) names.push_back(SplitFolder(t).second);
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    const std::string_view entry = e->d_name;
    bool ours = false;
    for (const std::string& name : names) ours = ours || IsLeftoverOf(entry, name);
    if (!ours) continue;
    const std::string path = folder + "/" + std::string(entry);
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(d);
}

bool IsTempName(std::string_view entry, std::string_view target) {
  if (entry.size() != target.size() + 21 || entry.substr(0, target.size()) != target ||
      entry[target.size()] != '.' || entry.substr(entry.size() - 4) != ".tmp")
    return false;
  for (char c : entry.substr(target.size() + 1, 16))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace korvana
