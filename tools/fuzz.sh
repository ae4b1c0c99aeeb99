#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (AddressSanitizer, UBSan) into
# ./build-fuzz (or $VARNO_FUZZ_BUILD_DIR) and runs each for a bounded time.
#
#   tools/fuzz.sh [seconds per harness] [harness...]
#   tools/fuzz.sh reproduce <harness> <input file>...
#
# Harnesses: widgetstate (restoring the main window from an arbitrary settings
# file) and updatereply (the update check's handling of an arbitrary reply
# body); both by default, 60 seconds each. Corpora grown by the runs, crash
# inputs and logs stay in <build dir>/fuzz-work/<harness>/, outside the
# sources. The exit status is non-zero when any harness crashed, leaked, hung
# or tripped a sanitizer. "reproduce" runs one harness once on the given
# inputs (a crash file, say) in the same environment.
set -euo pipefail
caller_dir=$PWD
cd "$(dirname "$0")/.."
source_dir=$PWD

usage() {
    echo "usage: $0 [seconds per harness] [widgetstate|updatereply ...]" >&2
    echo "       $0 reproduce widgetstate|updatereply <input file>..." >&2
    exit 2
}

inputs=()
if [ "${1:-}" = reproduce ]; then
    [ "$#" -ge 3 ] || usage
    harnesses=("$2")
    shift 2
    for input in "$@"; do
        case "$input" in
        /*) inputs+=("$input") ;;
        *) inputs+=("$caller_dir/$input") ;;
        esac
    done
else
    seconds=${1:-60}
    if [ "$#" -gt 0 ]; then
        shift
    fi
    [[ "$seconds" =~ ^[1-9][0-9]*$ ]] || usage
    harnesses=("$@")
    if [ "${#harnesses[@]}" -eq 0 ]; then
        harnesses=(widgetstate updatereply)
    fi
fi
for harness in "${harnesses[@]}"; do
    case "$harness" in
    widgetstate | updatereply) ;;
    *)
        echo "unknown harness: $harness" >&2
        usage
        ;;
    esac
done

# The project's own packages, then clang and its sanitizer and libFuzzer
# runtimes, which only fuzzing needs (CI does not install them).
./scripts/install-deps.sh
fuzz_packages=(clang libclang-rt-14-dev)
missing=()
for package in "${fuzz_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=${VARNO_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVARNO_BUILD_FUZZERS=ON \
    -DVARNO_BUILD_TESTS=OFF \
    -DVARNO_BUILD_BENCHMARKS=OFF
targets=()
for harness in "${harnesses[@]}"; do
    targets+=("fuzz_$harness")
done
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"
build_dir=$(cd "$build_dir" && pwd)

failed=()
summary=()
for harness in "${harnesses[@]}"; do
    case "$harness" in
    # A settings file as the program writes it is about 1 KB; every input
    # may also rebuild the window, which takes a while under the sanitizers.
    widgetstate) max_len=8192 timeout=60 ;;
    # Room for nesting deeper than the JSON parser's limit of 1024 levels.
    updatereply) max_len=4096 timeout=10 ;;
    esac

    work="$build_dir/fuzz-work/$harness"
    mkdir -p "$work/corpus" "$work/artifacts" "$work/tmp" "$work/config" "$work/runtime"
    chmod 700 "$work/runtime"
    log="$work/fuzz.log"

    # Full unwinding is slower but lets the leak suppressions see the Qt
    # frames. An impossible allocation fails as it does without the sanitizer
    # (Qt then throws std::bad_alloc) rather than ending the run.
    environment=(
        QT_QPA_PLATFORM=offscreen
        QT_QPA_PLATFORMTHEME=
        TMPDIR="$work/tmp"
        XDG_CONFIG_HOME="$work/config"
        XDG_RUNTIME_DIR="$work/runtime"
        DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/varno-fuzz-bus
        DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/varno-fuzz-bus
        ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0:allocator_may_return_null=1
        LSAN_OPTIONS="suppressions=$source_dir/tests/sanitizers/lsan.supp:print_suppressions=0"
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    )
    harness_binary="$build_dir/fuzz/fuzz_$harness"

    if [ "${#inputs[@]}" -gt 0 ]; then
        env "${environment[@]}" "$harness_binary" "${inputs[@]}"
        exit $?
    fi

    echo "== fuzz_$harness for $seconds s (log: $log)"
    # Grown inputs go to the work corpus (listed first); the committed seeds
    # are only read, and kept even where they add no coverage: Qt is not
    # instrumented, so coverage alone would throw most of them away.
    status=0
    env "${environment[@]}" "$harness_binary" \
        -max_total_time="$seconds" \
        -max_len="$max_len" \
        -timeout="$timeout" \
        -dict="$source_dir/fuzz/$harness.dict" \
        -artifact_prefix="$work/artifacts/" \
        -keep_seed=1 \
        -print_final_stats=1 \
        "$work/corpus" "$source_dir/fuzz/corpus/$harness" \
        >"$log" 2>&1 || status=$?
    tail -n 25 "$log"

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    summary+=("fuzz_$harness: ${runs:-?} executions, ${rate:-?} exec/s, exit status $status")
    if [ "$status" -ne 0 ]; then
        failed+=("$harness")
    fi
done

echo
printf '%s\n' "${summary[@]}"
if [ "${#failed[@]}" -gt 0 ]; then
    echo "Findings in: ${failed[*]}; inputs in $build_dir/fuzz-work/<harness>/artifacts/" >&2
    exit 1
fi
