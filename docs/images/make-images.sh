#!/usr/bin/env bash
# Makes the pictures of the author's manual (docs/images/*.png): each one is
# a small game written into a temporary folder beside a copy of the demo's
# pictures, run by `korvana --headless --screenshot`, and cut, scaled and put
# together with ImageMagick (`convert`, `montage`; Debian package imagemagick,
# installed by scripts/install-deps).
#
#   docs/images/make-images.sh [KORVANA]
#
# KORVANA is the program to run: the argument, else $KORVANA, else the
# Release build of this tree, else `korvana` on the PATH. Runs take virtual
# time, so every picture comes out the same on every machine.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
demo="$repo/games/demo"

korvana="${1:-${KORVANA:-}}"
if [ -z "$korvana" ]; then
  if [ -x "$repo/build/release/src/app/korvana" ]; then
    korvana="$repo/build/release/src/app/korvana"
  else
    korvana="$(command -v korvana || true)"
  fi
fi
if [ -z "$korvana" ] || [ ! -x "$korvana" ]; then
  echo "make-images: no korvana program (give it as the argument or in \$KORVANA)" >&2
  exit 2
fi
for tool in convert montage iconv; do
  command -v "$tool" >/dev/null || { echo "make-images: $tool is missing (scripts/install-deps)" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# game NAME: a fresh copy of the demo whose start script is standard input
# (UTF-8, written as Shift-JIS).
game() {
  local dir="$work/$1"
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -r "$demo/." "$dir/"
  iconv -f utf-8 -t cp932 > "$dir/autorun.txt"
}

# shot NAME OUT.png [OPTION...]: runs the game and writes the screen at the
# end of the run. A run that an option ends early (--max-ms, --clicks,
# --choose) is fine; a script error is not.
shot() {
  local name="$1" out="$2"
  shift 2
  local status=0
  "$korvana" --headless --strict "$@" --screenshot "$out" "$work/$name" >/dev/null || status=$?
  if [ "$status" -ne 0 ] || [ ! -s "$out" ]; then
    echo "make-images: $name ended with status $status" >&2
    exit 1
  fi
}

# small IN OUT [GEOMETRY]: a palette PNG, cut to GEOMETRY (WxH+X+Y) first
# when it is given.
small() {
  local in="$1" out="$2" crop="${3:-}"
  if [ -n "$crop" ]; then
    convert "$in" -crop "$crop" +repage -strip +dither -colors 128 "PNG8:$out"
  else
    convert "$in" -strip +dither -colors 128 "PNG8:$out"
  fi
}

# ---------------------------------------------------------------- §5 text

game text-sizes <<'EOF'
_textwait 0
_bgload bgnight.png
_refresh
<S1>Ｓ１：小さな文字（１２ドット）|
<S2>Ｓ２：ふつうの文字（２４ドット）|
<S3>Ｓ３：大きな文字（３６ドット）|
<S4>Ｓ４：特大（４８ドット）|
<S2>行の途中で<S3>大きく<S2>しても、下の端がそろいます。|
ａｂｃとabc：半角の文字も１マスを使います。|
EOF
shot text-sizes "$work/text-sizes.png"
small "$work/text-sizes.png" "$here/text-sizes.png" 640x300+0+0

game text-styles <<'EOF'
_textwait 0
_bgload bgsky.png
_refresh
ふつうの文字：白に黒い影|
<C#FFE080>文字の色を変える（Ｃ）<C#FFFFFF>|
<B#C00000>影の色を変える（Ｂ）<B#000000>|
<D0>影をなくす（Ｄ０）<D1>|
<E1B#204080>縁取り（Ｅ１）<E0B#000000>|
<E1C#202020B#FFFFFF>黒い文字に白い縁取り<E0C#FFFFFFB#000000>|
EOF
shot text-styles "$work/text-styles.png"
small "$work/text-styles.png" "$here/text-styles.png" 640x250+0+0

game text-ruby <<'EOF'
_textwait 0
_bgload bgnight.png
_refresh
_$flg[0]=42
_@flg[1]=澪
<S3>(朝靄)あさもや)の(向)む)こう|
<S2>数：[$flg[0],]回目　文字：[@flg[1],]　右詰め：[$flg[0],-6]|
/中央にそろえた行|
文字の中に<A"stars.png">絵を置く|
EOF
shot text-ruby "$work/text-ruby.png"
small "$work/text-ruby.png" "$here/text-ruby.png" 640x210+0+0

