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
# Stored, not deflated, so that the fuzzer sees the manifest's words and mutates them.
python3 - "$out"/*.zip <<'PY'
import io, sys, zipfile
for path in sys.argv[1:]:
    packed = zipfile.ZipFile(path)
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_STORED) as stored:
        for info in packed.infolist():
            entry = zipfile.ZipInfo(info.filename, date_time=info.date_time)
            entry.external_attr = info.external_attr
            stored.writestr(entry, packed.read(info))
    open(path, "wb").write(out.getvalue())
PY
ls -l "$out"
