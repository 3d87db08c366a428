#!/usr/bin/env python3
"""Makes the demo game's music, sounds and movie from nothing.

Music is MIDI (a few hundred bytes a song, played through the General MIDI
sound font); the effects are short synthesized WAV files; the movie is drawn
frame by frame and encoded by the ffmpeg command. Run from anywhere:
    tests/data/sound/make_demo_media.py [GAME_DIR]
The same input gives the same files, so the committed ones can be checked.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

GAME = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "games", "demo")


# --- MIDI -------------------------------------------------------------------

def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append((n & 0x7F) | 0x80)
        n >>= 7
    return bytes(reversed(out))


def midi(path, tempo_us, program, parts):
    """parts: list of (channel, [(start_beat, beats, note, velocity)...])."""
    ppq = 480
    events = []  # (tick, order, bytes)
    events.append((0, 0, b"\xff\x51\x03" + tempo_us.to_bytes(3, "big")))
    for channel, (prog, notes) in enumerate(zip(program, parts)):
        events.append((0, 1, bytes([0xC0 | channel, prog])))
        for start, beats, note, vel in notes:
            on = int(start * ppq)
            off = int((start + beats) * ppq) - 1
            events.append((on, 3, bytes([0x90 | channel, note, vel])))
            events.append((off, 2, bytes([0x80 | channel, note, 0])))
    events.sort(key=lambda e: (e[0], e[1]))
    track = b""
    last = 0
    for tick, _, data in events:
        track += vlq(tick - last) + data
        last = tick
    end = max(e[0] for e in events)
    track += vlq(ppq - (end % ppq) if end % ppq else 0) + b"\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, ppq))
        f.write(b"MTrk" + struct.pack(">I", len(track)) + track)


def arpeggio(chords, beats_each, octave_notes):
    notes = []
    t = 0.0
    for chord in chords:
        for k in range(int(beats_each * 2)):
            notes.append((t + k * 0.5, 0.5, chord[k % len(chord)] + octave_notes, 70))
        t += beats_each
    return notes


def pads(chords, beats_each, velocity=55):
    out = []
    for i, chord in enumerate(chords):
        for n in chord:
            out.append((i * beats_each, beats_each, n, velocity))
    return out


def melody(line, velocity=85):
    out, t = [], 0.0
    for note, beats in line:
        if note:
            out.append((t, beats, note, velocity))
        t += beats
    return out


C, F, G, AM = [60, 64, 67], [60, 65, 69], [59, 62, 67], [57, 60, 64]
morning_chords = [C, G, AM, F] * 2
walk_chords = [F, C, G, C] * 2
night_chords = [AM, F, C, G] * 2


def make_music():
    # Morning: piano arpeggios under a plain tune, 92 beats a minute.
    midi(os.path.join(GAME, "bgm01.mid"), 652000, [0, 0],
         [arpeggio(morning_chords, 4, 0),
          melody([(76, 2), (74, 1), (72, 1), (74, 4), (72, 2), (71, 2), (69, 4),
                  (72, 2), (74, 2), (76, 4), (77, 2), (76, 1), (74, 1), (72, 4)] * 1)])
    # The walk: flute over pizzicato strings, 120 beats a minute.
    midi(os.path.join(GAME, "bgm02.mid"), 500000, [73, 45],
         [melody([(77, 1), (76, 1), (74, 1), (72, 1), (74, 2), (79, 2), (76, 1), (74, 1),
                  (72, 2), (0, 2), (77, 1), (79, 1), (81, 2), (79, 2), (76, 2), (72, 4),
                  (74, 2), (76, 2), (72, 4)]),
          arpeggio(walk_chords, 4, -12)])
    # Night: slow strings, 66 beats a minute.
    midi(os.path.join(GAME, "bgm03.mid"), 909000, [48, 49],
         [pads(night_chords, 4),
          melody([(69, 4), (72, 4), (76, 6), (74, 2), (72, 4), (71, 4), (67, 8)], 70)])


# --- WAV --------------------------------------------------------------------

def write_wav(path, rate, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s))))
                               for s in samples))


def bell(rate, seconds, partials, level=9000, decay=4.0):
    n = int(rate * seconds)
    return [level * math.exp(-decay * i / rate) *
            sum(a * math.sin(2 * math.pi * f * i / rate) for f, a in partials)
            for i in range(n)]


def make_sounds():
    rate = 11025
    # The gift: a two-note chime.
    chime = bell(rate, 1.2, [(1318.5, 0.6), (2637, 0.2), (3951, 0.1)], decay=3.0)
    second = bell(rate, 0.9, [(1760, 0.6), (3520, 0.2)], decay=3.5)
    lag = int(rate * 0.18)
    for i, s in enumerate(second):
        chime[lag + i] += s
    write_wav(os.path.join(GAME, "chime.wav"), rate, chime)
    # A footstep in the text: a soft knock of noise.
    seed = 12345
    knock = []
    for i in range(int(rate * 0.12)):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise = (seed / 0x7FFFFFFF) * 2 - 1
        knock.append(7000 * noise * math.exp(-40 * i / rate) +
                     6000 * math.sin(2 * math.pi * 140 * i / rate) * math.exp(-25 * i / rate))
    write_wav(os.path.join(GAME, "step.wav"), rate, knock)
    # The menu click.
    write_wav(os.path.join(GAME, "click.wav"), rate,
              bell(11025 * 2, 0.08, [(2000, 1.0)], level=6000, decay=60))


# --- the movie ----------------------------------------------------------------

def make_movie():
    """A moon that rises over the hills in three seconds, with a soft chord."""
    w, h, fps, seconds = 160, 120, 12, 3
    with tempfile.TemporaryDirectory() as tmp:
        frames = os.path.join(tmp, "frames.rgb")
        with open(frames, "wb") as f:
            for k in range(fps * seconds):
                t = k / (fps * seconds)
                moon_x, moon_y, r = 110, 95 - 60 * t, 12
                row = bytearray()
                for y in range(h):
                    sky = (int(10 + 30 * y / h), int(20 + 40 * y / h), int(60 + 70 * y / h))
                    for x in range(w):
                        ground = 88 + 12 * math.sin(x / 25.0)
                        if y > ground:
                            row += bytes((20, 50, 30))
                        elif (x - moon_x) ** 2 + (y - moon_y) ** 2 <= r * r:
                            row += bytes((255, 240, 190))
                        else:
                            row += bytes(sky)
                f.write(row)
        audio = os.path.join(tmp, "chord.wav")
        rate = 22050
        write_wav(audio, rate,
                  [2500 * min(1, i / rate / 0.5) * min(1, (seconds - i / rate) / 0.5) *
                   sum(math.sin(2 * math.pi * f * i / rate) for f in (220, 277.2, 329.6))
                   for i in range(rate * seconds)])
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
                        "-s", f"{w}x{h}", "-r", str(fps), "-i", frames, "-i", audio,
                        "-c:v", "mpeg4", "-q:v", "6", "-c:a", "adpcm_ima_wav", "-fflags",
                        "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact",
                        os.path.join(GAME, "moonrise.avi")], check=True)


if __name__ == "__main__":
    make_music()
    make_sounds()
    make_movie()
