#include "platform/RippedTracks.h"

#include <filesystem>
#include <regex>

namespace korvana {
namespace {

namespace fs = std::filesystem;

// The track number a file name stands for, or -1.
int TrackOf(const std::string& name) {
  static const std::regex pattern(R"(track(\d{1,2})\.(flac|ogg|opus|wav|mp3))",
                                  std::regex::icase);
  std::smatch m;
  if (!std::regex_match(name, m, pattern)) return -1;
  return std::stoi(m[1].str());
}

template <typename Found>
void EachTrack(const std::string& folder, Found found) {
  std::error_code ec;
  fs::directory_iterator it(fs::path(folder), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = it->path().filename().string();
    const int track = TrackOf(name);
    if (track >= 0 && found(track, it->path().string())) return;
  }
}

}  // namespace

std::optional<std::string> FindRippedTrack(const std::string& folder, int track) {
  std::optional<std::string> out;
  // Names sort so that a folder with both "track03.ogg" and "track03.wav"
  // always gives the same one.
  EachTrack(folder, [&](int t, const std::string& path) {
    if (t == track && (!out || path < *out)) out = path;
    return false;
  });
  return out;
}

std::optional<std::string> FolderWithRippedTracks(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    bool any = false;
    EachTrack(folder, [&](int, const std::string&) { return any = true; });
    if (any) return folder;
  }
  return std::nullopt;
}

}  // namespace korvana
