#include "backends/ffmpeg/module/FfmpegModule.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <deque>
#include <mutex>

#include "backends/ffmpeg/module/FfmpegInput.h"

namespace korvana {
namespace {

// Reads and sends that bring no frame before a call gives up: a file whose
// packets never decode ends instead of spinning the pump.
constexpr int kStepBudget = 4096;
// Packets of one stream held while the other is read. Past this the oldest
// are dropped, so a file that stores all of one stream first cannot fill
// memory.
constexpr size_t kMaxQueued = 512;
// Sound rates outside this range are damaged headers; a rate of 1 would make
// the resampler ask for 44100 times the input.
constexpr int kMinSoundRate = 4000;
constexpr int kMaxSoundRate = 384000;
// Frames of a movie that does not give its rate, the usual rate of the era.
constexpr int64_t kDefaultFrameMs = 1000 / 15;

struct CodecFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResamplerFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

void QuietLogs() {
  // Broken files make the decoders report every bad packet on stderr; our
  // callers learn of failures from the results instead.
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

bool SaneSize(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

CodecPtr OpenCodec(const AVStream* stream) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return nullptr;
  CodecPtr context(avcodec_alloc_context3(codec));
  if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0)
    return nullptr;
  context->pkt_timebase = stream->time_base;
  // The header was checked; this stops a stream whose frames later claim a
  // larger size before the decoder allocates them.
  context->max_pixels = int64_t{kMaxPictureSide} * kMaxPictureSide;
  if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
  return context;
}

// One stream's decoder and the packets read for it but not yet sent.
struct Track {
  int index = -1;
  CodecPtr codec;
  std::deque<PacketPtr> queue;
  bool flushed = false;  // the end of the stream has been sent
  bool ended = false;
};

// The resampler and the input it was made for: a stream may change its
// layout or rate midway, and the resampler is then made again.
struct Resampler {
  std::unique_ptr<SwrContext, ResamplerFree> context;
  int format = -1;
  int rate = 0;
  AVChannelLayout layout{};
  bool flushed = false;

  ~Resampler() { av_channel_layout_uninit(&layout); }
  bool Fits(const AVFrame* frame) const {
    return context && frame->format == format && frame->sample_rate == rate &&
           av_channel_layout_compare(&frame->ch_layout, &layout) == 0;
  }
  bool Make(const AVFrame* frame);
};

bool Resampler::Make(const AVFrame* frame) {
  context.reset();
  av_channel_layout_uninit(&layout);
  if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0) return false;
  format = frame->format;
  rate = frame->sample_rate;
  // Old files often give only a channel count; the usual layout for that
  // count is what they meant.
  AVChannelLayout in{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&in, frame->ch_layout.nb_channels);
  else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
    return false;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  SwrContext* made = nullptr;
  bool ok = swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_S16, MovieDecoder::kSoundRate, &in,
                                static_cast<AVSampleFormat>(format), rate, 0, nullptr) >= 0;
  // A mono track plays at full level on both speakers, as it was recorded
  // to be heard, not 3 dB down as a centre channel in a surround mix.
  static const double kBothSides[2] = {1.0, 1.0};
  if (ok && in.nb_channels == 1) ok = swr_set_matrix(made, kBothSides, 1) >= 0;
  ok = ok && swr_init(made) >= 0;
  av_channel_layout_uninit(&in);
  context.reset(made);
  if (!ok) context.reset();
  return ok;
}

}  // namespace

// A movie file open in FFmpeg, behind MovieDecoder; or a sound file, with
// no picture track, behind the mixer's long sounds.
struct FfmpegMovie final : ffmpeg::Movie, SoundDecoder {
  InputPtr format;
  Track video;
  Track sound;
  PacketPtr packet{av_packet_alloc()};
  FramePtr picture{av_frame_alloc()};
  FramePtr soundFrame{av_frame_alloc()};
  std::unique_ptr<SwsContext, ScalerFree> scaler;
  Resampler resampler;
  bool fileEnded = false;
  bool picturePending = false;  // `picture` holds a frame not yet handed out
  int64_t startTs = 0;
  int64_t frameMs = kDefaultFrameMs;
  int64_t lastPtsMs = -1;

  const AVStream* VideoStream() const { return format->streams[video.index]; }
  void ReadPacket();
  bool Decode(Track& track, AVFrame* frame);
  bool DecodePicture();
  bool Convert(MovieFrame& out);
  int64_t PictureMs();
  bool Resample(const uint8_t* const* data, int count, std::vector<int16_t>& out);

