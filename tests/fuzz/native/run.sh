#!/usr/bin/env bash
# Runs the native fuzz targets (built into BUILD by the main build) on fresh copies of their
# seeds, each input checked by AddressSanitizer, UndefinedBehaviorSanitizer and the target's
# own checks. Exit code 1 when a target found a crash, with its report and the input kept in
# BUILD/crashes/.
#
#   run.sh BUILD                      both targets with the test suite's fixed bound
#   run.sh BUILD TARGET [OPTION...]   one target (settings or lines), the options (libFuzzer's,
#                                     e.g. -max_total_time=1800) in place of the bound
#
# The bound is a fixed count of inputs from a fixed seed rather than a time: however busy the
# machine (the suite runs it beside the Wine tests), as many inputs are tried. They are exactly
# the same inputs from run to run of one build when the address space is not randomised
# (setarch -R, where the system allows it): libFuzzer also mutates with the values of compared
# pointers.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
build=${1:?usage: run.sh BUILD [settings|lines] [libFuzzer options]}
build=$(cd "$build" && pwd)
shift

# About 50 s and 8 s here. Taken away, the TOML library's own checks failed within 84,000
# settings inputs from each of 30 seeds, the mend of its unreachable point within 21,000.
declare -A bound=([settings]="-seed=1 -runs=200000" [lines]="-seed=1 -runs=60000")
declare -A dictionary=([settings]=toml.dict [lines]=json.dict)

targets=(settings lines)
options=()
if [ $# -gt 0 ]; then
    targets=("$1")
    shift
    options=("$@")
    if [ -z "${bound[${targets[0]}]:-}" ]; then
        echo "run.sh: no target ${targets[0]} (settings or lines)" >&2
        exit 2
    fi
fi

# The seeds: the kept ones, and for the settings the first-start template and the old-format
# file as the program has them.
seed_corpus() {
    local target=$1 corpus=$2
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp "$here/seeds/$target"/* "$corpus/"
    if [ "$target" = settings ]; then
        cp "$repo/src/config/settings_template.toml" "$repo/src/config/legacy_keys.toml" "$corpus/"
    fi
}

# Without randomised addresses where that is allowed; a container may refuse it.
fixed_addresses=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    fixed_addresses=(setarch "$(uname -m)" -R)
fi

failed=0
mkdir -p "$build/crashes"
for target in "${targets[@]}"; do
    program=$build/${target}_fuzz
    corpus=$build/corpus/$target
    log=$build/$target-fuzz.log
    seed_corpus "$target" "$corpus"
    rm -f "$build/crashes/$target-"*
    if [ ${#options[@]} -eq 0 ]; then
        read -r -a run_options <<< "${bound[$target]}"
    else
        run_options=("${options[@]}")
    fi
    started=$(date +%s%N)
    # -reload=0: nothing but this run adds to its corpus, and a reload on the clock would change
    # which inputs come next.
    "${fixed_addresses[@]}" "$program" "${run_options[@]}" -dict="$here/${dictionary[$target]}" \
        -timeout=25 -reload=0 -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" \
        "$corpus" > "$log" 2>&1
    status=$?
    tenths=$((($(date +%s%N) - started) / 100000000))
    took="$((tenths / 10)).$((tenths % 10)) s"
    # The status line libFuzzer printed last: executions, coverage, features, corpus.
    last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
    if [ $status -eq 0 ]; then
        printf '%s: passed in %s\n  %s\n' "$target" "$took" "$last"
        grep -E '^stat::' "$log" | sed 's/^/  /'
    else
        failed=1
        printf '%s: FAILED after %s (exit code %d); the whole output is %s\n  %s\n' \
            "$target" "$took" "$status" "$log" "$last"
        # The report, from the sanitizer's or the target's first line to the kept input (whose
        # bytes the log holds too).
        sed -n '/runtime error\|ERROR: \|^wrong: \|Assertion\|^fatal: \|called in the fuzz build/,$p' \
            "$log" | grep -v '^0x\|^Base64: ' | head -n 80
    fi
done
exit $failed
