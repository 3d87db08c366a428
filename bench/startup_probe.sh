#!/usr/bin/env bash
# Start-up and idle probe of the desktop program in a real X window (Xvfb):
#  - milliseconds from launch to the first frame on screen (median of runs):
#    the window as it first appears; the story starts at the first idle
#    moment after it, so its music, script and pictures come later; and the
#    processor time the program used until then (all its threads), which
#    depends less on what else the machine runs;
#  - processor time used over 10 s while the story waits for a click.
# Usage: bench/startup_probe.sh [BUILD_DIR] [GAME_DIR]   (run it under xvfb-run)
set -euo pipefail
HERE="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$HERE/build/release}"
GAME="${2:-$HERE/games/demo}"
BIN="$BUILD/src/app/korvana"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

times=()
cpus=()
for i in 1 2 3 4 5; do
  log=$(mktemp)
  start=$(date +%s%N)
  KORVANA_FIRST_FRAME_PROBE=1 "$BIN" "$GAME" 2>"$log" &
  pid=$!
  for _ in $(seq 100); do grep -q first-frame "$log" && break; sleep 0.05; done
  frame=$(awk '/first-frame/ {print $2}' "$log")
  cpus+=($(awk '/first-frame/ {print int($3 / 1000)}' "$log"))
  kill "$pid"; wait "$pid" 2>/dev/null || true
  times+=($(( (frame - start) / 1000000 )))
  rm -f "$log"
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "launch to first frame (ms): ${times[*]}; median ${sorted[2]}"
sorted=($(printf '%s\n' "${cpus[@]}" | sort -n))
echo "processor time to the first frame (ms): ${cpus[*]}; median ${sorted[2]}"

"$BIN" "$GAME" 2>/dev/null &
pid=$!
sleep 2
tick=$(getconf CLK_TCK)
read -r u1 s1 < <(awk '{print $14, $15}' /proc/$pid/stat)
sleep 10
read -r u2 s2 < <(awk '{print $14, $15}' /proc/$pid/stat)
kill "$pid"; wait "$pid" 2>/dev/null || true
used=$(( (u2 - u1) + (s2 - s1) ))
echo "processor time over 10 s of waiting: $(( used * 1000 / tick )) ms ($(awk -v u=$used -v t=$tick 'BEGIN {printf "%.2f", u / t / 10 * 100}') % of a core)"
