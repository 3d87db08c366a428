#pragma once
// The real volume list on Linux, for the data drive search (DataDrive.h). The
// platform layer calls ReadMountedVolumes(); tests point the sources at files
// of their own.
//
// Volumes: every mount in mountinfo whose source is a device under /dev/, once
// per device (the mount of the file system's own root preferred), in mount
// order. For each:
//  - label: udev's ID_FS_LABEL_ENC (or ID_FS_LABEL) for the device, else the
//    /dev/disk/by-label entry that leads to it, else — for udisks mounts under
//    /media/USER/ or /run/media/USER/, which are named after the label — the
//    mount point's last component;
//  - optical: the device is a SCSI CD-ROM (major 11, or device/type 5 in
//    sysfs, or udev's ID_CDROM=1), or it is a loop device carrying iso9660 or
//    udf — a mounted disc image, which Windows too shows as a CD-ROM drive;
//  - medium: the mount point can be examined (a mounted volume has one; an
//    empty optical drive is not mounted and so not listed).
#include <string>
#include <vector>

#include "config/DataDrive.h"

namespace korvana::config {

struct VolumeSources {
  std::string mountinfo = "/proc/self/mountinfo";
  std::string sysDevBlock = "/sys/dev/block";  // entries "MAJOR:MINOR"
  std::string udevData = "/run/udev/data";     // entries "bMAJOR:MINOR"
  std::string byLabel = "/dev/disk/by-label";
};

// The mounted volumes; empty when mountinfo cannot be read.
std::vector<Volume> ReadMountedVolumes(const VolumeSources& sources = {});

// Undoes the escapes of mountinfo fields ("\040" for a space, octal).
std::string UnescapeMountField(std::string_view field);
// Undoes udev's "\x20" escapes (labels in ID_FS_LABEL_ENC and by-label names).
std::string UnescapeUdev(std::string_view text);

}  // namespace korvana::config
