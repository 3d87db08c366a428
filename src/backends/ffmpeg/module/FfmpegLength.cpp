// The FFmpeg side of MediaLengthMs and MovieLengthMs: how long a file plays
// as FFmpeg reads it.
#include "backends/ffmpeg/module/FfmpegModule.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>

#include "backends/ffmpeg/module/FfmpegInput.h"

namespace korvana {
namespace {

// Packets read before a stream that yields no frame counts as undecodable.
constexpr int kPacketBudget = 256;

// Whether stream `index` gives at least one frame. Headers alone prove
// nothing: random bytes named ".flac" open as FLAC with a FLAC stream whose
// every packet fails.
bool DecodesAFrame(AVFormatContext* format, int index) {
  const AVStream* stream = format->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  AVCodecContext* context = codec ? avcodec_alloc_context3(codec) : nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  bool decoded = false;
  if (context && packet && frame && avcodec_parameters_to_context(context, stream->codecpar) >= 0 &&
      avcodec_open2(context, codec, nullptr) >= 0) {
    bool ended = false;
    for (int budget = kPacketBudget; budget > 0 && !decoded && !ended; --budget) {
      if (av_read_frame(format, packet) < 0) {
        ended = true;
        avcodec_send_packet(context, nullptr);
      } else if (packet->stream_index == index) {
        avcodec_send_packet(context, packet);
      }
      av_packet_unref(packet);
      decoded = avcodec_receive_frame(context, frame) == 0 && frame->nb_samples + frame->width > 0;
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  return decoded;
}

}  // namespace

int64_t FfmpegLengthMs(const std::string& path, bool needVideo) {
  av_log_set_level(AV_LOG_QUIET);
  const InputPtr input = OpenInput(path);
  if (!input) return -1;
  AVFormatContext* format = input.get();
  if (avformat_find_stream_info(format, nullptr) < 0) return -1;
  // The picture of a movie; the sound of anything else, or its picture when
  // it has none.
  int shown = -1;
  if (!needVideo) shown = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (shown < 0) shown = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (shown < 0) return -1;
  int64_t longest = 0;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVStream* s = format->streams[i];
    const AVMediaType type = s->codecpar->codec_type;
    if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) continue;
    if (!avcodec_find_decoder(s->codecpar->codec_id)) continue;
    if (s->duration != AV_NOPTS_VALUE && s->time_base.den != 0)
      longest = std::max(longest, av_rescale_q(s->duration, s->time_base, AVRational{1, 1000}));
  }
  const int64_t ms = format->duration != AV_NOPTS_VALUE && format->duration > 0
                         ? av_rescale(format->duration, 1000, AV_TIME_BASE)
                         : longest;
  // Read last: it moves the file on.
  return DecodesAFrame(format, shown) ? ms : -1;
}

}  // namespace korvana
