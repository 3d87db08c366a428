#pragma once
// CD tracks ripped to files, for players without a disc drive: "trackNN"
// with a sound extension, any case, in a folder the player chooses.
#include <optional>
#include <string>
#include <vector>

namespace korvana {

// The file of track `track` in `folder` (UTF-8): "track03.flac" and the like,
// also "track3.ogg"; .flac .ogg .opus .wav .mp3 in any case.
std::optional<std::string> FindRippedTrack(const std::string& folder, int track);
// The first of `folders` that holds any ripped track.
std::optional<std::string> FolderWithRippedTracks(const std::vector<std::string>& folders);

}  // namespace korvana
