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
cmake --build "$build" -j"$(nproc)" --target fuzz_dumpname fuzz_simconfig
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
for target in dumpname simconfig; do
    work="$build/corpus-$target"
    mkdir -p "$work"
    echo "== fuzz_$target for ${seconds}s"
    "$build/bin/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        "$work" "$root/fuzz/corpus/$target" 2>&1 | tail -n 12
done
