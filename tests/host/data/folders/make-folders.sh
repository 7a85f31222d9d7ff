#!/usr/bin/env bash
# Makes the kept data folders of one record format version, v<VERSION>/ beside this
# script, with the program of that version: every kind of item with previews drawn and
# given, media paths inside the folder (stored relative) and outside it (absolute), a
# twin (a copy of a record under another name) and an interrupted save (an intro's
# folder with its bundle and no record). Run once per version; the folders are then
# kept as they are, with what the program lists and checks in them (see
# docs/format.md, "Kept folders").
#   make-folders.sh PROGRAM VERSION
set -euo pipefail
program=$(realpath "$1")
version=$2
here=$(cd "$(dirname "$0")" && pwd)
out=$here/v$version
[ ! -e "$out" ] || { echo "$out exists: a version's folders are made once" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
outside=$(mktemp -d)
trap 'rm -rf "$outside"' EXIT
# A 4x4 red picture, so that given previews stay a few bytes.
echo 'iVBORw0KGgoAAAANSUhEUgAAAAQAAAAECAIAAAAmkwkpAAAAEElEQVR4nGM4oaEBRwzEcQDRQxGBSNLB6wAAAABJRU5ErkJggg==' \
    | base64 -d > "$outside/red.png"
printf 'frames' > "$outside/holiday.mp4"

data=
uc() { "$program" --quiet --data "$data" "$@" > /dev/null; }

data=$out/every-kind
mkdir -p "$data/media"
printf 'frames' > "$data/media/clip.mp4"
uc effects save equalizer Voice --set band1=-6 --set band5=4 --set band6=5 --set preamp=-2.5
uc effects save enhance Warm --set temperature=40 --set saturation=10 --preview "$outside/red.png"
uc effects save enhance Cold --set temperature=-30 --collection mine --preview "$outside/red.png"
uc titles save Welcome --text 'Welcome home' --font Serif --color '#ffcc00' --background '#80000000' \
    --preview "$outside/red.png"
uc titles save 'Ünïcødé 名前' --preview "$outside/red.png"
uc imports save Clip --media "$data/media/clip.mp4" --kind video --preview "$outside/red.png"
uc imports save Holiday --media "$outside/holiday.mp4" --preview "$outside/red.png"
uc intros save Opening --timeline "$data/media/clip.mp4" --preview "$outside/red.png"
# Absolute paths as they pointed on the machine that made them: nothing of it is kept.
sed -i "s|$outside/holiday.mp4|/media/videos/holiday.mp4|" "$data"/imports/Holiday-*.import
sed -i "s|$data/media/clip.mp4|/media/videos/clip.mp4|" "$data"/intros/*/intro.bundle

data=$out/states
uc effects save equalizer Voice --set band2=3 --preview "$outside/red.png"
uc titles save Twin --preview "$outside/red.png"
uc intros save Kept --preview "$outside/red.png"
record=$(ls "$data"/overlays/*)
cp -p "$record" "$record (2)"
kept=$(ls -d "$data"/intros/*)
mkdir "$data/intros/{00000000-0000-4000-8000-000000000000}"
cp -p "$kept/intro.bundle" "$data/intros/{00000000-0000-4000-8000-000000000000}/"
rm -f "$out"/*/.lock
du -sh "$out"
