// The sound channels as a script drives them, heard through the headless
// transcript and its virtual clock: repeats, the BGM modes, CD tracks, the
// switches, short sounds, movies and the restart after a load.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "FifoWatch.h"
#include "GameRun.h"
#include "QuietSink.h"
#include "TestEvaluator.h"
#include "TestPaths.h"
#include "platform/MediaLength.h"
#include "script/EngineProbe.h"
#include "sound/SoundSystem.h"

namespace korvana {
namespace {

using test::GameRun;

// A silent PCM WAV file of `samples` samples (8 kHz, mono, 16-bit).
std::string WavOfSamples(uint32_t samples) {
  const uint32_t data = samples * 2;
  std::string out = "RIFF";
  auto u32 = [&](uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); };
  u32(36 + data);
  out += "WAVEfmt ";
  u32(16), u16(1), u16(1), u32(8000), u32(16000), u16(2), u16(16);
  out += "data";
  u32(data);
  out.append(data, '\0');
  return out;
}

// The same, `ms` milliseconds long.
std::string Wav(int ms) { return WavOfSamples(static_cast<uint32_t>(ms) * 8); }

// Bytes no decoder makes sense of.
std::string Noise(size_t n) {
  std::string out(n, '\0');
  uint32_t seed = 2024;
  for (char& c : out) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
  return out;
}

// A MIDI file of one note lasting `ms` at 120 beats a minute (480 ticks a
// beat: 0.96 ticks a millisecond), with a tempo change to 60 half way when
// `slowDown` (the second half then takes twice as long).
std::string Midi(int ms, bool slowDown = false) {
  std::string track;
  auto vlq = [&](uint32_t v) {
    std::string b(1, static_cast<char>(v & 0x7f));
    for (v >>= 7; v; v >>= 7) b.insert(b.begin(), static_cast<char>((v & 0x7f) | 0x80));
    track += b;
  };
  const uint32_t ticks = static_cast<uint32_t>(ms) * 96 / 100;
  vlq(0), track += std::string("\x90\x3c\x64", 3);
  if (slowDown) {
    vlq(ticks / 2), track += std::string("\xff\x51\x03\x0f\x42\x40", 6);  // 1000000 us a beat
    vlq(ticks / 2);
  } else {
    vlq(ticks);
  }
  track += std::string("\x80\x3c\x00", 3);
  vlq(0), track += std::string("\xff\x2f\x00", 3);
  std::string out("MThd\0\0\0\x06\0\0\0\x01\x01\xe0", 14);
  out += "MTrk";
  const uint32_t n = static_cast<uint32_t>(track.size());
  out += {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
          static_cast<char>(n)};
  return out + track;
}

std::string DataFile(const char* name) {
  return std::string(KORVANA_TEST_DATA) + "/sound/" + name;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(MediaLength, ReadsWhatTheDecoderReads) {
  test::TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    int64_t ms;
  };
  const Case cases[] = {
      {"a.wav", Wav(1500), 1500},
      {"b.mid", Midi(2000), 2000},
      {"c.mid", Midi(2000, true), 3000},  // the second second runs at half speed
      {"empty.wav", "", -1},
      {"noise.wav", std::string(4096, '\x5a'), -1},
      // Named as a format FFmpeg then reads them as, without one frame in it.
      {"empty.flac", "", -1},
      {"noise.flac", Noise(8192), -1},
      {"noise.mp3", Noise(8192), -1},
      {"one sample.wav", WavOfSamples(1), 0},
      {"short.mid", "MThd", -1},
      // A header that promises 65535 tracks and holds none.
      {"absurd.mid", std::string("MThd\0\0\0\x06\0\x01\xff\xff\x01\xe0", 14), -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MediaLengthMs(dir.Write(c.name, c.bytes)), c.ms) << c.name;
  EXPECT_EQ(MediaLengthMs(dir.str() + "/missing.wav"), -1);
  EXPECT_EQ(MovieLengthMs(DataFile("movie.avi")), 1000);
  EXPECT_EQ(MovieLengthMs(dir.str() + "/a.wav"), -1);  // no picture
}

// The game every channel test plays: a 2 s song, a 1 s effect, a 0.5 s voice
// and 1 s CD track 3 ripped beside the game.
void AddMedia(GameRun& run) {
  run.File("song.mid", Midi(2000));
  run.File("song", Midi(2000));
  run.File("song.wav", Wav(2000));
  run.File("se.wav", Wav(1000));
  run.File("v.wav", Wav(500));
  run.File("cdda/Track03.WAV", Wav(1000));
}

// The run's sound events, fields joined by blanks.
std::vector<std::string> Sounds(const GameRun& run) {
  std::vector<std::string> out;
  for (std::string line : run.Events("sound")) {
    for (char& ch : line)
      if (ch == '\t') ch = ' ';
    out.push_back(line);
  }
  return out;
}

struct ScriptCase {
  const char* name;
  std::vector<std::string> script;
  std::vector<std::string> sounds;
};

TEST(SoundChannels, PlayRepeatEndAndFailAsTheScriptAsks) {
  const ScriptCase cases[] = {
      {"a finite song plays its count",
       {"_midiplay song.mid,2", "_waitset", "_wait 10000"},
       {"music play song.mid 2", "music repeat song.mid 2", "music end song.mid 2"}},
      {"an endless effect repeats until stopped",
       {"_pcmplay se.wav,0", "_waitset", "_wait 2500", "_pcmstop"},
       {"se play se.wav 0", "se repeat se.wav 0", "se repeat se.wav 0", "se stop se.wav 0"}},
      {"a negative count plays once",
       {"_pcmplay se.wav,-5", "_waitset", "_wait 5000"},
       {"se play se.wav -5", "se end se.wav -5"}},
      {"the largest count keeps repeating",
       {"_pcmplay se.wav,2147483647", "_waitset", "_wait 2500"},
       {"se play se.wav 2147483647", "se repeat se.wav 2147483647",
        "se repeat se.wav 2147483647"}},
      {"a name without extension goes to the device as written",
       {"_midiplay song,1", "_waitset", "_wait 5000"},
       {"music play song 1", "music end song 1"}},
      {"a file that cannot be decoded fails",
       {"_pcmplay missing.wav,1", "_midiplay se.txt,1"},
       {"se fail missing.wav 1", "music fail se.txt 1"}},
      {"no BGM mode: nothing, not even the count",
       {"_bgmplay song,1/0"},
       {}},
      {"BGM mode 0 adds .mid, mode 3 .wav",
       {"_bgmmode 0", "_bgmplay song,1", "_bgmmode 3", "_bgmplay song,1", "_bgmstop"},
       {"music play song.mid 1", "music stop song.mid 1", "music play song.wav 1",
        "music stop song.wav 1"}},
      {"BGM mode 4 plays the track its name begins with",
       {"_bgmmode 4", "_bgmplay bgm\\03abc,0", "_waitset", "_wait 1500", "_bgmstop"},
       {"cd play 3 0", "cd repeat 3 0", "cd stop 3 0"}},
      {"tracks the disc does not have fail",
       {"_cdplay 0,1", "_cdplay 999,1", "_cdplay 3,1", "_waitset", "_wait 1500"},
       {"cd fail 0 1", "cd fail 999 1", "cd play 3 1", "cd end 3 1"}},
      {"a new play stops the old one first",
       {"_pcmplay se.wav,0", "_pcmplay v.wav,1", "_waitset", "_wait 800"},
       {"se play se.wav 0", "se stop se.wav 0", "se play v.wav 1", "se end v.wav 1"}},
  };
  for (const ScriptCase& c : cases) {
    GameRun run;
    AddMedia(run);
    run.File("se.txt", "not a sound");
    run.Script(c.script);
    EXPECT_EQ(run.Run(), 0) << c.name;
    EXPECT_EQ(Sounds(run), c.sounds) << c.name;
    EXPECT_TRUE(run.ErrorMessages().empty()) << c.name;
  }
}

// A FIFO under a sound's or a movie's name (or behind a link) fails as a
// missing file does, and the run goes on: nothing opens it and waits for a
// writer that never comes.
TEST(SoundChannels, AFifoIsNoSoundAndNoMovie) {
  const ScriptCase cases[] = {
      {"music", {"_midiplay fifo.wav,1"}, {"music fail fifo.wav 1"}},
      {"music named as MIDI", {"_midiplay fifo.mid,0"}, {"music fail fifo.mid 0"}},
      {"BGM mode 0", {"_bgmmode 0", "_bgmplay fifo,1"}, {"music fail fifo.mid 1"}},
      {"an effect", {"_pcmplay fifo.wav,0"}, {"se fail fifo.wav 0"}},
      {"an effect through a link", {"_pcmplay link.wav,1"}, {"se fail link.wav 1"}},
      {"a voice of the text", {"_textwait 0", "a<V\"fifo.wav\">b"}, {"short fail fifo.wav 1"}},
      {"a movie", {"_aviplay fifo.avi"}, {"movie fail fifo.avi 1"}},
  };
  for (const ScriptCase& c : cases) {
    GameRun run;
    const std::string folder = run.dir().str();
    test::FifoWatch wav(folder + "/fifo.wav"), mid(folder + "/fifo.mid"), avi(folder + "/fifo.avi");
    std::filesystem::create_symlink("fifo.wav", folder + "/link.wav");
    std::vector<std::string> script = c.script;
    script.push_back("_$flg[1]=1");
    run.Script(script);
    EXPECT_EQ(run.Run(), 0) << c.name;
    EXPECT_EQ(Sounds(run), c.sounds) << c.name;
    EXPECT_EQ(run.Flag(1), "1") << c.name;
    EXPECT_EQ(wav.Opens() + mid.Opens() + avi.Opens(), 0) << c.name;
  }
}

// Files that decode to nothing are failed plays on every channel, as the
// window's player has them.
TEST(SoundChannels, FilesThatDecodeToNothingFail) {
  const ScriptCase cases[] = {
      {"an empty track", {"_bgmmode 4", "_bgmplay 02,1"}, {"cd fail 2 1"}},
      {"noise named as a track", {"_cdplay 4,1"}, {"cd fail 4 1"}},
      {"noise as an effect", {"_pcmplay noise.flac,1"}, {"se fail noise.flac 1"}},
      {"an empty song", {"_midiplay empty.ogg,1"}, {"music fail empty.ogg 1"}},
  };
  for (const ScriptCase& c : cases) {
    GameRun run;
    run.File("cdda/track02.flac", "");
    run.File("cdda/track04.flac", Noise(20000));
    run.File("noise.flac", Noise(20000));
    run.File("empty.ogg", "");
    run.Script(c.script);
    EXPECT_EQ(run.Run(), 0) << c.name;
    EXPECT_EQ(Sounds(run), c.sounds) << c.name;
  }
}

// An endless sound of one sample behind a long wait: the run's limits end it.
TEST(SoundChannels, AnEndlessTinySoundEndsAtTheRunsLimits) {
  const struct {
    HeadlessOptions options;
    const char* endReason;
    std::optional<size_t> repeats;  // none: as many as the wall clock allowed
  } ways[] = {
      {{.maxMs = 1000}, "max-ms", 50},
      {{.maxWallMs = 200}, "max-wall-ms", std::nullopt},
  };
  for (const auto& way : ways) {
    for (const char* play : {"_pcmplay tiny.wav,0", "_midiplay tiny.wav,0"}) {
      GameRun run(way.options);
      run.File("tiny.wav", WavOfSamples(1));
      run.Script({play, "_waitset", "_wait 2147483647", "_$flg[1]=1"});
      EXPECT_EQ(run.Run(), 0) << play;
      EXPECT_EQ(run.session().endReason, way.endReason) << play;
      EXPECT_EQ(run.Flag(1), "0") << play;
      const size_t repeats = Sounds(run).size() - 1;
      if (way.repeats) EXPECT_EQ(repeats, *way.repeats) << play;
    }
  }
}

TEST(SoundChannels, BgmMode4NamesTheMusicChannelAfterTheTrack) {
  GameRun run;
  AddMedia(run);
  run.Script({"_bgmmode 4", "_bgmplay bgm\\03abc,0"});
  EXPECT_EQ(run.Run(), 0);
  const ChannelRecords& ch = run.probe().Sound().channels;
  EXPECT_EQ(ch[int(Channel::Music)].fileName, "bgm\\03abc.cda");
  EXPECT_EQ(ch[int(Channel::Cd)].fileName, "3");
  EXPECT_EQ(ch[int(Channel::Cd)].trackLength, 1000);
  EXPECT_EQ(ch[int(Channel::Cd)].playing, 1);
}

TEST(SoundChannels, ShortSoundsWaitOnlyWithV) {
  struct Case {
    const char* text;
    uint64_t elapsed;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"a<V\"v.wav\">b", 500, {"short play v.wav 1", "short end v.wav 1"}},
      {"a<O\"v.wav\">b", 0, {"short play v.wav 1"}},
      {"a<V\"nothing.wav\">b", 0, {"short fail nothing.wav 1"}},
  };
  for (const Case& c : cases) {
    GameRun run;
    AddMedia(run);
    run.Script({"_textwait 0", c.text});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.session().platform.ElapsedMs(), c.elapsed) << c.text;
    EXPECT_EQ(Sounds(run), c.events) << c.text;
  }
}


