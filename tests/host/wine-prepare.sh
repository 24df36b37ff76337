#!/usr/bin/env bash
# Gets the shared Wine prefix ready for the Windows tests: creates it on the
# first run (a few minutes), sets up Japanese fonts, and keeps one wineserver
# alive through the test run so later Wine starts find the prefix's services
# running. Exit 77 (skipped) when Wine is not installed.
set -euo pipefail
if ! command -v wine >/dev/null 2>&1; then
  echo "Wine is not installed: the Windows tests are skipped"
  exit 77
fi
. "$(dirname "$0")/wine-env.sh"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the Wine prefix $WINEPREFIX (once; a few minutes)"
  wine64_tool wineboot -i >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1
fi
wine_server_up

# The dialog's face name is mapped to IPA P Gothic (fonts-ipafont-gothic),
# and the fonts of message boxes and captions fall back to it for Japanese.
wine64_tool reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null
for face in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
  wine64_tool reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f >/dev/null
done
# Caption buttons are drawn with Marlett (package fonts-wine); a prefix that
# does not see Wine's own fonts shows letters there instead.
fonts=$WINEPREFIX/drive_c/windows/Fonts
if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
  mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
fi
echo "Wine prefix ready: $WINEPREFIX"
