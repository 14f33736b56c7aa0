#!/bin/sh
# The library folders never end the process or write to the standard
# streams: a host program (the R package, a service) must survive every
# failure and keep its console to itself. Only the front ends may.
set -u
root=$1
found=$(cd "$root" && grep -rnE '(^|[^a-zA-Z_])(std::)?(exit|_Exit|quick_exit|abort|terminate)[[:space:]]*\(|std::(cout|cerr|clog)|(^|[^a-zA-Z_])(printf|puts|perror)[[:space:]]*\(|std(out|err)' \
    trial numeric engine config datafile analysis design report --include='*.cpp' --include='*.h' |
    grep -vE ':[[:space:]]*//')
if [ -n "$found" ]; then
    echo "Library code that ends the process or writes to a standard stream:"
    echo "$found"
    exit 1
fi
echo "No library folder ends the process or writes to a standard stream."