# The run ends at the first click wait (--clicks 0), then after the first
# click (--clicks 1): the marker of a line end, then that of a page end.
game text-marker <<'EOF'
_textwait 0
_bgload bgnight.png
_refresh
行の終わりのクリック待ち
ページの終わりのクリック待ち&
EOF
shot text-marker "$work/marker-line.png" --clicks 0
shot text-marker "$work/marker-page.png" --clicks 1
convert "$work/marker-line.png" -crop 640x80+0+0 +repage "$work/marker-line.png"
convert "$work/marker-page.png" -crop 640x80+0+0 +repage "$work/marker-page.png"
montage "$work/marker-line.png" "$work/marker-page.png" -tile 1x2 -geometry +0+2 \
  -background white "$work/text-marker.png"
small "$work/text-marker.png" "$here/text-marker.png"

# ---------------------------------------------------------------- §7 pictures

game transparency <<'EOF'
_bgload bgtown.png
_objput 0,chara.png,#NONE,20,#BOTTOM
_objput 1,chara.png,#00FF00,240,#BOTTOM
_objput 2,moon.png,moonmask.png,480,40
_sprload gift.png,200,40,"#TOP_LEFT"
_sprset 0,1,1
_sprput 0,420,400
_refresh
_sprrefresh
EOF
shot transparency "$work/transparency.png"
small "$work/transparency.png" "$here/transparency.png"

# The nine blend modes of the effect layer: the glow picture laid over a room
# and a figure, the effect's own rectangle shown at half size.
blends=()
for mode in COPY OR AND XOR BLEND INCREASE DECREASE SCREEN OVERLAY; do
  game "blend-$mode" <<EOF
_bgload bgroom.png
_objput 0,chara.png,#00FF00,240,#BOTTOM
_efload glow.png,#NONE,0
_efset 1,#$mode,160,160,1
_refresh
EOF
  shot "blend-$mode" "$work/blend-$mode.png"
  mkdir -p "$work/blend"
  convert "$work/blend-$mode.png" -crop 320x240+160+160 +repage -resize 160x120 "$work/blend/#$mode.png"
  blends+=("$work/blend/#$mode.png")
done
montage -label '%t' "${blends[@]}" -tile 3x3 -geometry +4+2 -pointsize 12 \
  -background white "$work/blend-modes.png"
small "$work/blend-modes.png" "$here/blend-modes.png"

# ---------------------------------------------------------------- §9 choices

# A choice stays on the screen when the run is told to take an entry it
# does not have: the run ends there.
game choice-menu <<'EOF'
_textwait 0
_bgload bgnight.png
_refresh
どこへ行こう？|
_selmenu 32,60,#FFE080,#C0C0C0,28
丘の上へ行く,,_$flg[20]=1
町へ行く,,_$flg[20]=2
家にいる,$flg[9]==1
_endsel
EOF
shot choice-menu "$work/choice-menu.png" --choose 9
convert "$work/choice-menu.png" -crop 320x200+0+0 +repage "$work/choice-menu.png"

game choice-buttons <<'EOF'
_bgload bgroom.png
_refresh
_selbutton 60,40,gift.png,200,40,#FF00FF
0
1
2
_endsel
EOF
shot choice-buttons "$work/choice-buttons.png" --choose 9
convert "$work/choice-buttons.png" -crop 320x200+0+0 +repage "$work/choice-buttons.png"

