#!/usr/bin/env bash
# The program's share of one core over 20 s with the visual effects off, with only the two level
# bars, and with every display of the music panel in a 1280 x 1024 window, recording PulseAudio's
# sine; then, per display fed, the frames it received of the frames that fell due over the run
# ("frames <display>: <received> of <due>"). Starts the built Tonalbrook.exe under the project's
# Wine, display and sound, as scripts/run. BENCH_QUICK=1: 1 s per case.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
exe="$build/out/app/Tonalbrook.exe"
drive="$build/out/bench/bench_effects_drive.exe"
[ -f "$exe" ] && [ -f "$drive" ] || { echo "build first (bash scripts/build)" >&2; exit 1; }
seconds=20 settle=3
[ "${BENCH_QUICK:-0}" = 1 ] && seconds=1 settle=1
seconds=${SECONDS_PER_CASE:-$seconds}

trap tb_stop_services EXIT
tb_start_xvfb
tb_start_pulse
tb_start_wine
source "$top/bench/proc_share.sh"

# One case: VisE SpecBars Lights SpecGraph, then the menu item to choose ("" for none).
measure() {
  local label=$1 vis=$2 bars=$3 scope=$4 graph=$5 command=$6
  local folder="$build/bench-effects"
  rm -rf "$folder"; mkdir -p "$folder"
  cp "$exe" "$folder/"
  cat > "$folder/Tonalbrook.ini" <<INI
[Setup]
ShowTools=1
FullScanDone=1
RemindToScan=0
[Visual]
VisE=$vis
SpecBars=$bars
Lights=$scope
SpecGraph=$graph
[Format]
Width=1280
Height=1024
Top=0
Left=0
INI
  (cd "$folder" && exec wine Tonalbrook.exe >/dev/null 2>&1) &
  local launcher=$!
  # The helper fails when the program's window never comes up: the bench fails with it.
  wine "$drive" 1280 1024 ${command:+"$command"} >/dev/null </dev/null ||
    { echo "$label: the program's window did not come up" >&2; kill "$launcher" 2>/dev/null; return 1; }
  # The program's own process: the one working in this folder (others may run programs too).
  local pid="" i p
  for i in $(seq 1 100); do
    for p in $(pgrep -f 'Tonalbrook\.exe' -u "$(id -u)" || true); do
      [ "$(readlink "/proc/$p/cwd" 2>/dev/null)" = "$folder" ] && pid=$p
    done
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] || { echo "$label: the program was not found" >&2; return 1; }
  sleep "$settle" # the displays start
  share "$label" "$pid" "$seconds"
  wine "$drive" counts </dev/null 2>/dev/null | tr -d '\r' | sed 's/^/    /' || true
  kill "$pid" 2>/dev/null || true
  wait "$launcher" 2>/dev/null || true
}

echo "share of one core over ${seconds} s"
measure "effects off" 0 0 0 0 ""
measure "level bars" 1 0 0 0 ""
measure "all displays" 1 1 1 1 show
