#!/bin/sh
# Builds quillmere, quillmere-design and quillmere-analysis-bits for other
# systems and checks that each gives, byte for byte, what the build for this
# machine gives: the console program on the three examples and the reference
# runs (console text, exit status, summary.txt), quillmere-design simulate and
# calibrate on a small design (console text, exit status, every result file),
# and every bit of analyse()'s result on those trials.
#
#   scripts/cross-check.sh [TARGET ...]     (default: windows arm64 libcxx)
#
# windows: MinGW-w64 GCC (posix threads), run under wine (private prefix).
# arm64:   aarch64-linux-gnu GCC, run under qemu-aarch64.
# libcxx:  clang++ with libc++ (macOS's C++ library), run here.
#
# QUILLMERE_CROSS_DIR is where builds and runs go (default build-cross);
# QUILLMERE_NATIVE_BUILD names a configured build of this machine to take
# the reference from (built here otherwise). Line ends: the Windows programs
# write their console and report text as text, so CR LF there; those are
# compared with the CRs removed, every result file of quillmere-design
# byte for byte. Times of day (the report's first line) and the progress
# meter's lines (how far a run got at each time) are set aside.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=${QUILLMERE_CROSS_DIR:-$root/build-cross}
case $work in /*) ;; *) work=$root/$work ;; esac
targets=${*:-windows arm64 libcxx}
programs="quillmere quillmere-design quillmere-analysis-bits"
mkdir -p "$work"
started=$(date +%s)
note() { echo "-- $1 (at $(($(date +%s) - started)) s)"; }

# configure BUILD_DIR [CMAKE ARGUMENTS]: a Release build without link-time
# optimisation, tests or benchmarks, -O2: only the programs are built.
configure() {
    build=$1
    shift
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
        -DQUILLMERE_LTO=OFF -DQUILLMERE_BUILD_TESTS=OFF -DQUILLMERE_BUILD_BENCHMARKS=OFF \
        ${CCACHE:+-DCMAKE_CXX_COMPILER_LAUNCHER=ccache} "$@" >"$build.configure.log" 2>&1 ||
        { cat "$build.configure.log"; exit 1; }
}

build_programs() {
    log=$work/$(basename "$1").build.log
    # shellcheck disable=SC2086
    cmake --build "$1" -j2 --target $programs >"$log" 2>&1 || { tail -n 60 "$log"; exit 1; }
}

# The small design: the toxicity example with 30 trials per scenario and a
# calibration target.
small_design() {
    sed -e 's/^Trials = .*/Trials = 30/' "$root/examples/design/toxicity.design"
    printf 'CalibrationRate = 0.3\nMaxErrorStop = 0.1\n'
}

answer_of() {
    case $(ls "$1"/TrialConfig_*.config) in
    *Toxicity*) echo 1 ;;
    *Efficacy*) echo 2 ;;
    *) echo 3 ;;
    esac
}

# What a run printed and left, with line ends and times of day set aside.
tidy() {
    sed -e 's/\r$//' -e 's/^[A-Z][a-z][a-z] [A-Z][a-z][a-z] [ 0-9][0-9] [0-9:]\{8\} [0-9]\{4\}$/<time of day>/' \
        -e '/^[a-z]*: [0-9]* of [0-9]* trials (.*), [0-9.]* s$/d' -e "s|$2|<run>|g" "$1"
}

