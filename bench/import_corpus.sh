#!/usr/bin/env bash
# Storing the corpus as titles through the import, next to zip -9 of the same files; walking the
# corpus tree next to find. BENCH_QUICK=1: a catalogue of 200 titles and one round of each walk.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
trap tb_stop_services EXIT
tb_start_services >/dev/null
corpus="$top/build/corpus/files"
work=$(mktemp -d)
trap 'rm -rf "$work"; tb_stop_services' EXIT
titles=20000 rounds=20
[ "${BENCH_QUICK:-0}" = 1 ] && titles=200 rounds=1
out=$(wine "$top/build/out/bench/bench_import_corpus.exe" "Z:${corpus//\//\\}" "Z:${work//\//\\}\\prog" \
  "$titles" "$rounds" | tr -d '\r')
echo "$out" | grep -v '^seconds:'
mapfile -t files < <(find "$corpus" -type f | sort)
start=$(date +%s.%N)
zip -q -9 -j "$work/all.zip" "${files[@]}"
end=$(date +%s.%N)
zipsecs=$(echo "$end - $start" | bc)
bytes=$(cat "${files[@]}" | wc -c)
echo "zip -9: ${#files[@]} files in $zipsecs s; $bytes bytes in $(stat -c %s "$work/all.zip") bytes"
start=$(date +%s.%N)
for i in $(seq "$rounds"); do find "$corpus" -type f >/dev/null; done
end=$(date +%s.%N)
findsecs=$(echo "($end - $start) / $rounds" | bc -l)
echo "find: ${#files[@]} files in $(printf %.4f "$findsecs") s ($(printf %.0f "$(echo "${#files[@]} / $findsecs" | bc -l)") files/s)"
secs=$(echo "$out" | sed -n 's/^seconds: //p')
eval "$secs"
printf 'import / zip -9: %.1f (empty catalogue), %.1f (%d titles)  (goal: at most 5)\n' \
  "$(echo "$import_empty / $zipsecs" | bc -l)" "$(echo "$import_full / $zipsecs" | bc -l)" "$titles"
printf 'walk / find: %.1f\n' "$(echo "$walk / $findsecs" | bc -l)"
