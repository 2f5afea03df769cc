#!/usr/bin/env bash
# Builds and runs the whole test suite.
#
#   ./scripts/test.sh            normal build (build/)
#   ./scripts/test.sh asan       AddressSanitizer + UndefinedBehaviorSanitizer, leak checking on (build-asan/)
#   ./scripts/test.sh tsan       ThreadSanitizer (build-tsan/)
#   ./scripts/test.sh all        the three, one after the other
#
# Further arguments go to CMake's configure step.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

variant=normal
case "${1:-}" in
normal | asan | tsan | all)
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
        export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/sanitizers/tsan.supp"
        ;;
    esac
    echo "== $name build: $build"
    VXCAM_BUILD_DIR="$build" "$root/scripts/build.sh" -DVXCAM_SANITIZE="$sanitize" "$@"
    # Sanitized runs are slower; give each test more time.
    local timeout=300
    [ -n "$sanitize" ] && timeout=600
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout "$timeout"
}

if [ "$variant" = all ]; then
    for v in normal asan tsan; do
        (run_variant "$v" "$@")
    done
else
    run_variant "$variant" "$@"
fi
