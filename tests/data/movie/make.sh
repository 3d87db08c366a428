#!/usr/bin/env bash
# Makes the tiny movies the movie tests read, with the ffmpeg tool that
# scripts/install-deps installs. Each is 64 × 48 at 10 frames a second for
# 0.6 s: the left half red for 0.2 s, then green, then blue; the right half
# white throughout. The sound is a 441 Hz sine at half of full scale, mono at
# 11025 Hz. Run from anywhere; the files land next to this script.
set -euo pipefail
cd "$(dirname "$0")"

half() { echo "drawbox=x=0:y=0:w=32:h=48:t=fill:color=$1:enable='$2'"; }
picture="color=white:s=64x48:r=10:d=0.6,$(half red 'lt(t,0.2)'),$(half lime 'between(t,0.2,0.39)'),$(half blue 'gte(t,0.4)')"
sound="aevalsrc=0.5*sin(2*PI*441*t):s=11025:d=0.6"

make() {
  local out=$1
  shift
  ffmpeg -hide_banner -loglevel error -y -fflags +bitexact "$@" -flags +bitexact "$out"
}

make cinepak-pcm.avi -f lavfi -i "$picture" -f lavfi -i "$sound" -c:v cinepak -c:a pcm_s16le
make msvideo1-adpcm.avi -f lavfi -i "$picture" -f lavfi -i "$sound" \
  -c:v msvideo1 -pix_fmt rgb555le -c:a adpcm_ms
# Shifting for the MP3 encoder's delay would move every picture after the
# first two frames later.
make mjpeg-mp3.avi -f lavfi -i "$picture" -f lavfi -i "$sound" \
  -c:v mjpeg -q:v 3 -pix_fmt yuvj420p -c:a libmp3lame -b:a 24k -avoid_negative_ts disabled
make mpeg4.avi -f lavfi -i "$picture" -c:v mpeg4 -q:v 2
make sound-only.avi -f lavfi -i "$sound" -c:a pcm_s16le
