#!/usr/bin/env bash
# What the window costs while a reader reads, in a real X window (Xvfb):
#  - peak resident memory when the story first waits for a click, and the
#    libraries mapped then (the Qt ones by name);
#  - processor time and wake-ups (context switches of all threads) over
#    10 s of a click wait with the marker animating, with a still marker
#    (every frame the same), and while a page is drawn at 100 ms a character.
# The games are one page each, made here in a temporary folder.
# Usage: bench/idle_probe.sh [BUILD_DIR] [GAME_DIR]   (run it under xvfb-run)
# GAME_DIR adds a line for that game's memory at its first click wait.
# Each figure is followed by that of a bare Qt window doing the same
# repaints (bench/gui/bare_window.cpp): the floor for this toolkit here.
set -euo pipefail
HERE="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$HERE/build/release}"
EXTRA="${2:-}"
BIN="$BUILD/src/app/korvana"
BARE="$BUILD/bench/bench_gui_bare_window"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
WORK=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$WORK"' EXIT
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_HOME="$WORK/home/.local"
mkdir -p "$HOME"

# A marker picture: 8 frames of 32 × 32 in two rows, black around a square
# that moves (animated) or stands (still).
write_marker() {
  python3 - "$1" "$2" <<'EOF'
import struct, sys, zlib
path, still = sys.argv[1], sys.argv[2] == "still"
w, h = 256, 64
rows = []
for y in range(h):
    row = bytearray([0])
    for x in range(w):
        frame, fx, fy = x // 32, x % 32, y % 32
        off = 0 if still else frame * 2
        on = 8 + off <= fx < 18 + off and 10 <= fy < 20
        row += bytes((255, 224, 128) if on else (0, 0, 0))
    rows.append(bytes(row))
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b"")
open(path, "wb").write(png)
EOF
}

# make_game DIR MARKER WAIT_MS: one page of text, then a click wait.
make_game() {
  mkdir -p "$1"
  write_marker "$1/icon.png" "$2"
  printf 'SavePath=.\\\r\nIcon=icon.png\r\n' >"$1/krv.cfg"
  {
    printf '_textwait %s\r\n' "$3"
    printf '朝の光が窓から差し込んでいる。今日は新しい物語が始まる日だ。遠くで鐘が鳴っている。&\r\n'
    printf 'おしまい。\r\n'
  } | iconv -f UTF-8 -t CP932 >"$1/autorun.txt"
}

# Runs GAME until its first click wait; prints the peak memory there and
# leaves the program running in $pid.
start_at_wait() {
  local log="$WORK/log"
  : >"$log"
  KORVANA_FIRST_FRAME_PROBE=1 "$BIN" "$1" 2>"$log" &
  pid=$!
  for _ in $(seq 200); do grep -q click-wait "$log" && break; sleep 0.05; done
  peak=$(awk '/click-wait/ {print $2}' "$log")
  if [ -z "$peak" ]; then
    echo "$1 never waited for a click" >&2
    exit 1
  fi
}

# Processor time (nanoseconds on a core, schedstat) and wake-ups (times a
# thread went to sleep by itself) of all threads of $pid over SECONDS (10).
measure() {
  local u1 u2 w1 w2 seconds=${3:-10}
  sample() {
    cat /proc/$pid/task/*/schedstat | awk '{t += $1} END {print t}'
    cat /proc/$pid/task/*/status | awk '/^voluntary_ctxt_switches/ {w += $2} END {print w}'
  }
  read -r u1 w1 < <(sample | paste -sd ' ')
  sleep "$seconds"
  read -r u2 w2 < <(sample | paste -sd ' ')
  awk -v u=$((u2 - u1)) -v w=$((w2 - w1)) -v what="$1" -v s="$seconds" \
    'BEGIN {printf "%-34s %6.3f %% of a core, %5.1f wake-ups/s\n", what, u / s / 1e7, w / s}'
}

stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; }

# The same figure for the bare window in MODE, if it was built.
floor() {
  [ -x "$BARE" ] || return 0
  local log="$WORK/bare"
  "$BARE" "$1" 2>"$log" &
  pid=$!
  for _ in $(seq 100); do grep -q click-wait "$log" && break; sleep 0.05; done
  if [ "${2:-}" = memory ]; then
    echo "  a bare Qt window:                $(awk '/click-wait/ {print $2}' "$log") kB"
  else
    local what="${2:-}"
    sleep 1
    measure "${what:-  a bare Qt window:}" "${3:-10}"
  fi
  stop
}

make_game "$WORK/animated" animated 1
make_game "$WORK/still" still 1
make_game "$WORK/slow" animated 100

start_at_wait "$WORK/animated"
echo "peak memory at the first click wait: $((peak)) kB (one-page game)"
libraries=$(grep -oE '/[^ ]+\.so[.0-9]*$' /proc/$pid/maps | sort -u)
echo "libraries mapped there: $(wc -l <<<"$libraries") ($(grep -oE 'libQt6[A-Za-z]+' <<<"$libraries" | sort -u | paste -sd' '))"
stop
floor still memory
start_at_wait "$WORK/animated"
sleep 1
measure "click wait, marker animating:"
stop
floor marker
start_at_wait "$WORK/still"
sleep 1
measure "click wait, still marker:"
stop
floor still
# The page takes 4.4 s to draw: 3 s of it are measured, the marker's
# click wait after it not.
KORVANA_FIRST_FRAME_PROBE=1 "$BIN" "$WORK/slow" 2>/dev/null &
pid=$!
sleep 1
measure "text drawn at 100 ms a character:" 3
stop
floor text "" 3
floor apart "  the same, cells not overlapping:" 3
if [ -n "$EXTRA" ]; then
  start_at_wait "$EXTRA"
  echo "peak memory at the first click wait: $((peak)) kB ($(basename "$EXTRA"))"
  stop
fi
