#pragma once
// Where the CD channel finds a disc's tracks ripped to files: "track" and the
// track number in one or two digits ("track3", "track03"), with .flac, .ogg,
// .opus, .wav or .mp3, in any case.
#include <map>
#include <string>
#include <vector>

namespace korvana {

// Track number to file in the first of `folders` that holds any track; empty
// when none does. When one number has several files, the extension earlier
// in the list above wins, then the name that sorts first.
std::map<int, std::string> FindRippedTracks(const std::vector<std::string>& folders);

}  // namespace korvana