# run_all BIN_DIR EXE_SUFFIX OUT_DIR RUNNER...: every case, its results into OUT_DIR.
run_all() {
    bin=$1 exe=$2 out=$3
    shift 3
    rm -rf "$out" "$out.run"
    mkdir -p "$out" "$out.run"
    run=$out.run
    trials=""
    for example in toxicity efficacy diseaseprogression; do
        cp -R "$root/examples/$example" "$run/$example"
        trials="$trials $example"
    done
    for reference in "$root"/tests/data/reference-runs/*/; do
        name=reference-$(basename "$reference")
        cp -R "$reference" "$run/$name"
        trials="$trials $name"
    done
    bits_arguments=""
    for trial in $trials; do
        answer=$(answer_of "$run/$trial")
        bits_arguments="$bits_arguments $trial $answer"
        (cd "$run/$trial" && printf 'x' | "$@" "$bin/app/quillmere$exe" "$answer" >stdout 2>stderr; echo "$?" >status)
        for file in stdout stderr status summary.txt; do
            [ -f "$run/$trial/$file" ] && tidy "$run/$trial/$file" "$run" >"$out/$trial.$file"
        done
    done
    # shellcheck disable=SC2086
    (cd "$run" && "$@" "$bin/tests/cross/quillmere-analysis-bits$exe" $bits_arguments >"$out/analysis-bits" 2>&1)
    small_design >"$run/small.design"
    # The output directories given by absolute paths: a path that begins
    # with / is no option on any system.
    for command in simulate calibrate; do
        (cd "$run" && "$@" "$bin/design_cli/quillmere-design$exe" "$command" small.design --threads 2 \
            --out "$run/$command" >"$command.stdout" 2>"$command.stderr"; echo "$?" >"$command.status")
        for file in stdout stderr status; do
            tidy "$run/$command.$file" "$run" >"$out/$command.$file"
        done
        cp -R "$run/$command" "$out/$command"
    done
}

native=${QUILLMERE_NATIVE_BUILD:-$work/native}
if [ -z "${QUILLMERE_NATIVE_BUILD:-}" ]; then
    note "native build"
    configure "$native"
fi
build_programs "$native"
note "native runs"
run_all "$native" "" "$work/native-out"

failed=""
for target in $targets; do
    build=$work/$target
    case $target in
    windows)
        configure "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
        set -- env WINEPREFIX="$work/wineprefix" WINEDEBUG=-all wine
        exe=.exe
        if [ ! -d "$work/wineprefix" ]; then
            note "wineboot (a new private wine prefix)"
            WINEPREFIX="$work/wineprefix" WINEDEBUG=-all wineboot --init >/dev/null 2>&1
            note "wineboot done"
        fi
        ;;
    arm64)
        configure "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake"
        set -- qemu-aarch64 -L /usr/aarch64-linux-gnu
        exe=""
        ;;
    libcxx)
        configure "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/clang-libcxx.cmake"
        set -- env
        exe=""
        ;;
    *)
        echo "Unknown target ($target): windows, arm64 or libcxx." >&2
        exit 2
        ;;
    esac
    note "$target build"
    build_programs "$build"
    note "$target runs"
    run_all "$build" "$exe" "$build-out" "$@"
    if diff -r "$work/native-out" "$build-out" >"$build.diff"; then
        echo "$target: every output the same as this machine's build"
    else
        echo "$target: outputs differ from this machine's build:"
        head -n 40 "$build.diff"
        failed="$failed $target"
    fi
done
# The console program's and the companion's bad-input matrices and the
# companion's stop and lock tests, run on the Windows programs under wine:
# the suite built for this machine, told to run those programs.
wine_suite() {
    build=$work/wine-suite
    for program in quillmere quillmere-design; do
        folder=app
        [ "$program" = quillmere-design ] && folder=design_cli
        printf '#!/bin/sh\nexec env WINEPREFIX="%s" WINEDEBUG=-all wine "%s" "$@"\n' \
            "$work/wineprefix" "$work/windows/$folder/$program.exe" >"$work/$program-under-wine"
        chmod +x "$work/$program-under-wine"
    done
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_LTO=OFF \
        -DQUILLMERE_BUILD_BENCHMARKS=OFF ${CCACHE:+-DCMAKE_CXX_COMPILER_LAUNCHER=ccache} \
        -DQUILLMERE_TEST_PROGRAM="$work/quillmere-under-wine" \
        -DQUILLMERE_TEST_DESIGN_PROGRAM="$work/quillmere-design-under-wine" >"$build.configure.log" 2>&1 ||
        { cat "$build.configure.log"; exit 1; }
    cmake --build "$build" -j2 --target app_tests design_cli_tests >"$build.build.log" 2>&1 ||
        { tail -n 60 "$build.build.log"; exit 1; }
    note "Windows programs under wine: bad input and interruption"
    # Set aside: the cases Windows cannot give as Linux does (docs/platforms.md
    # says why): a path shown with Z:\ or Windows' separator, a directory that
    # Windows will not open as a file, EPERM, SIGTERM.
    app_aside='*/ConfigMissing:*/ConfigIsADirectory:*/ConfigUnreadable:*/DataIsADirectory'
    design_aside='BadInputMatrix.LockedOutputDirectoryFailsBeforeAnyWork:DesignProgram.AStopped*'
    for name in shard_of_another_design replicates_given_twice shard_folder_without_a_replicate_file \
        more_patients_than_N negative_duration stop_look_with_every_patient_enrolled \
        stop_look_beyond_the_schedule line_with_a_field_missing; do
        design_aside="$design_aside:*/$name"
    done
    suite_failed=""
    "$build/tests/app_tests" --gtest_filter="*BadInputMatrix*-$app_aside" \
        >"$work/wine-suite-app.log" 2>&1 || suite_failed="$suite_failed app_tests"
    "$build/tests/design_cli_tests" \
        --gtest_filter="*BadInputMatrix*:DesignProgram.ASecondRun*-$design_aside" \
        >"$work/wine-suite-design.log" 2>&1 || suite_failed="$suite_failed design_cli_tests"
    grep -hE '^\[ +(PASSED|FAILED) +\]' "$work/wine-suite-app.log" "$work/wine-suite-design.log"
    [ -z "$suite_failed" ] || failed="$failed wine:$suite_failed"
}

case " $targets " in
*" windows "*) [ -z "${QUILLMERE_SKIP_WINE_SUITE:-}" ] && wine_suite ;;
esac

note "done"
if [ -n "$failed" ]; then
    echo "Outputs differ on:$failed"
    exit 1
fi
