// The sound channels as a script drives them, heard through the headless
// transcript and its virtual clock: repeats, the BGM modes, CD tracks, the
// switches, short sounds, movies and the restart after a load.
#include <gtest/gtest.h>

#include <cstring>

#include "GameRun.h"
#include "platform/MediaLength.h"
#include "sound/SoundSystem.h"

namespace korvana {
namespace {

using test::GameRun;

// A silent PCM WAV file of `ms` milliseconds (8 kHz, mono, 16-bit).
std::string Wav(int ms) {
  const uint32_t data = static_cast<uint32_t>(ms) * 16;
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

TEST(SoundChannels, BgmMode4NamesTheMusicChannelAfterTheTrack) {
  GameRun run;
  AddMedia(run);
  run.Script({"_bgmmode 4", "_bgmplay bgm\\03abc,0"});
  EXPECT_EQ(run.Run(), 0);
  const ChannelRecords& ch = run.session().engine.sound.channels;
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

}  // namespace
}  // namespace korvana
