#!/usr/bin/env bash
# The project's test command (after scripts/setup.sh):
#   1. configure and build three flavours: native Linux, Windows i686, Windows x86_64
#   2. start the real FTP servers (vsftpd, pyftpdlib) once, on 127.0.0.1
#   3. run every test program with ctest: natively, and both Windows flavours under Wine
#   4. build the tests with AddressSanitizer + UndefinedBehaviorSanitizer and run them natively
#   5. build every libFuzzer target (*_fuzzer) with clang and run each for a bounded time
# and ends with one line "N passed, N failed" (test cases over all flavours, the sanitizer
# run, and one per fuzz target). Exit status 0 only when nothing failed and something ran.
#
# Before the i686 tests it finds out how this machine runs 32-bit programs
# (scripts/win32-route.sh): as they are, under user-mode emulation where the kernel cannot
# execute them (scripts/i386-emulation.sh), or not at all. Then the i686 flavour is still
# built, its tests are skipped, and the run says so beside the closing line.
#
# Settings (environment):
#   TAVO_BUILD_DIR      build trees, logs and results (default <repo>/build)
#   TAVO_JOBS           parallel build and test jobs (default 2)
#   TAVO_FUZZ_SECONDS   run time of each fuzz target (default 60)
#   TAVO_FLAVOURS       what to run (default "native win32 win64 asan fuzz")
#   TAVO_BIG_FILE_BYTES size of the test servers' big.bin (default 268435456)
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVO_BUILD_DIR:-$root/build}
jobs=${TAVO_JOBS:-2}
fuzz_seconds=${TAVO_FUZZ_SECONDS:-60}
flavours=${TAVO_FLAVOURS:-native win32 win64 asan fuzz}
results=$build/results
logs=$build/logs
servers=$build/servers
python=/usr/bin/python3

mkdir -p "$build"
rm -rf "$results" "$logs"
mkdir -p "$results" "$logs"
export CTEST_OUTPUT_ON_FAILURE=1

phase_report=()
phase() {
    local name=$1
    shift
    local start=$SECONDS
    echo
    echo "=== $name ($(date +%H:%M:%S))"
    "$@"
    local rc=$?
    local took=$((SECONDS - start))
    phase_report+=("$(printf '  %-34s %5d s%s' "$name" "$took" "$([ $rc -ne 0 ] && echo '  (failed)')")")
    echo "=== $name: ${took} s"
    return $rc
}

wants() { [[ " $flavours " == *" $1 "* ]]; }

# Windows test programs need no debug information (no debugger runs under Wine here), and
# without it they build a third faster. The sanitizer build is unoptimised: with ASan and UBSan
# -O2 compiles several times slower, and the tests wait on the network, not the processor.
cmake_args() {
    args=()
    case $1 in
    native) ;;
    win32 | win64)
        local arch=i686
        [ "$1" = win64 ] && arch=x86_64
        args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake"
            -DCMAKE_BUILD_TYPE=Release
            -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG") ;;
    asan) args=(-DTAVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
    fuzz) args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTAVO_FUZZ=ON) ;;
    esac
}