TEST(SoundSwitches, MusicAndSoundOffAndOnResumeOnlyEndlessPlays) {
  struct Case {
    const char* name;
    std::vector<std::string> script;
    const char* item;
    std::vector<std::string> sounds;
  };
  const Case cases[] = {
      {"endless music comes back from its start",
       {"_midiplay song.mid,0", "one\\", "two\\"},
       "Kmusic",
       {"music play song.mid 0", "music stop song.mid 0", "music play song.mid 0"}},
      {"finite music stays off",
       {"_midiplay song.mid,3", "one\\", "two\\"},
       "Kmusic",
       {"music play song.mid 3", "music stop song.mid 3"}},
      {"the CD channel follows the music switch",
       {"_cdplay 3,0", "one\\", "two\\"},
       "Kmusic",
       {"cd play 3 0", "cd stop 3 0", "cd play 3 0"}},
      {"an endless effect comes back",
       {"_pcmplay se.wav,0", "one\\", "two\\"},
       "Ksound",
       {"se play se.wav 0", "se stop se.wav 0", "se play se.wav 0"}},
      {"a play asked for while off waits for the switch",
       {"one\\", "_pcmplay se.wav,0", "two\\"},
       "Ksound",
       {"se play se.wav 0"}},
  };
  for (const Case& c : cases) {
    GameRun run({.menu = {{1, c.item}, {2, c.item}}});
    AddMedia(run);
    run.Script(c.script);
    EXPECT_EQ(run.Run(), 0) << c.name;
    EXPECT_EQ(Sounds(run), c.sounds) << c.name;
    const Engine& engine = run.session().engine;
    EXPECT_TRUE(engine.Choices().enableMusic && engine.Choices().enableSound) << c.name;
    EXPECT_TRUE(run.session().platform.MenuItemChecked(MenuItem::Music)) << c.name;
  }
}

