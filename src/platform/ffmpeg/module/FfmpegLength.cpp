// The FFmpeg side of MediaLengthMs and MovieLengthMs: how long a file plays
// as FFmpeg reads it.
#include "platform/ffmpeg/module/FfmpegModule.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>

namespace korvana {

int64_t FfmpegLengthMs(const std::string& path, bool needVideo) {
  av_log_set_level(AV_LOG_QUIET);
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return -1;
  int64_t ms = -1;
  if (avformat_find_stream_info(format, nullptr) >= 0) {
    // Something in it must be decodable: a file FFmpeg only recognises is
    // no sound.
    bool decodable = false;
    bool video = false;
    int64_t longest = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      const AVStream* s = format->streams[i];
      const AVMediaType type = s->codecpar->codec_type;
      if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) continue;
      if (!avcodec_find_decoder(s->codecpar->codec_id)) continue;
      decodable = true;
      video = video || type == AVMEDIA_TYPE_VIDEO;
      if (s->duration != AV_NOPTS_VALUE && s->time_base.den != 0)
        longest = std::max(longest, av_rescale_q(s->duration, s->time_base, AVRational{1, 1000}));
    }
    if (decodable && (video || !needVideo)) {
      if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        ms = av_rescale(format->duration, 1000, AV_TIME_BASE);
      else
        ms = longest;
    }
  }
  avformat_close_input(&format);
  return ms;
}

}  // namespace korvana