# Configures and builds one flavour; a failure is recorded (one failed test) and shown.
build_flavour() {
    local flavour=$1
    local dir=$build/$flavour
    cmake_args "$flavour"
    if ! cmake -S "$root" -B "$dir" "${args[@]}" >"$logs/$flavour-configure.log" 2>&1; then
        echo "configure of $flavour failed:"
        tail -n 40 "$logs/$flavour-configure.log"
        echo "$flavour" >>"$results/build-failures"
        return 1
    fi
    local targets=()
    if [ "$flavour" = fuzz ]; then
        # Only the fuzz targets (and what they use), not the whole tree again with sanitizers.
        mapfile -t targets < <(cut -f1 "$dir/fuzzers.tsv")
        [ ${#targets[@]} -eq 0 ] && return 0
        targets=(--target "${targets[@]}")
    fi
    if ! cmake --build "$dir" -j "$jobs" "${targets[@]}" >"$logs/$flavour-build.log" 2>&1; then
        echo "build of $flavour failed:"
        grep -E "error|\*\*\*|undefined reference" "$logs/$flavour-build.log" | head -n 40
        echo "$flavour" >>"$results/build-failures"
        return 1
    fi
    local warnings
    warnings=$(grep -c "warning:" "$logs/$flavour-build.log")
    if [ "$warnings" -gt 0 ]; then
        echo "$flavour: $warnings compiler warnings:"
        grep "warning:" "$logs/$flavour-build.log" | sort -u | head -n 30
    fi
    echo "$flavour built ($logs/$flavour-build.log)"
}

wine_prefix() { echo "$build/$1/wine"; }

# How the i686 tests run here: native, emulated or skipped (with the reason in win32_skip).
win32_route=native
win32_skip=
find_win32_route() {
    grep -qx win32 "$results/build-failures" 2>/dev/null && return 1
    local answer
    answer=$(bash "$root/scripts/win32-route.sh" "$(wine_prefix win32)" "$build/win32-probe")
    local rc=$?
    case $answer in
    native | emulated) win32_route=$answer ;;
    skipped:*)
        win32_route=skipped
        win32_skip=${answer#skipped: }
        echo "$win32_skip" >"$results/win32-skipped"
        ;;
    esac
    case $win32_route in
    native) echo "the i686 tests run natively" ;;
    emulated) echo "the i686 tests run under user-mode emulation (scripts/i386-emulation.sh)" ;;
    skipped) echo "$(win32_skip_line)" ;;
    esac
    # A probe that fails for any other reason is a real fault: the tests run (and fail) as usual.
    [ $rc -eq 0 ] || echo "the i686 probe failed ($answer); running the i686 tests anyway"
    return $rc
}
win32_skip_line() { echo "win32 tests: SKIPPED, this machine cannot run 32-bit programs ($win32_skip)"; }

run_ctest() {
    local flavour=$1
    local dir=$build/$flavour
    grep -qx "$flavour" "$results/build-failures" 2>/dev/null && return 1
    rm -rf "$dir/test-results"
    # Under emulation every Wine command of the flavour runs inside the emulating namespace.
    local through=()
    [ "$flavour" = win32 ] && [ "$win32_route" = emulated ] &&
        through=(bash "$root/scripts/i386-emulation.sh" run)
    if [ "$flavour" = win32 ] || [ "$flavour" = win64 ]; then
        local start=$SECONDS
        "${through[@]}" bash "$root/cmake/wine-run.sh" --init "$(wine_prefix "$flavour")" ||
            echo "Wine prefix failed"
        echo "Wine prefix ready in $((SECONDS - start)) s"
    fi
    # The Chinese edition runs under Wine with code page 936 as its ANSI code page.
    local locale=()
    if [ "$flavour" = win32 ] || [ "$flavour" = win64 ]; then
        locale=(env LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8)
    fi
    (cd "$dir" && "${through[@]}" "${locale[@]}" ctest -j "$jobs" \
        --output-junit "$results/$flavour-ctest.xml") \
        >"$logs/$flavour-ctest.log" 2>&1
    local rc=$?
    # ctest's own summary: the share that passed and the programs that failed.
    awk '/tests passed|tests failed/ { show = 1 } show && NF' "$logs/$flavour-ctest.log" | head -n 30
    mkdir -p "$results/$flavour-gtest"
    cp -r "$dir/test-results/." "$results/$flavour-gtest/" 2>/dev/null
    if [ "$flavour" = win32 ] || [ "$flavour" = win64 ]; then
        # A wineserver left running would outlive the run.
        bash "$root/cmake/wine-run.sh" --kill "$(wine_prefix "$flavour")"
    fi
    [ $rc -ne 0 ] && echo "failures: see $logs/$flavour-ctest.log"
    return $rc
}

