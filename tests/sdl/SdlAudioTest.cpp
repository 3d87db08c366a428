#include <SDL_mixer.h>

#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <filesystem>

#include "AudioFixture.h"
#include "FifoWatch.h"
#include "core/SdlLibrary.h"

namespace korvana {
namespace {

using test::AudioTest;

// The channel whose end tells that everything posted before has run.
AudioChannel MarkerFor(AudioChannel channel) {
  return channel == AudioChannel::Short ? AudioChannel::SoundEffect : AudioChannel::Short;
}

class DeviceTest : public AudioTest {
 protected:
  void SetUp() override { Start("dummy"); }
  // Plays `path` on `channel`; the CD channel plays track 1 of a folder
  // holding it.
  bool PlayOn(AudioChannel channel, const std::string& path, int64_t startMs = 0,
              int64_t lengthMs = 0) {
    if (channel != AudioChannel::Cd) return audio->Play(channel, path, startMs, lengthMs);
    const std::string folder = dir.str() + "/cdda-" + std::to_string(cdFolders_++);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(path, folder + "/track01.wav");
    return audio->OpenCd({folder}) && audio->Play(AudioChannel::Cd, "1", startMs, lengthMs);
  }
  // Runs everything posted so far, by waiting for the end of a short sound
  // on another channel.
  void Flush(AudioChannel besides) {
    const AudioChannel marker = MarkerFor(besides);
    const int before = log.Count(marker);
    ASSERT_TRUE(audio->Play(marker, Wav("marker.wav", 20), 0, 0));
    ASSERT_TRUE(queue.RunUntil([&] { return log.Count(marker) > before; }));
  }

 private:
  int cdFolders_ = 0;
};

constexpr AudioChannel kChannels[] = {AudioChannel::Music, AudioChannel::SoundEffect,
                                      AudioChannel::Short, AudioChannel::Cd};

TEST_F(DeviceTest, ReportsTheEndOfEachPlayOnce) {
  for (AudioChannel channel : kChannels) {
    SCOPED_TRACE(static_cast<int>(channel));
    log.ends.clear();
    ASSERT_TRUE(PlayOn(channel, Wav("short.wav", 40)));
    ASSERT_TRUE(WaitForEnd(channel));
    Flush(channel);
    EXPECT_EQ(log.Count(channel), 1);
  }
}

TEST_F(DeviceTest, AStoppedPlayReportsNoEnd) {
  const auto stop = [&](AudioChannel channel) {
    if (channel == AudioChannel::Short)
      audio->StopShort();
    else
      EXPECT_EQ(audio->Stop(channel), 0);
  };
  for (AudioChannel channel : kChannels) {
    SCOPED_TRACE(static_cast<int>(channel));
    log.ends.clear();
    ASSERT_TRUE(PlayOn(channel, Wav("long.wav", 2000)));
    stop(channel);
    Flush(channel);
    EXPECT_EQ(log.Count(channel), 0);
  }
}

TEST_F(DeviceTest, ANewPlayTakesOverTheEndOfTheOldOne) {
  for (AudioChannel channel : kChannels) {
    SCOPED_TRACE(static_cast<int>(channel));
    log.ends.clear();
    ASSERT_TRUE(PlayOn(channel, Wav("long.wav", 2000)));
    ASSERT_TRUE(PlayOn(channel, Wav("short.wav", 40)));
    ASSERT_TRUE(WaitForEnd(channel));
    Flush(channel);
    EXPECT_EQ(log.Count(channel), 1);
  }
}

// Sounds over ten seconds are decoded as they play; their ends are reported
// as a chunk's are: once at the end of a play, never after a stop.
TEST_F(DeviceTest, LongSoundsReportTheirEndsAsShortOnesDo) {
  const std::string sound = Wav("long.wav", 10500);
  for (AudioChannel channel : {AudioChannel::SoundEffect, AudioChannel::Short, AudioChannel::Cd}) {
    SCOPED_TRACE(static_cast<int>(channel));
    log.ends.clear();
    ASSERT_TRUE(PlayOn(channel, sound, 10400));  // the last tenth of a second
    ASSERT_TRUE(WaitForEnd(channel));
    ASSERT_TRUE(PlayOn(channel, sound));
    EXPECT_EQ(audio->Stop(channel), 0);
    Flush(channel);
    EXPECT_EQ(log.Count(channel), 1);
    EXPECT_FALSE(PlayOn(channel, sound, 10500));  // nothing is left to play
  }
}

TEST_F(DeviceTest, OpeningOrClosingOverAPlayReportsNoEnd) {
  for (AudioChannel channel : {AudioChannel::Music, AudioChannel::SoundEffect}) {
    SCOPED_TRACE(static_cast<int>(channel));
    ASSERT_TRUE(audio->Play(channel, Wav("long.wav", 2000), 0, 0));
    ASSERT_TRUE(audio->Open(channel, Wav("other.wav", 40)));
    ASSERT_TRUE(audio->Play(channel, Wav("long.wav", 2000), 0, 0));
    EXPECT_TRUE(audio->Close(channel));
    Flush(channel);
    EXPECT_EQ(log.Count(channel), 0);
  }
}

TEST_F(DeviceTest, MusicWithALengthStopsThereWithAnEnd) {
  ASSERT_TRUE(audio->Play(AudioChannel::Music, Wav("long.wav", 5000), 0, 50));
  ASSERT_TRUE(WaitForEnd(AudioChannel::Music));
  EXPECT_FALSE(Mix_PlayingMusic());
  Flush(AudioChannel::Music);
  EXPECT_EQ(log.Count(AudioChannel::Music), 1);
}

TEST_F(DeviceTest, PositionsOutsideTheSoundAreRefusedOrClamped) {
  const std::string sound = Wav("sound.wav", 40);
  const struct {
    int64_t start, length;
    bool plays;
  } cases[] = {
      {0, 0, true},       {-5, -5, true}, {10, LLONG_MAX, true}, {0, 1, true},
      {40, 0, false},     {39, 0, true},  {LLONG_MAX, 0, false}, {LLONG_MIN, LLONG_MIN, true},
      {1000000, 5, false}};
  for (AudioChannel channel : {AudioChannel::SoundEffect, AudioChannel::Cd}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(static_cast<int>(channel)) + " from " + std::to_string(c.start) +
                   " for " + std::to_string(c.length));
      EXPECT_EQ(PlayOn(channel, sound, c.start, c.length), c.plays);
      audio->Stop(channel);
    }
  }
  // Music seeks where it can and plays from the top where it cannot.
  EXPECT_TRUE(audio->Play(AudioChannel::Music, sound, LLONG_MAX, LLONG_MAX));
}

