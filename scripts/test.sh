#!/usr/bin/env bash
# Builds and runs the whole test suite.
#
#   ./scripts/test.sh            normal build (build/)
#   ./scripts/test.sh asan       AddressSanitizer + UndefinedBehaviorSanitizer, leak checking on (build-asan/)
#   ./scripts/test.sh tsan       ThreadSanitizer (build-tsan/)
#   ./scripts/test.sh all        the three, one after the other
#   ./scripts/test.sh windows    64-bit Windows: MinGW-w64 cross build, the suite under Wine
#                                (build-windows/; installs the compiler and Wine, and builds
#                                Qt 5 and the SDK's C libraries for MinGW once: see scripts/deps_windows.sh
#                                and scripts/deps_windows_libs.sh)
#
# Further arguments go to CMake's configure step.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

variant=normal
case "${1:-}" in
normal | asan | tsan | all | windows)
    variant="$1"
    shift
    ;;
esac

run_variant() {
    local name="$1"
    shift
    local build sanitize=""
    case "$name" in
    normal) build="${VXCAM_BUILD_DIR:-$root/build}" ;;
    asan)
        build="$root/build-asan"
        sanitize="address;undefined"
        export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0"
        export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
        export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
        ;;
    tsan)
        build="$root/build-tsan"
        sanitize="thread"
        # intercept_tls_get_addr=0: GCC 12's runtime, on glibc 2.36, sometimes
        # takes a thread's first use of a dlopen()ed library's thread_local
        # (the plug-in's) for a range of hundreds of terabytes and dies with
        # "ThreadSanitizer failed to allocate" (exit 66). Races are still seen.
        export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:intercept_tls_get_addr=0:suppressions=$root/tests/sanitizers/tsan.supp"
        ;;
    esac
    echo "== $name build: $build"
    VXCAM_BUILD_DIR="$build" "$root/scripts/build.sh" -DVXCAM_SANITIZE="$sanitize" "$@"
    # Sanitized runs are slower; give each test more time.
    local timeout=300
    [ -n "$sanitize" ] && timeout=600
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout "$timeout"
}

run_windows() {
    "$root/scripts/deps.sh"
    local qt build="${VXCAM_BUILD_DIR:-$root/build-windows}" launcher=()
    qt="$("$root/scripts/deps_windows.sh" | tail -n 1)"
    local libs
    libs="$("$root/scripts/deps_windows_libs.sh" | tail -n 1)"
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    echo "== windows build: $build (Qt: $qt)"
    # One Wine server, with Wine's own services started, for the whole run: a
    # program that exits while they start up, or that starts while the
    # server of the one before shuts down, can stall or fail.
    . "$root/scripts/windows_env.sh"
    "$root/scripts/wine_run.sh" cmd /c exit 0
    local wineserver
    wineserver="$(dirname "$(command -v wine64 || echo /usr/lib/wine/wine64)")/wineserver"
    WINEPREFIX="$VXCAM_WINEPREFIX" "$wineserver" -w
    WINEPREFIX="$VXCAM_WINEPREFIX" "$wineserver" -p
    "$root/scripts/wine_run.sh" cmd /c exit 0
    sleep 5
    trap 'WINEPREFIX="$VXCAM_WINEPREFIX" "'"$wineserver"'" -k 2>/dev/null || true' EXIT
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DVXCAM_QT_MINGW_DIR="$qt" -DVXCAM_MINGW_LIBS_DIR="$libs" \
        -DCMAKE_BUILD_TYPE="${VXCAM_BUILD_TYPE:-RelWithDebInfo}" -DVXCAM_WERROR=ON \
        "${launcher[@]}" "$@" >/dev/null
    cmake --build "$build" -j"$(nproc)"
    # A test whose Wine process stalls at its exit, after its program has
    # passed (seen on a loaded machine), runs once more; a failing test fails
    # both times.
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300 --repeat until-pass:2
}

if [ "$variant" = windows ]; then
    run_windows "$@"
elif [ "$variant" = all ]; then
    for v in normal asan tsan; do
        (run_variant "$v" "$@")
    done
else
    run_variant "$variant" "$@"
fi
