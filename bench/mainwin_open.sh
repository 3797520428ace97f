#!/usr/bin/env bash
# Per-phase times of making, showing and closing the main window in one process, under the
# project's Wine, display and sound, as the mainwin tests make it. Argument: rounds (default 8;
# 1 with BENCH_QUICK=1).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
exe="$build/out/bench/bench_mainwin_open.exe"
[ -f "$exe" ] || { echo "build first (bash scripts/build)" >&2; exit 1; }
trap tb_stop_services EXIT
tb_start_services
rounds=8
[ "${BENCH_QUICK:-0}" = 1 ] && rounds=1
wine "$exe" "${1:-$rounds}"
