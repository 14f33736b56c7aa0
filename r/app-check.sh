#!/bin/sh
# The app in a real browser: installs the R package into a private library
# (unless QUILLMERE_R_LIBRARY names one that holds it), starts qm_app() on
# 127.0.0.1 at a free port and drives headless Chromium through it with
# Selenium (r/app_check.py): the toxicity example's decision against
# quillmere's, a small design's simulation against simulate() and the
# companion, a bad setting, a cancelled long run, a closed tab and the
# downloads against the companion's files. Screenshots of every step go to
# QUILLMERE_APP_SHOTS (default build/app-check).
#   r/app-check.sh    (with QUILLMERE_BINARY and QUILLMERE_DESIGN_BINARY, or
#                      the programs of build/ are used)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
quillmere=${QUILLMERE_BINARY:-$root/build/app/quillmere}
companion=${QUILLMERE_DESIGN_BINARY:-$root/build/design_cli/quillmere-design}
shots=${QUILLMERE_APP_SHOTS:-$root/build/app-check}
work=$(mktemp -d)
app_pid=""
cleanup() {
    if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
if [ -n "${QUILLMERE_R_LIBRARY:-}" ]; then
    library=$QUILLMERE_R_LIBRARY
else
    library="$work/library"
    "$here/install.sh" "$library" >"$work/install.log" 2>&1 || {
        cat "$work/install.log"
        exit 1
    }
fi
export R_LIBS="$library"
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$shots" "$work/tmp"
# The app's R process keeps its temporary files in the test's directory.
TMPDIR="$work/tmp" Rscript -e "quillmere::qm_app(port = $port, launch.browser = FALSE, threads = 2)" \
    >"$work/app.log" 2>&1 &
app_pid=$!
/usr/bin/python3 "$here/app_check.py" --url "http://127.0.0.1:$port" --root "$root" \
    --quillmere "$quillmere" --companion "$companion" --shots "$shots" --work "$work" \
    --app-tmp "$work/tmp" || {
    echo "The app's log:"
    cat "$work/app.log"
    exit 1
}
echo "Screenshots: $shots"
