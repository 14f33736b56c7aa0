#!/bin/sh
# Copies what the R package needs from the project into r/quillmere: the C++
# library folders into src/quillmere-lib/ and the example trials, example
# designs, reference runs and the user guide (whose examples the tests run)
# into inst/extdata/. The copies are not
# committed; run this before R CMD build.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
package="$here/quillmere"
rm -rf "$package/src/quillmere-lib" "$package/inst/extdata"
mkdir -p "$package/src/quillmere-lib" "$package/inst/extdata"
for folder in trial numeric engine config datafile analysis design report; do
    mkdir -p "$package/src/quillmere-lib/$folder"
    cp "$root/$folder"/*.h "$root/$folder"/*.cpp "$package/src/quillmere-lib/$folder/"
done
for example in toxicity efficacy diseaseprogression design; do
    cp -R "$root/examples/$example" "$package/inst/extdata/$example"
done
cp -R "$root/tests/data/reference-runs" "$package/inst/extdata/reference-runs"
mkdir -p "$package/inst/extdata/guide"
cp "$root/docs/r-package.md" "$package/inst/extdata/guide/r-package.md"