TEST(SoundSwitches, OffSilencesShortSoundsAndIsKeptInTheSettings) {
  GameRun run({.menu = {{1, "Ksound"}, {1, "Kmusic"}}});
  AddMedia(run);
  run.Script({"_textwait 0", "one\\", "a<V\"v.wav\">b", "_midiplay song.mid,0"});
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(Sounds(run), std::vector<std::string>{});
  EXPECT_FALSE(run.session().engine.Choices().enableSound);
  EXPECT_FALSE(run.session().engine.Choices().enableMusic);
  EXPECT_FALSE(run.session().platform.MenuItemChecked(MenuItem::Sound));
  EXPECT_EQ(run.probe().Sound().channels[int(Channel::Music)].requestedWhileOff, 1);
}

TEST(Movies, PlayForTheirLengthOrUntilAClick) {
  struct Case {
    const char* name;
    const char* file;
    bool click;
    uint64_t elapsed;
    std::vector<std::string> sounds;
  };
  const Case cases[] = {
      {"to its end", "movie.avi", false, 1000, {"movie play movie.avi 1", "movie end movie.avi 1"}},
      {"a click ends it at once", "movie.avi", true, 0,
       {"movie play movie.avi 1", "movie stop movie.avi 1"}},
      {"sound alone is no movie", "se.wav", false, 0, {"movie fail se.wav 1"}},
      {"no such file", "none.avi", false, 0, {"movie fail none.avi 1"}},
  };
  for (const Case& c : cases) {
    GameRun run;
    AddMedia(run);
    run.File("movie.avi", ReadBytes(DataFile("movie.avi")));
    run.Script({std::string("_aviplay ") + c.file, "_$flg[1]=1"});
    HeadlessPlatform& platform = run.session().platform;
    bool popupDuringMovie = true;
    platform.onMovie = [&] {
      popupDuringMovie = platform.PopupEnabled();
      if (c.click) platform.QueueClick(10, 10);
    };
    EXPECT_EQ(run.Run(), 0) << c.name;
    EXPECT_EQ(platform.ElapsedMs(), c.elapsed) << c.name;
    EXPECT_EQ(Sounds(run), c.sounds) << c.name;
    EXPECT_EQ(run.Flag(1), "1") << c.name;  // the script goes on
    EXPECT_TRUE(platform.PopupEnabled()) << c.name;
    if (c.sounds.size() > 1) EXPECT_FALSE(popupDuringMovie) << c.name;
  }
}

