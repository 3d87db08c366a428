#include "backends/ffmpeg/module/FfmpegModule.h"

extern "C" const korvana::ffmpeg::Door* korvana_ffmpeg_door() {
  static const korvana::ffmpeg::Door door{korvana::FfmpegLengthMs, korvana::OpenMovie,
                                              korvana::OpenSound};
  return &door;
}
