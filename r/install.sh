#!/bin/sh
# Builds the R package from this clone and installs it.
#   r/install.sh [LIBDIR]    (default: the user's R library)
# An R source package must hold all its sources, so the project's C++
# library folders and the example trials are copied into the package first
# (the copy is not committed), then the source tarball is built and installed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# Two compilations at a time unless MAKEFLAGS says otherwise.
export MAKEFLAGS="${MAKEFLAGS:--j2}"
"$here/prepare.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && R CMD build --no-manual "$here/quillmere" >build.log 2>&1) || {
    cat "$work/build.log"
    exit 1
}
tarball=$(ls "$work"/quillmere_*.tar.gz)
if [ $# -ge 1 ]; then
    mkdir -p "$1"
    R CMD INSTALL --library="$1" "$tarball"
else
    library=$(Rscript -e 'cat(Sys.getenv("R_LIBS_USER"))')
    mkdir -p "$library"
    R CMD INSTALL --library="$library" "$tarball"
fi
