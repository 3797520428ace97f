#!/usr/bin/env bash
# Start-up and dropped files against the catalogue's size, under the project's Wine, display and
# sound. BENCH_QUICK=1 runs small sizes once.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
exe="$build/out/bench/bench_catalogue_scale.exe"
[ -f "$exe" ] || { echo "build first (bash scripts/build)" >&2; exit 1; }
trap tb_stop_services EXIT
tb_start_services
wine "$exe"
