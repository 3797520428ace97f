#!/usr/bin/env bash
# The processor share of recording alone: a probe that records from wave-in device 0 with no
# display (PulseAudio's sine, as effects_cpu.sh), first idle, then with the visual effects'
# format and buffers (11025 Hz, 8 bits, stereo, 10 x 2048 bytes), then other buffer counts,
# sizes and formats, to show what Wine's share depends on.
# Usage: bench/wavein_cpu.sh [CASE ...], a case being "RATE BITS CHANNELS BUFFERS SIZE" in one
# argument; env SECONDS_PER_CASE (default 20). BENCH_QUICK=1: the visual effects' case alone, 1 s.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
probe="$build/out/bench/bench_wavein_cpu.exe"
[ -f "$probe" ] || { echo "build first (bash scripts/build)" >&2; exit 1; }
quick=${BENCH_QUICK:-0}
seconds=20 settle=2
[ "$quick" = 1 ] && seconds=1 settle=1
seconds=${SECONDS_PER_CASE:-$seconds}

trap tb_stop_services EXIT
tb_start_xvfb
tb_start_pulse
tb_start_wine
source "$top/bench/proc_share.sh"

measure() {
  local label=$1 rate bits channels count size
  read -r rate bits channels count size <<<"$1"
  local folder="$build/bench-wavein"
  rm -rf "$folder"; mkdir -p "$folder"
  cp "$probe" "$folder/"
  (cd "$folder" && exec wine bench_wavein_cpu.exe $((seconds + settle + 2)) "$rate" "$bits" "$channels" \
    "$count" "$size" >"$folder/out.txt" 2>&1 </dev/null) &
  local launcher=$!
  # The probe's own process: the one working in this folder.
  local pid="" i p
  for i in $(seq 1 100); do
    for p in $(pgrep -f 'bench_wavein_cpu\.exe' -u "$(id -u)" || true); do
      [ "$(readlink "/proc/$p/cwd" 2>/dev/null)" = "$folder" ] && pid=$p
    done
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] || { echo "$label: the probe was not found" >&2; return 1; }
  sleep "$settle" # recording starts
  share "$label" "$pid" "$seconds"
  local status=0
  wait "$launcher" 2>/dev/null || status=$?
  sed 's/^/    probe: /' "$folder/out.txt" | tr -d '\r'
  [ "$status" = 0 ] || { echo "$label: the probe failed" >&2; return 1; }
}

cases=("$@")
[ ${#cases[@]} -gt 0 ] || [ "$quick" != 1 ] || cases=("11025 8 2 10 2048")
[ ${#cases[@]} -gt 0 ] || cases=(
  "11025 8 2 0 0"
  "11025 8 2 10 2048"
  "11025 8 2 4 2048"
  "11025 8 2 10 512"
  "11025 8 2 10 8192"
  "11025 8 2 30 8192"
  "44100 16 2 10 2048"
  "44100 16 2 10 8192"
  "44100 16 2 10 17640"
)
echo "share of one core over ${seconds} s; case: rate bits channels buffers size (0 buffers: idle)"
for c in "${cases[@]}"; do measure "$c"; done
