#!/bin/sh
# Runs a Windows test program under Wine in the build's own prefix, quietly.
: "${WINEPREFIX:=${VORN_WINEPREFIX:-$HOME/.vorn-wine}}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Without Wine the Windows tests are skipped (ctest: SKIP_RETURN_CODE 77).
command -v wine >/dev/null 2>&1 || { echo "Wine is not installed: skipped"; exit 77; }
# The prefix's server (kept a minute after its last client) and its services
# start here with no inherited output: started by the program below they
# would hold the test's output pipe, and ctest would wait for them to exit.
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=wine
"$wine64" reg query 'HKCU\Software' </dev/null >/dev/null 2>&1 || true

# The optional header's magic of a PE image: 10b (PE32) or 20b (PE32+).
pe_magic() {
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$pe" ] && od -An -tx2 -j$((pe + 24)) -N2 "$1" 2>/dev/null | tr -d ' '
}
# A 64-bit program starts through the 64-bit loader directly: the wine
# script tries the 32-bit loader first, which may run under emulation and
# costs about a minute per start.
if [ "$(pe_magic "$1")" = 020b ] && [ -x /usr/lib/wine/wine64 ]; then
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
