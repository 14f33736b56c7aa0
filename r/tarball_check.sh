#!/bin/sh
# Checks a source tarball written by r/build.sh: it holds every library source
# of this clone, the Windows configure scripts and the stored reference
# result, and no build droppings; and its configure.ucrt (as R on Windows runs
# it, with sh) writes src/Makevars.win for C++20 without contraction, naming
# every library object.
#   r/tarball_check.sh TARBALL
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
tarball=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar xzf "$tarball" -C "$work"
package="$work/quillmere"
problems=""
problem() { problems="$problems
  $1"; }

for folder in trial numeric engine config datafile analysis design; do
    for source in "$root/$folder"/*.h "$root/$folder"/*.cpp; do
        name="src/quillmere-lib/$folder/$(basename "$source")"
        cmp -s "$source" "$package/$name" || problem "missing or different: $name"
    done
done
for name in configure configure.win configure.ucrt cleanup cleanup.win src/Makevars.in \
    inst/extdata/reference-runs/toxicity-n60/analysis_result.txt; do
    [ -f "$package/$name" ] || problem "missing: $name"
done
droppings=$(cd "$work" && find quillmere -type f | grep -E '\.(o|so|dll)$|/src/Makevars(\.win)?$|conftest' || true)
[ -z "$droppings" ] || problem "build droppings: $droppings"

(cd "$package" && sh ./configure.ucrt >"$work/configure.log" 2>&1) || problem "configure.ucrt failed: $(cat "$work/configure.log")"
makevars="$package/src/Makevars.win"
if [ -f "$makevars" ]; then
    grep -qx 'CXX_STD = CXX20' "$makevars" || problem "Makevars.win: not C++20"
    grep -qx 'PKG_CXXFLAGS = -ffp-contract=off' "$makevars" || problem "Makevars.win: contraction not switched off"
    for source in $(cd "$package/src" && find quillmere-lib -name '*.cpp'); do
        grep -q " ${source%.cpp}.o" "$makevars" || problem "Makevars.win: no object for $source"
    done
else
    problem "configure.ucrt wrote no src/Makevars.win"
fi
[ ! -f "$package/src/Makevars" ] || problem "configure.ucrt wrote src/Makevars too"

if [ -n "$problems" ]; then
    echo "The tarball $tarball:$problems"
    exit 1
fi
echo "The tarball holds the library sources and no build droppings; configure.ucrt writes src/Makevars.win."
