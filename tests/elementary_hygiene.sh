#!/bin/sh
# Library code and the front ends call the project's own exp, log, pow,
# log1p and expm1 (numeric/elementary_functions.h), never the C library's or
# another transcendental function of <cmath>: their last bits differ between
# C libraries and processors, and so would hazards and simulated durations.
# Square roots, absolute values, rounding and the like are exact everywhere
# and allowed. Comments are not searched.
set -u
root=$1
names='exp|exp2|expm1|log|log2|log10|log1p|pow|lgamma|tgamma|erf|erfc|sin|cos|tan|asin|acos|atan|atan2|sinh|cosh|tanh|asinh|acosh|atanh|cbrt|hypot'
pattern="(^|[^A-Za-z0-9_:.>])((std)?::)?(__builtin_)?(${names})[fl]?[[:space:]]*\\("
found=$(cd "$root" && find trial numeric engine config datafile analysis design report design_cli app r/quillmere/src \
            -path r/quillmere/src/quillmere-lib -prune -o \( -name '*.cpp' -o -name '*.h' \) -print |
    grep -vE '^numeric/elementary_[a-z]+\.(cpp|h)$' | sort |
    xargs awk -v re="$pattern" '{ code = $0; sub(/\/\/.*/, "", code); if (code ~ re) print FILENAME ":" FNR ": " $0 }')
if [ -n "$found" ]; then
    echo "Library code that calls a transcendental function of the C library (use numeric/elementary_functions.h):"
    echo "$found"
    exit 1
fi
echo "Library code uses only the project's own elementary functions."
