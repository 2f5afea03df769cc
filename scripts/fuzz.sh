#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and AddressSanitizer and runs each
# for a bounded time (seconds per target: $1, default 30).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
VXCAM_WITH_CLANG=1 "$root/scripts/deps.sh"
build="$root/build-fuzz"
seconds="${1:-30}"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVXCAM_WERROR=ON \
    -DVXCAM_SANITIZE="address;undefined" -DVXCAM_BUILD_FUZZERS=ON -DVXCAM_BUILD_TESTS=OFF -DVXCAM_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_dumpname fuzz_simconfig fuzz_dumpfile fuzz_tiffpicture
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
for target in dumpname simconfig dumpfile tiffpicture; do
    work="$build/corpus-$target"
    mkdir -p "$work"
    asan="halt_on_error=1:detect_leaks=1"
    # The config reader goes through Qt's JSON parser: unwind fully on malloc so
    # that the leak suppressions can see through Qt's frames.
    [ "$target" = simconfig ] && asan="$asan:fast_unwind_on_malloc=0"
    echo "== fuzz_$target for ${seconds}s"
    ASAN_OPTIONS="$asan" "$build/bin/fuzz_$target" -artifact_prefix="$build/" -max_total_time="$seconds" \
        -max_len=4096 -print_final_stats=1 "$work" "$root/fuzz/corpus/$target" 2>&1 | tail -n 12
done