game choice-grid <<'EOF'
_$flg[20]=1
_bgload bgalbum.png
_refresh
_selcgmode 20,20,gallery.png,120,90,3,#FF00FF
1
2
3,$flg[20]==1
4,$flg[20]==2
5
8,$flg[22]==1
_endsel
EOF
shot choice-grid "$work/choice-grid.png" --choose 9
convert "$work/choice-grid.png" -crop 400x250+0+0 +repage -resize 320x200 "$work/choice-grid.png"

montage "$work/choice-menu.png" "$work/choice-buttons.png" "$work/choice-grid.png" \
  -geometry +4+0 -tile 3x1 -background white "$work/choices.png"
small "$work/choices.png" "$here/choices.png"

# ---------------------------------------------------------------- §8 transitions

# name steps wait(ms) kind. The frames are taken before the transition, at a
# quarter, a half and three quarters of steps x wait (LINE0 counts only its
# 120 steps that draw), and after it. "screen" frames are the whole screen at
# a quarter of its size; "detail" frames, for the patterns that change single
# pixels (which a smaller picture would blur into an even fade), are a
# 40 x 30 part of the screen shown four times as large.
transitions=(
  "TILE0 8 5 detail" "TILE1 8 5 detail" "TILE2 8 5 detail" "TILE3 8 5 detail"
  "TILEH0 8 0 detail" "TILEH1 8 0 detail" "TILEH2 8 0 detail" "TILEH3 8 0 detail"
  "PAT0 8 3 detail" "PAT1 16 1 detail" "PAT2 16 1 detail" "PAT3 8 4 screen" "PAT4 8 1 screen"
  "WIPE0 36 10 screen" "WIPE1 36 10 screen" "WIPE2 32 10 screen" "WIPE3 32 10 screen"
  "LINE0 120 4 screen" "LINE1 110 2 screen" "BLEND0 17 2 screen"
  "SCROLL0 44 1 screen" "SCROLL1 44 1 screen" "SCROLL2 42 5 screen" "SCROLL3 42 5 screen"
  "TSCROLL0 44 1 screen" "TSCROLL1 44 1 screen" "TSCROLL2 42 5 screen" "TSCROLL3 42 5 screen"
  "SLIDE0 34 10 screen" "SLIDE1 34 10 screen" "SLIDE2 42 10 screen" "SLIDE3 42 10 screen"
  "TSLIDE0 34 10 screen" "TSLIDE1 34 10 screen" "TSLIDE2 42 10 screen" "TSLIDE3 42 10 screen"
)
start=100  # the transition starts after a pause of this many milliseconds
for entry in "${transitions[@]}"; do
  read -r name steps wait kind <<<"$entry"
  run="$name"
  # TILEH0-3 draw the steps of TILE0-3 without pausing between them, so in
  # virtual time they have no moment in between: their frames are taken from
  # the paced twin, which draws the same steps.
  if [ "$wait" -eq 0 ]; then run="TILE${name#TILEH}"; wait=5; fi
  game "fade-$name" <<EOF
_textwait 0
_bgload bgroom.png
_refresh
<S4X40Y300>$name%
_bgload bgnight.png
_delay $start
_fade #$run
EOF
  total=$((steps * wait))
  frames=()
  for i in 0 1 2 3 4; do
    frame="$work/fade-$name-$i.png"
    if [ "$i" -eq 0 ]; then
      shot "fade-$name" "$frame" --max-ms $((start / 2))
    elif [ "$i" -eq 4 ]; then
      shot "fade-$name" "$frame"
    else
      shot "fade-$name" "$frame" --max-ms $((start + total * i / 4))
    fi
    if [ "$kind" = detail ]; then
      convert "$frame" -crop 40x30+300+345 +repage -filter point -resize 160x120 "$frame"
    else
      convert "$frame" -resize 160x120 "$frame"
    fi
    frames+=("$frame")
  done
  lower="${name,,}"
  montage "${frames[@]}" -geometry +2+0 -tile 5x1 -background white "$work/strip.png"
  small "$work/strip.png" "$here/fade-$lower.png"
done

du -ch "$here"/*.png | tail -1