TEST_F(DeviceTest, RefusesWhatCannotBeDecoded) {
  std::string random(4096, '\0');
  uint32_t seed = 12345;
  for (char& c : random) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
  const std::string wav = test::WavBytes(test::Tone(100, 440, 8000));
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty.wav", ""},
      {"random.wav", random},
      {"random.ogg", random},
      {"random.flac", random},
      {"random.mid", random},
      {"header.wav", wav.substr(0, 20)},
      {"nodata.wav", wav.substr(0, 44 - 8)},
      {"text.ogg", "OggS but not really"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write(c.name, c.bytes);
    EXPECT_FALSE(audio->Open(AudioChannel::Music, path));
    EXPECT_FALSE(audio->Play(AudioChannel::Music, path, 0, 0));
    EXPECT_FALSE(audio->Open(AudioChannel::SoundEffect, path));
    EXPECT_FALSE(audio->Play(AudioChannel::SoundEffect, path, 0, 0));
    EXPECT_FALSE(audio->PlayShort(path));
  }
  EXPECT_FALSE(audio->Open(AudioChannel::Music, dir.str() + "/absent.wav"));
  EXPECT_FALSE(audio->Play(AudioChannel::SoundEffect, dir.str(), 0, 0));
  EXPECT_FALSE(audio->PlayShort(dir.str() + "/absent.wav"));
}

