#pragma once
// An audio disc in a drive, or a disc image libcdio reads (.cue/.bin), read
// through cdio_paranoia so that scratched sectors are retried and
// reassembled rather than clicked through.
#include <memory>
#include <string>

#include "platform/AudioDisc.h"

typedef struct _CdIo CdIo_t;
typedef struct cdrom_drive_s cdrom_drive_t;
typedef struct cdrom_paranoia_s cdrom_paranoia_t;

namespace korvana {

class CdioDisc : public AudioDisc {
 public:
  // A drive's device path or an image file; null when it cannot be opened
  // or holds no audio track.
  static std::unique_ptr<CdioDisc> Open(const std::string& source);
  // The first drive with an audio disc in it; null when there is none.
  static std::unique_ptr<CdioDisc> OpenFirstDrive();

  ~CdioDisc() override;
  CdioDisc(const CdioDisc&) = delete;
  CdioDisc& operator=(const CdioDisc&) = delete;

  const std::vector<Track>& Tracks() const override { return tracks_; }
  bool Seek(int64_t sector) override;
  bool ReadSector(int16_t* frames) override;

 private:
  CdioDisc() = default;
  bool ReadContents();

  CdIo_t* cdio_ = nullptr;
  cdrom_drive_t* drive_ = nullptr;
  cdrom_paranoia_t* paranoia_ = nullptr;
  std::vector<Track> tracks_;
  // Paranoia reads on past the last audio sector into whatever follows (a
  // data track, the lead-out); the position keeps reads inside the audio.
  int64_t position_ = 0;
  int64_t end_ = 0;
};

}  // namespace korvana