// A sound system on the headless devices, to look at one rule at a time.
struct Channels {
  test::TempDir dir;
  HeadlessPlatform platform;
  ClickState click;
  GameFiles files{dir.str()};
  test::QuietErrors errors;
  test::TestEvaluator expressions{errors};
  SoundSystem sound{platform.Doors(), click, files, expressions.eval};
  // The devices' ends reach the channels as the engine would hand them on.
  struct Ends : test::QuietSink {
    SoundSystem* sound;
    void OnAudioEnded(AudioChannel c) override { sound->OnAudioEnded(c); }
  } ends;

  Channels() {
    ends.sound = &sound;
    platform.SetInputSink(&ends);
    dir.Write("song.mid", Midi(2000));
    dir.Write("song.wav", Wav(2000));
    dir.Write("se.wav", Wav(1000));
    dir.Write("song.mp3", ReadBytes(DataFile("song.mp3")));
    dir.Write("cdda/track03.wav", Wav(1000));
  }
  std::vector<std::string> Sounds() const {
    std::vector<std::string> out;
    for (std::string line : platform.Transcript()) {
      if (line.rfind("sound\t", 0) != 0) continue;
      for (char& ch : line)
        if (ch == '\t') ch = ' ';
      out.push_back(line.substr(6));
    }
    return out;
  }
};

