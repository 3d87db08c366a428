#!/bin/sh
# The manual's ready-made test script keeps working: it approves every route
# through the demo, passes all of them on a second run, and reports the
# route that a changed game no longer plays the same way. With --coverage
# the routes reach what the example report in the docs (REPORT and the page
# beside it) says they reach.
#   run_test_game.sh KORVANA TEST_SCRIPT GAME_DIR ROUTES [KORVANA_PICTURE [KORVANA_SCRIPT REPORT]]
set -eu
KORVANA=$1
script=$2
game=$3
routes=$4
KORVANA_PICTURE=${5:-korvana-picture}
tool=${6:-}
report=${7:-}
export KORVANA KORVANA_PICTURE
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
count=$(grep -cv '^[[:space:]]*\(#\|$\)' "$routes")

sh "$script" --approve "$game" "$routes" approved >approve.log 2>&1 || { cat approve.log; exit 1; }
if ! sh "$script" --coverage routes.cov "$game" "$routes" approved >same.log 2>&1; then
  echo "the unchanged game failed against its own approved results:"
  cat same.log
  exit 1
fi
if [ -n "$tool" ]; then
  "$tool" coverage routes.cov "$game" --html report.html >report.txt || { cat report.txt; exit 1; }
  diff -u "$report" report.txt || { echo "the routes' coverage is not what $report says"; exit 1; }
  cmp "${report%.txt}.html" report.html || { echo "the routes' coverage page is not ${report%.txt}.html"; exit 1; }
fi
grep -qx "$count passed, 0 failed" same.log || { echo "expected $count routes to pass:"; cat same.log; exit 1; }

# The same game with one flag set at its start: every route's flags differ.
mkdir changed
cp -R "$game"/. changed/
{ printf '_$flg[200]=7\r\n'; cat "$game/autorun.txt"; } >changed/autorun.txt
if sh "$script" changed "$routes" approved >changed.log 2>&1; then
  echo "a changed game passed:"
  cat changed.log
  exit 1
fi
grep -qx "0 passed, $count failed" changed.log || { echo "every route should have failed:"; cat changed.log; exit 1; }

# Pages at click waits: a background painted over fails the pages that show
# it, with a picture of what changed, and passes within tolerances that allow
# any change.
pages=$(grep -c -- '--screenshot-at' "$routes" || true)
if [ "$pages" -gt 0 ]; then
  mkdir repainted
  cp -R "$game"/. repainted/
  cp "$game/bgnight.png" repainted/bgsky.png
  sh "$script" repainted "$routes" approved >repainted.log 2>&1 || true
  grep -q 'page wait-[0-9]*\.png: differ:' repainted.log ||
    { echo "a repainted page passed:"; cat repainted.log; exit 1; }
  ls test-results/*/shots/wait-*.diff.png >/dev/null 2>&1 ||
    { echo "no picture of the changed pixels:"; cat repainted.log; exit 1; }
  sh "$script" --pixel-tolerance 255 --share 100 repainted "$routes" approved >tolerant.log 2>&1 || true
  if grep -q 'page wait' tolerant.log; then
    echo "a page within the tolerances failed:"
    cat tolerant.log
    exit 1
  fi
fi

# A routes file that names no route fails: a test that runs nothing passes nothing.
printf '# nothing here\n' >empty.routes
if sh "$script" "$game" empty.routes approved >empty.log 2>&1; then
  echo "a routes file without routes passed:"
  cat empty.log
  exit 1
fi
echo "$count routes approved, passed unchanged and failed changed"
