// The movie decoder on the tiny sample movies: what each frame shows and
// when, how long the movie is, what the sound sounds like, and which files
// it refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "FifoWatch.h"
#include "MovieSamples.h"
#include "TempDir.h"
#include "backends/ffmpeg/MovieDecoder.h"

namespace korvana {
namespace {

using test::MovieSample;
using test::NearColour;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<MovieFrame> AllFrames(MovieDecoder& movie, int width, int height) {
  std::vector<MovieFrame> frames;
  MovieFrame frame;
  // Far more than any sample has: a decoder that never ends fails here.
  while (frames.size() < 100 && movie.NextFrame(width, height, frame)) frames.push_back(frame);
  return frames;
}

std::vector<int16_t> AllSound(MovieDecoder& movie) {
  std::vector<int16_t> samples;
  for (int pieces = 0; pieces < 10000 && movie.NextSound(samples); ++pieces) {
  }
  return samples;
}

// The frame on screen at `ms`: the last one whose time has come.
const MovieFrame* ShownAt(const std::vector<MovieFrame>& frames, int64_t ms) {
  const MovieFrame* shown = nullptr;
  for (const MovieFrame& f : frames)
    if (f.ptsMs <= ms) shown = &f;
  return shown;
}

struct Sample {
  const char* file;
  bool sound;
  int64_t durationMs;
};

const Sample kSamples[] = {
    {"cinepak-pcm.avi", true, 600},
    {"msvideo1-adpcm.avi", true, 600},
    // The MP3 encoder pads its sound to whole blocks.
    {"mjpeg-mp3.avi", true, 731},
    {"mpeg4.avi", false, 600},
};

class SampleTest : public testing::TestWithParam<Sample> {};

TEST_P(SampleTest, DescribesTheMovie) {
  const Sample& s = GetParam();
  auto movie = MovieDecoder::Open(MovieSample(s.file));
  ASSERT_TRUE(movie);
  EXPECT_EQ(movie->Width(), 64);
  EXPECT_EQ(movie->Height(), 48);
  EXPECT_DOUBLE_EQ(movie->FrameRate(), 10.0);
  EXPECT_NEAR(movie->DurationMs(), s.durationMs, 20);
  EXPECT_EQ(movie->HasSound(), s.sound);
}

TEST_P(SampleTest, EachFrameShowsItsColoursAtItsTime) {
  auto movie = MovieDecoder::Open(MovieSample(GetParam().file));
  ASSERT_TRUE(movie);
  const std::vector<MovieFrame> frames = AllFrames(*movie, 64, 48);
  ASSERT_GE(frames.size(), 6u);
  EXPECT_EQ(frames[0].ptsMs, 0);
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i].ptsMs - frames[i - 1].ptsMs, 100);
  for (int64_t ms : {0, 150, 250, 350, 450, 550}) {
    SCOPED_TRACE(ms);
    const MovieFrame* f = ShownAt(frames, ms);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->picture.Width(), 64);
    ASSERT_EQ(f->picture.Height(), 48);
    EXPECT_PRED2(NearColour, f->picture.Pixel(12, 24), test::SampleLeftColour(ms));
    EXPECT_PRED2(NearColour, f->picture.Pixel(52, 24), test::kSampleRightColour);
    EXPECT_EQ(f->picture.Pixel(12, 24) >> 24, 0u);  // a Picture's top byte stays clear
  }
}

