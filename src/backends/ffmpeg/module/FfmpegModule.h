#pragma once
// Inside the FFmpeg module: what its door leads to.
#include "backends/ffmpeg/FfmpegDoor.h"

namespace korvana {

int64_t FfmpegLengthMs(const std::string& path, bool needVideo);
std::unique_ptr<ffmpeg::Movie> OpenMovie(const std::string& utf8Path);
std::unique_ptr<SoundDecoder> OpenSound(const std::string& utf8Path);

}  // namespace korvana
