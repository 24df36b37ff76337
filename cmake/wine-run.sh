#!/bin/sh
# Runs a Windows test program under Wine in the build's own prefix, quietly.
: "${WINEPREFIX:=${VORN_WINEPREFIX:-$HOME/.vorn-wine}}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
