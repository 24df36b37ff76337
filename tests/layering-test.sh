#!/usr/bin/env bash
# The reader's folders depend one way only: support <- surface <- format,
# none of them reaching platform/, config/, plugin/, api/ or the front
# ends, and no Windows header outside platform's Win32 side and the export
# shims. Prints every include that breaks this.
# usage: layering-test.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 2
status=0
check() {  # $1 folder, $2 regex of the project folders it may include from
  local bad
  bad=$(grep -nE '^\s*#\s*include\s+"[a-z]+/' "$1"/*.h "$1"/*.cpp 2>/dev/null |
        grep -vE "#\s*include\s+\"($2)/" || true)
  if [ -n "$bad" ]; then
    echo "FAILED $1/ includes from outside ($2):"
    echo "$bad"
    status=1
  fi
}
check support 'support'
check surface 'support|surface'
check format 'support|surface|format'
check api 'support|surface|format|platform|api|vorn'
windows=$(grep -lE '#\s*include\s+<windows\.h>' support/* surface/* format/* api/* config/* 2>/dev/null || true)
if [ -n "$windows" ]; then
  echo "FAILED <windows.h> in the portable core: $windows"
  status=1
fi
[ $status -eq 0 ] && echo "layering: support <- surface <- format <- api, no Windows header in the core"
exit $status