  int Width() const override;
  int Height() const override;
  double FrameRate() const override;
  int64_t DurationMs() const override;
  bool HasSound() const override;
  bool NextFrame(MovieFrame& frame) override;
  bool NextSound(std::vector<int16_t>& samples) override;
};

void FfmpegMovie::ReadPacket() {
  if (av_read_frame(format.get(), packet.get()) < 0) {
    fileEnded = true;
    return;
  }
  Track* track = packet->stream_index == video.index   ? &video
                 : packet->stream_index == sound.index ? &sound
                                                       : nullptr;
  if (track && !track->ended) {
    if (track->queue.size() >= kMaxQueued) track->queue.pop_front();
    PacketPtr kept(av_packet_alloc());
    av_packet_move_ref(kept.get(), packet.get());
    track->queue.push_back(std::move(kept));
  }
  av_packet_unref(packet.get());
}

bool FfmpegMovie::Decode(Track& track, AVFrame* frame) {
  if (track.ended) return false;
  for (int budget = kStepBudget; budget > 0; --budget) {
    const int got = avcodec_receive_frame(track.codec.get(), frame);
    if (got == 0) return true;
    if (got == AVERROR_EOF) break;
    // Other errors are one damaged frame: the budget ends a decoder that
    // only ever reports them.
    if (got != AVERROR(EAGAIN)) continue;
    if (track.queue.empty() && !fileEnded) {
      ReadPacket();
    } else if (track.queue.empty()) {
      if (track.flushed) break;
      avcodec_send_packet(track.codec.get(), nullptr);
      track.flushed = true;
    } else {
      // A damaged packet is refused and skipped; the next one may decode.
      avcodec_send_packet(track.codec.get(), track.queue.front().get());
      track.queue.pop_front();
    }
  }
  track.ended = true;
  track.queue.clear();
  return false;
}

bool FfmpegMovie::DecodePicture() {
  for (int skipped = 0; skipped < kStepBudget && Decode(video, picture.get()); ++skipped) {
    const auto pixels = static_cast<AVPixelFormat>(picture->format);
    if (SaneSize(picture->width, picture->height) && pixels != AV_PIX_FMT_NONE &&
        sws_isSupportedInput(pixels))
      return true;
  }
  return false;
}

int64_t FfmpegMovie::PictureMs() {
  const int64_t ts = picture->best_effort_timestamp;
  const int64_t ms = ts == AV_NOPTS_VALUE ? (lastPtsMs < 0 ? 0 : lastPtsMs + frameMs)
                                          : av_rescale_q(ts - startTs, VideoStream()->time_base,
                                                         AVRational{1, 1000});
  lastPtsMs = ms;
  return ms;
}

bool FfmpegMovie::Convert(MovieFrame& out) {
  const int width = out.picture.Width(), height = out.picture.Height();
  // AV_PIX_FMT_0RGB32 is 0x00RRGGBB in a native 32-bit word, a Picture's
  // pixel.
  scaler.reset(sws_getCachedContext(scaler.release(), picture->width, picture->height,
                                    static_cast<AVPixelFormat>(picture->format), width, height,
                                    AV_PIX_FMT_0RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!scaler) return false;
  uint8_t* const planes[4] = {reinterpret_cast<uint8_t*>(out.picture.Row(0))};
  const int strides[4] = {width * 4};
  sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height, planes, strides);
  // The scaler fills the unused byte with 0xFF; a Picture keeps it 0.
  for (uint32_t& pixel : out.picture.Pixels()) pixel &= 0xFFFFFF;
  out.ptsMs = PictureMs();
  return true;
}

bool FfmpegMovie::Resample(const uint8_t* const* data, int count, std::vector<int16_t>& out) {
  const int room = swr_get_out_samples(resampler.context.get(), count);
  if (room <= 0) return false;
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(room) * MovieDecoder::kSoundChannels);
  uint8_t* target = reinterpret_cast<uint8_t*>(out.data() + at);
  const int made =
      swr_convert(resampler.context.get(), &target, room, const_cast<const uint8_t**>(data), count);
  out.resize(at + static_cast<size_t>(std::max(made, 0)) * MovieDecoder::kSoundChannels);
  return made > 0;
}

