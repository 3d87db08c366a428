#include "backends/linux/LinuxVolumes.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "config/ConfigFile.h"
#include "core/Ascii.h"

namespace korvana::config {
namespace {

constexpr size_t kMaxSourceFileBytes = 4 << 20;
constexpr unsigned kScsiCdromMajor = 11;

struct Mount {
  unsigned major = 0, minor = 0;
  std::string fsRoot, mountPoint, fsType, source;
};

std::vector<std::string_view> SplitSpaces(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool ParseDevice(std::string_view text, unsigned& major, unsigned& minor) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  auto a = ParseDecimal(text.substr(0, colon));
  auto b = ParseDecimal(text.substr(colon + 1));
  if (!a || !b || *a < 0 || *b < 0) return false;
  major = static_cast<unsigned>(*a);
  minor = static_cast<unsigned>(*b);
  return true;
}

// One line of /proc/self/mountinfo:
// id parent major:minor root mountpoint options [optional...] - fstype source superoptions
bool ParseMountLine(std::string_view line, Mount& m) {
  std::vector<std::string_view> f = SplitSpaces(line);
  if (f.size() < 7) return false;
  size_t sep = 6;
  while (sep < f.size() && f[sep] != "-") ++sep;
  if (sep + 2 >= f.size()) return false;
  if (!ParseDevice(f[2], m.major, m.minor)) return false;
  m.fsRoot = UnescapeMountField(f[3]);
  m.mountPoint = UnescapeMountField(f[4]);
  m.fsType = UnescapeMountField(f[sep + 1]);
  m.source = UnescapeMountField(f[sep + 2]);
  return true;
}

std::string DeviceName(const Mount& m) {
  return std::to_string(m.major) + ":" + std::to_string(m.minor);
}

std::string TrimmedLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// What udev recorded for the device: the label and whether it is a CD-ROM.
struct UdevFacts {
  std::string label;
  bool cdrom = false;
};

UdevFacts ReadUdev(const VolumeSources& src, const Mount& m) {
  UdevFacts facts;
  auto [status, text] = ReadSmallFile(src.udevData + "/b" + DeviceName(m), kMaxSourceFileBytes);
  if (status != LoadStatus::Ok) return facts;
  std::string encoded, plain;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    if (StartsWith(line, "E:ID_FS_LABEL_ENC="))
      encoded = UnescapeUdev(line.substr(18));
    else if (StartsWith(line, "E:ID_FS_LABEL="))
      plain = std::string(line.substr(14));
    else if (line == "E:ID_CDROM=1")
      facts.cdrom = true;
  }
  facts.label = !encoded.empty() ? encoded : plain;
  return facts;
}

std::string LabelFromByLabel(const VolumeSources& src, const Mount& m) {
  DIR* d = ::opendir(src.byLabel.c_str());
  if (!d) return {};
  namespace fs = std::filesystem;
  const fs::path source = fs::path(m.source).lexically_normal();
  std::string label;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    std::string full = src.byLabel + "/" + name;
    struct stat st;
    bool same = ::stat(full.c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
                ::major(st.st_rdev) == m.major && ::minor(st.st_rdev) == m.minor;
    if (!same) {
      char target[4096];
      ssize_t n = ::readlink(full.c_str(), target, sizeof target - 1);
      if (n > 0) {
        fs::path t(std::string(target, static_cast<size_t>(n)));
        if (t.is_relative()) t = fs::path(src.byLabel) / t;
        same = t.lexically_normal() == source;
      }
    }
    if (same) {
      label = UnescapeUdev(name);
      break;
    }
  }
  ::closedir(d);
  return label;
}

// udisks mounts a volume at /media/USER/LABEL or /run/media/USER/LABEL.
std::string LabelFromMountPoint(const std::string& mountPoint) {
  for (std::string_view base : {"/media/", "/run/media/"}) {
    if (!StartsWith(mountPoint, base)) continue;
    std::string_view rest = std::string_view(mountPoint).substr(base.size());
    size_t slash = rest.find('/');
    if (slash == 0 || slash == std::string_view::npos) return {};
    std::string_view last = rest.substr(slash + 1);
    if (last.empty() || last.find('/') != std::string_view::npos) return {};
    return std::string(last);
  }
  return {};
}

bool SysfsSaysOptical(const VolumeSources& src, const Mount& m) {
  auto [status, text] = ReadSmallFile(src.sysDevBlock + "/" + DeviceName(m) + "/device/type", 64);
  return status == LoadStatus::Ok && TrimmedLine(text) == "5";
}

}  // namespace

std::string UnescapeMountField(std::string_view field) {
  auto oct = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && oct(field[i + 1]) && oct(field[i + 2]) &&
        oct(field[i + 3])) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
      continue;
    }
    out += field[i];
  }
  return out;
}

std::string UnescapeUdev(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
        HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
      continue;
    }
    out += text[i];
  }
  return out;
}

std::vector<Volume> ReadMountedVolumes(const VolumeSources& src) {
  auto [status, text] = ReadSmallFile(src.mountinfo, kMaxSourceFileBytes);
  if (status != LoadStatus::Ok) return {};

  // One mount per device, in mount order; the mount of the file system's own
  // root wins over bind mounts of a folder inside it.
  std::vector<Mount> mounts;
  std::map<std::pair<unsigned, unsigned>, size_t> byDevice;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    Mount m;
    if (!ParseMountLine(line, m) || !StartsWith(m.source, "/dev/")) continue;
    auto key = std::make_pair(m.major, m.minor);
    auto it = byDevice.find(key);
    if (it == byDevice.end()) {
      byDevice.emplace(key, mounts.size());
      mounts.push_back(std::move(m));
    } else if (mounts[it->second].fsRoot != "/" && m.fsRoot == "/") {
      mounts[it->second] = std::move(m);
    }
  }

  std::vector<Volume> volumes;
  for (const Mount& m : mounts) {
    Volume v;
    v.root = m.mountPoint;
    UdevFacts udev = ReadUdev(src, m);
    v.label = udev.label;
    if (v.label.empty()) v.label = LabelFromByLabel(src, m);
    if (v.label.empty()) v.label = LabelFromMountPoint(m.mountPoint);
    bool discImage =
        StartsWith(m.source, "/dev/loop") && (m.fsType == "iso9660" || m.fsType == "udf");
    v.isOptical = m.major == kScsiCdromMajor || udev.cdrom || discImage || SysfsSaysOptical(src, m);
    struct stat st;
    v.hasMedium = ::stat(m.mountPoint.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    volumes.push_back(std::move(v));
  }
  return volumes;
}

}  // namespace korvana::config
