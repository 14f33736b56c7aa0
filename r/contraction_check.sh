#!/bin/sh
# Installs the package with floating-point contraction into fused
# multiply-adds switched on (as flags in ~/.R/Makevars would do) and expects
# the load-time self-check to refuse it. Needs a processor with FMA; on one
# without, contraction cannot change any result and the check is skipped.
#   r/contraction_check.sh TARBALL
set -eu
tarball=$1
if ! grep -qw fma /proc/cpuinfo 2>/dev/null; then
    echo "contraction check skipped: this processor has no FMA instructions"
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/library"
# The package is compiled as C++20, with the flags of CXX20FLAGS.
printf 'CXX20FLAGS += -ffp-contract=fast -mfma\n' >"$work/Makevars"
R_MAKEVARS_USER="$work/Makevars" R CMD INSTALL --no-test-load --library="$work/library" \
    "$tarball" >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    exit 1
}
if ! grep -q -- '-ffp-contract=fast -mfma' "$work/install.log"; then
    echo "contraction check: the flags did not reach the compiler"
    exit 1
fi
if Rscript -e "library(quillmere, lib.loc = '$work/library')" >"$work/load.log" 2>&1; then
    echo "contraction check FAILED: a build with -ffp-contract=fast -mfma loaded and would compute"
    exit 1
fi
if ! grep -q 'quillmere refuses to compute: the reference trial gives' "$work/load.log"; then
    cat "$work/load.log"
    echo "contraction check FAILED: loading failed for another reason"
    exit 1
fi
echo "contraction check passed: a build with -ffp-contract=fast -mfma refuses to load:"
cat "$work/load.log"
