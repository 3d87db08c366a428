#!/usr/bin/env bash
# Installs what is missing, builds in Release and plays a game: the bundled
# demo, or the game folder given.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
GAME="${1:-$HERE/games/demo}"
GAME="$(cd "$GAME" && pwd)"
"$HERE/scripts/install-deps"
cmake -S "$HERE" -B "$HERE/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKORVANA_BUILD_TESTS=OFF >/dev/null
cmake --build "$HERE/build/release" -j2
exec "$HERE/build/release/src/app/korvana" "$GAME"
