#!/bin/sh
# R CMD check --as-cran of the package's source tarball, built from this
# clone by the documented command (r/build.sh, the vignette built too) and
# checked for its contents and its Windows configuration
# (r/tarball_check.sh); it must end without ERROR and
# without WARNING (docs/r-package.md explains every NOTE). Then the check
# that the package refuses to load when compiled with floating-point
# contraction. The tests compare the package with the built programs: they
# are built here (Release, build/) unless QUILLMERE_BINARY and
# QUILLMERE_DESIGN_BINARY name them already.
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
# The checks --as-cran makes over the network (CRAN's package database, the
# URLs) are left out, and file times are compared with the local clock
# instead of one asked over the network: CI runs offline. The configure and
# cleanup scripts are checked for shell features beyond POSIX sh by
# checkbashisms (Debian's devscripts).
export _R_CHECK_CRAN_INCOMING_REMOTE_=false
export _R_CHECK_SYSTEM_CLOCK_=false

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tarball=$("$here/build.sh" "$work")
"$here/tarball_check.sh" "$tarball"
# The vignette is built with the tarball (knitr, rmarkdown and pandoc).
tar -tzf "$tarball" | grep -q '^quillmere/inst/doc/quillmere.html$' || {
    echo "R CMD build did not build the vignette (knitr, rmarkdown and pandoc installed?)"
    exit 1
}
cd "$work"
# No manual: the PDF needs LaTeX, which CI does not install.
R CMD check --as-cran --no-manual "$tarball" || {
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

"$here/contraction_check.sh" "$tarball"
