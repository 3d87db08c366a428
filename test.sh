#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer from scratch, and runs every test through ctest;
# then builds and checks the package, the benchmarks and the fuzz targets.
#
# ./test.sh --quick: the edit loop, an incremental sanitizer build and ctest
# only.
set -euo pipefail
cd "$(dirname "$0")"
QUICK=0
case "${1:-}" in
  --quick) QUICK=1 ;;
  "") ;;
  *) echo "usage: ./test.sh [--quick]" >&2; exit 2 ;;
esac
[ "$QUICK" = 1 ] || scripts/install-deps

# A second run on the same machine compiles again only what changed, wherever
# the checkout lies.
LAUNCHER=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

BUILD=${KORVANA_TEST_BUILD:-build/asan}
[ "$QUICK" = 1 ] || rm -rf "$BUILD"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANA_SANITIZE=ON \
  -DKORVANA_BUILD_TESTS=ON -DCMAKE_CXX_FLAGS="-O1" "${LAUNCHER[@]}"
cmake --build "$BUILD" -j2
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$BUILD" --output-on-failure -j2
[ "$QUICK" = 0 ] || exit 0

# The Debian package, from a Release build without the tests, checked as the
# people who install it meet it. The benchmarks are built beside it so that
# they keep building.
RELEASE=${KORVANA_PACKAGE_BUILD:-build/release}
cmake -S . -B "$RELEASE" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANA_BUILD_TESTS=OFF \
  -DKORVANA_BUILD_BENCH=ON "${LAUNCHER[@]}"
cmake --build "$RELEASE" -j2
cmake --build "$RELEASE" --target package -j2
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$RELEASE/CMakeCache.txt")
scripts/check-package "$RELEASE/korvana_${VERSION}_$(dpkg --print-architecture).deb"

# The fuzz targets build with clang and get through their seed corpora once:
# the checked-in ones and those the seed writer makes (valid pictures of every
# format, damaged MAG pictures, random expressions).
FUZZ=${KORVANA_FUZZ_BUILD:-build/fuzz}
cmake -S . -B "$FUZZ" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DKORVANA_BUILD_FUZZ=ON -DKORVANA_BUILD_TESTS=OFF \
  -DKORVANA_BUILD_GUI=OFF "${LAUNCHER[@]}"
cmake --build "$FUZZ" -j2
rm -rf "$FUZZ/seeds"
"$FUZZ/fuzz/fuzz_make_seeds" "$FUZZ/seeds" >/dev/null
for corpus in fuzz/corpus/*/ "$FUZZ"/seeds/*/; do
  target=$(basename "$corpus")
  "$FUZZ/fuzz/fuzz_$target" -runs=0 "$corpus" 2>"$FUZZ/fuzz_$target.log" ||
    { cat "$FUZZ/fuzz_$target.log"; exit 1; }
done
