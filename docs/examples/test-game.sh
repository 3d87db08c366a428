#!/bin/sh
# test-game.sh: plays a Korvana game without a window along several routes
# and compares what each route showed and kept with approved copies.
#
#   sh test-game.sh [--approve] [--coverage FILE] [--pixel-tolerance T]
#                   [--share P] GAME_DIR ROUTES_FILE [APPROVED_DIR]
#
# ROUTES_FILE holds one route per line: a name, then the options for
# `korvana --headless` that steer it (blank lines and lines starting with #
# are skipped). Option values cannot contain blanks.
#
#   hill-flower   --choose 0,0,0
#   town-star     --choose 1,1,0
#   hill-pages    --choose 0,0,0 --screenshot-at 2,5
#
# A route may name click waits with --screenshot-at N,M,... (numbered as the
# transcript's wait lines number them) without a folder: the page at each of
# them is approved and compared too, as ROUTE/shots/wait-N.png. These pages
# are compared with korvana-picture (set KORVANA_PICTURE if it is not on
# PATH): --pixel-tolerance T lets each colour channel differ by up to T
# (0-255, default 0), --share P lets up to P percent of the pixels differ
# (default 0); a page past them leaves ROUTE/shots/wait-N.diff.png, its
# changed pixels in red over a faded copy of the approved page.
#
# Each route runs on a fresh copy of the game folder, without the player's
# krv.ini and saves, with --strict. Its transcript, flag dump, state dump and
# screenshot go to ./test-results/ROUTE/ and are compared with
# APPROVED_DIR/ROUTE/ (default ./approved). A route without an approved copy
# is reported as new; --approve makes the results of this run the approved
# copies (a route that did not end with status 0 or 5 is never approved; 5, a
# choice or slot the route names that cannot be taken, is compared like the
# rest, so "it must stop here" is a route too). Exit status: 0 when every
# route passed, 1 otherwise (a routes file without a route fails too: a test
# that runs nothing passes nothing), 2 for usage. --coverage FILE adds every
# route's lines, conditions and choices to FILE (korvana --headless
# --coverage); see what no route reached with:
# korvana-script coverage FILE GAME_DIR
# Set KORVANA to the program if it is not on PATH.

KORVANA=${KORVANA:-korvana}
approve=no
coverage=
# The tolerances of the pages at click waits.
KORVANA_PICTURE=${KORVANA_PICTURE:-korvana-picture}
pixel_tolerance=0
share=0
while :; do
  case ${1:-} in
    --approve) approve=yes; shift ;;
    --coverage) [ $# -ge 2 ] && coverage=$2 && shift 2 || set -- ;;
    --pixel-tolerance) [ $# -ge 2 ] && pixel_tolerance=$2 && shift 2 || set -- ;;
    --share) [ $# -ge 2 ] && share=$2 && shift 2 || set -- ;;
    *) break ;;
  esac
done
if [ $# -lt 2 ] || [ ! -d "$1" ] || [ ! -f "$2" ]; then
  echo "usage: sh test-game.sh [--approve] [--coverage FILE] [--pixel-tolerance T] [--share P] GAME_DIR ROUTES_FILE [APPROVED_DIR]" >&2
  exit 2
fi
game=$1
routes=$2
approved=${3:-approved}
results=test-results
if ! command -v "$KORVANA" >/dev/null 2>&1; then
  echo "test-game.sh: cannot run $KORVANA (put korvana on PATH or set KORVANA)" >&2
  exit 2
fi
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
rm -rf "$results"
mkdir -p "$results" "$approved" || exit 2
passed=0
failed=0

nl='
'
# what an exit status of korvana --headless means
meaning() {
  case $1 in
    0) echo "ok" ;;
    1) echo "a script error report was answered yes" ;;
    2) echo "bad options" ;;
    3) echo "no start script could be run" ;;
    4) echo "script errors were reported (--strict)" ;;
    5) echo "stopped at a choice or slot that cannot be taken" ;;
    126 | 127) echo "the program could not be started" ;;
    *) echo "ended abnormally (a crash or a signal)" ;;
  esac
}

