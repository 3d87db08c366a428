#pragma once
// A WAV file that already holds the mixer's own format (16-bit PCM stereo at
// 44.1 kHz, a CD's samples, as ripped tracks usually are), read as it
// plays. Such a file needs no decoder at all, and reading it here spares a
// long sound the FFmpeg module, which takes some twenty megabytes to load.
#include <memory>
#include <string>

#include "platform/SoundDecoder.h"

namespace korvana {

// Null when `path` is no regular file or not such a WAV file exactly: any
// other format, or a header that does not agree with the file, is FFmpeg's.
std::unique_ptr<SoundDecoder> OpenPcmWavDecoder(const std::string& path);

}  // namespace korvana
