#!/usr/bin/env bash
# wine-run.sh WINEPREFIX PROGRAM.exe [ARGS...]: runs a Windows programme of the build under
# Wine, headless, in the build tree's own 64-bit prefix. The prefix is made on first use
# (with the null graphics driver, so windows can be created without an X server); the
# programme's exit code comes through. QUENMARK_WINE_DPI, when set for the run that makes
# the prefix, gives its screen that many dots per inch (96 otherwise).
set -euo pipefail
prefix=${1:?usage: wine-run.sh WINEPREFIX PROGRAM [ARGS...]}
shift
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=$(command -v wine64 || true)
[ -n "$wine64" ] || { echo "wine-run: wine64 not found: apt-get install wine wine64" >&2; exit 127; }

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine: the prefix is made without asking for them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.quenmark-ready" ]; then
    "$wine64" wineboot -i >/dev/null 2>&1
    "$wine64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    if [ -n "${QUENMARK_WINE_DPI:-}" ]; then
      "$wine64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$QUENMARK_WINE_DPI" /f >/dev/null 2>&1
    fi
    # The desktop process reads its graphics driver when the server starts: the server that
    # wineboot started is ended, so the next one starts with the null driver.
    "${wine64%/*}/wineserver" -k >/dev/null 2>&1 || true
    "${wine64%/*}/wineserver" -w >/dev/null 2>&1 || true
    touch "$prefix/.quenmark-ready"
  fi
) 9>"$prefix.lock"
exec "$wine64" "$@"
