#!/usr/bin/env bash
# Checks that the tracked C++ sources are formatted as .clang-format says, changing
# nothing. Lists the files that are not and exits 1; with -v, also what would change.
# `clang-format -i <file>` formats a file.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || scripts/install-deps.sh

# A broken .clang-format would otherwise pass for unformatted files.
clang-format --dump-config >/dev/null

verbose=0
[[ ${1:-} == -v ]] && verbose=1

unformatted=()
while IFS= read -r -d '' file; do
    if ! clang-format --dry-run -Werror "$file" 2>/dev/null; then
        unformatted+=("$file")
        ((verbose)) && clang-format --dry-run "$file" || true
    fi
done < <(git ls-files -z '*.cpp' '*.h')

if ((${#unformatted[@]})); then
    echo "${#unformatted[@]} file(s) differ from .clang-format:" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "all C++ sources are formatted"
