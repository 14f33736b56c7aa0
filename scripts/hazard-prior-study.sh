#!/bin/sh
# The operating characteristics behind docs/hazard-prior.md: each example
# design under prior shapes 0, 0.5, 1 and 2 and both sampling ranges, with
# its run-in and without (MinCompleted = 0), written in days, weeks and
# months. Under the window range the unit makes no difference by
# construction, so that range is simulated in the design's own unit only.
#
#   scripts/hazard-prior-study.sh BUILD_DIR OUT_DIR [TRIALS [DESIGN...]]
#
# DESIGN names an example design (default: all three); STUDY_THREADS sets
# the threads of each simulation (default 1).
#
# Writes OUT_DIR/study.csv: design, run_in, shape, range, unit, true_rate,
# P(early stop) with its standard error, expected patients and the share of
# looks at which some interval rested on the prior alone.
set -eu
build=$1
out=$2
trials=${3:-100}
shift $(($# < 3 ? $# : 3))
designs=${*:-toxicity efficacy disease-progression}
root=$(cd "$(dirname "$0")/.." && pwd)
tool="$build/design_cli/quillmere-design"
mkdir -p "$out"
csv="$out/study.csv"
[ -f "$csv" ] || echo "design,run_in,shape,range,unit,true_rate,p_early_stop,p_early_stop_se,expected_patients,prior_only_look_share" >"$csv"
for design in $designs; do
    source="$root/examples/design/$design.design"
    own=$(sed -n 's/^TimeUnit *= *\([a-z]*\).*/\1/p' "$source")
    for runin in with without; do
        for shape in 0 0.5 1 2; do
            for range in unit window; do
                name="$design-$runin-$shape-$range"
                file="$out/$name.design"
                if [ "$runin" = with ]; then
                    cat "$source" >"$file"
                else
                    sed 's/^MinCompleted *=.*/MinCompleted = 0/' "$source" >"$file"
                fi
                printf 'HazardPriorShape = %s\nHazardRange = %s\n' "$shape" "$range" >>"$file"
                units=days,weeks,months
                [ "$range" = window ] && units=$own
                "$tool" units "$file" --units "$units" --trials "$trials" --threads "${STUDY_THREADS:-1}" \
                    --out "$out/$name" --force >/dev/null
                # unit,window,floor,scenario,true_rate,p,se,patients,patients_se,prior_only,...
                tail -n +2 "$out/$name/units.csv" | awk -F, -v d="$design" -v r="$runin" \
                    -v s="$shape" -v g="$range" \
                    '{ print d "," r "," s "," g "," $1 "," $5 "," $6 "," $7 "," $8 "," $10 }' >>"$csv"
            done
        done
    done
done
echo "Written: $csv"
