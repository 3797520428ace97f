#!/usr/bin/env bash
# Storing the corpus as titles through the import, next to zip -9 of the same files.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
trap tb_stop_services EXIT
tb_start_services >/dev/null
corpus="$top/build/corpus/files"
work=$(mktemp -d)
trap 'rm -rf "$work"; tb_stop_services' EXIT
wine "$top/build/out/bench/bench_import_corpus.exe" "Z:${corpus//\//\\}" "Z:${work//\//\\}\\prog" 2>/dev/null
mapfile -t files < <(find "$corpus" -type f | sort)
start=$(date +%s.%N)
zip -q -9 -j "$work/all.zip" "${files[@]}"
end=$(date +%s.%N)
bytes=$(cat "${files[@]}" | wc -c)
echo "zip -9: ${#files[@]} files in $(echo "$end - $start" | bc) s; $bytes bytes in $(stat -c %s "$work/all.zip") bytes"
