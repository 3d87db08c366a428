#include "backends/cdio/CdioDisc.h"

// cd_types.h uses the types cdio.h brings in without including them itself.
// clang-format off
#include <cdio/cdio.h>
#include <cdio/cd_types.h>
// clang-format on
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstring>

namespace korvana {
namespace {

void QuietLibrary() {
  // An image without pregaps or a drive that answers slowly is worth a
  // warning to libcdio's authors, not to a player.
  cdio_loglevel_default = CDIO_LOG_ERROR;
}

}  // namespace

std::unique_ptr<CdioDisc> CdioDisc::Open(const std::string& source) {
  QuietLibrary();
  std::unique_ptr<CdioDisc> disc(new CdioDisc);
  disc->cdio_ = cdio_open(source.c_str(), DRIVER_UNKNOWN);
  if (!disc->cdio_ || !disc->ReadContents()) return nullptr;
  disc->drive_ = cdio_cddap_identify_cdio(disc->cdio_, CDDA_MESSAGE_FORGETIT, nullptr);
  if (!disc->drive_ || cdio_cddap_open(disc->drive_) != 0) return nullptr;
  disc->paranoia_ = cdio_paranoia_init(disc->drive_);
  if (!disc->paranoia_) return nullptr;
  // Retry and repair, but give up on a sector that never reads rather than
  // hold the track forever.
  cdio_paranoia_modeset(disc->paranoia_, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
  return disc;
}

std::unique_ptr<CdioDisc> CdioDisc::OpenFirstDrive() {
  QuietLibrary();
  char** drives = cdio_get_devices_with_cap(nullptr, CDIO_FS_AUDIO, false);
  if (!drives) return nullptr;
  std::unique_ptr<CdioDisc> disc;
  for (char** d = drives; *d && !disc; ++d) disc = Open(*d);
  cdio_free_device_list(drives);
  return disc;
}

CdioDisc::~CdioDisc() {
  if (paranoia_) cdio_paranoia_free(paranoia_);
  // The drive was made over our CdIo_t, which we destroy ourselves.
  if (drive_) cdio_cddap_close_no_free_cdio(drive_);
  if (cdio_) cdio_destroy(cdio_);
}

bool CdioDisc::ReadContents() {
  const track_t first = cdio_get_first_track_num(cdio_);
  const track_t count = cdio_get_num_tracks(cdio_);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK) return false;
  for (int t = first; t < first + count; ++t) {
    if (cdio_get_track_format(cdio_, t) != TRACK_FORMAT_AUDIO) continue;
    const lsn_t start = cdio_get_track_lsn(cdio_, t);
    const lsn_t last = cdio_get_track_last_lsn(cdio_, t);
    if (start == CDIO_INVALID_LSN || last == CDIO_INVALID_LSN || last < start) continue;
    tracks_.push_back(Track{t, start, last - start + 1});
    end_ = std::max<int64_t>(end_, last + 1);
  }
  return !tracks_.empty();
}

bool CdioDisc::Seek(int64_t sector) {
  if (sector < 0 || sector >= end_) return false;
  cdio_paranoia_seek(paranoia_, static_cast<int32_t>(sector), SEEK_SET);
  position_ = sector;
  return true;
}

bool CdioDisc::ReadSector(int16_t* frames) {
  if (position_ >= end_) return false;
  const int16_t* read = cdio_paranoia_read(paranoia_, nullptr);
  if (!read) return false;
  std::memcpy(frames, read, CDIO_CD_FRAMESIZE_RAW);
  ++position_;
  return true;
}

}  // namespace korvana