ChannelRecord Saved(const char* file, int32_t repeat, bool playing, bool requested = false) {
  ChannelRecord r;
  r.fileName = file;
  r.repeatCount = repeat;
  r.playing = playing;
  r.requestedWhileOff = requested;
  return r;
}

TEST(SoundAfterLoad, EachBgmModeResumesItsOwnWay) {
  struct Case {
    const char* name;
    int32_t mode;
    ChannelRecord music, se, cd;
    std::vector<std::string> sounds;
  };
  const Case cases[] = {
      {"no mode: endless music again", -1, Saved("song.mid", 0, true), {}, {},
       {"music play song.mid 0"}},
      {"no mode: a finite song is over", -1, Saved("song.mid", 2, true), {}, {}, {}},
      {"no mode: music asked for while off", -1, Saved("song.mid", 0, false, true), {}, {},
       {"music play song.mid 0"}},
      {"no mode: endless CD track", -1, {}, {}, Saved("3", 0, false, true), {"cd play 3 0"}},
      {"mode 0: the name gets .mid and the count", 0, Saved("song.xyz", 2, true), {}, {},
       {"music play song.mid 2"}},
      {"mode 3: .wav", 3, Saved("song.mid", 1, true), {}, {}, {"music play song.wav 1"}},
      {"mode 4: the track the name begins with", 4, Saved("bgm\\03x.cda", 0, false), {}, Saved("3", 0, true),
       {"cd play 3 0"}},
      {"mode 0: nothing was playing", 0, Saved("song.mid", 0, false), {}, {}, {}},
      {"every mode: the endless effect", 3, {}, Saved("se.wav", 0, true), {},
       {"se play se.wav 0"}},
      {"every mode: not a finite effect", 3, {}, Saved("se.wav", 4, true), {}, {}},
      {"mode 2: MP3 through the library", 2, Saved("song.xyz", 0, true), {}, {},
       {"music play song.mp3 0"}},
  };
  for (const Case& c : cases) {
    Channels ch;
    ch.sound.BgmMode = c.mode;
    ch.sound.ResumeAfterLoad({c.music, c.se, c.cd});
    EXPECT_EQ(ch.Sounds(), c.sounds) << c.name;
  }
}

