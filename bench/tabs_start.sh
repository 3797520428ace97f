#!/usr/bin/env bash
# Start-up times of the main window with many categories and albums, under the project's Wine,
# display and sound. Arguments: counts of categories and albums (default 2 100 400), and
# "garbage" for a category file of 13,546 garbage records. BENCH_QUICK=1: 2 and 10 by default.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
exe="$build/out/bench/bench_tabs_start.exe"
[ -f "$exe" ] || { echo "build first (bash scripts/build)" >&2; exit 1; }
trap tb_stop_services EXIT
tb_start_services
args=("$@")
if [ ${#args[@]} = 0 ] && [ "${BENCH_QUICK:-0}" = 1 ]; then args=(2 10); fi
wine "$exe" "${args[@]}"
