#!/bin/sh
# R CMD check of the R package (no manual, the vignette built and checked),
# which must end without ERROR and without WARNING, then the check that the
# package refuses to load when compiled with floating-point contraction. The tests compare the package
# with the built programs: they are built here (Release, build/) unless
# QUILLMERE_BINARY and QUILLMERE_DESIGN_BINARY name them already.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
if [ -z "${QUILLMERE_BINARY:-}" ] || [ -z "${QUILLMERE_DESIGN_BINARY:-}" ]; then
    (cd "$root" && cmake --preset release >/dev/null &&
        cmake --build build -j2 --target quillmere quillmere-design)
    QUILLMERE_BINARY="$root/build/app/quillmere"
    QUILLMERE_DESIGN_BINARY="$root/build/design_cli/quillmere-design"
fi
export QUILLMERE_BINARY QUILLMERE_DESIGN_BINARY
# A missing program fails the comparisons instead of skipping them.
export QUILLMERE_REQUIRE_PROGRAMS=1
export MAKEFLAGS="${MAKEFLAGS:--j2}"

"$here/prepare.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
R CMD build --no-manual "$here/quillmere" >build.log 2>&1 || {
    cat build.log
    exit 1
}
tarball=$(ls quillmere_*.tar.gz)
# The vignette is built with the tarball (knitr, rmarkdown and pandoc).
tar -tzf "$tarball" | grep -q '^quillmere/inst/doc/quillmere.html$' || {
    echo "R CMD build did not build the vignette (knitr, rmarkdown and pandoc installed?)"
    cat build.log
    exit 1
}
R CMD check --no-manual "$tarball" || {
    cat quillmere.Rcheck/tests/testthat.Rout.fail 2>/dev/null || true
    exit 1
}
status=$(grep '^Status:' quillmere.Rcheck/00check.log)
case "$status" in
*ERROR* | *WARNING*)
    echo "R CMD check: $status"
    exit 1
    ;;
esac

"$here/contraction_check.sh" "$work/$tarball"