TEST_P(SampleTest, SoundIsTheToneInBothChannels) {
  const Sample& s = GetParam();
  auto movie = MovieDecoder::Open(MovieSample(s.file));
  ASSERT_TRUE(movie);
  const std::vector<int16_t> samples = AllSound(*movie);
  if (!s.sound) {
    EXPECT_TRUE(samples.empty());
    return;
  }
  ASSERT_EQ(samples.size() % 2, 0u);
  const int64_t frames = static_cast<int64_t>(samples.size() / 2);
  // 0.6 s at 44100 Hz, and up to 0.15 s of an encoder's padding.
  EXPECT_GE(frames, 26460 - 500);
  EXPECT_LE(frames, 26460 + 44100 * 15 / 100);
  // Swings between a quarter of full scale up and down: a 441 Hz tone makes
  // 882 a second, a wrong rate would not. The quarter keeps a lossy codec's
  // noise around zero out of the count.
  int peak = 0, swings = 0, side = 0;
  for (int64_t i = 0; i < frames; ++i) {
    const int left = samples[2 * i], right = samples[2 * i + 1];
    ASSERT_EQ(left, right) << "frame " << i;
    peak = std::max(peak, std::abs(left));
    const int now = left > 8192 ? 1 : left < -8192 ? -1 : side;
    swings += now != side;
    side = now;
  }
  // Mono at half of full scale is as loud on each side.
  EXPECT_NEAR(peak, 16384, 16384 / 8);
  EXPECT_NEAR(swings, 882 * 6 / 10, 20);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleTest, testing::ValuesIn(kSamples),
                         [](const testing::TestParamInfo<Sample>& info) {
                           std::string name = info.param.file;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(MovieDecoder, ScalesToTheSizeAsked) {
  struct Row {
    int width, height;
    int expectWidth, expectHeight;
  } rows[] = {{640, 480, 640, 480}, {7, 5, 7, 5}, {0, -3, 1, 1}, {100000, 2, kMaxPictureSide, 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.width << "x" << r.height);
    auto movie = MovieDecoder::Open(MovieSample("mpeg4.avi"));
    ASSERT_TRUE(movie);
    MovieFrame frame;
    ASSERT_TRUE(movie->NextFrame(r.width, r.height, frame));
    ASSERT_EQ(frame.picture.Width(), r.expectWidth);
    ASSERT_EQ(frame.picture.Height(), r.expectHeight);
    const int w = frame.picture.Width(), h = frame.picture.Height();
    if (w >= 4) {
      EXPECT_PRED2(NearColour, frame.picture.Pixel(w / 4, h / 2), 0xFF0000u);
      EXPECT_PRED2(NearColour, frame.picture.Pixel(w * 3 / 4, h / 2), 0xFFFFFFu);
    }
  }
}

// The offsets of the video stream's frame size in an AVI: the stream format
// (BITMAPINFOHEADER after "strf") and the main header (after "avih").
void SetAviFrameSize(std::string& bytes, int32_t width, int32_t height) {
  const size_t strf = bytes.find("strf");
  const size_t avih = bytes.find("avih");
  ASSERT_NE(strf, std::string::npos);
  ASSERT_NE(avih, std::string::npos);
  std::memcpy(&bytes[strf + 12], &width, 4);
  std::memcpy(&bytes[strf + 16], &height, 4);
  std::memcpy(&bytes[avih + 8 + 32], &width, 4);
  std::memcpy(&bytes[avih + 8 + 36], &height, 4);
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

TEST(MovieDecoder, RefusesWhatCannotBePlayed) {
  const std::string good = ReadAll(MovieSample("cinepak-pcm.avi"));
  ASSERT_GT(good.size(), 1000u);
  // The good movie claiming another frame size.
  auto sized = [&good](int32_t width, int32_t height) {
    return [&good, width, height] {
      std::string bytes = good;
      SetAviFrameSize(bytes, width, height);
      return bytes;
    };
  };
  struct Row {
    const char* name;
    std::function<std::string()> bytes;  // nothing written when null
  } rows[] = {
      {"missing", nullptr},
      {"zero-length", [] { return std::string(); }},
      {"random bytes", [] { return RandomBytes(20000, 7); }},
      {"random after an AVI header", [&] { return good.substr(0, 12) + RandomBytes(20000, 8); }},
      {"sound only", [] { return ReadAll(MovieSample("sound-only.avi")); }},
      {"headers only", [&] { return good.substr(0, good.find("movi")); }},
      {"100000 x 100000 frames", sized(100000, 100000)},
      {"8193 wide", sized(8193, 48)},
      {"no size", sized(0, 0)},
      {"negative size", sized(-64, -48)},
  };
  test::TempDir dir;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string path =
        r.bytes ? dir.Write(std::string(r.name) + ".avi", r.bytes()) : dir.str() + "/none.avi";
    EXPECT_FALSE(MovieDecoder::Open(path));
  }
}

TEST(MovieDecoder, RefusesAFifoWithoutOpeningIt) {
  test::TempDir dir;
  test::FifoWatch fifo(dir.str() + "/fifo.avi");
  std::filesystem::create_symlink("fifo.avi", dir.str() + "/link.avi");
  EXPECT_FALSE(MovieDecoder::Open(fifo.path()));
  EXPECT_FALSE(MovieDecoder::Open(dir.str() + "/link.avi"));
  EXPECT_EQ(fifo.Opens(), 0);
}

TEST(MovieDecoder, TruncatedMovieEndsEarly) {
  const std::string good = ReadAll(MovieSample("cinepak-pcm.avi"));
  test::TempDir dir;
  const std::string path = dir.Write("half.avi", good.substr(0, good.size() / 2));
  auto movie = MovieDecoder::Open(path);
  ASSERT_TRUE(movie);
  const std::vector<MovieFrame> frames = AllFrames(*movie, 64, 48);
  ASSERT_GE(frames.size(), 1u);
  EXPECT_LT(frames.size(), 6u);
  EXPECT_PRED2(NearColour, frames[0].picture.Pixel(12, 24), 0xFF0000u);
  AllSound(*movie);  // what sound there is decodes and ends
  MovieFrame more;
  EXPECT_FALSE(movie->NextFrame(64, 48, more));
  std::vector<int16_t> after;
  EXPECT_FALSE(movie->NextSound(after));
}

TEST(MovieDecoder, DamagedPacketsEndTheMovie) {
  // Everything after the first picture is noise: the decoder gives what it
  // can and then ends instead of spinning.
  std::string bytes = ReadAll(MovieSample("cinepak-pcm.avi"));
  const size_t first = bytes.find("00dc", bytes.find("movi"));
  ASSERT_NE(first, std::string::npos);
  const size_t second = bytes.find("00dc", first + 4);
  ASSERT_NE(second, std::string::npos);
  const size_t index = bytes.rfind("idx1");
  std::mt19937 random(3);
  for (size_t i = second + 8; i < index; ++i) bytes[i] = static_cast<char>(random());
  test::TempDir dir;
  auto movie = MovieDecoder::Open(dir.Write("noise.avi", bytes));
  ASSERT_TRUE(movie);
  const std::vector<MovieFrame> frames = AllFrames(*movie, 64, 48);
  ASSERT_GE(frames.size(), 1u);
  EXPECT_LE(frames.size(), 6u);
  EXPECT_PRED2(NearColour, frames[0].picture.Pixel(12, 24), 0xFF0000u);
  AllSound(*movie);
  std::vector<int16_t> after;
  EXPECT_FALSE(movie->NextSound(after));
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// Whether a library whose file name contains `name` is mapped into this
// process.
bool Mapped(const std::string& name) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    if (line.find(name) != std::string::npos) return true;
  return false;
}

TEST(MovieModule, FfmpegIsLoadedOnlyWhenAMovieOrLengthIsFirstWanted) {
  // A fresh process, as the program starts: the death test runs the test
  // program again with only this statement.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const bool before = Mapped("libavcodec");
        auto movie = MovieDecoder::Open(test::MovieSample("cinepak-pcm.avi"));
        const bool after = Mapped("libavcodec") && Mapped("libkorvana_ffmpeg");
        std::exit(!before && movie && after ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace korvana
