#!/bin/sh
# The manual's ready-made test script keeps working: it approves every route
# through the demo, passes all of them on a second run, and reports the
# route that a changed game no longer plays the same way. With --coverage
# the routes reach what the example report in the docs (REPORT and the page
# beside it) says they reach.
#   run_test_game.sh KORVANA TEST_SCRIPT GAME_DIR ROUTES [KORVANA_SCRIPT REPORT]
set -eu
KORVANA=$1
script=$2
game=$3
routes=$4
tool=${5:-}
report=${6:-}
export KORVANA
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
grep -qx "$count passed, 0 failed" same.log || { echo "expected $count routes to pass:"; cat same.log; exit 1; }
if [ -n "$tool" ]; then
  "$tool" coverage routes.cov "$game" --html report.html >report.txt || { cat report.txt; exit 1; }
  diff -u "$report" report.txt || { echo "the routes' coverage is not what $report says"; exit 1; }
  cmp "${report%.txt}.html" report.html || { echo "the routes' coverage page is not ${report%.txt}.html"; exit 1; }
fi

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
echo "$count routes approved, passed unchanged and failed changed"