// A FIFO is refused without being opened, on every channel, by its name or
// through a link: an open would wait for a writer that never comes.
TEST_F(DeviceTest, RefusesAFifoWithoutOpeningIt) {
  test::FifoWatch fifo(dir.str() + "/fifo.wav");
  std::filesystem::create_directories(dir.str() + "/cdda");
  std::filesystem::create_symlink("../fifo.wav", dir.str() + "/cdda/track01.wav");
  std::filesystem::create_symlink("fifo.wav", dir.str() + "/link.mid");
  for (const std::string& path : {fifo.path(), dir.str() + "/link.mid"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(audio->Open(AudioChannel::Music, path));
    EXPECT_FALSE(audio->Play(AudioChannel::Music, path, 0, 0));
    EXPECT_FALSE(audio->Open(AudioChannel::SoundEffect, path));
    EXPECT_FALSE(audio->Play(AudioChannel::SoundEffect, path, 0, 0));
    EXPECT_FALSE(audio->PlayShort(path));
  }
  EXPECT_FALSE(audio->OpenCd({dir.str() + "/cdda"}));
  EXPECT_EQ(fifo.Opens(), 0);
}

// MIDI files that lie about themselves, and a sound font that is not there:
// the song plays or is refused, and either way its end or refusal is told.
TEST_F(DeviceTest, OddMidiFilesAndAMissingSoundFontNeverHang) {
  // The synthesiser's tail after each note lasts seconds; the disk driver
  // plays it faster than real time.
  Start("disk");
  std::string absurd = test::MidiNote(100);
  absurd[10] = '\xff', absurd[11] = '\xff';  // 65535 tracks promised, one there
  const std::string path = dir.Write("absurd.mid", absurd);
  if (audio->Play(AudioChannel::Music, path, 0, 0)) EXPECT_TRUE(WaitForEnd(AudioChannel::Music));
  audio.reset();
  setenv("SDL_SOUNDFONTS", (dir.str() + "/missing.sf2").c_str(), 1);
  Start("disk");
  const std::string song = dir.Write("song.mid", test::MidiNote(100));
  if (audio->Play(AudioChannel::Music, song, 0, 0)) EXPECT_TRUE(WaitForEnd(AudioChannel::Music));
  unsetenv("SDL_SOUNDFONTS");
  // The effects still play without the font.
  EXPECT_TRUE(audio->Play(AudioChannel::SoundEffect, Wav("se.wav", 40), 0, 0));
  EXPECT_TRUE(WaitForEnd(AudioChannel::SoundEffect));
}

TEST_F(DeviceTest, RippedTracksGiveTheirLengthFromZero) {
  dir.Write("cdda/track02.wav", test::WavBytes(test::Tone(250, 440, 8000)));
  dir.Write("cdda/track05.wav", "not a sound");
  ASSERT_TRUE(audio->OpenCd({dir.str() + "/nothing", dir.str() + "/cdda"}));
  int64_t start = -1, length = -1;
  ASSERT_TRUE(audio->CdTrack(2, start, length));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(length, 250);
  for (int track : {0, 1, 3, 5, 99, 999, -1, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(track);
    EXPECT_FALSE(audio->CdTrack(track, start, length));
  }
  for (const char* track : {"", "x", "2x", " 2", "-2", "1", "5", "999", "99999999999999999999"}) {
    SCOPED_TRACE(track);
    EXPECT_FALSE(audio->Play(AudioChannel::Cd, track, 0, 0));
  }
  EXPECT_TRUE(audio->Play(AudioChannel::Cd, "02", 0, 0));
}

TEST_F(DeviceTest, NoTracksAndNoDiscIsNoCd) {
  dir.Write("cdda/readme.txt", "x");
  EXPECT_FALSE(audio->OpenCd({dir.str() + "/cdda", dir.str() + "/absent"}));
  int64_t start = 0, length = 0;
  EXPECT_FALSE(audio->CdTrack(1, start, length));
  EXPECT_FALSE(audio->Play(AudioChannel::Cd, "1", 0, 0));
}

TEST(NoDevice, EveryOpenFailsAndOneLineSaysWhy) {
  const struct {
    const char* driver;
    // The file the SDL library is loaded from; null for the usual one.
    const char* library;
  } rows[] = {{"no-such-driver", nullptr}, {"dummy", "libkorvana-no-such-library.so"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.driver);
    setenv("SDL_AUDIODRIVER", r.driver, 1);
    sdl::UseLibraryFile(r.library);
    test::TempDir dir;
    const std::string sound = dir.Write("sound.wav", test::WavBytes(test::Tone(100, 440, 8000)));
    dir.Write("cdda/track01.wav", test::WavBytes(test::Tone(100, 440, 8000)));
    int posted = 0;
    SdlAudio audio([&](auto) { ++posted; });
    ::testing::internal::CaptureStderr();
    for (int round = 0; round < 2; ++round) {
      EXPECT_FALSE(audio.OpenMixer());
      EXPECT_FALSE(audio.Open(AudioChannel::Music, sound));
      EXPECT_FALSE(audio.Open(AudioChannel::SoundEffect, sound));
      EXPECT_FALSE(audio.OpenCd({dir.str() + "/cdda"}));
      EXPECT_FALSE(audio.Play(AudioChannel::Music, sound, 0, 0));
      EXPECT_FALSE(audio.Play(AudioChannel::SoundEffect, sound, 0, 0));
      EXPECT_FALSE(audio.Play(AudioChannel::Cd, "1", 0, 0));
      EXPECT_FALSE(audio.PlayShort(sound));
      int64_t start = 0, length = 0;
      EXPECT_FALSE(audio.CdTrack(1, start, length));
      EXPECT_EQ(audio.Stop(AudioChannel::Music), 0);
      audio.StopShort();
      EXPECT_TRUE(audio.Close(AudioChannel::Cd));
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("no audio device"), said.rfind("no audio device"));
    EXPECT_NE(said.find("no audio device"), std::string::npos);
    EXPECT_EQ(posted, 0);
    sdl::UseLibraryFile(nullptr);
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// With the mixer open the program must still end on SIGTERM, as a desktop
// session ends it; SDL's own handlers would swallow the signal.
TEST(SdlSignals, TheProgramStillEndsOnSigterm) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlAudio audio([](std::function<void()>) {});
    if (!audio.OpenMixer()) _exit(3);
    raise(SIGTERM);
    _exit(0);  // reached only when the signal was swallowed
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

}  // namespace
}  // namespace korvana
