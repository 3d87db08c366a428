#pragma once
// The data drive search on a system without drive letters: the
// "drives" are the mounted volumes, each with its mount point as root, its
// file-system label, and whether it is an optical drive.
//
// The search takes the volume list as data, so tests supply their own; the
// desktop gets the real one from LinuxMachine (backends/linux/LinuxMachine.h).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Machine.h"

namespace korvana::config {

struct Settings;

// The volumes are the platform's (platform/Machine.h).
using Volume = korvana::Volume;

// "Drive search (label, all drives)": walks `volumes` in order. An entry with
// an empty root ends the walk. A volume is considered only if it is optical or
// `allDrives` is set, and only if it has a medium. Label "*" takes the first
// optical volume; otherwise the volume label must equal `label` (CP932) without
// regard to ASCII letter case. Returns the volume's root in CP932 ending with
// "/" (so "%DATA_DRIVE%bg\a.bmp" resolves below it), or "" when none matches.
// A root that CP932 cannot spell exactly is passed over.
//
// There is no limit of 26 roots: that limit belongs to drive letters, and a
// Linux system may mount more volumes than that.
std::string SearchDataDrive(const std::vector<Volume>& volumes, std::string_view label,
                            bool allDrives);

// At start-up, when the data drive label is not empty (it was
// emptied if ForceDataDrivePath gave DataPath), sets `DataPath` to the search
// result. `listVolumes` is called only when a search is needed.
void FindDataPath(Settings& settings, const std::function<std::vector<Volume>()>& listVolumes);

}  // namespace korvana::config