while read -r name options; do
  case $name in '' | '#'*) continue ;; esac
  out=$results/$name
  mkdir -p "$out"
  # A fresh copy, as a first-time player has it: no settings, no saves.
  # Pages at click waits: the route names the waits, the script the folder.
  shots=""
  # shellcheck disable=SC2086  # the options are meant to be split
  set -- $options
  options=""
  while [ $# -gt 0 ]; do
    if [ "$1" = --screenshot-at ] && [ $# -ge 2 ]; then
      shots=$2
      shift 2
      continue
    fi
    options="$options $1"
    shift
  done
  [ -z "$shots" ] || options="$options --screenshot-at $shots $out/shots"
  rm -rf "${work:?}/game" "${work:?}/home"
  mkdir -p "$work/game" "$work/home"
  cp -R "$game/." "$work/game/"
  rm -f "$work/game/krv.ini" "$work/game/krv.ini.bak" "$work/game/textid.dat" \
    "$work/game"/data*.hfd "$work/game"/data*.hsd "$work/game"/data*.hld
  # No installation folders and no save folders of the real user.
  # shellcheck disable=SC2086  # the options are meant to be split
  XDG_CONFIG_HOME=$work/home XDG_DATA_HOME=$work/home \
    "$KORVANA" --headless --strict --max-wall-ms 60000 $options ${coverage:+--coverage "$coverage"} \
    --transcript "$out/transcript.txt" --dump-flags "$out/flags.txt" \
    --dump-state "$work/state.txt" --screenshot "$out/screen.png" \
    "$work/game" </dev/null >"$out/output.txt" 2>&1
  status=$?
  echo "$status" >"$out/status.txt"
  # The state dump names the folder the game ran in, which changes every run.
  grep -v '^カレントDIR:' "$work/state.txt" >"$out/state.txt" 2>/dev/null

  problems=""
  case $status in
    0 | 5) ;;
    *) problems="exit status $status: $(meaning "$status")" ;;
  esac
  if [ "$approve" = yes ] && [ -z "$problems" ]; then
    rm -rf "${approved:?}/$name"
    mkdir -p "$approved/$name"
    cp "$out/status.txt" "$out/transcript.txt" "$out/flags.txt" "$out/state.txt" \
      "$out/screen.png" "$approved/$name/" 2>/dev/null
  elif [ ! -d "$approved/$name" ]; then
    problems="${problems:+$problems$nl}new route: no approved copy yet (run with --approve)"
  else
    for file in status.txt transcript.txt flags.txt state.txt; do
      if ! diff -u "$approved/$name/$file" "$out/$file" >"$out/$file.diff" 2>&1; then
        problems="${problems:+$problems$nl}$file differs (see $out/$file.diff)"
      else
        rm -f "$out/$file.diff"
      fi
    done
    if ! cmp -s "$approved/$name/screen.png" "$out/screen.png"; then
      problems="${problems:+$problems$nl}the last screen differs (compare $out/screen.png)"
    fi
  fi

  # The pages at click waits: approved with the rest, compared with the
  # tolerances.
  if [ -n "$shots" ] && [ "$approve" = yes ] && [ -z "$problems" ]; then
    mkdir -p "$approved/$name/shots"
    cp "$out"/shots/wait-*.png "$approved/$name/shots/" 2>/dev/null
  elif [ -n "$shots" ] && ! command -v "$KORVANA_PICTURE" >/dev/null 2>&1; then
    problems="${problems:+$problems$nl}cannot compare pages: no $KORVANA_PICTURE (set KORVANA_PICTURE)"
  elif [ -n "$shots" ] && [ -d "$approved/$name" ]; then
    for page in "$approved/$name"/shots/wait-*.png "$out"/shots/wait-*.png; do
      [ -f "$page" ] || continue
      base=$(basename "$page")
      case $page in
        "$out"/*)
          [ -f "$approved/$name/shots/$base" ] ||
            problems="${problems:+$problems$nl}new page $base (approve it)"
          continue
          ;;
      esac
      if [ ! -f "$out/shots/$base" ]; then
        problems="${problems:+$problems$nl}page $base was not written (the route has fewer click waits)"
      elif ! "$KORVANA_PICTURE" compare "$page" "$out/shots/$base" \
          --pixel-tolerance "$pixel_tolerance" --share "$share" \
          --diff "$out/shots/${base%.png}.diff.png" >"$out/shots/${base%.png}.txt" 2>&1; then
        problems="${problems:+$problems$nl}page $base: $(head -n 1 "$out/shots/${base%.png}.txt")"
      fi
    done
  fi

  # Where the story was when the run ended: the line after "ProgRunningScript:"
  # ("_winexit", the last line it ran, or the line of the wait it stopped in).
  where=$(sed -n '/^ProgRunningScript:/{n;p;q;}' "$out/state.txt")
  if [ -z "$problems" ]; then
    echo "ok      $name (ended at $where)"
    passed=$((passed + 1))
  else
    echo "FAILED  $name (ended at $where)"
    echo "$problems" | sed 's/^/        /'
    failed=$((failed + 1))
  fi
done <"$routes"

echo "$passed passed, $failed failed"
if [ $((passed + failed)) -eq 0 ]; then
  echo "test-game.sh: $routes names no route" >&2
  exit 1
fi
[ "$failed" -eq 0 ]
