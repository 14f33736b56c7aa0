#!/bin/sh
# Installs the built tree into a scratch prefix, then configures, builds and
# runs a small project that finds it with find_package(Quillmere). The third
# argument holds the compiler flags the library was built with that a program
# linking it must share (the sanitizers' runtime).
set -eu
build=$1
source=$2
flags=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$source/tests/consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$work/build" >/dev/null
"$work/build/app" "$source/examples/toxicity"
