// A long sound in the mixer's own format is read without the FFmpeg module,
// and plays exactly what the module would have decoded of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SoundFiles.h"
#include "TempDir.h"
#include "backends/PcmWavDecoder.h"
#include "backends/ffmpeg/FfmpegDoor.h"

namespace korvana {
namespace {

std::string Le(uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
  return out;
}

std::string Chunk(const std::string& id, const std::string& body) {
  return id + Le(static_cast<uint32_t>(body.size()), 4) + body +
         std::string(body.size() % 2, '\0');
}

std::string Format(int channels, int rate, int bits) {
  const int block = channels * bits / 8;
  return Chunk("fmt ", Le(1, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * block, 4) +
                           Le(block, 2) + Le(bits, 2));
}

std::string Riff(const std::string& chunks) {
  return "RIFF" + Le(static_cast<uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}

std::string Pcm(int64_t frames) {
  std::string out;
  for (int16_t s : test::Tone(frames * 1000 / test::kRate + 1, 441, 9000)) out += Le(s & 0xffff, 2);
  return out.substr(0, static_cast<size_t>(frames) * 4);
}

struct Decoded {
  int64_t ms = -1;
  std::vector<int16_t> samples;
};

Decoded DecodeAll(std::unique_ptr<SoundDecoder> decoder) {
  Decoded out;
  if (!decoder) return out;
  out.ms = decoder->DurationMs();
  while (decoder->NextSound(out.samples)) {
  }
  return out;
}

TEST(PcmWav, ReadsWhatTheModuleDecodesAndOnlyTheMixersFormat) {
  const ffmpeg::Door* module = ffmpeg::OpenDoor();
  ASSERT_NE(module, nullptr);
  test::TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    bool withoutModule;
  };
  const Case cases[] = {
      {"cd.wav", Riff(Format(2, 44100, 16) + Chunk("data", Pcm(66150))), true},
      {"odd length.wav", Riff(Format(2, 44100, 16) + Chunk("data", Pcm(44101))), true},
      {"tagged.wav",
       Riff(Format(2, 44100, 16) + Chunk("LIST", std::string("INFOISFT\3\0\0\0abc", 15)) +
            Chunk("data", Pcm(9000))),
       true},
      {"mono.wav", Riff(Format(1, 44100, 16) + Chunk("data", Pcm(9000))), false},
      {"half rate.wav", Riff(Format(2, 22050, 16) + Chunk("data", Pcm(9000))), false},
      {"8 bit.wav", Riff(Format(2, 44100, 8) + Chunk("data", Pcm(9000))), false},
      // The data chunk promises more than the file holds.
      {"cut.wav", Riff(Format(2, 44100, 16) + Chunk("data", Pcm(9000))).substr(0, 20000), false},
      {"samples first.wav", Riff(Chunk("data", Pcm(9000)) + Format(2, 44100, 16)), false},
      {"no samples.wav", Riff(Format(2, 44100, 16)), false},
      {"header only", "RIFF\0\0\0\0WAVE", false},
  };
  for (const Case& c : cases) {
    const std::string path = dir.Write(c.name, c.bytes);
    EXPECT_EQ(OpenPcmWavDecoder(path) != nullptr, c.withoutModule) << c.name;
    const Decoded read = DecodeAll(OpenSoundDecoder(path));
    const Decoded decoded = DecodeAll(module->openSound(path));
    EXPECT_EQ(read.ms, decoded.ms) << c.name;
    EXPECT_EQ(read.samples.size(), decoded.samples.size()) << c.name;
    EXPECT_TRUE(read.samples == decoded.samples) << c.name;
  }
}

}  // namespace
}  // namespace korvana
