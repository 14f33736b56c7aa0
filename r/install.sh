#!/bin/sh
# Builds the R package's source tarball from this clone (r/build.sh) and
# installs it.
#   r/install.sh [LIBDIR]    (default: the user's R library)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# Two compilations at a time unless MAKEFLAGS says otherwise.
export MAKEFLAGS="${MAKEFLAGS:--j2}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tarball=$("$here/build.sh" "$work")
if [ $# -ge 1 ]; then
    library=$1
else
    library=$(Rscript -e 'cat(Sys.getenv("R_LIBS_USER"))')
fi
mkdir -p "$library"
R CMD INSTALL --library="$library" "$tarball"
