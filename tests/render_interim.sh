#!/bin/sh
# Renders interim reports in headless Chromium at A4 width and prints them to
# PDF: every section is in the rendered page, one follow-up chart per 50
# patients, the screenshot is a real picture, and the printed pages hold the
# whole text (checksums and commands included, so nothing is cut at the
# margin). Exit 77 (skipped) where Chromium is missing; the PDF text is checked
# where Ghostscript is installed.
#   tests/render_interim.sh BUILD_DIR [KEEP_DIR]
# With KEEP_DIR the pages, screenshots and printed pages (PNG) are kept there.
set -eu
build=$(cd "$1" && pwd)
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    echo "Chromium is not installed: nothing rendered."
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
keep=${2:-$work/keep}
mkdir -p "$keep"
tool="$build/design_cli/quillmere-design"
cd "$work"

# A look at which the data say nothing beyond half the window.
mkdir early
printf 'TrialType = Efficacy\nRateBound = 0.3\nCutoffProbability = 0.8\nMaxEvaluationWindow = 12\nInputDataFileName = data_efficacy.txt\n' \
    > early/TrialConfig_Efficacy.config
printf 'PatientData EFFICACY_EVENT Time FollowUp\nA01 1 2 5.5\nA02 0 5 5\nA03 0 4.2 4.2\nA04 1 1.5 3.9\nA05 0 3.1 3.1\nA06 0 2.5 2.5\nA07 0 1.2 1.2\nA08 0 0.6 0.6\n' \
    > early/data_efficacy.txt
# The most patients quillmere takes, with long identifiers.
mkdir full
printf 'TrialType = Toxicity\nRateBound = 0.3\nCutoffProbability = 0.9\nMaxEvaluationWindow = 28\nInputDataFileName = data_toxicity.txt\n' \
    > full/TrialConfig_Toxicity.config
awk 'BEGIN {
    print "PatientData TOXICITY_EVENT Time FollowUp"
    for (i = 1; i <= 500; i++) {
        f = 400 - 0.79 * i
        t = (i % 27) + 0.5
        if (t > f) t = f / 2
        if (i % 5 == 2) printf "Participant-%05d-site-north 1 %.1f %.1f\n", i, t, f
        else printf "Participant-%05d-site-north 0 %.1f %.1f\n", i, (f < 28 ? f : 28), f
    }
}' > full/data_toxicity.txt

"$tool" interim early --answer 2 --runs 40 --threads 2 --sensitivity 0.5:unit,2:window \
    --out early.html >run.log 2>&1 || { cat run.log; exit 1; }
"$tool" interim full --answer 1 --runs 4 --threads 2 --out full.html >run.log 2>&1 ||
    { cat run.log; exit 1; }

chrome() {
    "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$work/profile" "$@" 2>/dev/null
}
check() { # PAGE CHARTS [IDS...]
    page=$1 charts=$2
    shift 2
    chrome --dump-dom "file://$work/$page.html" > "$page.dom"
    for id in rule facts follow-up decision probability advice stability stability-figures \
        histogram sensitivity sensitivity-table reproducibility sources commands "$@"; do
        grep -q "id=\"$id\"" "$page.dom" || { echo "$page: the rendered page lacks $id."; exit 1; }
    done
    svgs=$(grep -o '<svg ' "$page.dom" | wc -l)
    [ "$svgs" -eq $((charts + 1)) ] || { echo "$page: $svgs pictures, not $((charts + 1))."; exit 1; }
    chrome --screenshot="$keep/$page.png" --window-size=794,1123 "file://$work/$page.html"
    size=$(wc -c < "$keep/$page.png")
    [ "$size" -gt 30000 ] || { echo "$page: the screenshot ($size bytes) is too small."; exit 1; }
    chrome --print-to-pdf="$keep/$page.pdf" --no-pdf-header-footer "file://$work/$page.html"
    if command -v gs >/dev/null; then
        # The text as printed, without the line breaks and spaces of its layout.
        gs -q -dNOPAUSE -dBATCH -sDEVICE=txtwrite -sOutputFile=- "$keep/$page.pdf" \
            | tr -d ' \r\n' > "$page.txt"
        for text in $(sed -n 's/.*<code>\([0-9a-f]*\)<\/code>.*/\1/p' "$work/$page.html") \
            $(sed -n '/<pre id="commands">/,/<\/pre>/p' "$work/$page.html" | sed 's/<[^>]*>//g' |
                tr -d ' ' | sed 's/&amp;/\&/g'); do
            grep -qF -- "$text" "$page.txt" || { echo "$page: the printed page lacks ($text)."; exit 1; }
        done
        gs -q -dNOPAUSE -dBATCH -sDEVICE=png16m -r60 -sOutputFile="$keep/$page-print-%02d.png" \
            "$keep/$page.pdf"
    fi
}
check early 1 pending prior-only
check full 10 pending
echo "Rendered: every element present, screenshots and printed pages in order."
