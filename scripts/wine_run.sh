#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, as CTest's emulator.
#   wine_run.sh PROGRAM.exe ARGS...
#
# - A Wine prefix of the project's own ($VXCAM_WINEPREFIX), made on first use.
# - DLLs: the program's own folder first (as on Windows), then Qt 5 for MinGW,
#   Aravis for MinGW and the MinGW runtime, through WINEPATH (Qt finds its plug-ins relative to
#   its own Qt5Core.dll).
# - Qt's log goes to standard error (under Wine it would go to the debugger
#   channel; vxcam asks for standard error itself), and the QT_ variables the caller sets reach the program: Wine
#   passes no variable that starts with QT_, but turns WINEQT_X into QT_X.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=scripts/windows_env.sh
. "$root/scripts/windows_env.sh"

wine="${VXCAM_WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}"
export WINEPREFIX="$VXCAM_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: nothing here needs them, and Wine would ask to download them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# VXCAM_WINE_BARE=1: none of that, the program's own folder only (a package's test).
if [ "${VXCAM_WINE_BARE:-0}" != 1 ]; then
    mingw=x86_64-w64-mingw32
    export WINEPATH="$VXCAM_QT_MINGW_DIR/bin;$VXCAM_MINGW_LIBS_DIR/bin;/usr/lib/gcc/$mingw/12-posix;/usr/$mingw/lib${WINEPATH:+;$WINEPATH}"
    export WINEQT_FORCE_STDERR_LOGGING=1
fi
for name in $(compgen -e); do
    case "$name" in
    QT_*) export "WINE$name=${!name}" ;;
    esac
done

# Make the prefix once, also when several programs start at the same time.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$wine" wineboot --init >/dev/null 2>&1 || true
        "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
    fi
    exec 9>&-
fi
# Listing a test program's tests (at build time, for CTest): a Wine process
# that stalls at its exit on a loaded machine is ended after a minute and the
# listing is tried again, up to three times, within CTest's discovery timeout.
for arg in "$@"; do
    [ "$arg" = --gtest_list_tests ] || continue
    for attempt in 1 2 3; do
        out="$(timeout -k 5 60 "$wine" "$@")" && rc=0 || rc=$?
        if [ "$rc" != 124 ] && [ "$rc" != 137 ]; then
            printf '%s\n' "$out"
            exit "$rc"
        fi
        echo "wine_run.sh: listing the tests of $1 did not end within a minute (try $attempt of 3)" >&2
    done
    exit 124
done
exec "$wine" "$@"
