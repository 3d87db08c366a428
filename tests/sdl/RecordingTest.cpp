// What the mixer hands the device, recorded through SDL's disk driver and
// measured: how long something sounds and how loud.
#include <cmath>
#include <thread>

#include "AudioFixture.h"
#include "TestEvaluator.h"
#include "backends/cdio/CdioDisc.h"
#include "backends/headless/HeadlessPlatform.h"
#include "sound/SoundSystem.h"

namespace korvana {
namespace {

using test::AudioTest;
using test::Heard;
using test::Measure;

constexpr int kAmplitude = 12000;
const double kToneRms = kAmplitude / std::sqrt(2.0);

class RecordingTest : public AudioTest {
 protected:
  void SetUp() override { Start("disk"); }
};

TEST_F(RecordingTest, PlaysTheAskedPartOfEachSoundAtItsLevel) {
  const struct {
    const char* name;
    AudioChannel channel;
    int64_t fileMs, startMs, lengthMs;
    // The sounding part as heard; music stopped by a length stops within a
    // mix or two of its mark.
    int64_t heardMs, slackMs;
  } cases[] = {
      {"effect", AudioChannel::SoundEffect, 200, 0, 0, 200, 2},
      {"effect part", AudioChannel::SoundEffect, 300, 100, 100, 100, 2},
      {"effect tail", AudioChannel::SoundEffect, 300, 250, 0, 50, 2},
      {"short", AudioChannel::Short, 150, 0, 0, 150, 2},
      {"music", AudioChannel::Music, 200, 0, 0, 200, 2},
      // This SDL_mixer seeks WAV music to whole seconds only.
      {"music from a position", AudioChannel::Music, 1200, 1000, 0, 200, 2},
      {"music for a length", AudioChannel::Music, 1000, 0, 150, 150, 200},
      {"ripped track", AudioChannel::Cd, 200, 0, 0, 200, 2},
      {"ripped track part", AudioChannel::Cd, 300, 50, 150, 150, 2},
      // Over ten seconds: decoded as they play, from the start.
      {"long effect tail", AudioChannel::SoundEffect, 10500, 10300, 0, 200, 2},
      {"long effect part", AudioChannel::SoundEffect, 10500, 5000, 150, 150, 2},
      {"long ripped track tail", AudioChannel::Cd, 10500, 10250, 0, 250, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Start("disk");
    const std::string file = Wav("cdda/track01.wav", c.fileMs, kAmplitude);
    if (c.channel == AudioChannel::Cd) {
      ASSERT_TRUE(audio->OpenCd({dir.str() + "/cdda"}));
      ASSERT_TRUE(audio->Play(c.channel, "1", c.startMs, c.lengthMs));
    } else {
      ASSERT_TRUE(audio->Play(c.channel, file, c.startMs, c.lengthMs));
    }
    ASSERT_TRUE(WaitForEnd(c.channel));
    const Heard heard = Measure(Recorded());
    EXPECT_GE(heard.Ms(), c.heardMs - 2);
    EXPECT_LE(heard.Ms(), c.heardMs + c.slackMs);
    EXPECT_NEAR(heard.rms, kToneRms, kToneRms * 0.03);
  }
}

TEST_F(RecordingTest, EffectsMixWithMusic) {
  // Two tones of different pitch add up in power wherever they overlap:
  // together they are heard √2 times as loud as either alone.
  const int amplitude = 8000;
  const double alone = amplitude / std::sqrt(2.0);
  ASSERT_TRUE(audio->Play(AudioChannel::Music,
                          dir.Write("low.wav", test::WavBytes(test::Tone(300, 440, amplitude))), 0,
                          0));
  ASSERT_TRUE(audio->Play(AudioChannel::SoundEffect,
                          dir.Write("high.wav", test::WavBytes(test::Tone(300, 660, amplitude))), 0,
                          0));
  ASSERT_TRUE(WaitForEnd(AudioChannel::Music));
  ASSERT_TRUE(WaitForEnd(AudioChannel::SoundEffect));
  const Heard heard = Measure(Recorded());
  EXPECT_NEAR(heard.Ms(), 300, 30);
  // The two may start a mix apart; that much is heard alone.
  EXPECT_GT(heard.rms, alone * 1.3);
  EXPECT_LT(heard.rms, alone * 1.45);
}

TEST_F(RecordingTest, MidiSoundsThroughTheSoundFont) {
  const std::string midi = dir.Write("note.mid", test::MidiNote(200));
  ASSERT_TRUE(audio->Play(AudioChannel::Music, midi, 0, 0));
  ASSERT_TRUE(WaitForEnd(AudioChannel::Music));
  const Heard heard = Measure(Recorded());
  EXPECT_GE(heard.Ms(), 150);
  EXPECT_GT(heard.rms, 500);
}

// The longest run of near silence between the first and the last sound of
// a recording, in milliseconds.
int64_t LongestQuietMs(const std::vector<int16_t>& frames, int threshold) {
  const auto loud = [&](size_t frame) {
    return std::abs(frames[2 * frame]) > threshold || std::abs(frames[2 * frame + 1]) > threshold;
  };
  const size_t count = frames.size() / 2;
  size_t first = 0;
  while (first < count && !loud(first)) ++first;
  // Only a silence that sound follows counts: the one after the last
  // sound is no gap between repeats.
  int64_t longest = 0, quiet = 0;
  for (size_t f = first; f < count; ++f) {
    if (!loud(f)) {
      ++quiet;
      continue;
    }
    longest = std::max(longest, quiet);
    quiet = 0;
  }
  return longest * 1000 / test::kRate;
}

// Repeats of one song follow one another as the channel logic counts them,
// without a gap: not the synthesiser's seconds of release after a MIDI
// song's last note, nor a wait for the pump between two plays.
TEST_F(RecordingTest, RepeatsOfASongFollowWithoutAGap) {
  const struct {
    const char* file;
    std::string bytes;
  } songs[] = {
      {"song.mid", test::MidiNote(600)},
      {"song.wav", test::WavBytes(test::Tone(600, 440, kAmplitude))},
  };
  for (const auto& song : songs) {
    SCOPED_TRACE(song.file);
    Start("disk");
    dir.Write(song.file, song.bytes);
    // The channel logic of the story on this device; the other doors are
    // the headless ones, whose transcript tells what the channel reported.
    HeadlessPlatform others;
    ClickState click;
    GameFiles files(dir.str());
    test::QuietErrors errors;
    test::TestEvaluator expressions{errors};
    SoundSystem sound(
        Platform{others, others, others, *audio, others, others, others, others, others}, click,
        files, expressions.eval);
    struct : test::QuietSink {
      SoundSystem* sound = nullptr;
      void OnAudioEnded(AudioChannel channel) override { sound->OnAudioEnded(channel); }
    } ends;
    ends.sound = &sound;
    audio->SetSink(&ends);
    sound.PlayMusic(song.file, 3);
    const ChannelRecord& music = sound.channels[int(Channel::Music)];
    ASSERT_TRUE(queue.RunUntil([&] { return !music.playing; }));
    EXPECT_EQ(music.timesPlayed, 3);
    const std::string name = std::string("\t") + song.file + "\t3";
    EXPECT_EQ(others.Transcript(),
              (std::vector<std::string>{"sound\tmusic\tplay" + name, "sound\tmusic\trepeat" + name,
                                        "sound\tmusic\trepeat" + name,
                                        "sound\tmusic\tend" + name}));
    const std::vector<int16_t> frames = Recorded();
    EXPECT_LT(LongestQuietMs(frames, 8), 50);
    // All three passes were heard, and not much more.
    EXPECT_GE(Measure(frames, 8).Ms(), 1750);
  }
}

TEST_F(RecordingTest, ADiscPlaysThroughTheMixer) {
  // 15 sectors (200 ms) of one tone, then 23 of a louder one.
  const std::string cue = test::WriteDiscImage(
      dir, {test::Tone(200, 440, 4000), test::Tone(23 * 1000 / 75, 880, kAmplitude)});
  const struct {
    const char* name;
    int64_t startMs, lengthMs, heardMs;
  } cases[] = {
      {"whole track", 200, 0, 306},
      // Positions are the disc's, in whole sectors: 22 to 29.
      {"part", 300, 100, 93},
      {"from before the track", 0, 0, 306},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Start("disk", [&] { return CdioDisc::Open(cue); });
    ASSERT_TRUE(audio->OpenCd({dir.str() + "/no-tracks"}));
    int64_t start = 0, length = 0;
    ASSERT_TRUE(audio->CdTrack(2, start, length));
    EXPECT_EQ(start, 200);
    EXPECT_EQ(length, 306);
    EXPECT_FALSE(audio->CdTrack(3, start, length));
    ASSERT_TRUE(audio->Play(AudioChannel::Cd, "2", c.startMs, c.lengthMs));
    ASSERT_TRUE(WaitForEnd(AudioChannel::Cd));
    const Heard heard = Measure(Recorded());
    EXPECT_NEAR(heard.Ms(), c.heardMs, 2);
    EXPECT_NEAR(heard.rms, kToneRms, kToneRms * 0.03);
  }
}

TEST_F(RecordingTest, AStreamPlaysWhatIsPushedWithoutGaps) {
  ASSERT_TRUE(audio->OpenMixer());
  MixerStream stream(SdlAudio::kMovieChannel);
  ASSERT_TRUE(stream.Start());
  // More than the queue holds, pushed as room appears, so that the ring
  // wraps around.
  const std::vector<int16_t> tone = test::Tone(1500, 440, kAmplitude);
  const size_t total = tone.size() / 2;
  size_t pushed = 0;
  while (pushed < total) {
    pushed += stream.Push(tone.data() + pushed * 2, total - pushed);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  while (stream.PlayedFrames() < static_cast<int64_t>(total))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(stream.PlayedFrames(), static_cast<int64_t>(total));
  EXPECT_EQ(stream.Queued(), 0u);
  stream.Stop();
  const Heard heard = Measure(Recorded());
  EXPECT_NEAR(heard.Ms(), 1500, 2);
  // A gap of silence anywhere would pull the level down.
  EXPECT_NEAR(heard.rms, kToneRms, kToneRms * 0.01);
}

TEST(MixerStream, QueuesUpToASecondAndNeedsAnOpenMixer) {
  MixerStream stream(SdlAudio::kMovieChannel);
  EXPECT_FALSE(stream.Start());
  const std::vector<int16_t> tone = test::Tone(1500, 440, 1000);
  EXPECT_EQ(stream.Push(tone.data(), tone.size() / 2), size_t{MixerStream::kRate});
  EXPECT_EQ(stream.Space(), 0u);
  EXPECT_EQ(stream.Queued(), size_t{MixerStream::kRate});
  EXPECT_EQ(stream.Push(tone.data(), 10), 0u);
  EXPECT_EQ(stream.PlayedFrames(), 0);
  stream.Stop();
}

}  // namespace
}  // namespace korvana
