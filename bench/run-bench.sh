#!/usr/bin/env bash
# Peak memory of gallimaw-dump scanning generated index files of about 1 MB,
# 20 MB and 200 MB, as ratios to the 1 MB run: the file is mapped and the
# pages already scanned are handed back, so memory must not grow with the
# file. Files of a few MB and up reach the same plateau: the kernel maps
# file pages in large folios, so a few MB stay resident around the scan
# cursor whatever the file size. Not part of ./test; takes well under a
# minute.
# Usage: bench/run-bench.sh [NATIVE-BUILD-DIR]   (default build/native)
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/native}
gen="$build/tools/gallimaw-gen" dump="$build/tools/gallimaw-dump"
for tool in "$gen" "$dump"; do
    [ -x "$tool" ] || { echo "run-bench: $tool is not built" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "run-bench: needs /usr/bin/time (package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Cache records with headers average about 310 bytes.
declare -A records=([1]=3300 [20]=60000 [200]=580000)
declare -A peak
for mb in 1 20 200; do
    file="$work/cache-$mb.dat"
    "$gen" --kind cache --records "${records[$mb]}" --seed 7 "$file" || exit 1
    rows=$(/usr/bin/time -f %M -o "$work/rss" "$dump" --format=row "$file" | wc -l)
    peak[$mb]=$(cat "$work/rss")
    printf '%4s MB file: %9d bytes, %7d rows, peak RSS %6d KB\n' "$mb" "$(stat -c %s "$file")" "$rows" "${peak[$mb]}"
    rm -f "$file"
done
awk -v a="${peak[1]}" -v b="${peak[20]}" -v c="${peak[200]}" 'BEGIN {
    printf "peak RSS ratio 200 MB / 1 MB: %.2f (file 200x larger)\n", c / a
    printf "peak RSS ratio 200 MB / 20 MB: %.2f (file 10x larger)\n", c / b
}'
