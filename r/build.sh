#!/bin/sh
# Builds the R package's source tarball quillmere_VERSION.tar.gz from this
# clone, into the current directory or DIR: the project's C++ library
# sources and the example data are copied into the package (r/prepare.sh),
# so the tarball installs on its own on every system R supports:
#   install.packages("quillmere_VERSION.tar.gz", repos = NULL, type = "source")
#   r/build.sh [DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(pwd)
if [ $# -ge 1 ]; then
    mkdir -p "$1"
    out=$(cd "$1" && pwd)
fi
"$here/prepare.sh"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
(cd "$out" && R CMD build --no-manual "$here/quillmere") >"$log" 2>&1 || {
    cat "$log"
    exit 1
}
version=$(sed -n 's/^Version: *//p' "$here/quillmere/DESCRIPTION")
echo "$out/quillmere_$version.tar.gz"
