#!/usr/bin/env bash
# Runs the decoder fuzz target for SECONDS (default 60), seeded with
# generated index files of every kind and layout and the real fixtures.
# Expects build/fuzz configured and decoder_fuzz built (./test does that).
# Exits non-zero when the fuzzer finds a crash, a leak or a hang.
# Usage: scripts/run-fuzz.sh [SECONDS]
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$top/build/fuzz"
fuzzer="$build/tests/fuzz/decoder_fuzz"
fixtures="${GALLIMAW_FIXTURES:-$top/tests/data}"

if [ ! -x "$fuzzer" ]; then
    echo "run-fuzz: $fuzzer is not built" >&2
    exit 1
fi
cmake --build "$build" -j 2 --target gallimaw-gen >/dev/null || { echo "run-fuzz: cannot build gallimaw-gen" >&2; exit 1; }
gen="$build/gen/gallimaw-gen"

seeds="$build/seeds" corpus="$build/corpus" artifacts="$build/artifacts"
mkdir -p "$seeds" "$corpus" "$artifacts"
for kind in cache cookies history; do
    for version in 5 4; do
        "$gen" --kind "$kind" --records 6 --seed 1 --version "$version" "$seeds/$kind-v$version.dat" || exit 1
        "$gen" --kind "$kind" --records 6 --seed 2 --version "$version" --junk "$seeds/$kind-v$version-junk.dat" || exit 1
    done
done
cp "$fixtures"/*.dat "$seeds"/ 2>/dev/null

"$fuzzer" -max_total_time="$seconds" -timeout=10 -max_len=65536 -print_final_stats=1 \
    -dict="$top/tests/fuzz/index.dict" -artifact_prefix="$artifacts/" "$corpus" "$seeds"
rc=$?
if [ "$rc" != 0 ]; then
    echo "run-fuzz: decoder_fuzz failed ($rc); inputs in $artifacts" >&2
    exit 1
fi
echo "run-fuzz: clean for ${seconds}s"
