#!/usr/bin/env bash
# Writes the seeds of fuzz_pack into fuzz/corpus/pack with the real exporter: packs
# of the demonstration's data folder, whole and in parts.
#   fuzz/make-pack-corpus.sh [PROGRAM]     PROGRAM: a built usercollection
#                                          (default: build/bin/usercollection)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/bin/usercollection}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/pack-corpus.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen

data=$scratch/data
"$program" demo --quiet --data "$data" >/dev/null
out=fuzz/corpus/pack
mkdir -p "$out"
rm -f "$out"/*.zip
"$program" export "$out/demo.zip" --quiet --data "$data" >/dev/null
"$program" export "$out/titles.zip" --only titles --quiet --data "$data" >/dev/null
"$program" export "$out/intro.zip" --only intros --quiet --data "$data" >/dev/null
"$program" export "$out/one-preset.zip" --only effects --name Voice --quiet --data "$data" >/dev/null
ls -l "$out"
