# Sourced by the Wine test scripts: the prefix the tests share and a quiet,
# installer-free Wine. 64-bit helper programs (reg, explorer) start through
# wine64 directly, which is fast; the 32-bit loader runs under emulation on
# kernels without 32-bit support and costs about a minute per start.
: "${WINEPREFIX:=${VORN_WINEPREFIX:-$HOME/.vorn-wine}}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINE64=/usr/lib/wine/wine64
[ -x "$WINE64" ] || WINE64=$(command -v wine64 || command -v wine)

# Runs a 64-bit Wine tool; arguments are passed as UTF-8.
wine64_tool() { LANG=C.UTF-8 "$WINE64" "$@" </dev/null; }

# Starts the prefix's server, kept for a minute after its last client, and
# its service processes, with no inherited output: a service started by a
# tool whose output is captured would hold that pipe open until it exits.
wine_server_up() {
  wineserver -p60 </dev/null >/dev/null 2>&1 || true
  wine64_tool reg query 'HKCU\Software' >/dev/null 2>&1 || true
}
