#!/bin/sh
# Writes the exact result of the reference trial that the R package's
# load-time check compares with (tests/data/reference-runs/toxicity-n60/
# analysis_result.txt), computed by the library of this clone. Run it after
# a change of the arithmetic, then review the difference and commit it.
#   r/self_check_reference.sh [BUILD_DIR]    (default: build, the release preset)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
[ -f "$build/CMakeCache.txt" ] || (cd "$root" && cmake --preset release >/dev/null)
cmake --build "$build" -j2 --target analysis_result_text
runs="$root/tests/data/reference-runs"
"$build/tests/analysis_result_text" "$runs/toxicity-n60" 1 toxicity-n60 \
    >"$runs/toxicity-n60/analysis_result.txt"
echo "Written: $runs/toxicity-n60/analysis_result.txt"
