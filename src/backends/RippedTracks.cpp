#include "backends/RippedTracks.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

namespace korvana {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 5> kExtensions = {".flac", ".ogg", ".opus", ".wav", ".mp3"};

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

struct Candidate {
  int track = 0;
  size_t extension = 0;
};

// The track a file name stands for, and how much its extension is preferred.
std::optional<Candidate> Parse(const std::string& fileName) {
  const std::string name = Lower(fileName);
  constexpr std::string_view kPrefix = "track";
  if (!name.starts_with(kPrefix)) return std::nullopt;
  for (size_t e = 0; e < kExtensions.size(); ++e) {
    if (!name.ends_with(kExtensions[e])) continue;
    const std::string_view digits = std::string_view(name).substr(
        kPrefix.size(), name.size() - kPrefix.size() - kExtensions[e].size());
    if (digits.empty() || digits.size() > 2) return std::nullopt;
    int track = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      track = track * 10 + (c - '0');
    }
    if (track == 0) return std::nullopt;
    return Candidate{track, e};
  }
  return std::nullopt;
}

std::map<int, std::string> TracksIn(const fs::path& folder) {
  std::map<int, std::pair<Candidate, fs::path>> best;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    const auto found = Parse(it->path().filename().string());
    if (!found) continue;
    auto [place, fresh] = best.try_emplace(found->track, *found, it->path());
    if (fresh) continue;
    auto& [kept, keptPath] = place->second;
    if (found->extension < kept.extension ||
        (found->extension == kept.extension && it->path().filename() < keptPath.filename()))
      place->second = {*found, it->path()};
  }
  std::map<int, std::string> tracks;
  for (const auto& [track, entry] : best) tracks[track] = entry.second.string();
  return tracks;
}

}  // namespace

std::map<int, std::string> FindRippedTracks(const std::vector<std::string>& folders) {
  for (const auto& folder : folders) {
    if (folder.empty()) continue;
    auto tracks = TracksIn(fs::path(folder));
    if (!tracks.empty()) return tracks;
  }
  return {};
}

}  // namespace korvana