std::unique_ptr<ffmpeg::Movie> OpenMovie(const std::string& utf8Path) {
  QuietLogs();
  auto s = std::make_unique<FfmpegMovie>();
  if (!s->packet || !s->picture || !s->soundFrame) return nullptr;
  s->format = OpenInput(utf8Path);
  if (!s->format) return nullptr;
  AVFormatContext* f = s->format.get();
  if (avformat_find_stream_info(f, nullptr) < 0) return nullptr;

  const int v = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (v < 0) return nullptr;
  const AVStream* vs = f->streams[v];
  if (!SaneSize(vs->codecpar->width, vs->codecpar->height)) return nullptr;
  s->video.codec = OpenCodec(vs);
  if (!s->video.codec) return nullptr;
  s->video.index = v;
  const int a = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, v, nullptr, 0);
  if (a >= 0) s->sound.codec = OpenCodec(f->streams[a]);
  if (s->sound.codec) s->sound.index = a;
  for (unsigned i = 0; i < f->nb_streams; ++i)
    if (static_cast<int>(i) != v && static_cast<int>(i) != s->sound.index)
      f->streams[i]->discard = AVDISCARD_ALL;

  if (vs->start_time != AV_NOPTS_VALUE) s->startTs = vs->start_time;
  const AVRational rate = av_guess_frame_rate(f, const_cast<AVStream*>(vs), nullptr);
  if (rate.num > 0 && rate.den > 0) s->frameMs = std::max<int64_t>(1, 1000 * rate.den / rate.num);
  // A file that opens but shows nothing cannot be played either.
  if (!s->DecodePicture()) return nullptr;
  s->picturePending = true;
  return s;
}

std::unique_ptr<SoundDecoder> OpenSound(const std::string& utf8Path) {
  QuietLogs();
  auto s = std::make_unique<FfmpegMovie>();
  if (!s->packet || !s->soundFrame) return nullptr;
  s->format = OpenInput(utf8Path);
  if (!s->format) return nullptr;
  AVFormatContext* f = s->format.get();
  if (avformat_find_stream_info(f, nullptr) < 0) return nullptr;
  const int a = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (a < 0) return nullptr;
  s->sound.codec = OpenCodec(f->streams[a]);
  if (!s->sound.codec) return nullptr;
  s->sound.index = a;
  for (unsigned i = 0; i < f->nb_streams; ++i)
    if (static_cast<int>(i) != a) f->streams[i]->discard = AVDISCARD_ALL;
  return s;
}

int FfmpegMovie::Width() const {
  return VideoStream()->codecpar->width;
}

int FfmpegMovie::Height() const {
  return VideoStream()->codecpar->height;
}

double FfmpegMovie::FrameRate() const {
  const AVRational rate =
      av_guess_frame_rate(format.get(), const_cast<AVStream*>(VideoStream()), nullptr);
  return rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0.0;
}

int64_t FfmpegMovie::DurationMs() const {
  const AVFormatContext* f = format.get();
  if (f->duration != AV_NOPTS_VALUE && f->duration > 0)
    return av_rescale(f->duration, 1000, AV_TIME_BASE);
  const AVStream* vs = f->streams[video.index >= 0 ? video.index : sound.index];
  if (vs->duration != AV_NOPTS_VALUE && vs->duration > 0)
    return av_rescale_q(vs->duration, vs->time_base, AVRational{1, 1000});
  return -1;
}

bool FfmpegMovie::HasSound() const {
  return sound.codec != nullptr;
}

bool FfmpegMovie::NextFrame(MovieFrame& frame) {
  if (!picturePending && !DecodePicture()) return false;
  picturePending = false;
  return Convert(frame);
}

bool FfmpegMovie::NextSound(std::vector<int16_t>& samples) {
  if (!sound.codec) return false;
  AVFrame* frame = soundFrame.get();
  for (int skipped = 0; skipped < kStepBudget && Decode(sound, frame); ++skipped) {
    if (frame->nb_samples <= 0 || frame->sample_rate < kMinSoundRate ||
        frame->sample_rate > kMaxSoundRate || frame->ch_layout.nb_channels <= 0)
      continue;
    if (!resampler.Fits(frame) && !resampler.Make(frame)) continue;
    if (Resample(frame->extended_data, frame->nb_samples, samples)) return true;
  }
  // What the resampler still holds back for its filter is the last piece.
  if (!resampler.context || resampler.flushed) return false;
  resampler.flushed = true;
  return Resample(nullptr, 0, samples);
}

}  // namespace korvana