TEST(SoundLibrary, Mp3InMode2RepeatsThroughTheEndOfPlayCallback) {
  Channels ch;
  ch.sound.BgmMode = 2;
  ch.sound.BgmPlay("song", [] { return 2; });
  const ChannelRecord& music = ch.sound.channels[int(Channel::Music)];
  EXPECT_EQ(music.deviceAvailable, 1);  // a file is open in the library
  ch.platform.WaitMessage(-1);          // the first play ends: once more
  EXPECT_EQ(music.timesPlayed, 2);
  ch.platform.WaitMessage(-1);
  EXPECT_EQ(music.playing, 0);
  EXPECT_EQ(ch.Sounds(), (std::vector<std::string>{"music play song.mp3 2",
                                                   "music repeat song.mp3 2",
                                                   "music end song.mp3 2"}));
  ch.sound.StopMusic();
  EXPECT_EQ(music.deviceAvailable, 0);  // stopping closes the library's file
}

TEST(SoundChannels, TitleReturnAndWindowSwitches) {
  Channels ch;
  ch.sound.PlayMusic("song.mid", 0);
  ch.sound.PlayCdTrack(3, 0);
  ch.sound.PlaySoundEffect("se.wav", 0);
  ch.sound.RestartMusic();  // the frame and full-screen switches
  ch.sound.StopAll();       // the return to title
  EXPECT_EQ(ch.Sounds(),
            (std::vector<std::string>{"music play song.mid 0", "cd play 3 0", "se play se.wav 0",
                                      "music stop song.mid 0", "music play song.mid 0",
                                      "cd stop 3 0", "cd play 3 0", "music stop song.mid 0",
                                      "se stop se.wav 0", "cd stop 3 0"}));
  for (const ChannelRecord& r : ch.sound.channels) {
    EXPECT_EQ(r.playing, 0);
    EXPECT_EQ(r.deviceAvailable, 0);
  }
}

// Every play lasts at least a mix of the window's mixer in virtual time, so an
// endless play of next to nothing repeats as time passes, never all at once.
TEST(SoundChannels, NoPlayIsShorterThanAMix) {
  const struct {
    const char* name;
    std::function<void(SoundSystem&)> play;
    Channel channel;
  } cases[] = {
      {"an effect of one sample", [](SoundSystem& s) { s.PlaySoundEffect("tiny.wav", 1000); },
       Channel::SoundEffect},
      {"a song without a note's length", [](SoundSystem& s) { s.PlayMusic("empty.mid", 1000); },
       Channel::Music},
      {"a track of one sample", [](SoundSystem& s) { s.PlayCdTrack(2, 1000); }, Channel::Cd},
  };
  for (const auto& c : cases) {
    Channels ch;
    ch.dir.Write("tiny.wav", WavOfSamples(1));
    ch.dir.Write("empty.mid", Midi(0));
    ch.dir.Write("cdda/track02.wav", WavOfSamples(1));
    c.play(ch.sound);
    while (ch.platform.ElapsedMs() < 100) ch.platform.WaitMessage(100 - ch.platform.ElapsedMs());
    // Plays began at 0, 20, 40, 60, 80 and 100 ms.
    EXPECT_EQ(ch.sound.channels[int(c.channel)].timesPlayed, 6) << c.name;
    EXPECT_EQ(ch.Sounds().size(), 6u) << c.name;
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// A saved game whose music is a FIFO loads with the music failed, as with a
// missing file, instead of holding the load in the FIFO's open.
TEST(SoundAfterLoad, AFifoAsTheSavedMusicFails) {
  Channels ch;
  test::FifoWatch fifo(ch.dir.str() + "/fifo.mid");
  for (int32_t mode : {-1, 0}) {
    ch.sound.BgmMode = mode;
    ch.sound.ResumeAfterLoad({Saved("fifo.mid", 0, true), Saved("fifo.mid", 0, true), {}});
  }
  EXPECT_EQ(ch.Sounds(), (std::vector<std::string>{"music fail fifo.mid 0", "se fail fifo.mid 0",
                                                   "music fail fifo.mid 0",
                                                   "se fail fifo.mid 0"}));
  EXPECT_EQ(fifo.Opens(), 0);
}

}  // namespace
}  // namespace korvana
