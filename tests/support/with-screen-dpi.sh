#!/usr/bin/env bash
# Runs one test program under Wine with the screen set to DPI dots per inch, then sets it back.
# usage: with-screen-dpi.sh DPI PROGRAM [ARGS...]
# Wine reads the setting when a process starts, so it holds for this program and what it starts;
# the entry runs serially, so no other test starts while it is changed.
set -uo pipefail
dpi=$1
shift
keys=('HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts')
saved=()
for key in "${keys[@]}"; do
  value=$(wine reg query "$key" /v LogPixels 2>/dev/null </dev/null | tr -d '\r' |
    awk '$1 == "LogPixels" { print $3 }')
  saved+=("${value:-none}")
done
restore() {
  local i
  for i in "${!keys[@]}"; do
    if [ "${saved[$i]}" = none ]; then
      wine reg delete "${keys[$i]}" /v LogPixels /f >/dev/null 2>&1 </dev/null
    else
      wine reg add "${keys[$i]}" /v LogPixels /t REG_DWORD /d "$((saved[$i]))" /f >/dev/null 2>&1 </dev/null
    fi
  done
}
trap restore EXIT
trap 'exit 130' INT TERM
for key in "${keys[@]}"; do
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null ||
    { echo "could not set the screen to $dpi dpi" >&2; exit 1; }
done
TB_SCREEN_DPI=$dpi wine "$@"