run_fuzzers() {
    local dir=$build/fuzz
    grep -qx fuzz "$results/build-failures" 2>/dev/null && return 1
    local list=$dir/fuzzers.tsv
    if [ ! -s "$list" ]; then
        echo "no fuzz targets"
        return 0
    fi
    local failed=0 name program corpus
    while IFS=$'\t' read -r name program corpus; do
        local work=$dir/corpus-work/$name artifacts=$dir/artifacts/$name
        rm -rf "$work" "$artifacts"
        mkdir -p "$work" "$artifacts"
        local seeds=()
        [ -d "$corpus" ] && seeds=("$corpus")
        # New inputs go to the work folder; the seed corpus in the tree stays as it is.
        timeout -k 10 $((fuzz_seconds + 120)) "$program" -max_total_time="$fuzz_seconds" \
            -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="$artifacts/" "$work" "${seeds[@]}" \
            >"$logs/fuzz-$name.log" 2>&1 </dev/null
        local rc=$?
        if [ $rc -eq 0 ]; then
            printf '%s\tpassed\n' "$name" >>"$results/fuzz.tsv"
            echo "$name: no crash, hang or sanitizer report in ${fuzz_seconds} s ($(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$logs/fuzz-$name.log" | grep -o '[0-9]*$') runs)"
        else
            printf '%s\tfailed\n' "$name" >>"$results/fuzz.tsv"
            failed=1
            echo "$name FAILED (exit $rc); artifacts in $artifacts:"
            grep -E "ERROR|SUMMARY|Test unit written|==[0-9]+==" "$logs/fuzz-$name.log" | head -n 20
        fi
    done <"$list"
    return $failed
}

servers_running=0
start_servers() {
    bash "$root/tests/servers/servers.sh" start "$servers" || return 1
    # shellcheck disable=SC1091
    source "$servers/env.sh"
    servers_running=1
}

stop_servers() {
    if [ $servers_running -eq 1 ]; then
        bash "$root/tests/servers/servers.sh" stop "$servers"
        servers_running=0
    fi
}

# Windows programs that open windows (the form, its screenshot tests) need a display: an
# Xvfb of our own for the Windows phases, stopped at the end.
# shellcheck source=scripts/display.sh
source "$root/scripts/display.sh"
start_display() { tavo_start_display "$logs"; }
stop_display() { tavo_stop_display; }

cleanup() {
    stop_servers
    for flavour in win32 win64; do
        bash "$root/cmake/wine-run.sh" --kill "$(wine_prefix "$flavour")" 2>/dev/null
    done
    stop_display
}
trap cleanup EXIT
trap 'echo "interrupted"; exit 130' INT TERM

total_start=$SECONDS
echo "Tests of $(basename "$root"): flavours: $flavours; build trees in $build"

for flavour in native win32 win64; do
    wants "$flavour" && phase "build $flavour" build_flavour "$flavour"
done

if wants native || wants win32 || wants win64 || wants asan; then
    phase "start test servers" start_servers || echo "real-server tests will skip"
fi
if wants win32 || wants win64; then
    phase "start display" start_display
fi
wants win32 && phase "i686 probe" find_win32_route
for flavour in native win32 win64; do
    wants "$flavour" || continue
    if [ "$flavour" = win32 ] && [ "$win32_route" = skipped ]; then
        phase_report+=("  $(win32_skip_line)")
        continue
    fi
    phase "tests $flavour" run_ctest "$flavour"
done
if wants asan; then
    phase "build asan" build_flavour asan
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:check_initialization_order=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ] && export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
    phase "tests asan" run_ctest asan
fi
[ $servers_running -eq 1 ] && phase "stop test servers" stop_servers

if wants fuzz; then
    phase "build fuzz" build_flavour fuzz
    phase "fuzz (${fuzz_seconds} s each)" run_fuzzers
fi
cleanup
trap - EXIT

echo
echo "Phase times:"
printf '%s\n' "${phase_report[@]}"
echo "  total                              $((SECONDS - total_start)) s"
echo
[ "$win32_route" = emulated ] && echo "win32 tests ran under user-mode emulation"
# shellcheck disable=SC2086
"$python" "$root/scripts/count_results.py" "$results" $flavours
