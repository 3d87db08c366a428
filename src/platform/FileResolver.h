#pragma once
// Every file name that a script or configuration gives passes through here:
// games written on Windows name files with backslashes, CP932 bytes and any
// letter case, and must run unchanged on a case-sensitive file system.
#include <optional>
#include <string>
#include <string_view>

namespace korvana {

inline constexpr std::string_view kDataDriveToken = "%DATA_DRIVE%";

// Replaces the first occurrence of "%DATA_DRIVE%" with dataPath; later
// occurrences stay as they are.
std::string ExpandDataDrive(std::string_view name, std::string_view dataPath);

// Turns a CP932 file name (already expanded) into a UTF-8 path of this file
// system: "\" becomes "/", and when the exact path does not exist each
// component is matched without regard to letter case. When nothing matches,
// the converted name is returned as it is, so the caller's open fails with
// the name the author wrote.
std::string ResolvePath(std::string_view sjisName);

// ExpandDataDrive, then ResolvePath.
std::string ResolveScriptPath(std::string_view sjisName, std::string_view dataPath);

// The entry of folder `dir` (UTF-8; "" is the current folder) whose name
// equals `name` without regard to ASCII letter case.
std::optional<std::string> FindEntryIgnoringCase(const std::string& dir, std::string_view name);

// Whether the resolved name is an existing regular file.
bool FileExists(const std::string& resolvedPath);

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& resolvedPath);

// Writes through a temporary file in the same folder and renames it over the
// target, so a crash mid-write leaves the previous file intact.
bool WriteFileAtomically(const std::string& resolvedPath, std::string_view bytes);

}  // namespace korvana
