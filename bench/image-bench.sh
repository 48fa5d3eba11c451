#!/usr/bin/env bash
# Benchmarks of gallimaw-dump on disk images, each printing ratios measured
# in this one run:
#  1. --carve=all over a raw image of 1 GiB (a FAT32 file system holding a
#     14 MB generated cache file and 600 MiB of random bytes, the rest
#     free), page-cached, output to /dev/null: bytes per second against
#     the 1 GB/s target; and its peak memory against the same made at
#     256 MiB, which must stay within 10%;
#  2. --image on a 64 MiB FAT32 image holding the 14 MB generated cache
#     file (45,000 records) at its usual path, against gallimaw-dump on
#     the loose file: target at most 1.5x its time;
#  3. peak memory of --carve=all over that image as EWF in 1 MiB segments
#     with a middle segment missing, against the whole image: target at
#     most 1.5x (libewf keeps memory for each chunk it fails to read);
#  4. peak memory on the cache file grown to a sparse 4 GiB, against it
#     grown to 256 MiB: target flat (at most 10% more), also with every
#     --hash digest of the bytes read.
# Times are the best of several runs; the load average is printed with
# them. The images are made in a temporary folder and removed after.
# Usage: bench/image-bench.sh [NATIVE-BUILD-DIR]   (default build/native)
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/native}
gen="$build/gen/gallimaw-gen" dump="$build/dump/gallimaw-dump"
for tool in "$gen" "$dump"; do
    [ -x "$tool" ] || { echo "image-bench: $tool is not built" >&2; exit 1; }
done
for tool in /usr/bin/time mkfs.fat mcopy python3 ewfacquire; do
    command -v "$tool" >/dev/null || { echo "image-bench: needs $tool (packages time, dosfstools, mtools, python3, ewf-tools)" >&2; exit 1; }
done
export MTOOLS_SKIP_CHECK=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$gen" --kind cache --records 45000 --seed 7 "$work/cache.dat" || exit 1

# make_image MiB PATH [FILLER-MiB]: a FAT32 file system with the cache file
# in Content.IE5 and a file of random bytes.
make_image() {
    truncate -s "$1M" "$2" && mkfs.fat -F 32 "$2" >/dev/null || exit 1
    mmd -i "$2" ::/Content.IE5 && mcopy -i "$2" "$work/cache.dat" ::/Content.IE5/index.dat || exit 1
    if [ -n "${3:-}" ]; then
        head -c "$3M" /dev/urandom >"$work/filler" && mcopy -i "$2" "$work/filler" ::/filler.bin || exit 1
        rm "$work/filler"
    fi
}

best_time() { # RUNS COMMAND...: the best wall time in seconds, output to /dev/null
    python3 - "$@" <<'EOF'
import subprocess, sys, time
runs, command = int(sys.argv[1]), sys.argv[2:]
wall = float("inf")
for _ in range(runs):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = min(wall, time.perf_counter() - start)
print("%.6f" % wall)
EOF
}

peak_kb() { # COMMAND...: peak resident memory in KB, output to /dev/null
    /usr/bin/time -q -f %M -o "$work/rss" "$@" >/dev/null 2>&1
    tail -n 1 "$work/rss"
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "== 1. gallimaw-dump --format=csv --carve=all over a raw image (best of 5)"
make_image 1024 "$work/large.img" 600
make_image 256 "$work/small.img" 150
cat "$work/large.img" >/dev/null
records=$("$dump" --format=csv --carve=all "$work/large.img" 2>/dev/null | grep -c ',carved,')
wall=$(best_time 5 "$dump" --format=csv --carve=all "$work/large.img")
large=$(peak_kb "$dump" --format=csv --carve=all "$work/large.img")
small=$(peak_kb "$dump" --format=csv --carve=all "$work/small.img")
awk -v wall="$wall" -v size="$(stat -c %s "$work/large.img")" -v records="$records" -v load="$(load)" \
    -v large="$large" -v small="$small" 'BEGIN {
    printf "1 GiB image, %d carved records, load average %s: %.4f s wall, %.2f GB/s (target at least 1 GB/s)\n",
        records, load, wall, size / wall / 1e9
    printf "    peak RSS %d KB at 1 GiB, %d KB at 256 MiB: ratio %.2f (target at most 10%% more: %s)\n",
        large, small, large / small, large / small <= 1.10 ? "met" : "missed"
}'
rm "$work/large.img" "$work/small.img"

echo
echo "== 2. gallimaw-dump --format=csv --image against the loose file (best of 15)"
make_image 64 "$work/image.img"
cat "$work/image.img" "$work/cache.dat" >/dev/null
loose=$(best_time 15 "$dump" --format=csv "$work/cache.dat")
image=$(best_time 15 "$dump" --format=csv --image "$work/image.img")
awk -v loose="$loose" -v image="$image" -v load="$(load)" 'BEGIN {
    printf "14 MB cache file, load average %s: loose %.4f s, in a 64 MiB image %.4f s\n", load, loose, image
    printf "    --image takes %.2fx the loose file'\''s time (target at most 1.5x)\n", image / loose
}'

echo
echo "== 3. gallimaw-dump --carve=all over an EWF image with a segment missing"
mkdir "$work/ewf"
(cd "$work/ewf" && ewfacquire -u -q -c none -S 1048576 -t image "$work/image.img" </dev/null >/dev/null) || exit 1
whole=$(peak_kb "$dump" --format=csv --carve=all "$work/ewf/image.E01")
rm "$work/ewf/image.E30"
missing=$(peak_kb "$dump" --format=csv --carve=all "$work/ewf/image.E01")
awk -v whole="$whole" -v missing="$missing" 'BEGIN {
    printf "64 MiB image in 1 MiB segments: peak RSS %d KB whole, %d KB without segment 30\n", whole, missing
    printf "    ratio %.2f (target at most 1.5: %s)\n", missing / whole, missing / whole <= 1.5 ? "met" : "missed"
}'

echo
echo "== 4. gallimaw-dump --format=csv on the cache file grown to a sparse 4 GiB"
truncate -s 256M "$work/cache.dat"
small=$(peak_kb "$dump" --format=csv "$work/cache.dat")
truncate -s 4G "$work/cache.dat"
sparse=$(peak_kb "$dump" --format=csv "$work/cache.dat")
hashed=$(peak_kb "$dump" --format=csv --hash=md5,sha1,sha256 "$work/cache.dat")
awk -v small="$small" -v sparse="$sparse" -v hashed="$hashed" 'BEGIN {
    printf "peak RSS %d KB at 256 MiB, %d KB at 4 GiB: ratio %.2f (target at most 10%% more: %s)\n",
        small, sparse, sparse / small, sparse / small <= 1.10 ? "met" : "missed"
    printf "    with --hash=md5,sha1,sha256 %d KB at 4 GiB: ratio %.2f (%s)\n",
        hashed, hashed / small, hashed / small <= 1.10 ? "met" : "missed"
}'
