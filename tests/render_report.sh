#!/bin/sh
# Renders a design report in headless Chromium and checks what the browser
# built: every section and all four plots are in the rendered page, and the
# screenshot is a real picture. Exit 77 (skipped) where Chromium is missing.
#   tests/render_report.sh BUILD_DIR [PNG]
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$0")/.." && pwd)
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    echo "Chromium is not installed: nothing rendered."
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tool="$build/design_cli/quillmere-design"
cat > "$work/trial.design" <<'DESIGN'
# A small toxicity design, rendered for the look of its report.
TrialType = Toxicity
RateBound = 0.3
CutoffProbability = 0.8
MaxEvaluationWindow = 30
TimeUnit = days
MaxPatients = 12
AccrualRate = 0.2
FirstLook = 4
LookEvery = 2
MinCompleted = 3
TrueRates = 0.1, 0.3, 0.6
EventTimeShape = 1
Trials = 20
Seed = 987654321
CalibrationRate = 0.15
MaxErrorStop = 0.2
DESIGN
cd "$work"
"$tool" boundaries trial.design --out results >/dev/null
"$tool" simulate trial.design --threads 2 --out results >/dev/null 2>&1
"$tool" calibrate trial.design --threads 2 --out results >/dev/null 2>&1
"$tool" report trial.design --from results --out results/report.html >/dev/null
chrome() {
    "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$work/profile" "$@" 2>/dev/null
}
chrome --dump-dom "file://$work/results/report.html" > dom.html
for id in rule unit-caution boundaries operating plots plot-operating plot-looks late-outcomes \
    plot-late-outcomes calibration plot-calibration reproducibility design-file commands; do
    grep -q "id=\"$id\"" dom.html || { echo "The rendered report lacks the element $id."; exit 1; }
done
plots=$(grep -o '<svg ' dom.html | wc -l)
[ "$plots" -eq 4 ] || { echo "The rendered report holds $plots plots instead of 4."; exit 1; }
png=${2:-$work/report.png}
chrome --screenshot="$png" --window-size=1200,3000 "file://$work/results/report.html"
size=$(wc -c < "$png")
[ "$size" -gt 50000 ] || { echo "The screenshot ($size bytes) is too small to hold the report."; exit 1; }
echo "Rendered: every element present, screenshot $size bytes ($png)."
